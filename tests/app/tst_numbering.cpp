// Record numbering: formats, counters per prefix and day, the automatic
// number of a new row, and unique numbers under concurrent users drawing
// through a Firebird server.

#include <QtTest>
#include <algorithm>
#include <thread>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TestSupport.h"
#include "uDmMain.h"

class TstNumbering : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestFolder> FFolder;
    std::unique_ptr<TdmMain> FDm;

    void Pattern(const QString& prefix, int date, int digit, int autoSet = 1) {
        FDm->ExecSQL(
            "UPDATE SYS_TABLENO SET PREFIX0=:P, PREFIX0DATE=:D, DIGIT=:G, AUTOSET0=:A "
            "WHERE TABLENAME='AR_TRAN'",
            {{"P", prefix}, {"D", date}, {"G", digit}, {"A", autoSet}});
    }

private slots:
    void initTestCase() {
        FFolder = std::make_unique<TTestFolder>();
        FDm = std::make_unique<TdmMain>();
        ConnectAsAdmin(*FDm);
    }

    void cleanupTestCase() {
        TdmMain::SetToday(QDate());
        FDm.reset();
        FFolder.reset();
    }

    void init() { FDm->ExecSQL("DELETE FROM SYS_NO"); }

    void formats() {
        TScriptedMessages msgs;
        Pattern("INV", 0, 5);
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("INV00001"));
        QCOMPARE(FDm->SelectValue("SELECT TABLENAME || '|' || PREFIX || '|' || RUNNO FROM SYS_NO")
                     .toString(),
                 QString("AR_TRAN|INV|1"));
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("INV00002"));
        // Another prefix text starts its own counter; going back continues the old one.
        Pattern("SA", 0, 4);
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("SA0001"));
        Pattern("INV", 0, 5);
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("INV00003"));
        // Digits only, with an empty prefix.
        Pattern("", 0, 3);
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("001"));
        QCOMPARE(FDm->SelectValue("SELECT COUNT(*) FROM SYS_NO WHERE PREFIX=''").toInt(), 1);
        QVERIFY(msgs.Shown.isEmpty());
    }

    void dateOptionAndDayChange() {
        Pattern("ABC", 1, 3);
        TdmMain::SetToday(QDate(1999, 11, 1));
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("ABC19991101001"));
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("ABC19991101002"));
        TdmMain::SetToday(QDate(1999, 11, 2));
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("ABC19991102001"));
        QCOMPARE(FDm->SelectValue("SELECT COUNT(*) FROM SYS_NO").toInt(), 2);
        TdmMain::SetToday(QDate());
    }

    // A number longer than DIGIT is written in full, never cut.
    void hundredthNumberWithTwoDigits() {
        Pattern("N", 0, 2);
        FDm->ExecSQL(
            "INSERT INTO SYS_NO (ID, TABLENAME, PREFIX, RUNNO) VALUES (1, 'AR_TRAN', 'N', 98)");
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("N99"));
        QCOMPARE(FDm->GetNextTableNo("AR_TRAN", 0), QString("N100"));
        QCOMPARE(FDm->SelectValue("SELECT RUNNO FROM SYS_NO").toInt(), 100);
    }

    void missingTable() {
        TScriptedMessages msgs;
        QCOMPARE(FDm->GetNextTableNo("NO_SUCH", 0), QString());
        QCOMPARE(msgs.Take(), QStringList{"Failed getting table next no, table name: NO_SUCH not "
                                          "found in SYS_TABLENO table"});
        QCOMPARE(FDm->SelectValue("SELECT COUNT(*) FROM SYS_NO").toInt(), 0);
    }

    void automaticNumberOfANewRow() {
        TClientDataSet cds;
        cds.SetConnection(&FDm->SQLConn_Main);
        cds.CommandText = "SELECT * FROM AR_TRAN";
        TDataSource ds;
        ds.SetDataSet(&cds);
        cds.Open();
        Pattern("INV", 0, 5, 1);
        // Only a row being inserted gets a number.
        FDm->AssignAutoNoFieldValue("AR_TRAN", &ds);
        QCOMPARE(FDm->SelectValue("SELECT COUNT(*) FROM SYS_NO").toInt(), 0);
        cds.Insert();
        FDm->AssignAutoNoFieldValue("AR_TRAN", &ds);
        QCOMPARE(cds.FieldByName("INVOICENO")->AsString(), QString("INV00001"));
        // A cancelled row still used its number.
        cds.Cancel();
        cds.Insert();
        FDm->AssignAutoNoFieldValue("AR_TRAN", &ds);
        QCOMPARE(cds.FieldByName("INVOICENO")->AsString(), QString("INV00002"));
        cds.Cancel();
        // AUTOSET0 other than 1, or no SYS_TABLENO row: nothing drawn.
        Pattern("INV", 0, 5, 0);
        cds.Insert();
        FDm->AssignAutoNoFieldValue("AR_TRAN", &ds);
        FDm->AssignAutoNoFieldValue("AP_ACCT_NONE", &ds);
        QVERIFY(cds.FieldByName("INVOICENO")->IsNull());
        QCOMPARE(FDm->SelectValue("SELECT RUNNO FROM SYS_NO").toInt(), 2);
    }

    // Two users drawing at the same moment through a server: every number
    // once, none missing, and RUNNO the last one issued.
    void concurrentDrawing() {
        TPrivateServer server;
        QVERIFY2(server.Failure().isEmpty(), qPrintable(server.Failure()));
        const QString db = server.NewDatabase();
        FDm->ExecSQL(
            "UPDATE SYS_TABLENO SET PREFIX0='C', PREFIX0DATE=0, DIGIT=4 WHERE TABLENAME='AR_TRAN'");

        const int perUser = 150;
        std::vector<int> drawn[2];
        QString failure;
        std::mutex failureLock;
        auto user = [&](int who) {
            try {
                TdmMain dm;
                dm.SQLConn_Main.Open(db);
                for (int i = 0; i < perUser; ++i)
                    drawn[who].push_back(dm.GetNextSysNo("AR_TRAN", "C"));
            } catch (const EFbError& e) {
                std::lock_guard<std::mutex> g(failureLock);
                failure = e.Message();
            }
        };
        std::thread a(user, 0), b(user, 1);
        a.join();
        b.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        std::vector<int> all = drawn[0];
        all.insert(all.end(), drawn[1].begin(), drawn[1].end());
        std::sort(all.begin(), all.end());
        QCOMPARE(int(all.size()), 2 * perUser);
        for (int i = 0; i < int(all.size()); ++i) QCOMPARE(all[size_t(i)], i + 1);
        // Each user's own numbers only grow.
        for (const auto& d : drawn) QVERIFY(std::is_sorted(d.begin(), d.end()));
        TFbConnection check;
        check.Open(db);
        TFbTransaction tra(check);
        TFbQuery q(tra, "SELECT RUNNO FROM SYS_NO WHERE TABLENAME='AR_TRAN' AND PREFIX='C'");
        q.Open();
        QCOMPARE(q.AsInteger("RUNNO"), 2 * perUser);
    }
};

QTEST_MAIN(TstNumbering)
#include "tst_numbering.moc"
