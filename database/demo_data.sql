-- Demo rows for the program folder's database (not for the tests): a year of
-- one small trading business that imports tea and sauces, buys rice and
-- noodles from a farmers' co-op and packaging from a wholesaler, and sells
-- to a cafe, a bakery, restaurants, grocers, a distributor and a school.
-- Every date is relative to the day the database is built.
--
-- The year is played out day by day, so the rows agree by construction:
-- stock is bought before it is sold and never sold below zero, invoice
-- totals are worked out as the invoice window works them out, receipts never
-- exceed their invoice, and every document number is drawn from the same
-- counters the program draws from.

-- Users: the administrator comes with the database; Mary does most of the
-- day-to-day work.
INSERT INTO SYS_USER (ID, CODE, NAME, PASSWD, DISABLED, SHOWTIP, LOGINS) VALUES (1, 'MARY', 'Mary Chen', 'mary', 2, 0, 0);
ALTER SEQUENCE SYS_USER_ID_GEN RESTART WITH 1;

-- The business itself, as its invoices name it (the options window's
-- "Company" page); payments go to the cheque account below.
UPDATE SO_DOTEMPLATESETUP SET NAME = 'Silver Pine Trading Pty Ltd',
  ADDRESS = 'Unit 6, 18 Bridge Road
Glebe NSW', ZIPCODE = '2038', PHONENO = '555-0100', MOBILENO = '0400 555 010',
  NOTE1 = 'ABN 51 824 753 556',
  NOTE2 = 'Please pay to National Bank 062-000 1234 5678 within the agreed terms.',
  REMARKS = 'Tea, rice, noodles and sauces for cafes, restaurants and grocers.'
WHERE ID = 0;

-- Customers, in the order they came. Their price level, discount, tax code,
-- payment habits and what they buy drive the invoices below.
INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, ZIPCODE, PHONENO, EMAIL, "GROUP", GRADE, DISCTRATE, SYS_TAX_ID, PRICENO, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (1, 'Harbour Cafe', 'Harbour Cafe Pty Ltd', '12 Wharf Street', '2000', '555-0101', 'orders@harbourcafe.example', 'Retail', 'A', 0, 1, 0,
        'Orders every second Tuesday; pays by card about a week later.', DATEADD(-360 DAY TO CURRENT_DATE), 4);
INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, ZIPCODE, PHONENO, EMAIL, "GROUP", GRADE, DISCTRATE, SYS_TAX_ID, PRICENO, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (2, 'Greenleaf', 'Greenleaf Grocers', '8 Market Lane', '2010', '555-0102', 'buy@greenleaf.example', 'Wholesale', 'A', 5, 1, 1,
        'Wholesale prices, 5% discount, 30 days.', DATEADD(-345 DAY TO CURRENT_DATE), 3);
INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, ZIPCODE, PHONENO, EMAIL, "GROUP", GRADE, DISCTRATE, SYS_TAX_ID, PRICENO, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (3, 'Northside', 'Northside Distributors', '200 Industrial Road', '2150', '555-0103', 'accounts@northside.example', 'Distributor', 'B', 10, 1, 2,
        'Distributor prices, 10% discount. Pays large invoices in two cheques.', DATEADD(-300 DAY TO CURRENT_DATE), 3);
INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, ZIPCODE, PHONENO, EMAIL, "GROUP", GRADE, DISCTRATE, SYS_TAX_ID, PRICENO, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (4, 'Sunrise Bakery', 'Sunrise Bakery', '45 Baker Street', '2040', '555-0104', 'hello@sunrisebakery.example', 'Retail', 'A', 3, 1, 0,
        '3% loyalty discount; pays by transfer about a week later.', DATEADD(-250 DAY TO CURRENT_DATE), 4);
INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, ZIPCODE, PHONENO, EMAIL, "GROUP", GRADE, DISCTRATE, SYS_TAX_ID, PRICENO, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (5, 'Lotus', 'Lotus Restaurant', '3 Garden Square', '2037', '555-0105', 'lotus@example.com', 'Retail', 'B', 0, 2, 0,
        'Prices quoted tax inclusive; pays cash on delivery.', DATEADD(-200 DAY TO CURRENT_DATE), 4);
INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, ZIPCODE, PHONENO, EMAIL, "GROUP", GRADE, DISCTRATE, SYS_TAX_ID, PRICENO, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (6, 'Golden Dragon', 'Golden Dragon Takeaway', '77 High Street', '2042', '555-0106', 'golden.dragon@example.com', 'Retail', 'B', 0, 1, 0,
        'Cash on delivery.', DATEADD(-150 DAY TO CURRENT_DATE), 4);
INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, ZIPCODE, PHONENO, EMAIL, "GROUP", GRADE, DISCTRATE, SYS_TAX_ID, PRICENO, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (7, 'City School', 'City Primary School', '1 Learning Way', '2031', '555-0107', 'office@cityschool.example', 'Retail', 'C', 0, 0, 0,
        'Tax exempt. Canteen supplies, monthly.', DATEADD(-90 DAY TO CURRENT_DATE), 2);
INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, ZIPCODE, PHONENO, EMAIL, "GROUP", GRADE, DISCTRATE, SYS_TAX_ID, PRICENO, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (8, 'Eastgate', 'Eastgate Food Market', 'Shop 4, Eastgate Mall', '2022', '555-0108', 'purchasing@eastgate.example', 'Wholesale', 'B', 5, 1, 1,
        'New account: weekly orders.', DATEADD(-45 DAY TO CURRENT_DATE), 3);
ALTER SEQUENCE AR_ACCT_ID_GEN RESTART WITH 8;

INSERT INTO AP_ACCT (ID, NICKNAME, NAME, ADDRESS, PHONENO, EMAIL, CONTACT, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (1, 'Pacific Imports', 'Pacific Imports Ltd', '9 Dock Road', '555-0201', 'sales@pacific.example', 'Tom Lee',
        'Teas, sauces and oils. Ordered every eight weeks.', DATEADD(-370 DAY TO CURRENT_DATE), 6);
INSERT INTO AP_ACCT (ID, NICKNAME, NAME, ADDRESS, PHONENO, EMAIL, CONTACT, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (2, 'Valley Farms', 'Valley Farms Co-op', 'RMB 120, Valley Road', '555-0202', 'orders@valley.example', 'Ann Ross',
        'Rice, noodles and flour. Ordered every six weeks.', DATEADD(-370 DAY TO CURRENT_DATE), 6);
INSERT INTO AP_ACCT (ID, NICKNAME, NAME, ADDRESS, PHONENO, EMAIL, CONTACT, REMARKS, CREATEDATE, SYS_TREEVIEW_ID)
VALUES (3, 'Metro Packaging', 'Metro Packaging Supplies', '31 Carton Way', '555-0203', 'hello@metropack.example', 'Sam Park',
        'Cups, bags and gift boxes. Ordered every eight weeks.', DATEADD(-190 DAY TO CURRENT_DATE), 6);
ALTER SEQUENCE AP_ACCT_ID_GEN RESTART WITH 3;

-- Products, in the order they joined the range. Which supplier each comes
-- from is in the block below.
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (1, 'TEA-01', 'Green Tea 250g', 'Box', 'Loose', 12.50, 11.80, 10.90, DATEADD(-368 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (2, 'TEA-02', 'Jasmine Tea 250g', 'Box', 'Loose', 13.90, 13.00, 12.10, DATEADD(-368 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (3, 'RICE-05', 'Jasmine Rice 5kg', 'Each', 'Bag', 18.00, 16.90, 15.50, DATEADD(-368 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (4, 'NOOD-01', 'Egg Noodles 1kg', 'Each', 'Bag', 4.20, 3.95, 3.60, DATEADD(-368 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (5, 'SAUCE-01', 'Soy Sauce 1L', 'Each', 'Loose', 5.80, 5.40, 5.00, DATEADD(-368 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (6, 'OIL-01', 'Sesame Oil 500ml', 'Each', 'Loose', 7.25, 6.80, 6.30, DATEADD(-300 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (7, 'FLOUR-01', 'Rice Flour 1kg', 'Each', 'Bag', 3.60, 3.35, 3.10, DATEADD(-260 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (8, 'RICE-10', 'Brown Rice 5kg', 'Each', 'Bag', 19.50, 18.30, 17.10, DATEADD(-210 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (9, 'CUP-100', 'Paper Cups (100)', 'Box', 'Loose', 9.99, 9.20, 8.50, DATEADD(-186 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (10, 'BAG-50', 'Takeaway Bags (50)', 'Box', 'Loose', 6.45, 5.95, 5.50, DATEADD(-186 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (11, 'TEA-03', 'Oolong Tea 250g', 'Box', 'Loose', 15.40, 14.50, 13.60, DATEADD(-120 DAY TO CURRENT_DATE), 8);
INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, FORM, PRICE0, PRICE1, PRICE2, CREATEDATE, SYS_TREEVIEW_ID) VALUES (12, 'BOX-20', 'Gift Box Set', 'Each', 'Loose', 24.00, 22.50, 21.00, DATEADD(-60 DAY TO CURRENT_DATE), 8);
ALTER SEQUENCE IC_ITEM_ID_GEN RESTART WITH 12;

-- The cheque account takes transfers, cards and cheques; cash on delivery
-- goes into the drawer and is banked at the start of each month.
INSERT INTO CB_ACCT (ID, NAME, OPENDATE, ACCTNO, CONTACT, BANK, PHONENO, REMARKS, SYS_TREEVIEW_ID)
VALUES (1, 'Business Cheque Account', DATEADD(-400 DAY TO CURRENT_DATE), '062-000 1234 5678', 'Business banking desk', 'National Bank', '555-0300',
        'Receipts by transfer, card and cheque; supplier payments; fees.', 12);
INSERT INTO CB_ACCT (ID, NAME, OPENDATE, ACCTNO, BANK, REMARKS, SYS_TREEVIEW_ID)
VALUES (2, 'Cash Drawer', DATEADD(-400 DAY TO CURRENT_DATE), '-', NULL, 'Cash on delivery; banked monthly.', 13);
ALTER SEQUENCE CB_ACCT_ID_GEN RESTART WITH 2;

-- The year, day by day. On each working day: bank the cash drawer on the
-- first working day of a month; buy from a supplier on its order day (or as
-- soon as one of its products has never been bought or runs low) enough to
-- top stock up to twice what the last order period sold; write the invoices of
-- the customers whose order day it is, from stock on hand; record each
-- invoice's receipts on the day the customer pays (when that day has come);
-- charge the bank fee on the last working day of a month.
--
-- Lines and bank transactions are first written under temporary keys and
-- take their real keys afterwards, so that keys and numbers run in date
-- order and nothing that was not written consumes a number.
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE K INTEGER;
  DECLARE D DATE;
  DECLARE WD INTEGER;
  DECLARE S INTEGER;
  DECLARE C INTEGER;
  DECLARE P INTEGER;
  DECLARE L INTEGER;
  DECLARE SEED INTEGER;
  DECLARE NEXTDAY DATE;
  DECLARE PREVDAY DATE;
  DECLARE ID_ INTEGER;
  DECLARE RUNNO INTEGER;
  DECLARE DOCNO VARCHAR(40);
  DECLARE TMP INTEGER = 0;
  DECLARE QTY INTEGER;
  DECLARE AVAIL INTEGER;
  DECLARE PAR INTEGER;
  DECLARE CASESIZE INTEGER;
  DECLARE PCT INTEGER;
  DECLARE PRICE NUMERIC(18,4);
  DECLARE PRICENO INTEGER;
  DECLARE DISC DOUBLE PRECISION;
  DECLARE TAXID INTEGER;
  DECLARE CUSTNAME VARCHAR(120);
  DECLARE SUPPNAME VARCHAR(120);
  DECLARE TERM VARCHAR(50);
  DECLARE GOODS NUMERIC(18,4);
  DECLARE TAX NUMERIC(18,4);
  DECLARE TOTAL NUMERIC(18,4);
  DECLARE AMT NUMERIC(18,4);
  DECLARE FIRSTAMT NUMERIC(18,4);
  DECLARE PAYDAY DATE;
  DECLARE ACCT INTEGER;
  DECLARE NOTE VARCHAR(50);
  DECLARE USERID INTEGER;
  DECLARE ADJUSTED INTEGER = 0;
  DECLARE NEED INTEGER;

  -- A repeatable pseudo-random number 0..99 from two whole numbers.
  DECLARE FUNCTION CHANCE(A BIGINT, B BIGINT) RETURNS INTEGER AS
    DECLARE X BIGINT;
  BEGIN
    X = MOD(A * 1103515245 + B * 12345 + 2531011, 2147483648);
    X = MOD(X * 1103515245 + 12345, 2147483648);
    X = MOD(X * 1103515245 + 12345, 2147483648);
    RETURN MOD(X / 65536, 100);
  END

  -- Saturdays and Sundays move to the Monday after.
  DECLARE FUNCTION WORKDAY(X DATE) RETURNS DATE AS
  BEGIN
    IF (EXTRACT(WEEKDAY FROM X) = 6) THEN RETURN DATEADD(2 DAY TO X);
    IF (EXTRACT(WEEKDAY FROM X) = 0) THEN RETURN DATEADD(1 DAY TO X);
    RETURN X;
  END

  -- Stock of a product at the end of a day: batch lines signed by their
  -- batch's factor, less invoice lines.
  DECLARE FUNCTION STOCK(ITEM INTEGER, X DATE) RETURNS INTEGER AS
    DECLARE INQ NUMERIC(18,4);
    DECLARE OUTQ INTEGER;
  BEGIN
    SELECT COALESCE(SUM(BI.QTY * B.IC_BATCHTYPE_FACTOR), 0) FROM IC_BATCHITEM BI JOIN IC_BATCH B ON B.ID = BI.IC_BATCH_ID
    WHERE BI.IC_ITEM_ID = :ITEM AND B.BATCHDATE <= :X INTO :INQ;
    SELECT COALESCE(SUM(TI.QTY), 0) FROM AR_TRANITEM TI JOIN AR_TRAN T ON T.ID = TI.AR_TRAN_ID
    WHERE TI.IC_ITEM_ID = :ITEM AND T.INVOICEDATE <= :X INTO :OUTQ;
    RETURN CAST(INQ AS INTEGER) - OUTQ;
  END

  -- Quantity of a product sold in the days after FROMDAY up to X.
  DECLARE FUNCTION SOLD(ITEM INTEGER, FROMDAY DATE, X DATE) RETURNS INTEGER AS
    DECLARE Q INTEGER;
  BEGIN
    SELECT COALESCE(SUM(TI.QTY), 0) FROM AR_TRANITEM TI JOIN AR_TRAN T ON T.ID = TI.AR_TRAN_ID
    WHERE TI.IC_ITEM_ID = :ITEM AND T.INVOICEDATE > :FROMDAY AND T.INVOICEDATE <= :X INTO :Q;
    RETURN Q;
  END

  -- The next number of a counter, drawn as the program draws it.
  DECLARE FUNCTION NEXTNO(TB VARCHAR(31), PFX VARCHAR(60)) RETURNS INTEGER AS
    DECLARE R INTEGER;
  BEGIN
    UPDATE SYS_NO SET RUNNO = RUNNO + 1 WHERE TABLENAME = :TB AND PREFIX = :PFX RETURNING RUNNO INTO :R;
    IF (ROW_COUNT = 0) THEN
    BEGIN
      INSERT INTO SYS_NO (ID, TABLENAME, PREFIX, RUNNO) VALUES (GEN_ID(SYS_NO_ID_GEN, 1), :TB, :PFX, 1);
      R = 1;
    END
    RETURN R;
  END

  -- The supplier of each product.
  DECLARE FUNCTION SUPPLIER(ITEM INTEGER) RETURNS INTEGER AS
  BEGIN
    RETURN CASE WHEN ITEM IN (1, 2, 5, 6, 11) THEN 1 WHEN ITEM IN (3, 4, 7, 8) THEN 2 ELSE 3 END;
  END

  -- A supplier's order day: its weekday, every so many weeks.
  DECLARE FUNCTION ORDERDAY(SUPP INTEGER, X DATE) RETURNS INTEGER AS
    DECLARE W INTEGER;
  BEGIN
    W = (X - DATE '2001-01-01') / 7;
    IF (SUPP = 1 AND EXTRACT(WEEKDAY FROM X) = 1 AND MOD(W, 8) = 0) THEN RETURN 1;
    IF (SUPP = 2 AND EXTRACT(WEEKDAY FROM X) = 2 AND MOD(W, 6) = 3) THEN RETURN 1;
    IF (SUPP = 3 AND EXTRACT(WEEKDAY FROM X) = 4 AND MOD(W, 8) = 4) THEN RETURN 1;
    RETURN 0;
  END

  -- Days between a supplier's orders.
  DECLARE FUNCTION ORDERPERIOD(SUPP INTEGER) RETURNS INTEGER AS
  BEGIN
    RETURN CASE SUPP WHEN 2 THEN 42 ELSE 56 END;
  END

  -- The stock a first order of a product aims at, and its packing.
  DECLARE FUNCTION STARTPAR(ITEM INTEGER) RETURNS INTEGER AS
  BEGIN
    RETURN CASE ITEM WHEN 1 THEN 60 WHEN 2 THEN 48 WHEN 3 THEN 80 WHEN 4 THEN 120 WHEN 5 THEN 72
                     WHEN 6 THEN 48 WHEN 7 THEN 60 WHEN 8 THEN 40 WHEN 9 THEN 80 WHEN 10 THEN 60
                     WHEN 11 THEN 36 ELSE 24 END;
  END
  DECLARE FUNCTION PACK(ITEM INTEGER) RETURNS INTEGER AS
  BEGIN
    RETURN CASE WHEN ITEM IN (3, 7, 8, 9, 10) THEN 10 ELSE 12 END;
  END

  -- A customer's order day: its weekday, every so many weeks.
  DECLARE FUNCTION ORDERS(CUST INTEGER, X DATE) RETURNS INTEGER AS
    DECLARE W INTEGER;
    DECLARE WDAY INTEGER;
  BEGIN
    W = (X - DATE '2001-01-01') / 7;
    WDAY = EXTRACT(WEEKDAY FROM X);
    IF (CUST = 1 AND WDAY = 2 AND MOD(W, 2) = 0) THEN RETURN 1;  -- Harbour Cafe
    IF (CUST = 2 AND WDAY = 3 AND MOD(W, 2) = 1) THEN RETURN 1;  -- Greenleaf
    IF (CUST = 3 AND WDAY = 4 AND MOD(W, 4) = 2) THEN RETURN 1;  -- Northside
    IF (CUST = 4 AND WDAY = 1 AND MOD(W, 3) = 0) THEN RETURN 1;  -- Sunrise Bakery
    IF (CUST = 5 AND WDAY = 5 AND MOD(W, 2) = 0) THEN RETURN 1;  -- Lotus
    IF (CUST = 6 AND WDAY = 3 AND MOD(W, 3) = 2) THEN RETURN 1;  -- Golden Dragon
    IF (CUST = 7 AND WDAY = 1 AND MOD(W, 4) = 1) THEN RETURN 1;  -- City School
    IF (CUST = 8 AND WDAY = 2) THEN RETURN 1;                    -- Eastgate
    RETURN 0;
  END

  -- How likely a customer is to order a product (percent), and how many.
  DECLARE FUNCTION LIKES(CUST INTEGER, ITEM INTEGER) RETURNS INTEGER AS
  BEGIN
    IF (CUST = 1) THEN   -- cafe
      RETURN CASE ITEM WHEN 1 THEN 60 WHEN 2 THEN 50 WHEN 11 THEN 50 WHEN 9 THEN 70 WHEN 10 THEN 30 WHEN 12 THEN 15 ELSE 0 END;
    IF (CUST IN (2, 8)) THEN   -- grocers
      RETURN CASE ITEM WHEN 9 THEN 15 WHEN 10 THEN 15 WHEN 12 THEN 40 ELSE 45 END;
    IF (CUST = 3) THEN   -- distributor
      RETURN CASE ITEM WHEN 3 THEN 85 WHEN 4 THEN 75 WHEN 5 THEN 60 WHEN 6 THEN 50 WHEN 8 THEN 40 WHEN 1 THEN 30 WHEN 2 THEN 30 ELSE 0 END;
    IF (CUST = 4) THEN   -- bakery
      RETURN CASE ITEM WHEN 7 THEN 90 WHEN 9 THEN 60 WHEN 10 THEN 70 WHEN 1 THEN 25 WHEN 12 THEN 40 ELSE 0 END;
    IF (CUST IN (5, 6)) THEN   -- restaurants
      RETURN CASE ITEM WHEN 3 THEN 80 WHEN 4 THEN 70 WHEN 5 THEN 70 WHEN 6 THEN 55 WHEN 10 THEN 45 WHEN 2 THEN 30 WHEN 7 THEN 20 ELSE 0 END;
    RETURN CASE ITEM WHEN 9 THEN 80 WHEN 1 THEN 50 WHEN 3 THEN 40 WHEN 4 THEN 30 ELSE 0 END;   -- school canteen
  END
  DECLARE FUNCTION USUALQTY(CUST INTEGER, ITEM INTEGER) RETURNS INTEGER AS
  BEGIN
    IF (CUST = 1) THEN RETURN CASE WHEN ITEM = 9 THEN 10 WHEN ITEM IN (10, 12) THEN 3 ELSE 5 END;
    IF (CUST = 2) THEN RETURN CASE WHEN ITEM IN (3, 8) THEN 10 WHEN ITEM = 4 THEN 20 WHEN ITEM IN (9, 10, 12) THEN 4 ELSE 8 END;
    IF (CUST = 8) THEN RETURN CASE WHEN ITEM IN (3, 8) THEN 6 WHEN ITEM = 4 THEN 12 WHEN ITEM IN (9, 10, 12) THEN 3 ELSE 5 END;
    IF (CUST = 3) THEN RETURN CASE WHEN ITEM IN (3, 8) THEN 30 WHEN ITEM = 4 THEN 48 WHEN ITEM IN (5, 6) THEN 24 ELSE 12 END;
    IF (CUST = 4) THEN RETURN CASE WHEN ITEM = 7 THEN 20 WHEN ITEM IN (9, 10) THEN 6 ELSE 3 END;
    IF (CUST IN (5, 6)) THEN RETURN CASE WHEN ITEM = 3 THEN 6 WHEN ITEM = 4 THEN 15 WHEN ITEM IN (5, 10) THEN 6 ELSE 3 END;
    RETURN CASE WHEN ITEM = 9 THEN 8 WHEN ITEM = 4 THEN 10 ELSE 4 END;
  END

  -- The invoice window's line amount, in exact decimals: quantity times
  -- price in ten-thousandths, then less the discount; both steps round to
  -- the nearest ten-thousandth with halves to even.
  DECLARE FUNCTION LINEAMOUNT(Q INTEGER, PR NUMERIC(18,4), DR DOUBLE PRECISION) RETURNS NUMERIC(18,4) AS
    DECLARE GROSS BIGINT;
    DECLARE X BIGINT;
    DECLARE N BIGINT;
    DECLARE R BIGINT;
  BEGIN
    GROSS = Q * CAST(PR * 10000 AS BIGINT);
    X = (10000 - CAST(DR * 100 AS BIGINT)) * GROSS;   -- net times 10000
    N = X / 10000;
    R = X - N * 10000;
    IF (R > 5000 OR (R = 5000 AND MOD(N, 2) = 1)) THEN N = N + 1;
    RETURN CAST(N AS NUMERIC(18,4)) / 10000;
  END

  -- Two decimals, halves away from zero (the rounding of the tax): the
  -- quotient A / B of two whole numbers, in cents.
  DECLARE FUNCTION CENTS(A BIGINT, B BIGINT) RETURNS BIGINT AS
  BEGIN
    IF (A < 0) THEN RETURN -((-2 * A + B) / (2 * B));
    RETURN (2 * A + B) / (2 * B);
  END
BEGIN
  -- The owner's capital, paid in the day before trading starts.
  INSERT INTO CB_TRAN (ID, CB_TRANTYPE_ID, CB_TRANTYPE_FACTOR, TYPE1NOTE, CB_ACCT_ID, TRANDATE, TRANAMT, TRANDESC, SYS_USER_ID, REMARKS, SYS_TREEVIEW_ID)
  VALUES (-1, 1, 1, 'Transfer', 1, DATEADD(-366 DAY TO CURRENT_DATE), 6000, 'Capital contributed by the owner', 0, NULL, 16);
  TMP = -1;

  K = -365;
  WHILE (K <= 0) DO
  BEGIN
    D = DATEADD(K DAY TO CURRENT_DATE);
    WD = EXTRACT(WEEKDAY FROM D);
    IF (WD BETWEEN 1 AND 5) THEN
    BEGIN
      NEXTDAY = WORKDAY(DATEADD(1 DAY TO D));
      PREVDAY = DATEADD(CASE WD WHEN 1 THEN -3 ELSE -1 END DAY TO D);

      -- First working day of a month: the cash drawer goes to the bank.
      IF (EXTRACT(MONTH FROM PREVDAY) <> EXTRACT(MONTH FROM D)) THEN
      BEGIN
        SELECT COALESCE(SUM(CB_TRANTYPE_FACTOR * TRANAMT), 0) FROM CB_TRAN WHERE CB_ACCT_ID = 2 AND TRANDATE < :D INTO :AMT;
        IF (AMT > 0) THEN
        BEGIN
          TMP = TMP - 1;
          INSERT INTO CB_TRAN (ID, CB_TRANTYPE_ID, CB_TRANTYPE_FACTOR, TYPE1NOTE, CB_ACCT_ID, TRANDATE, TRANAMT, TRANDESC, SYS_USER_ID, SYS_TREEVIEW_ID)
          VALUES (:TMP, 2, -1, 'Cash', 2, :D, :AMT, 'Cash banked', 1, 16);
          TMP = TMP - 1;
          INSERT INTO CB_TRAN (ID, CB_TRANTYPE_ID, CB_TRANTYPE_FACTOR, TYPE1NOTE, CB_ACCT_ID, TRANDATE, TRANAMT, TRANDESC, SYS_USER_ID, SYS_TREEVIEW_ID)
          VALUES (:TMP, 1, 1, 'Cash', 1, :D, :AMT, 'Cash deposit from the cash drawer', 1, 16);
        END
      END

      -- Purchases.
      S = 1;
      WHILE (S <= 3) DO
      BEGIN
        NEED = 0;
        SELECT NAME FROM AP_ACCT WHERE ID = :S AND CREATEDATE < :D INTO :SUPPNAME;
        IF (ROW_COUNT = 1) THEN
        BEGIN
          NEED = ORDERDAY(S, D);
          -- A product never bought yet, or running low, brings the order forward.
          FOR SELECT ID FROM IC_ITEM WHERE CREATEDATE <= DATEADD(-3 DAY TO :D) INTO :P DO
            IF (SUPPLIER(P) = S AND (NOT EXISTS (SELECT 1 FROM IC_BATCHITEM WHERE IC_ITEM_ID = :P)
                                     OR STOCK(P, D) < STARTPAR(P) / 3)) THEN NEED = 1;
        END
        IF (NEED = 1) THEN
        BEGIN
          L = 0;
          FOR SELECT ID FROM IC_ITEM WHERE CREATEDATE <= DATEADD(-3 DAY TO :D) ORDER BY ID INTO :P DO
          BEGIN
            IF (SUPPLIER(P) = S) THEN
            BEGIN
              PAR = MAXVALUE(STARTPAR(P), CAST(CEILING(2 * SOLD(P, DATEADD(-ORDERPERIOD(S) DAY TO D), D)) AS INTEGER));
              QTY = PAR - STOCK(P, D);
              -- Small top-ups wait for the next order.
              IF (QTY >= PAR / 4) THEN
              BEGIN
                CASESIZE = PACK(P);
                QTY = ((QTY + CASESIZE - 1) / CASESIZE) * CASESIZE;
                L = L + 1;
                INSERT INTO IC_BATCHITEM (IC_BATCH_ID, LINE, IC_ITEM_ID, QTY) VALUES (-1, :L, :P, :QTY);
              END
            END
          END
          IF (L > 0) THEN
          BEGIN
            DOCNO = 'PO' || EXTRACT(YEAR FROM D) || LPAD(EXTRACT(MONTH FROM D), 2, '0') || LPAD(EXTRACT(DAY FROM D), 2, '0');
            RUNNO = NEXTNO('IC_BATCH', DOCNO);
            DOCNO = DOCNO || LPAD(RUNNO, 4, '0');
            ID_ = GEN_ID(IC_BATCH_ID_GEN, 1);
            INSERT INTO IC_BATCH (ID, BATCHNO, BATCHDATE, IC_BATCHTYPE_ID, IC_BATCHTYPE_FACTOR, BATCHDESC, AP_ACCT_ID, SYS_USER_ID, SYS_TREEVIEW_ID)
            VALUES (:ID_, :DOCNO, :D, 1, 1, 'Stock from ' || :SUPPNAME, :S, CASE WHEN MOD(:ID_, 3) = 0 THEN 0 ELSE 1 END, 18);
            UPDATE IC_BATCHITEM SET IC_BATCH_ID = :ID_ WHERE IC_BATCH_ID = -1;
            -- Paid by transfer three weeks later, at the supplier's price of
            -- about 60% of the standard selling price.
            PAYDAY = WORKDAY(DATEADD(21 DAY TO D));
            IF (PAYDAY <= CURRENT_DATE) THEN
            BEGIN
              SELECT SUM(BI.QTY * ROUND(I.PRICE0 * 0.6, 2)) FROM IC_BATCHITEM BI JOIN IC_ITEM I ON I.ID = BI.IC_ITEM_ID
              WHERE BI.IC_BATCH_ID = :ID_ INTO :AMT;
              TMP = TMP - 1;
              INSERT INTO CB_TRAN (ID, CB_TRANTYPE_ID, CB_TRANTYPE_FACTOR, TYPE1NOTE, CB_ACCT_ID, TRANDATE, TRANAMT, TRANDESC, SYS_USER_ID, SYS_TREEVIEW_ID)
              VALUES (:TMP, 2, -1, 'Transfer', 1, :PAYDAY, :AMT, 'Payment to ' || :SUPPNAME || ' for ' || :DOCNO, 0, 16);
            END
          END
        END
        S = S + 1;
      END

      -- A stocktake a hundred days ago found two bags of rice damaged.
      IF (ADJUSTED = 0 AND K >= -100 AND STOCK(3, D) >= 2) THEN
      BEGIN
        ADJUSTED = 1;
        DOCNO = 'PO' || EXTRACT(YEAR FROM D) || LPAD(EXTRACT(MONTH FROM D), 2, '0') || LPAD(EXTRACT(DAY FROM D), 2, '0');
        RUNNO = NEXTNO('IC_BATCH', DOCNO);
        DOCNO = DOCNO || LPAD(RUNNO, 4, '0');
        ID_ = GEN_ID(IC_BATCH_ID_GEN, 1);
        INSERT INTO IC_BATCH (ID, BATCHNO, BATCHDATE, IC_BATCHTYPE_ID, IC_BATCHTYPE_FACTOR, BATCHDESC, SYS_USER_ID, REMARKS, SYS_TREEVIEW_ID)
        VALUES (:ID_, :DOCNO, :D, 2, -1, 'Stocktake: water-damaged bags written off', 0, 'Two bags of jasmine rice split in the storeroom.', 19);
        INSERT INTO IC_BATCHITEM (IC_BATCH_ID, LINE, IC_ITEM_ID, QTY) VALUES (:ID_, 1, 3, 2);
      END

      -- Invoices.
      FOR SELECT ID, NAME, COALESCE(PRICENO, 0), COALESCE(DISCTRATE, 0), COALESCE(SYS_TAX_ID, 0)
          FROM AR_ACCT WHERE CREATEDATE <= :D ORDER BY ID
          INTO :C, :CUSTNAME, :PRICENO, :DISC, :TAXID DO
      BEGIN
        IF (ORDERS(C, D) = 1) THEN
        BEGIN
          SEED = (K + 1000) * 10 + C;
          L = 0;
          -- What the customer usually buys, as far as the shelf allows.
          FOR SELECT ID, CASE :PRICENO WHEN 1 THEN PRICE1 WHEN 2 THEN PRICE2 ELSE PRICE0 END
              FROM IC_ITEM WHERE CREATEDATE < :D ORDER BY ID INTO :P, :PRICE DO
          BEGIN
            PCT = LIKES(C, P);
            IF (PCT > 0 AND CHANCE(SEED, P) < PCT) THEN
            BEGIN
              QTY = MAXVALUE(1, (USUALQTY(C, P) * (60 + CHANCE(SEED + 7, P)) + 50) / 100);
              AVAIL = STOCK(P, D);
              IF (QTY > AVAIL) THEN QTY = AVAIL;
              IF (QTY > 0) THEN
              BEGIN
                L = L + 1;
                INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, IC_ITEM_ID, IC_ITEM_ITEMNO, ITEMDESC, QTY, PRICE, DISCTRATE, AMOUNT)
                SELECT -1, :L, ID, ITEMNO, NAME, :QTY, :PRICE, :DISC, LINEAMOUNT(:QTY, :PRICE, :DISC) FROM IC_ITEM WHERE ID = :P;
              END
            END
          END
          -- Nothing picked: their favourite that is in stock.
          IF (L = 0) THEN
          BEGIN
            FOR SELECT ID, CASE :PRICENO WHEN 1 THEN PRICE1 WHEN 2 THEN PRICE2 ELSE PRICE0 END
                FROM IC_ITEM WHERE CREATEDATE < :D ORDER BY ID INTO :P, :PRICE DO
            BEGIN
              IF (L = 0 AND LIKES(C, P) >= 50) THEN
              BEGIN
                QTY = MINVALUE(USUALQTY(C, P), STOCK(P, D));
                IF (QTY > 0) THEN
                BEGIN
                  L = 1;
                  INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, IC_ITEM_ID, IC_ITEM_ITEMNO, ITEMDESC, QTY, PRICE, DISCTRATE, AMOUNT)
                  SELECT -1, 1, ID, ITEMNO, NAME, :QTY, :PRICE, :DISC, LINEAMOUNT(:QTY, :PRICE, :DISC) FROM IC_ITEM WHERE ID = :P;
                END
              END
            END
          END

          IF (L > 0) THEN
          BEGIN
            RUNNO = NEXTNO('AR_TRAN', 'INV');
            DOCNO = 'INV' || LPAD(RUNNO, 5, '0');
            ID_ = GEN_ID(AR_TRAN_ID_GEN, 1);
            UPDATE AR_TRANITEM SET AR_TRAN_ID = :ID_ WHERE AR_TRAN_ID = -1;

            -- Totals as the invoice window stores them: the sum of the lines;
            -- tax on top rounded to cents, or the net goods taken out of a
            -- tax-inclusive sum rounded to cents.
            SELECT COALESCE(SUM(AMOUNT), 0) FROM AR_TRANITEM WHERE AMOUNT IS NOT NULL AND AR_TRAN_ID = :ID_ INTO :GOODS;
            TOTAL = GOODS;
            IF (EXISTS (SELECT 1 FROM SYS_TAX WHERE ID = :TAXID AND INCLUSIVE = 1)) THEN
            BEGIN
              SELECT CENTS(CAST(:TOTAL * 10000 AS BIGINT) * 100, 10000 + CAST(RATE * 100 AS BIGINT)) FROM SYS_TAX WHERE ID = :TAXID INTO :AMT;
              GOODS = AMT / 100;
              TAX = TOTAL - GOODS;
            END
            ELSE
            BEGIN
              TAX = 0;
              SELECT CENTS(CAST(:GOODS * 10000 AS BIGINT) * CAST(RATE * 100 AS BIGINT), 1000000) FROM SYS_TAX WHERE ID = :TAXID INTO :TAX;
              TAX = TAX / 100;
              TOTAL = GOODS + TAX;
            END

            -- Literals of different lengths in one expression are padded to the
            -- longest: each is given the column's type.
            TERM = CASE WHEN C IN (1, 4) THEN CAST('7 Days' AS VARCHAR(50))
                        WHEN C IN (5, 6) THEN CAST('Cash on Delivery' AS VARCHAR(50))
                        ELSE CAST('30 Days' AS VARCHAR(50)) END;
            USERID = CASE WHEN CHANCE(SEED, 300) < 70 THEN 1 ELSE 0 END;
            INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, SYS_TAX_ID, TERM, SYS_USER_ID, REF1,
                                 AMTGOODS, AMTTAX, AMTTOTAL, AMTPAID, AR_TRANTYPE_ID, AR_TRANTYPE_FACTOR, SYS_TREEVIEW_ID)
            VALUES (:ID_, :DOCNO, :D, :C, :TAXID, :TERM, :USERID,
                    CASE WHEN :C IN (2, 3, 8) THEN 'PO ' || (4100 + :C * 1000 + :RUNNO) END,
                    :GOODS, :TAX, :TOTAL, 0, 1, 0, 10);

            -- Receipts, on the day the customer pays, as the receipt window
            -- of the invoice records them.
            FIRSTAMT = TOTAL;
            IF (C IN (5, 6)) THEN
            BEGIN
              PAYDAY = D; ACCT = 2; NOTE = 'Cash';
            END
            ELSE IF (C IN (1, 4)) THEN
            BEGIN
              PAYDAY = DATEADD(5 + MOD(CHANCE(SEED, 400), 5) DAY TO D); ACCT = 1; NOTE = CASE C WHEN 1 THEN 'Card' ELSE 'Transfer' END;
            END
            ELSE IF (C = 3) THEN
            BEGIN
              PAYDAY = DATEADD(30 + MOD(CHANCE(SEED, 400), 15) DAY TO D); ACCT = 1; NOTE = 'Cheque';
              -- Invoices over 500 are paid half now, the rest three weeks on.
              IF (TOTAL > 500) THEN FIRSTAMT = CAST(TRUNC(TOTAL / 200) * 100 AS NUMERIC(18,4));
            END
            ELSE
            BEGIN
              PAYDAY = DATEADD(20 + MOD(CHANCE(SEED, 400), 12) DAY TO D); ACCT = 1; NOTE = 'Transfer';
              -- Now and then Greenleaf holds back a fifth over damaged goods.
              IF (C = 2 AND CHANCE(SEED, 500) < 12) THEN FIRSTAMT = CAST(ROUND(TOTAL * 0.8, 0) AS NUMERIC(18,4));
            END
            PAYDAY = WORKDAY(PAYDAY);
            -- One of Harbour Cafe's invoices in twenty goes astray unpaid.
            IF (C = 1 AND CHANCE(SEED, 600) < 5) THEN PAYDAY = NULL;
            IF (PAYDAY <= CURRENT_DATE) THEN
            BEGIN
              TMP = TMP - 1;
              INSERT INTO CB_TRAN (ID, CB_TRANTYPE_ID, CB_TRANTYPE_FACTOR, TYPE1NOTE, CB_ACCT_ID, TRANDATE, TRANAMT, TRANDESC,
                                   AR_TRAN_ID, SYS_USER_ID, REMARKS, SYS_TREEVIEW_ID)
              VALUES (:TMP, 4, 1, :NOTE, :ACCT, :PAYDAY, :FIRSTAMT, 'Invoice ' || :DOCNO || ' from ' || :CUSTNAME,
                      :ID_, CASE WHEN CHANCE(:SEED, 700) < 75 THEN 1 ELSE 0 END,
                      CASE WHEN :FIRSTAMT = :TOTAL THEN NULL
                           WHEN :C = 3 THEN CAST('First of two cheques' AS VARCHAR(1000))
                           ELSE CAST('Part payment: the rest held back over damaged cartons' AS VARCHAR(1000)) END, 15);
              IF (C = 3 AND FIRSTAMT < TOTAL) THEN
              BEGIN
                PAYDAY = WORKDAY(DATEADD(21 DAY TO PAYDAY));
                IF (PAYDAY <= CURRENT_DATE) THEN
                BEGIN
                  TMP = TMP - 1;
                  INSERT INTO CB_TRAN (ID, CB_TRANTYPE_ID, CB_TRANTYPE_FACTOR, TYPE1NOTE, CB_ACCT_ID, TRANDATE, TRANAMT, TRANDESC,
                                       AR_TRAN_ID, SYS_USER_ID, REMARKS, SYS_TREEVIEW_ID)
                  VALUES (:TMP, 4, 1, 'Cheque', 1, :PAYDAY, :TOTAL - :FIRSTAMT, 'Invoice ' || :DOCNO || ' from ' || :CUSTNAME,
                          :ID_, 1, 'Second cheque: the balance', 15);
                END
              END
            END
          END
        END
      END

      -- Last working day of a month: the bank's fee.
      IF (EXTRACT(MONTH FROM NEXTDAY) <> EXTRACT(MONTH FROM D)) THEN
      BEGIN
        TMP = TMP - 1;
        INSERT INTO CB_TRAN (ID, CB_TRANTYPE_ID, CB_TRANTYPE_FACTOR, TYPE1NOTE, CB_ACCT_ID, TRANDATE, TRANAMT, TRANDESC, SYS_USER_ID, SYS_TREEVIEW_ID)
        VALUES (:TMP, 3, -1, 'Transfer', 1, :D, 12.50, 'Monthly account fee', 0, 16);
      END
    END
    K = K + 1;
  END

  -- Bank transactions take their keys in date order.
  FOR SELECT ID FROM CB_TRAN WHERE ID < 0 ORDER BY TRANDATE, ID DESC INTO :ID_ DO
    UPDATE CB_TRAN SET ID = GEN_ID(CB_TRAN_ID_GEN, 1) WHERE ID = :ID_;
END^
SET TERM ; ^

-- Paid amounts, recalculated from the receipts exactly as the home page does.
UPDATE AR_TRAN SET AMTPAID=(SELECT SUM(CB_TRANTYPE_FACTOR*TRANAMT) FROM CB_TRAN WHERE AR_TRAN_ID=AR_TRAN.ID);
UPDATE AR_TRAN SET AMTPAID=0 WHERE AMTPAID IS NULL;

-- The demo shows the tip of the day after login.
UPDATE SYS_USER SET SHOWTIP=1 WHERE ID=0;
