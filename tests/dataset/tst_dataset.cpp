// Record sets against the real engine: states and event order, apply updates
// all or nothing, key-only and all-columns writes, filters, sorting, marked
// rows, master/detail links, lookups, the grid model and display formats.

#include <QSignalSpy>
#include <QtTest>
#include <cmath>

#include "DbTestSupport.h"
#include "TBookmarkList.h"
#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDbGridModel.h"
#include "TDisplayFormat.h"
#include "TFbConnection.h"
#include "TFbQuery.h"

class TstDataSet : public QObject {
    Q_OBJECT

private:
    TDbFolder FFolder;
    TFbConnection FConn;

    void Exec(const QString& sql) { FConn.ExecuteImmediate(sql); }
    QVariant Value(const QString& sql) {
        TFbTransaction tra(FConn);
        TFbQuery q(tra, sql);
        q.Open();
        return q.Eof() ? QVariant() : q.Value(0);
    }

    // Fresh rows for each test: five customers, two invoices with lines.
    void Seed() {
        for (const char* t : {"AR_TRANITEM", "AR_TRAN", "AR_ACCT", "SYS_TAX"})
            Exec(QString("DELETE FROM %1").arg(t));
        Exec("INSERT INTO SYS_TAX (ID, NAME, RATE) VALUES (1, 'GST', 10)");
        Exec("INSERT INTO SYS_TAX (ID, NAME, RATE) VALUES (2, 'Exempt', 0)");
        const char* custs[] = {"(7, 'Acme', 'Acme Trading', 'Wholesale', 2, '2026-12-01')",
                               "(12, 'bolt', 'Bolt & Nut', 'Retail', 1, '2026-12-03')",
                               "(3, 'Crane', 'Crane Co', 'Retail', NULL, '2026-11-20')",
                               "(4, 'Delta', 'Delta Acme', NULL, 1, '2026-12-03')",
                               "(5, 'echo', NULL, 'Wholesale', 2, NULL)"};
        for (const char* c : custs)
            Exec(QString("INSERT INTO AR_ACCT (ID, NICKNAME, NAME, \"GROUP\", SYS_TAX_ID, "
                         "CREATEDATE) VALUES %1")
                     .arg(c));
        Exec(
            "INSERT INTO AR_TRAN (ID, INVOICENO, AR_ACCT_ID, AMTTOTAL) VALUES (1, 'INV1', 7, "
            "10.5)");
        Exec("INSERT INTO AR_TRAN (ID, INVOICENO, AR_ACCT_ID, AMTTOTAL) VALUES (2, 'INV2', 12, 0)");
        Exec(
            "INSERT INTO AR_TRANITEM (ID, AR_TRAN_ID, LINE, ITEMDESC) VALUES (10, 1, 2, 'second')");
        Exec("INSERT INTO AR_TRANITEM (ID, AR_TRAN_ID, LINE, ITEMDESC) VALUES (11, 1, 1, 'first')");
        Exec("INSERT INTO AR_TRANITEM (ID, AR_TRAN_ID, LINE, ITEMDESC) VALUES (12, 2, 1, 'other')");
    }

    void OpenCust(TClientDataSet& ds, const QString& tail = " ORDER BY ID") {
        ds.SetConnection(&FConn);
        ds.CommandText = "SELECT * FROM AR_ACCT" + tail;
        ds.Open();
    }

    // Customers N20 to N31, and ds set to read them four at a time in the
    // order of their short names (not opened yet); more columns when given.
    void TwelveCustomersInPackets(TClientDataSet& ds, const QString& columns = QString()) {
        for (int i = 20; i < 32; ++i)
            Exec(QString("INSERT INTO AR_ACCT (ID, NICKNAME) VALUES (%1, 'N%1')").arg(i));
        ds.SetConnection(&FConn);
        ds.CommandText = "SELECT ID, NICKNAME" + columns + " FROM AR_ACCT";
        ds.PacketRecords = 4;
        ds.UpdateFieldDefs();
        ds.AddIndex("A_NICKNAME", "NICKNAME", false);
    }

private slots:
    void initTestCase() {
        FConn.Open(FFolder.MainDb());
        // One column of each numeric storage, for what each can hold.
        Exec(
            "CREATE TABLE RANGES (ID INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, "
            "B BIGINT, M NUMERIC(18,4), N92 NUMERIC(9,2), N42 NUMERIC(4,2), D DOUBLE PRECISION, "
            "F FLOAT)");
    }

    void init() { Seed(); }

    // A title given to a grid column stays with that column when the set's
    // fields are made anew (a table that gained a column), not with whichever
    // new field happens to take the old one's place.
    void gridTitlesFollowTheirColumns() {
        TClientDataSet ds;
        ds.SetConnection(&FConn);
        ds.CommandText = "SELECT ID, NICKNAME FROM AR_ACCT";
        TDataSource src;
        src.SetDataSet(&ds);
        TDbGridModel model(&src);
        ds.Open();
        QVERIFY(model.setHeaderData(1, Qt::Horizontal, "Short"));
        ds.Close();
        ds.ClearFields();
        ds.CommandText = "SELECT ID, NAME, NICKNAME FROM AR_ACCT";
        ds.UpdateFieldDefs();
        model.ResetColumns();
        ds.Open();
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("NAME"));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QString("Short"));
    }

    void openBuildsFieldsFromTheStatement() {
        TClientDataSet ds;
        OpenCust(ds);
        QCOMPARE(ds.State(), TDataSetState::Browse);
        QCOMPARE(ds.RecordCount(), 5);
        QCOMPARE(ds.FieldByName("ID")->DataType, TFbType::Integer);
        QCOMPARE(ds.FieldByName("DISCTRATE")->DataType, TFbType::Float);
        QCOMPARE(ds.FieldByName("CREATEDATE")->DataType, TFbType::Date);
        QCOMPARE(ds.FieldByName("NICKNAME")->AsString(), QString("Crane"));
        QCOMPARE(ds.UpdateTable(), QString("AR_ACCT"));
        ds.Last();
        QCOMPARE(ds.FieldByName("ID")->AsInteger(), 12);
        QVERIFY(ds.Eof());
        ds.Next();
        QVERIFY(ds.Eof());
        QCOMPARE(ds.RecNo(), 4);
        QVERIFY(ds.Locate("nickname", "Delta"));
        QCOMPARE(ds.FieldByName("ID")->AsInteger(), 4);
        QVERIFY(!ds.Locate("NICKNAME", "nobody"));
        QVERIFY_THROWS_EXCEPTION(EDataSetError, ds.FieldByName("NOPE"));
        ds.Close();
        QCOMPARE(ds.State(), TDataSetState::Inactive);
        QCOMPARE(ds.RecordCount(), 0);
    }

    // The order in which events fire: what the browser's handlers rely on.
    void eventOrder() {
        TClientDataSet ds;
        QStringList log;
        auto note = [&](const char* name) {
            return [&log, name](TClientDataSet&) { log << name; };
        };
        ds.OnBeforeOpen = note("BeforeOpen");
        ds.OnAfterOpen = note("AfterOpen");
        ds.OnAfterInsert = note("AfterInsert");
        ds.OnBeforePost = note("BeforePost");
        ds.OnAfterPost = note("AfterPost");
        ds.OnAfterScroll = note("AfterScroll");
        ds.OnAfterCancel = note("AfterCancel");
        ds.OnAfterApplyUpdates = note("AfterApplyUpdates");
        ds.OnStateChange = [&](TClientDataSet& d) {
            log << "State" + QString::number(int(d.State()));
        };
        ds.OnFieldChange = [&](TField& f) { log << "Change " + f.FieldName; };
        OpenCust(ds);
        QCOMPARE(log, (QStringList{"BeforeOpen", "State1", "AfterOpen", "AfterScroll"}));
        log.clear();
        ds.Insert();
        ds.FieldByName("ID")->SetValue(99);
        ds.Post();
        QCOMPARE(log, (QStringList{"State3", "AfterInsert", "AfterScroll", "Change ID",
                                   "BeforePost", "State1", "AfterPost"}));
        log.clear();
        // A value set in browse state starts editing; a change made by code fires too.
        ds.FieldByName("NAME")->SetValue("X");
        ds.Cancel();
        QCOMPARE(log,
                 (QStringList{"State2", "Change NAME", "State1", "AfterCancel", "AfterScroll"}));
        log.clear();
        ds.ApplyUpdates();
        QCOMPARE(log, QStringList{"AfterApplyUpdates"});
        // A handler that aborts the post leaves the row being edited.
        ds.OnBeforePost = [](TClientDataSet&) { throw EAbort(); };
        ds.Edit();
        ds.FieldByName("NAME")->SetValue("Y");
        QVERIFY_THROWS_EXCEPTION(EAbort, ds.Post());
        QCOMPARE(ds.State(), TDataSetState::Edit);
        QCOMPARE(ds.FieldByName("NAME")->AsString(), QString("Y"));
    }

    void insertCancelAndDelete() {
        TClientDataSet ds;
        OpenCust(ds);
        ds.MoveTo(2);
        ds.Insert();
        QCOMPARE(ds.RecordCount(), 6);
        QCOMPARE(ds.RecNo(), 2);
        QVERIFY(ds.FieldByName("ID")->IsNull());
        ds.Cancel();
        QCOMPARE(ds.RecordCount(), 5);
        QCOMPARE(ds.ChangeCount(), 0);
        QVERIFY(ds.Locate("ID", 12));
        ds.Delete();
        QCOMPARE(ds.RecordCount(), 4);
        QCOMPARE(ds.ChangeCount(), 1);
        QCOMPARE(Value("SELECT COUNT(*) FROM AR_ACCT WHERE ID=12").toInt(), 1);
        ds.ApplyUpdates();
        QCOMPARE(Value("SELECT COUNT(*) FROM AR_ACCT WHERE ID=12").toInt(), 0);
        QCOMPARE(ds.ChangeCount(), 0);
    }

    // A refused row rolls back the whole write and leaves every change
    // pending as the user left it; a corrected second attempt goes through.
    void applyIsAllOrNothing() {
        TClientDataSet ds;
        OpenCust(ds);
        QVERIFY(ds.Locate("ID", 3));
        ds.FieldByName("NAME")->SetValue("Crane Renamed");
        ds.Post();
        ds.Append();
        ds.FieldByName("ID")->SetValue(7);  // a key already taken
        ds.FieldByName("NICKNAME")->SetValue("Dup");
        ds.Post();
        try {
            ds.ApplyUpdates();
            QFAIL("duplicate key written");
        } catch (const EFbError& e) {
            QVERIFY2(e.Message().contains("PRIMARY or UNIQUE KEY"), qPrintable(e.Message()));
        }
        QCOMPARE(Value("SELECT NAME FROM AR_ACCT WHERE ID=3").toString(), QString("Crane Co"));
        QCOMPARE(ds.ChangeCount(), 2);
        QVERIFY(ds.Locate("NICKNAME", "Dup"));
        QCOMPARE(ds.FieldByName("ID")->AsInteger(), 7);
        ds.FieldByName("ID")->SetValue(70);
        ds.Post();
        ds.ApplyUpdates();
        QCOMPARE(Value("SELECT NAME FROM AR_ACCT WHERE ID=3").toString(), QString("Crane Renamed"));
        QCOMPARE(Value("SELECT NICKNAME FROM AR_ACCT WHERE ID=70").toString(), QString("Dup"));
        QCOMPARE(ds.ChangeCount(), 0);
        // Cancelling pending changes returns to the rows as read.
        ds.FieldByName("NAME")->SetValue("Temp");
        ds.Post();
        ds.CancelUpdates();
        QVERIFY(ds.Locate("ID", 70));
        QVERIFY(ds.FieldByName("NAME")->IsNull());
    }

    // Key-only finds the row by ID; all-columns refuses a row another user
    // changed since it was read, and an update that hits nothing is a refusal.
    void updateModes() {
        for (TUpdateMode mode : {TUpdateMode::WhereKeyOnly, TUpdateMode::WhereAll}) {
            Seed();
            TClientDataSet ds;
            ds.UpdateMode = mode;
            OpenCust(ds);
            QVERIFY(ds.Locate("ID", 4));
            ds.FieldByName("NICKNAME")->SetValue("Mine");
            ds.Post();
            {
                TFbConnection other;
                other.Open(FFolder.MainDb());
                other.ExecuteImmediate("UPDATE AR_ACCT SET NAME = 'Theirs' WHERE ID = 4");
            }
            if (mode == TUpdateMode::WhereKeyOnly) {
                ds.ApplyUpdates();
                QCOMPARE(Value("SELECT NICKNAME || NAME FROM AR_ACCT WHERE ID=4").toString(),
                         QString("MineTheirs"));
            } else {
                try {
                    ds.ApplyUpdates();
                    QFAIL("a changed row was overwritten");
                } catch (const EFbError& e) {
                    QCOMPARE(e.Message(), QString("Record not found or changed by another user"));
                }
                QCOMPARE(Value("SELECT NICKNAME FROM AR_ACCT WHERE ID=4").toString(),
                         QString("Delta"));
                QCOMPARE(ds.ChangeCount(), 1);
            }
        }
        // A row deleted underneath: refused in key-only mode too.
        Seed();
        TClientDataSet ds;
        OpenCust(ds);
        QVERIFY(ds.Locate("ID", 5));
        ds.FieldByName("NAME")->SetValue("gone?");
        ds.Post();
        Exec("DELETE FROM AR_ACCT WHERE ID = 5");
        QVERIFY_THROWS_EXCEPTION(EFbError, ds.ApplyUpdates());
    }

    void reservedWordColumnAndExactMoney() {
        TClientDataSet ds;
        OpenCust(ds);
        QVERIFY(ds.Locate("ID", 3));
        ds.FieldByName("GROUP")->SetValue("Export");
        ds.Post();
        ds.ApplyUpdates();
        QCOMPARE(Value("SELECT \"GROUP\" FROM AR_ACCT WHERE ID=3").toString(), QString("Export"));

        TClientDataSet inv;
        inv.SetConnection(&FConn);
        inv.CommandText = "SELECT * FROM AR_TRAN ORDER BY ID";
        inv.Open();
        QCOMPARE(inv.FieldByName("AMTTOTAL")->DataType, TFbType::Money);
        QCOMPARE(inv.FieldByName("AMTTOTAL")->AsMoney(), TMoney(105000));
        TMoney big;
        QVERIFY(TMoney::FromString("92233720368547.7580", big));
        inv.FieldByName("AMTTOTAL")->SetValue(QVariant::fromValue(big));
        inv.FieldByName("AMTTAX")->SetValue("0.0001");
        inv.Post();
        inv.ApplyUpdates();
        QCOMPARE(Value("SELECT CAST(AMTTOTAL AS VARCHAR(30)) FROM AR_TRAN WHERE ID=1").toString(),
                 QString("92233720368547.7580"));
        QCOMPARE(Value("SELECT CAST(AMTTAX AS VARCHAR(30)) FROM AR_TRAN WHERE ID=1").toString(),
                 QString("0.0001"));
        inv.Refresh();
        QCOMPARE(inv.FieldByName("AMTTOTAL")->AsMoney(), big);
        QCOMPARE(inv.FieldByName("ID")->AsInteger(), 1);  // stayed on the same key
    }

    // Nulls are not written on insert, so the column defaults apply.
    void insertLeavesDefaultsToTheDatabase() {
        TClientDataSet users;
        users.SetConnection(&FConn);
        users.CommandText = "SELECT * FROM SYS_USER";
        users.Open();
        users.Append();
        users.FieldByName("ID")->SetValue(40);
        users.FieldByName("CODE")->SetValue("NEW");
        users.FieldByName("REMARKS")->SetValue(QString::fromUtf8("备注 memo"));
        users.Post();
        users.ApplyUpdates();
        QCOMPARE(Value("SELECT LOGINS FROM SYS_USER WHERE ID=40").toInt(), 0);
        QCOMPARE(Value("SELECT REMARKS FROM SYS_USER WHERE ID=40").toString(),
                 QString::fromUtf8("备注 memo"));
        Exec("DELETE FROM SYS_USER WHERE ID=40");
    }

    void refreshRecord() {
        TClientDataSet ds;
        OpenCust(ds);
        QVERIFY(ds.Locate("ID", 7));
        Exec("UPDATE AR_ACCT SET NAME = 'Changed' WHERE ID = 7");
        QCOMPARE(ds.FieldByName("NAME")->AsString(), QString("Acme Trading"));
        ds.RefreshRecord();
        QCOMPARE(ds.FieldByName("NAME")->AsString(), QString("Changed"));
        QCOMPARE(ds.ChangeCount(), 0);
    }

    void filters() {
        TClientDataSet ds;
        OpenCust(ds);
        ds.SetFilter(TFilter::DateOnOrAfter("CREATEDATE", QDate(2026, 12, 1)));
        ds.SetFiltered(true);
        QCOMPARE(ds.RecordCount(), 3);  // nulls never pass
        ds.SetFilter(TFilter::DateEquals("CREATEDATE", QDate(2026, 12, 3)));
        QCOMPARE(ds.RecordCount(), 2);
        QCOMPARE(ds.Filter().Text(), QString("CREATEDATE = '2026-12-03'"));
        // Case-sensitive, over several columns.
        ds.SetFilter(TFilter::AnyContains({"NICKNAME", "NAME"}, "Acme"));
        QCOMPARE(ds.RecordCount(), 2);
        QCOMPARE(ds.Filter().Text(), QString("(NICKNAME LIKE '%Acme%' OR NAME LIKE '%Acme%')"));
        ds.SetFilter(TFilter::AnyContains({"NICKNAME", "NAME"}, "acme"));
        QCOMPARE(ds.RecordCount(), 0);
        ds.SetFilter(TFilter::AnyContains({"NICKNAME", "NAME"}, "o")
                         .And(TFilter::DateOnOrAfter("CREATEDATE", QDate(2026, 12, 2))));
        QCOMPARE(ds.RecordCount(), 1);  // bolt
        // The filter stays in force when the set is read again.
        ds.Close();
        ds.Open();
        QCOMPARE(ds.RecordCount(), 1);
        QCOMPARE(ds.FieldByName("ID")->AsInteger(), 12);
        // An edited row that no longer passes leaves the view.
        ds.FieldByName("NICKNAME")->SetValue("xyz");
        ds.FieldByName("NAME")->SetValue("xyz");
        ds.Post();
        QCOMPARE(ds.RecordCount(), 0);
        ds.SetFiltered(false);
        QCOMPARE(ds.RecordCount(), 5);
    }

    void sorting() {
        TClientDataSet tax;
        tax.SetConnection(&FConn);
        tax.CommandText = "SELECT ID, NAME FROM SYS_TAX";
        tax.Open();
        TClientDataSet ds;
        ds.SetConnection(&FConn);
        ds.CommandText = "SELECT * FROM AR_ACCT ORDER BY ID";
        ds.UpdateFieldDefs();
        ds.AddLookupField("SYS_TAX_ID_LOOKUP", "SYS_TAX_ID", &tax, "NAME", "SYS_TAX_ID");
        ds.Open();
        auto column = [&](const char* name) {
            QStringList out;
            for (int i = 0; i < ds.RecordCount(); ++i)
                out << ds.ValueAt(i, ds.FieldByName(name)).toString();
            return out;
        };
        ds.AddIndex("A_NICKNAME", "NICKNAME", false);
        QCOMPARE(column("NICKNAME"), (QStringList{"Acme", "bolt", "Crane", "Delta", "echo"}));
        ds.AddIndex("D_NICKNAME", "NICKNAME", true);
        QCOMPARE(ds.IndexName(), QString("D_NICKNAME"));
        QCOMPARE(column("NICKNAME"), (QStringList{"echo", "Delta", "Crane", "bolt", "Acme"}));
        // A lookup column sorts by the text it shows, not by its key (GST is
        // key 1, Exempt key 2): no key first.
        ds.AddIndex("A_SYS_TAX_ID", "SYS_TAX_ID_LOOKUP", false);
        QCOMPARE(column("SYS_TAX_ID_LOOKUP"), (QStringList{"", "Exempt", "Exempt", "GST", "GST"}));
        QCOMPARE(column("ID"), (QStringList{"3", "5", "7", "4", "12"}));  // ties in read order
        ds.AddIndex("D_SYS_TAX_ID", "SYS_TAX_ID_LOOKUP", true);
        QCOMPARE(column("SYS_TAX_ID_LOOKUP"), (QStringList{"GST", "GST", "Exempt", "Exempt", ""}));
        ds.DeleteIndexes();
        QCOMPARE(column("ID"), (QStringList{"3", "4", "5", "7", "12"}));
    }

    void markedRows() {
        TClientDataSet ds;
        OpenCust(ds);
        TBookmarkList marks;
        QVERIFY(ds.Locate("ID", 7));
        marks.Toggle(ds.KeyOfRow(ds.RecNo()));
        QVERIFY(ds.Locate("ID", 12));
        marks.Toggle(ds.KeyOfRow(ds.RecNo()));
        QVERIFY(ds.Locate("ID", 3));
        marks.Toggle(ds.KeyOfRow(ds.RecNo()));
        marks.Toggle(ds.KeyOfRow(ds.RecNo()));  // unmarked again
        QCOMPARE(GetSelectedIdList(ds, marks), QString("7,12"));
        ds.AddIndex("D_ID", "ID", true);
        ds.SetFilter(TFilter::AnyContains({"NICKNAME"}, "o"));
        ds.SetFiltered(true);
        QCOMPARE(GetSelectedIdList(ds, marks), QString("12"));  // 7 is filtered out
        ds.SetFiltered(false);
        QCOMPARE(GetSelectedIdList(ds, marks), QString("7,12"));  // marking order, not sort order
        SelectAll(ds, marks, true);
        QCOMPARE(GetSelectedIdList(ds, marks), QString("12,7,5,4,3"));
        QVERIFY(ds.Locate("ID", 5));
        ds.Delete();
        QCOMPARE(GetSelectedIdList(ds, marks), QString("12,7,4,3"));
        TClientDataSet empty;
        OpenCust(empty, " WHERE ID IS NULL");
        QCOMPARE(GetSelectedIdList(empty, marks), QString());
    }

    // The detail set holds the lines of the master's current row only, in
    // line order, and follows the master.
    void detailFollowsMaster() {
        TClientDataSet master, detail;
        master.SetConnection(&FConn);
        master.CommandText = "SELECT * FROM AR_TRAN ORDER BY ID";
        detail.SetConnection(&FConn);
        detail.CommandText = "SELECT * FROM AR_TRANITEM ORDER BY LINE";
        detail.UpdateMode = TUpdateMode::WhereAll;
        detail.SetMasterLink(&master, "ID", "AR_TRAN_ID");
        master.Open();
        detail.Open();
        auto lines = [&]() {
            QStringList out;
            for (int i = 0; i < detail.RecordCount(); ++i)
                out << detail.ValueAt(i, detail.FieldByName("ITEMDESC")).toString();
            return out;
        };
        QCOMPARE(lines(), (QStringList{"first", "second"}));
        master.Next();
        QCOMPARE(lines(), QStringList{"other"});
        // A new line belongs to the master's row; its key comes from the database.
        detail.Append();
        QCOMPARE(detail.FieldByName("AR_TRAN_ID")->AsInteger(), 2);
        detail.FieldByName("LINE")->SetValue(2);
        detail.FieldByName("ITEMDESC")->SetValue("added");
        detail.Post();
        detail.ApplyUpdates();
        detail.Refresh();
        QCOMPARE(lines(), (QStringList{"other", "added"}));
        QVERIFY(!detail.FieldByName("ID")->IsNull());
        master.First();
        QCOMPARE(lines(), (QStringList{"first", "second"}));
        // A master row being inserted has no lines yet.
        master.Insert();
        QCOMPARE(detail.RecordCount(), 0);
        master.Cancel();
        QCOMPARE(lines(), (QStringList{"first", "second"}));
        // Changes the database refused stay with their master row.
        detail.FieldByName("ITEMDESC")->SetValue("pending");
        detail.Post();
        master.Next();
        QCOMPARE(lines(), (QStringList{"other", "added"}));
        master.First();
        QCOMPARE(lines(), (QStringList{"pending", "second"}));
        QCOMPARE(detail.ChangeCount(), 1);
        master.Close();
        QCOMPARE(detail.RecordCount(), 0);
    }

    void conditionInjection_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "SELECT * FROM T"
                               << "SELECT * FROM T WHERE C";
        QTest::newRow("order") << "SELECT * FROM T ORDER BY LINE"
                               << "SELECT * FROM T WHERE C ORDER BY LINE";
        QTest::newRow("where") << "SELECT * FROM T WHERE A=1 OR B=2 ORDER BY X"
                               << "SELECT * FROM T WHERE (A=1 OR B=2) AND C ORDER BY X";
        QTest::newRow("nested")
            << "SELECT (SELECT MAX(X) FROM U WHERE U.A=T.A) AS M FROM T"
            << "SELECT (SELECT MAX(X) FROM U WHERE U.A=T.A) AS M FROM T WHERE C";
        QTest::newRow("quoted") << "SELECT 'WHERE' AS W FROM \"ORDER BY\""
                                << "SELECT 'WHERE' AS W FROM \"ORDER BY\" WHERE C";
        QTest::newRow("comments") << "SELECT * FROM T -- WHERE A=1\n/* ORDER BY 'X */"
                                  << "SELECT * FROM T WHERE C -- WHERE A=1\n/* ORDER BY 'X */";
        QTest::newRow("group")
            << "SELECT A, COUNT(*) FROM T WHERE B IN (SELECT B FROM U ORDER BY B)"
               "\nGROUP BY A"
            << "SELECT A, COUNT(*) FROM T WHERE (B IN (SELECT B FROM U ORDER BY "
               "B)) AND C GROUP BY A";
        QTest::newRow("newline") << "SELECT *\nFROM T\nWHERE\tA=1\nORDER BY X"
                                 << "SELECT *\nFROM T\nWHERE (A=1) AND C ORDER BY X";
    }

    void conditionInjection() {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        QCOMPARE(TClientDataSet::AddCondition(sql, "C"), expected);
    }

    // The grid model shows visible columns with captions, formats and lookup
    // texts, and repaints only the cell that changed.
    void gridModel() {
        TClientDataSet tax;
        tax.SetConnection(&FConn);
        tax.CommandText = "SELECT ID, NAME FROM SYS_TAX";
        tax.Open();
        TClientDataSet ds;
        ds.SetConnection(&FConn);
        ds.CommandText = "SELECT ID, NICKNAME, DISCTRATE, SYS_TAX_ID FROM AR_ACCT ORDER BY ID";
        ds.UpdateFieldDefs();
        ds.FieldByName("SYS_TAX_ID")->Visible = false;
        ds.FieldByName("NICKNAME")->DisplayLabel = "Short Name";
        ds.FieldByName("DISCTRATE")->DisplayFormat = "#,##0.00";
        ds.AddLookupField("SYS_TAX_ID_LOOKUP", "SYS_TAX_ID", &tax, "NAME", "SYS_TAX_ID");
        TDataSource src;
        src.SetDataSet(&ds);
        TDbGridModel model(&src);
        ds.Open();
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Short Name"));
        QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString("SYS_TAX_ID_LOOKUP"));
        QCOMPARE(model.data(model.index(3, 3)).toString(), QString("Exempt"));  // ID 7
        ds.Locate("ID", 7);
        QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
        ds.FieldByName("DISCTRATE")->SetValue(1234.567);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toModelIndex(), model.index(3, 2));
        QCOMPARE(model.data(model.index(3, 2)).toString(), QString("1,234.57"));
        ds.FieldByName("SYS_TAX_ID")->SetValue(1);  // its lookup column repaints
        QCOMPARE(spy.count(), 2);
        QCOMPARE(model.data(model.index(3, 3)).toString(), QString("GST"));
        ds.Post();
        QSignalSpy rows(&model, &QAbstractItemModel::rowsInserted);
        ds.Append();
        QCOMPARE(rows.count(), 1);
        QCOMPARE(model.rowCount(), 6);
        ds.Cancel();
        QCOMPARE(model.rowCount(), 5);
    }

    void displayFormats_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("value");  // money text
        QTest::addColumn<QString>("shown");
        QTest::newRow("grouping") << "#,##0.00"
                                  << "1234567.891"
                                  << "1,234,567.89";
        QTest::newRow("half up") << "#,##0.00"
                                 << "0.005"
                                 << "0.01";
        QTest::newRow("negative plain") << "#,##0.00"
                                        << "-1234.5"
                                        << "-1,234.50";
        QTest::newRow("negative section") << "#,##0.00;(#,##0.00)"
                                          << "-1234.5"
                                          << "(1,234.50)";
        QTest::newRow("positive with sections") << "#,##0.00;(#,##0.00)"
                                                << "3"
                                                << "3.00";
        QTest::newRow("wide mask") << "#,###,##0.00"
                                   << "0"
                                   << "0.00";
        QTest::newRow("optional decimals") << "0.##"
                                           << "2.5"
                                           << "2.5";
        QTest::newRow("no mask") << ""
                                 << "2.5"
                                 << "2.5000";
        QTest::newRow("largest") << "#,##0.00"
                                 << "922337203685477.5807"
                                 << "922,337,203,685,477.58";
        QTest::newRow("rounds to zero") << "#,##0.00;(#,##0.00)"
                                        << "-0.001"
                                        << "0.00";
        // Characters between placeholders keep their place among the digits.
        QTest::newRow("literal between") << "000-000"
                                         << "123456"
                                         << "123-456";
        QTest::newRow("literal, short value") << "000-000"
                                              << "12"
                                              << "000-012";
        QTest::newRow("literal, optional digits") << "###-###"
                                                  << "12"
                                                  << "12";
        QTest::newRow("literal, long value") << "000-000"
                                             << "1234567"
                                             << "1234-567";
        QTest::newRow("phone") << "(000) 000-0000"
                               << "2125550123"
                               << "(212) 555-0123";
        QTest::newRow("literal and decimals") << "0-000.00"
                                              << "-1234.5"
                                              << "-1-234.50";
        QTest::newRow("space grouping") << "# ##0.00"
                                        << "1234.5"
                                        << "1 234.50";
    }

    void displayFormats() {
        QFETCH(QString, mask);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        TMoney m;
        QVERIFY(TMoney::FromString(value, m));
        QCOMPARE(TDisplayFormat::FormatMoney(mask, m), shown);
        if (!mask.isEmpty() && value.size() < 12 && value != "0.005")  // floats look the same
            QCOMPARE(TDisplayFormat::FormatFloat(mask, value.toDouble()), shown);
    }

    // Every numeric column takes only what it can hold: the bounds are the
    // engine's own (a value at the bound is stored), and a value beyond
    // them is refused when it is set and again when the row is posted, with
    // the caption in the message, and nothing is stored.
    void numericRanges_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored");  // empty: refused with message
        QTest::addColumn<QString>("message");
        const auto range = [](const char* col, const char* lo, const char* hi) {
            return QString("[%1] The value is out of range: it must lie between %2 and %3.")
                .arg(col, lo, hi);
        };
        const QString money = "-922337203685477.5808";
        const QString moneyHi = "922337203685477.5807";
        QTest::newRow("smallint top") << "S" << QVariant(32767) << "32767"
                                      << "";
        QTest::newRow("smallint beyond")
            << "S" << QVariant("32768") << "" << range("Small", "-32768", "32767");
        QTest::newRow("integer top") << "I" << QVariant("2147483647") << "2147483647"
                                     << "";
        QTest::newRow("integer beyond") << "I" << QVariant(qlonglong(99999999999)) << ""
                                        << range("Whole", "-2147483648", "2147483647");
        QTest::newRow("bigint beyond") << "B" << QVariant("9223372036854775808") << ""
                                       << range("B", "-9223372036854775808", "9223372036854775807");
        QTest::newRow("money top") << "M" << QVariant(moneyHi) << moneyHi << "";
        QTest::newRow("money from double")
            << "M" << QVariant(1e15) << "" << range("M", qPrintable(money), qPrintable(moneyHi));
        QTest::newRow("money not a number") << "M" << QVariant("12abc") << ""
                                            << "[M] \"12abc\" is not a number.";
        QTest::newRow("numeric 9,2 top") << "N92" << QVariant("21474836.47") << "21474836.47"
                                         << "";
        QTest::newRow("numeric 9,2 beyond") << "N92" << QVariant("21474836.48") << ""
                                            << range("N92", "-21474836.48", "21474836.47");
        QTest::newRow("numeric 4,2 beyond") << "N42" << QVariant::fromValue(TMoney(9999900)) << ""
                                            << range("N42", "-327.68", "327.67");
        QTest::newRow("double nan") << "D" << QVariant(std::nan("")) << ""
                                    << "[D] The value is not a finite number.";
        QTest::newRow("float beyond")
            << "F" << QVariant(1e39) << "" << range("F", "-3.40282e+38", "3.40282e+38");
    }

    void numericRanges() {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        QFETCH(QString, message);
        Exec("DELETE FROM RANGES");
        TClientDataSet ds;
        ds.SetConnection(&FConn);
        ds.CommandText = "SELECT * FROM RANGES";
        ds.Open();
        ds.FieldByName("S")->DisplayLabel = "Small";
        ds.FieldByName("I")->DisplayLabel = "Whole";
        TField* f = ds.FieldByName(column);
        ds.Insert();
        ds.FieldByName("ID")->SetValue(1);
        if (stored.isEmpty()) {
            try {
                f->SetValue(value);
                QFAIL("value accepted");
            } catch (const EDataSetError& e) {
                QCOMPARE(e.Message(), message);
            }
            QVERIFY(f->IsNull());
            QVERIFY(f->Refused());
            try {
                ds.Post();
                QFAIL("row posted");
            } catch (const EDataSetError& e) {
                QCOMPARE(e.Message(), message);
            }
            QCOMPARE(ds.State(), TDataSetState::Insert);
            ds.Cancel();
            QVERIFY(!f->Refused());
            QCOMPARE(Value("SELECT COUNT(*) FROM RANGES").toInt(), 0);
        } else {
            f->SetValue(value);
            ds.ApplyUpdates();
            const bool numeric = column.startsWith('M') || column.startsWith('N');
            QCOMPARE(Value("SELECT " + (numeric ? "CAST(" + column + " AS VARCHAR(40))" : column) +
                           " FROM RANGES")
                         .toString(),
                     stored);
        }
    }

    // A change handler that fails takes the whole change back: the value
    // and whatever the handler set before it failed.
    void failedFieldChangeTakesTheChangeBack() {
        TClientDataSet ds;
        OpenCust(ds);
        QVERIFY(ds.Locate("ID", 7));
        ds.Edit();
        ds.OnFieldChange = [&](TField& f) {
            if (f.FieldName != "PRICENO") return;
            ds.FieldByName("NAME")->SetValue("derived");
            if (f.AsInteger() > 5) throw EDataSetError("[Level] too high");
        };
        ds.FieldByName("PRICENO")->SetValue(3);
        QCOMPARE(ds.FieldByName("NAME")->AsString(), QString("derived"));
        ds.FieldByName("NAME")->SetValue("Acme Trading");
        QVERIFY_THROWS_EXCEPTION(EDataSetError, ds.FieldByName("PRICENO")->SetValue(9));
        QCOMPARE(ds.FieldByName("PRICENO")->AsInteger(), 3);
        QCOMPARE(ds.FieldByName("NAME")->AsString(), QString("Acme Trading"));
        QCOMPARE(ds.FieldByName("PRICENO")->RefusedText(), QString("9"));
        QVERIFY_THROWS_EXCEPTION(EDataSetError, ds.Post());
        ds.FieldByName("PRICENO")->SetValue(4);
        ds.ApplyUpdates();
        QCOMPARE(Value("SELECT PRICENO FROM AR_ACCT WHERE ID=7").toInt(), 4);
    }

    // A set read a packet at a time shows the rows as they stood when it
    // opened, each once and in the order asked for, whatever is written
    // meanwhile; moving past the rows read, a filter and Last read the rest.
    void packetsMeetEveryRowOnce() {
        TClientDataSet ds;
        TwelveCustomersInPackets(ds);
        TDataSource src;
        src.SetDataSet(&ds);
        TDbGridModel model(&src);
        ds.Open();
        auto column = [&]() {
            QStringList out;
            for (int r = 0; r < ds.RecordCount(); ++r)
                out << ds.ValueAt(r, ds.FieldByName("NICKNAME")).toString();
            return out.join(',');
        };
        QCOMPARE(column(), QString("Acme,bolt,Crane,Delta"));  // letters, whatever their case
        QVERIFY(!ds.AllFetched());
        QCOMPARE(model.rowCount(), 4);

        // Another user adds a row and removes one read and one not read.
        Exec("INSERT INTO AR_ACCT (ID, NICKNAME) VALUES (40, 'N205')");
        Exec("DELETE FROM AR_ACCT WHERE ID IN (21, 3)");
        ds.MoveTo(3);
        ds.Next();  // past the rows read
        QCOMPARE(ds.FieldByName("NICKNAME")->AsString(), QString("echo"));
        QCOMPARE(column(), QString("Acme,bolt,Crane,Delta,echo,N20,N21,N22"));
        // This set adds one of its own, which sorts after every row read.
        ds.Append();
        ds.FieldByName("ID")->SetValue(50);
        ds.FieldByName("NICKNAME")->SetValue("N255");
        ds.Post();
        ds.ApplyUpdates();
        QCOMPARE(column(), QString("Acme,bolt,Crane,Delta,echo,N20,N21,N22,N255"));
        ds.Last();
        QVERIFY(ds.AllFetched());
        QCOMPARE(column(), QString("Acme,bolt,Crane,Delta,echo,N20,N21,N22,N23,N24,N25,N255,N26,"
                                   "N27,N28,N29,N30,N31"));
        QCOMPARE(ds.FieldByName("NICKNAME")->AsString(), QString("N31"));
        QCOMPARE(model.rowCount(), 18);

        // Read again: what the database holds now, as far as the row the
        // user was on (here the last).
        ds.Refresh();
        QCOMPARE(column(), QString("Acme,bolt,Delta,echo,N20,N205,N22,N23,N24,N25,N255,N26,N27,N28,"
                                   "N29,N30,N31"));
        // A sort by an indexed column of the table is read from the start in
        // that order; a filter reads the rest first.
        ds.Close();
        ds.Open();
        ds.AddIndex("A_ID", "ID", false);
        QCOMPARE(ds.RecordCount(), 4);
        QVERIFY(!ds.AllFetched());
        QCOMPARE(ds.KeyOfRow(0).toInt(), 4);
        ds.SetFilter(TFilter::AnyContains({"NICKNAME"}, QString("N2")));
        ds.SetFiltered(true);
        QVERIFY(ds.AllFetched());
        QCOMPARE(ds.RecordCount(), 11);  // N20, N205, N22 to N29, N255
    }

    // A row not among those held is found wherever the rest of the rows
    // land: here ahead of a row this set added, which waited at the end.
    void locateSeesRowsReadAheadOfANewRow() {
        TClientDataSet ds;
        TwelveCustomersInPackets(ds);
        ds.Open();
        ds.Append();
        ds.FieldByName("ID")->SetValue(50);
        ds.FieldByName("NICKNAME")->SetValue("N255");
        ds.Post();
        ds.ApplyUpdates();
        QVERIFY(!ds.AllFetched());
        // The first row read after those held: placed where the search had reached.
        QVERIFY(ds.Locate("NICKNAME", "echo"));
        QCOMPARE(ds.FieldByName("ID")->AsInteger(), 5);
        QVERIFY(ds.AllFetched());
        QVERIFY(ds.Locate("NICKNAME", "N31"));
        QVERIFY(!ds.Locate("NICKNAME", "nobody"));
    }

    // Whatever needs every row of a set read in packets reads the rest
    // first, a row this set added meanwhile keeping its place among them.
    // When the rest cannot be read (here the row of N30, whose X divides by
    // zero), it fails with the database's message, the rows held stay, and
    // the next try says that not every row could be read rather than work on
    // part of them. A progress that stops the reading stops it the same way.
    void everyRowOrAFailure_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("failing");
        for (const char* op : {"Locate", "Last", "filter", "sort", "FetchRest"}) {
            QTest::newRow(op) << op << false;
            QTest::newRow(qPrintable(QString(op) + ", read fails")) << op << true;
        }
        QTest::newRow("FetchRest, stopped") << "stopped" << false;
    }
    void everyRowOrAFailure() {
        QFETCH(QString, op);
        QFETCH(bool, failing);
        const bool stopped = op == "stopped";
        if (stopped)  // more than one read of the rest takes, so that it can stop between
            Exec(
                "EXECUTE BLOCK AS DECLARE I INTEGER = 100; BEGIN WHILE (I < 6100) DO BEGIN "
                "INSERT INTO AR_ACCT (ID, NICKNAME) VALUES (:I, 'Z' || :I); I = I + 1; END END");
        TClientDataSet ds;
        TwelveCustomersInPackets(ds, failing ? ", 100 / (ID - 30) AS X" : "");
        ds.Open();
        ds.Append();
        ds.FieldByName("ID")->SetValue(50);
        ds.FieldByName("NICKNAME")->SetValue("N255");
        ds.Post();
        QVERIFY(!ds.AllFetched());
        const TField* nick = ds.FieldByName("NICKNAME");
        auto column = [&]() {  // the first 18 rows at most
            QStringList out;
            for (int r = 0; r < ds.RecordCount() && r < 18; ++r)
                out << ds.ValueAt(r, nick).toString();
            return out.join(',');
        };
        const QString held = "Acme,bolt,Crane,Delta,N255";
        QCOMPARE(column(), held);  // RecordCount and the accessors: the rows held
        const QString all =
            "Acme,bolt,Crane,Delta,echo,N20,N21,N22,N23,N24,N25,N255,N26,N27,N28,N29,N30,N31";
        auto run = [&]() {
            if (op == "Locate") {
                QVERIFY(ds.Locate("NICKNAME", "N31"));
                QCOMPARE(ds.FieldByName("ID")->AsInteger(), 31);
            } else if (op == "Last") {
                ds.Last();
                QCOMPARE(ds.FieldByName("ID")->AsInteger(), 31);
                QCOMPARE(ds.RecNo(), 17);
            } else if (op == "filter") {
                ds.SetFilter(TFilter::AnyContains({"NICKNAME"}, QString("N2")));
                ds.SetFiltered(true);
                QCOMPARE(column(), QString("N20,N21,N22,N23,N24,N25,N255,N26,N27,N28,N29"));
            } else if (op == "sort") {  // with a change pending: sorted here, over every row
                ds.AddIndex("A_ID", "ID", false);
                QCOMPARE(ds.RecordCount(), 18);
                QCOMPARE(ds.KeyOfRow(0).toInt(), 3);
                QCOMPARE(ds.KeyOfRow(17).toInt(), 50);
            } else {
                ds.FetchRest();
            }
        };
        if (stopped) {
            int heard = 0;
            ds.FetchProgress = [&](int) { return ++heard < 1; };
            QVERIFY_THROWS_EXCEPTION(EAbort, ds.FetchRest());
            QVERIFY(!ds.AllFetched());
            QCOMPARE(ds.RecordCount(), 5005);  // a read of the rest, and what was held
            ds.FetchProgress = nullptr;
            run();
            QVERIFY(ds.AllFetched());
            QCOMPARE(ds.RecordCount(), 6018);
            QCOMPARE(column(), all);
        } else if (!failing) {
            run();
            QVERIFY(ds.AllFetched());
            if (op == "Locate" || op == "Last" || op == "FetchRest") QCOMPARE(column(), all);
        } else {
            try {
                run();
                QFAIL("the rows were read in full");
            } catch (const EFbError& e) {
                QVERIFY2(e.Message().contains("divide by zero"), qPrintable(e.Message()));
            }
            QVERIFY(!ds.AllFetched());
            QCOMPARE(column(), held);
            QVERIFY(ds.Locate("NICKNAME", "Crane"));  // what is held still serves
            try {
                run();
                QFAIL("the rows were read in full");
            } catch (const EDataSetError& e) {
                QCOMPARE(e.Message(), QString("Not every row could be read. Please refresh the "
                                              "list and try again."));
            }
            QCOMPARE(column(), held);
        }
    }

    // A set whose fields came from its statement takes the columns of the
    // next statement it is opened with, and a column its table gained; fields
    // the code defined (with what it set on them) stay, lookups too.
    void openedAgainWithOtherColumns() {
        TClientDataSet ds;
        ds.SetConnection(&FConn);
        TDataSource src;
        src.SetDataSet(&ds);
        TDbGridModel model(&src);
        ds.CommandText = "SELECT ID, NICKNAME FROM AR_ACCT WHERE ID=7";
        ds.Open();
        ds.FieldByName("NICKNAME")->DisplayLabel = "Short";
        ds.Close();
        ds.Open();  // the same columns: the same fields, as they were set up
        QCOMPARE(ds.FieldByName("NICKNAME")->Caption(), QString("Short"));
        ds.Close();
        ds.CommandText = "SELECT ID, NAME FROM AR_ACCT WHERE ID=7";
        QVERIFY_THROWS_NO_EXCEPTION(ds.Open());
        QCOMPARE(ds.FieldCount(), 2);
        QCOMPARE(ds.FieldByName("NAME")->AsString(), QString("Acme Trading"));
        QVERIFY(!ds.FindField("NICKNAME"));
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("NAME"));
        ds.Close();
        ds.CommandText = "SELECT ID, NICKNAME, SYS_TAX_ID FROM AR_ACCT WHERE ID=7";
        ds.Open();
        QCOMPARE(ds.FieldByName("NICKNAME")->AsString(), QString("Acme"));
        QCOMPARE(ds.FieldByName("SYS_TAX_ID")->AsInteger(), 2);
        ds.Close();

        // A column the table gained while the set was closed.
        ds.CommandText = "SELECT * FROM SYS_TAX WHERE ID=1";
        ds.Open();
        ds.Close();
        Exec("ALTER TABLE SYS_TAX ADD UDF_NOTE VARCHAR(20)");
        Exec("UPDATE SYS_TAX SET UDF_NOTE='noted'");
        QVERIFY_THROWS_NO_EXCEPTION(ds.Open());
        QCOMPARE(ds.FieldByName("UDF_NOTE")->AsString(), QString("noted"));
        ds.Close();
        Exec("ALTER TABLE SYS_TAX DROP UDF_NOTE");

        // Fields the code defined stay: a statement without one is refused.
        TClientDataSet tax;
        tax.SetConnection(&FConn);
        tax.CommandText = "SELECT ID, NAME FROM SYS_TAX";
        tax.UpdateFieldDefs();
        tax.FieldByName("NAME")->DisplayLabel = "Tax";
        tax.Open();
        TClientDataSet cust;
        cust.SetConnection(&FConn);
        cust.CommandText = "SELECT ID, NICKNAME, SYS_TAX_ID FROM AR_ACCT WHERE ID=7";
        cust.Open();
        cust.AddLookupField("TAX_LOOKUP", "SYS_TAX_ID", &tax, "NAME");
        QCOMPARE(cust.FieldByName("TAX_LOOKUP")->AsString(), QString("Exempt"));
        cust.Close();
        cust.CommandText = "SELECT ID, NAME, SYS_TAX_ID FROM AR_ACCT WHERE ID=12";
        QVERIFY_THROWS_NO_EXCEPTION(cust.Open());
        QCOMPARE(cust.FieldByName("NAME")->AsString(), QString("Bolt & Nut"));
        QCOMPARE(cust.FieldByName("TAX_LOOKUP")->AsString(), QString("GST"));
        tax.Close();
        tax.CommandText = "SELECT ID, RATE FROM SYS_TAX";
        QVERIFY_THROWS_EXCEPTION(EDataSetError, tax.Open());
        tax.CommandText = "SELECT ID, NAME FROM SYS_TAX WHERE ID=2";
        tax.Open();
        QCOMPARE(tax.FieldByName("NAME")->Caption(), QString("Tax"));
    }

    // A lookup set read by key reads the rows of the keys shown, once, and
    // reads them again after Refresh.
    void lookupsReadTheKeysShown() {
        TClientDataSet cust;
        cust.SetConnection(&FConn);
        cust.CommandText = "SELECT ID, NAME FROM AR_ACCT ORDER BY ID";
        cust.ReadByKey = true;
        cust.Open();
        QCOMPARE(cust.RecordCount(), 0);
        TClientDataSet inv;
        inv.SetConnection(&FConn);
        inv.CommandText = "SELECT * FROM AR_TRAN ORDER BY ID";
        inv.UpdateFieldDefs();
        TField* shown = inv.AddLookupField("CUST", "AR_ACCT_ID", &cust, "NAME");
        inv.Open();
        QCOMPARE(inv.ValueAt(0, shown).toString(), QString("Acme Trading"));
        QCOMPARE(inv.ValueAt(1, shown).toString(), QString("Bolt & Nut"));
        QCOMPARE(inv.ValueAt(0, shown).toString(), QString("Acme Trading"));
        QCOMPARE(cust.RecordCount(), 2);  // customers 7 and 12 only

        Exec("UPDATE AR_ACCT SET NAME = 'Acme Renamed' WHERE ID = 7");
        QCOMPARE(inv.ValueAt(0, shown).toString(), QString("Acme Trading"));  // kept
        cust.Refresh();
        QCOMPARE(cust.RecordCount(), 0);
        QCOMPARE(inv.ValueAt(0, shown).toString(), QString("Acme Renamed"));
        // A sort by the lookup column reads the keys together and orders by text.
        inv.AddIndex("D_CUST", "CUST", true);
        QCOMPARE(inv.ValueAt(0, shown).toString(), QString("Bolt & Nut"));
    }

    // An Open that fails after its reading began leaves a closed set with
    // nothing left to read: what needs every row returns at once rather
    // than wait for rows a closed set never takes, and Open works again.
    void failedOpenLeavesNothingToRead() {
        TClientDataSet cust;
        cust.SetConnection(&FConn);
        cust.CommandText = "SELECT ID, NAME FROM AR_ACCT ORDER BY ID";
        cust.ReadByKey = true;
        cust.Open();
        TClientDataSet inv;
        inv.SetConnection(&FConn);
        inv.CommandText = "SELECT * FROM AR_TRAN ORDER BY ID";
        inv.PacketRecords = 1;
        inv.UpdateFieldDefs();
        inv.AddLookupField("CUST", "AR_ACCT_ID", &cust, "NAME");
        cust.CommandText = "SELECT ID, NAME FROM NO_SUCH_TABLE";  // the lookup's reading fails
        QVERIFY_THROWS_EXCEPTION(EFbError, inv.Open());
        QVERIFY(!inv.Active());
        QVERIFY(inv.AllFetched());
        inv.FetchRest();
        cust.CommandText = "SELECT ID, NAME FROM AR_ACCT ORDER BY ID";
        inv.Open();
        inv.FetchRest();
        QCOMPARE(inv.RecordCount(), 2);
    }
};

QTEST_MAIN(TstDataSet)
#include "tst_dataset.moc"
