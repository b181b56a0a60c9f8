#include "uReports.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPalette>

#include "TClientDataSet.h"

namespace {

// The three references of an invoice joined with single spaces; a missing
// one counts as empty rather than blanking the whole text.
const QString kRefs =
    QStringLiteral("COALESCE(T.REF1,'')||' '||COALESCE(T.REF2,'')||' '||COALESCE(T.REF3,'')");

QComboBox* Choice(QWidget* parent, const char* name, const QStringList& items) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    return c;
}

// A negative selection counts as the first item.
int Chosen(QComboBox* c) { return std::max(0, c->currentIndex()); }

}  // namespace

// ------------------------------------------------------------ ranking

TfmSalesRpt::TfmSalesRpt(QWidget* parent)
    : TfmRpt(QStringLiteral(" Sales Ranking Report"), QStringLiteral("Sales Ranking Report"),
             parent) {
    setObjectName(QStringLiteral("fmSalesRpt"));
    cb1->setItemText(0, QStringLiteral("Self-defined Date Range"));
    cb2 = Choice(
        this, "cb2",
        {QStringLiteral("Product"), QStringLiteral("Customer"), QStringLiteral("System User")});
    AddOption(QStringLiteral("Sales By"), cb2);
    const int w = ContentWidth();
    TReportText* rank = AddColumn(QStringLiteral("Rank"), QString(), 0, 50, false);
    rank->Kind = TReportText::TKind::Label;
    // Numbered in printing order, which is the rows' order: the number
    // follows the row, so a line laid out again on a new page keeps it, and
    // every rendering counts from 1.
    rank->OnPrint = [this](TReportText&, QString& value) {
        FRank = Work_CDS->RecNo() + 1;
        value = QString::number(FRank);
    };
    AddColumn(QStringLiteral("Description"), QStringLiteral("NM"), 60, w - 230, false, QString(),
              true, &QRLabelDesc);
    AddColumn(QStringLiteral("Amount"), QStringLiteral("TOTAL"), w - 160, 160, true, MoneyMask);
    AddTotal(Summary, QStringLiteral("TOTAL"), w - 160, 160, true);
}

void TfmSalesRpt::BitBtn1Click() {
    struct TBy {
        const char *List, *Table, *Join, *Group, *Order;
    };
    static const TBy by[] = {{"A.ITEMDESC AS NM,SUM(A.AMOUNT)    AS TOTAL", "AR_TRANITEM A ",
                              "A.AR_TRAN_ID=O.ID", "A.ITEMDESC", "SUM(A.AMOUNT)"},
                             {"A.NAME     AS NM,SUM(O.AMTGOODS)  AS TOTAL", "AR_ACCT A",
                              "O.AR_ACCT_ID=A.ID", "A.NAME", "SUM(O.AMTGOODS)"},
                             {"A.NAME     AS NM,SUM(O.AMTGOODS)  AS TOTAL", "SYS_USER A",
                              "O.SYS_USER_ID=A.ID", "A.NAME", "SUM(O.AMTGOODS)"}};
    if (cb2->currentIndex() < 0) cb2->setCurrentIndex(0);
    const TBy& b = by[Chosen(cb2)];
    OpenWork(QStringLiteral("SELECT %1 FROM AR_TRAN O LEFT JOIN %2 ON %3 WHERE O.INVOICEDATE "
                            "BETWEEN :D1 AND :D2 GROUP BY %4 ORDER BY %5 DESC")
                 .arg(QString::fromLatin1(b.List), QString::fromLatin1(b.Table),
                      QString::fromLatin1(b.Join), QString::fromLatin1(b.Group),
                      QString::fromLatin1(b.Order)),
             DateParams());
    QRLabelDesc->Text = cb2->currentText();
    FRank = 0;
    TfmRpt::BitBtn1Click();
}

// ------------------------------------------------------------ detail

TfmSalesDetailRpt::TfmSalesDetailRpt(QWidget* parent)
    : TfmRpt(QStringLiteral("Sales Detail Report"), QStringLiteral("Sales Detail Report"), parent) {
    setObjectName(QStringLiteral("fmSalesDetailRpt"));
    cb2 =
        Choice(this, "cb2",
               {QStringLiteral("None"), QStringLiteral("Customer"), QStringLiteral("System User")});
    AddOption(QStringLiteral("Sales By"), cb2);
    AddGroup(GroupHeader, GroupName, GroupFooter);
    FirstColumn =
        AddColumn(QStringLiteral("Invoice Date"), QStringLiteral("NICKNAME"), 0, 80, false);
    AddColumn(QStringLiteral("Invoice No"), QStringLiteral("INVOICENO"), 84, 90, false);
    AddColumn(QStringLiteral("Refs"), QStringLiteral("REF"), 178, 200, false, QString(), true);
    AddColumn(QStringLiteral("Amount"), QStringLiteral("AMTGOODS"), 382, 80, true, MoneyMask);
    AddColumn(QStringLiteral("Tax"), QStringLiteral("AMTTAX"), 466, 60, true, MoneyMask);
    AddColumn(QStringLiteral("Total"), QStringLiteral("AMTTOTAL"), 530, 90, true, MoneyMask);
    AddColumn(QStringLiteral("Paid"), QStringLiteral("AMTPAID"), 624, 94, true, MoneyMask);
    AddTotal(GroupFooter, QStringLiteral("AMTTOTAL"), 530, 90, false);
    AddTotal(GroupFooter, QStringLiteral("AMTPAID"), 624, 94, false);
    SummaryCaption->Text = QStringLiteral("Report Total");
    Summary->Background = MoneyGreen;
    AddTotal(Summary, QStringLiteral("AMTTOTAL"), 530, 90, true);
    AddTotal(Summary, QStringLiteral("AMTPAID"), 624, 94, true);
}

void TfmSalesDetailRpt::BitBtn1Click() {
    struct TBy {
        const char *List, *From, *Order, *Group, *Shows, *First;
    };
    static const TBy by[] = {
        {",A.NICKNAME,T.AR_ACCT_ID", "T LEFT JOIN AR_ACCT A ON T.AR_ACCT_ID=A.ID",
         "T.INVOICEDATE,T.INVOICENO", "INVOICEDATE", "INVOICEDATE", "NICKNAME"},
        {",A.NAME,T.AR_ACCT_ID", "T LEFT JOIN AR_ACCT A ON T.AR_ACCT_ID=A.ID",
         "A.NAME,T.INVOICEDATE,T.INVOICENO", "AR_ACCT_ID", "NAME", "INVOICEDATE"},
        {",A.NAME,T.SYS_USER_ID", "T LEFT JOIN SYS_USER A ON T.SYS_USER_ID=A.ID",
         "A.NAME,T.INVOICEDATE,T.INVOICENO", "SYS_USER_ID", "NAME", "INVOICEDATE"}};
    if (cb2->currentIndex() < 0) cb2->setCurrentIndex(0);
    const TBy& b = by[Chosen(cb2)];
    const QString base =
        "T.INVOICEDATE,T.INVOICENO," + kRefs + " AS REF,T.AMTGOODS,T.AMTTAX,T.AMTTOTAL,T.AMTPAID";
    OpenWork(QStringLiteral("SELECT %1 FROM AR_TRAN %2 WHERE T.INVOICEDATE BETWEEN :D1 AND :D2 "
                            "ORDER BY %3")
                 .arg(base + QString::fromLatin1(b.List), QString::fromLatin1(b.From),
                      QString::fromLatin1(b.Order)),
             DateParams());
    GroupHeader->GroupField = QString::fromLatin1(b.Group);
    GroupName->FieldName = QString::fromLatin1(b.Shows);
    FirstColumn->FieldName = QString::fromLatin1(b.First);
    TfmRpt::BitBtn1Click();
}

// ------------------------------------------------------------ ageing

TfmSalesAgingRpt::TfmSalesAgingRpt(QWidget* parent)
    : TfmRpt(QStringLiteral("Invoice Aging Report"), QStringLiteral("Invoice Aging Report"),
             parent) {
    setObjectName(QStringLiteral("fmSalesAgingRpt"));
    // No dates: every unpaid invoice, aged today.
    for (QWidget* w : std::initializer_list<QWidget*>{cb1, lbFrom, dtFrom, lbTo, dtTo}) w->hide();
    ShowSelection = false;
    cb2 =
        Choice(this, "cb2",
               {QStringLiteral("None"), QStringLiteral("Customer"), QStringLiteral("System User")});
    AddOption(QStringLiteral("Group By"), cb2);
    cbWithReceipt = new QCheckBox(QStringLiteral("Include Receipt Details"), this);
    cbWithReceipt->setObjectName(QStringLiteral("cbWithReceipt"));
    AddOption(QString(), cbWithReceipt);

    Receipt_CDS = new TClientDataSet(this);
    Receipt_CDS->setObjectName(QStringLiteral("Receipt_CDS"));
    Receipt_CDS->SetConnection(Work_CDS->Connection());
    Receipt_CDS->CommandText = QStringLiteral(
        "SELECT TRANDATE,TYPE1NOTE,TRANDESC,TRANAMT*CB_TRANTYPE_FACTOR AS AMOUNT FROM CB_TRAN "
        "WHERE AR_TRAN_ID=:ID ORDER BY TRANDATE");

    AddGroup(GroupHeader, GroupName, GroupFooter);
    FGroupHeaderHeight = GroupHeader->Height;
    AddColumn(QStringLiteral("Invoice Date"), QStringLiteral("INVOICEDATE"), 0, 70, false);
    AddColumn(QStringLiteral("Invoice No"), QStringLiteral("INVOICENO"), 72, 80, false);
    AddColumn(QStringLiteral("Refs"), QStringLiteral("REF"), 154, 150, false, QString(), true);
    AddColumn(QStringLiteral("Invoice Amount"), QStringLiteral("AMTTOTAL"), 306, 86, true,
              MoneyMask);
    const char* buckets[] = {"AG30", "AG60", "AG90", "AG"};
    const char* captions[] = {"<=30Days", "<=60Days", "<=90Days", ">90Days"};
    const int left[] = {394, 476, 558, 640};
    const int width[] = {80, 80, 80, 78};
    for (int i = 0; i < 4; ++i)
        AddColumn(QString::fromLatin1(captions[i]), QString::fromLatin1(buckets[i]), left[i],
                  width[i], true, MoneyMask);

    // The receipts of each invoice, under it.
    ReceiptBand = QuickRep1.AddBand(TReportBand::TKind::SubDetail);
    ReceiptBand->Height = 16;
    ReceiptBand->DataSet = Receipt_CDS;
    ReceiptBand->Background = QPalette().color(QPalette::ToolTipBase);
    ReceiptBand->OnLink = [this]() {
        Receipt_CDS->Close();
        Receipt_CDS->Params[QStringLiteral("ID")] =
            Work_CDS->FieldByName(QStringLiteral("ID"))->Value();
        Receipt_CDS->Open();
    };
    AddField(ReceiptBand, QStringLiteral("TRANDATE"), 72, 80, false);
    AddField(ReceiptBand, QStringLiteral("TRANDESC"), 154, 150, false)->WordWrap = true;
    AddField(ReceiptBand, QStringLiteral("AMOUNT"), 306, 86, true, MoneyMask);

    SummaryCaption->Text = QStringLiteral("Report Total");
    Summary->Background = MoneyGreen;
    for (int i = 0; i < 4; ++i) {
        AddTotal(GroupFooter, QString::fromLatin1(buckets[i]), left[i], width[i], false);
        AddTotal(Summary, QString::fromLatin1(buckets[i]), left[i], width[i], true);
    }
}

void TfmSalesAgingRpt::BitBtn1Click() {
    struct TBy {
        const char *Extra, *From, *Order, *Group, *Shows;
    };
    static const TBy by[] = {
        {",A.NICKNAME,T.AR_ACCT_ID,", "T LEFT JOIN AR_ACCT A ON T.AR_ACCT_ID=A.ID",
         "T.INVOICEDATE,T.INVOICENO", "", ""},
        {",A.NAME,T.AR_ACCT_ID,", "T LEFT JOIN AR_ACCT A ON T.AR_ACCT_ID=A.ID",
         "A.NAME,T.INVOICEDATE,T.INVOICENO", "AR_ACCT_ID", "NAME"},
        {",A.NAME,T.SYS_USER_ID,", "T LEFT JOIN SYS_USER A ON T.SYS_USER_ID=A.ID",
         "A.NAME,T.INVOICEDATE,T.INVOICENO", "SYS_USER_ID", "NAME"}};
    if (cb2->currentIndex() < 0) cb2->setCurrentIndex(0);
    const TBy& b = by[Chosen(cb2)];
    const QString sql =
        "SELECT T.ID,T.INVOICEDATE,T.INVOICENO," + kRefs + " AS REF,T.AMTTOTAL,T.AMTPAID " +
        QString::fromLatin1(b.Extra) +
        "CASE WHEN (CURRENT_DATE-T.INVOICEDATE<=30) THEN T.AMTTOTAL-T.AMTPAID ELSE 0 END AS "
        "AG30, "
        "CASE WHEN (CURRENT_DATE-T.INVOICEDATE>30)AND(CURRENT_DATE-T.INVOICEDATE<=60) THEN "
        "T.AMTTOTAL-T.AMTPAID ELSE 0 END AS AG60, "
        "CASE WHEN (CURRENT_DATE-T.INVOICEDATE>60)AND(CURRENT_DATE-T.INVOICEDATE<=90) THEN "
        "T.AMTTOTAL-T.AMTPAID ELSE 0 END AS AG90, "
        "CASE WHEN (CURRENT_DATE-T.INVOICEDATE>90) THEN T.AMTTOTAL-T.AMTPAID ELSE 0 END AS AG "
        "FROM AR_TRAN " +
        QString::fromLatin1(b.From) + " WHERE AMTTOTAL>AMTPAID ORDER BY " +
        QString::fromLatin1(b.Order);
    OpenWork(sql, {});
    GroupHeader->GroupField = QString::fromLatin1(b.Group);
    GroupName->FieldName = QString::fromLatin1(b.Shows);
    // Without a grouping the one group's header would be an empty strip.
    GroupName->Enabled = !GroupName->FieldName.isEmpty();
    GroupHeader->Height = GroupName->Enabled ? FGroupHeaderHeight : 0;
    ReceiptBand->Enabled = cbWithReceipt->isChecked();
    TfmRpt::BitBtn1Click();
}

// ------------------------------------------------------------ bank

TfmCbRpt::TfmCbRpt(QWidget* parent)
    : TfmRpt(QStringLiteral("Bank Transactions Report"), QStringLiteral("Bank Transactions Report"),
             parent) {
    setObjectName(QStringLiteral("fmCbRpt"));
    TReportBand *header, *footer;
    TReportText* name;
    AddGroup(header, name, footer);
    header->GroupField = name->FieldName = QStringLiteral("NAME");
    const int w = ContentWidth();
    AddColumn(QStringLiteral("Date"), QStringLiteral("TRANDATE"), 0, 80, false);
    AddColumn(QStringLiteral("Tran-Type"), QStringLiteral("TYPE1NOTE"), 84, 110, false);
    AddColumn(QStringLiteral("Description"), QStringLiteral("TRANDESC"), 198, w - 340, false,
              QString(), true);
    AddColumn(QStringLiteral("Amount"), QStringLiteral("TRANAMT"), w - 136, 136, true, MoneyMask);
    AddTotal(footer, QStringLiteral("TRANAMT"), w - 136, 136, false);
    AddTotal(Summary, QStringLiteral("TRANAMT"), w - 136, 136, true);
}

void TfmCbRpt::BitBtn1Click() {
    OpenWork(QStringLiteral("SELECT A.NAME,T.TRANDATE,T.TYPE1NOTE,T.TRANDESC,T.TRANAMT*T.CB_"
                            "TRANTYPE_FACTOR AS TRANAMT FROM CB_TRAN T,CB_ACCT A WHERE "
                            "A.ID=T.CB_ACCT_ID AND T.TRANDATE BETWEEN :D1 AND :D2 ORDER BY "
                            "A.NAME,T.TRANDATE"),
             DateParams());
    TfmRpt::BitBtn1Click();
}

// ------------------------------------------------------------ products

TfmProdRpt::TfmProdRpt(QWidget* parent)
    : TfmRpt(QStringLiteral("Product Transaction Report"),
             QStringLiteral("Product Transactions Report"), parent) {
    setObjectName(QStringLiteral("fmProdRpt"));
    TReportBand *header, *footer;
    TReportText* name;
    AddGroup(header, name, footer);
    header->GroupField = name->FieldName = QStringLiteral("ANAME");
    const int w = ContentWidth();
    AddColumn(QStringLiteral("Date"), QStringLiteral("ADATE"), 0, 80, false);
    AddColumn(QStringLiteral("Tran-Type"), QStringLiteral("ATYPE"), 84, 80, false);
    AddColumn(QStringLiteral("Doc-No"), QStringLiteral("ANO"), 168, 100, false);
    AddColumn(QStringLiteral("Ref"), QStringLiteral("AREF"), 272, w - 390, false, QString(), true);
    AddColumn(QStringLiteral("Amount"), QStringLiteral("AQTY"), w - 112, 112, true);
    AddTotal(footer, QStringLiteral("AQTY"), w - 112, 112, false, QString());
    AddTotal(Summary, QStringLiteral("AQTY"), w - 112, 112, true, QString());
}

void TfmProdRpt::BitBtn1Click() {
    // UNION ALL: two equal movements (two like sales on one invoice) are two.
    OpenWork(
        "SELECT ANAME,ADATE,ATYPE,ANO,AREF,AQTY FROM "
        "(SELECT PROD.NAME ANAME,T.INVOICEDATE ADATE,'INVOICE' ATYPE,T.INVOICENO ANO," +
            kRefs +
            " AS AREF,T.AR_ACCT_ID AACCT,I.QTY*(-1) AQTY "
            "FROM AR_TRAN T, AR_TRANITEM I,IC_ITEM PROD WHERE I.AR_TRAN_ID=T.ID AND "
            "I.IC_ITEM_ID=PROD.ID AND T.INVOICEDATE BETWEEN :D1 AND :D2 "
            "UNION ALL "
            "SELECT PROD.NAME ANAME,P.BATCHDATE ADATE,'PURCHASE' ATYPE,P.BATCHNO "
            "ANO,P.BATCHDESC AS AREF,P.AP_ACCT_ID AACCT,P.IC_BATCHTYPE_FACTOR*B.QTY AQTY "
            "FROM IC_BATCH P,IC_BATCHITEM B,IC_ITEM PROD WHERE B.IC_BATCH_ID=P.ID AND "
            "B.IC_ITEM_ID=PROD.ID AND P.BATCHDATE BETWEEN :D3 AND :D4 "
            ") A ORDER BY ANAME,ADATE ",
        DateParams(2));
    TfmRpt::BitBtn1Click();
}
