// The folder counts without a window, against the real engine: arithmetic
// on saves, deletes and moves, and the coordination of background counts
// (stale results, counting again after a write, a failed count).

#include <QtTest>

#include "TFbConnection.h"
#include "TFolderCounts.h"
#include "TestSupport.h"
#include "uDmMain.h"

namespace {

// Background counts held until the test runs them, each on a connection of
// its own, in the order the test chooses.
struct THeldCounts {
    struct TJob {
        TFolderCounts::TWork Work;
        TFolderCounts::TDone Done;
        TFolderCounts::TFailed Failed;
    };
    QList<TJob> Jobs;
    QString Database;

    TFolderCounts::TRunner Runner() {
        return [this](const auto& work, const auto& done, const auto& failed) {
            Jobs.append({work, done, failed});
        };
    }
    // Runs job i's statement now; its result is handed over by Deliver.
    QVariant Run(int i) {
        TFbConnection conn;
        conn.Open(Database);
        return Jobs[i].Work(conn);
    }
    void Deliver(int i, const QVariant& result) { Jobs[i].Done(result); }
    // Runs job i to its end, its error going where the runner sends it.
    void Finish(int i) {
        try {
            Deliver(i, Run(i));
        } catch (const EFbError& e) {
            Jobs[i].Failed(e.Message());
        }
    }
};

}  // namespace

class TstFolderCounts : public QObject {
    Q_OBJECT

private:
    TDbFixture F;
    THeldCounts Held;
    int General = 0, Archive = 0;

    // Customers filed in folder, with this price number (the count column
    // the tests use: 0 is counted).
    void AddCustomers(int folder, int n, int priceNo) {
        for (int i = 0; i < n; ++i)
            F.Dm().ExecSQL(QString("INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID, "
                                   "PRICENO) VALUES (GEN_ID(AR_ACCT_ID_GEN, 1), 'c', 'c', %1, %2)")
                               .arg(folder)
                               .arg(priceNo));
    }

    static QString Text(const TFolderCount& c) {
        return QString("%1/%2").arg(c.Total).arg(c.Counted);
    }

    // What the database counts for folder now.
    QString Stored(int folder, const QString& countField) {
        TFolderCounts fresh(Held.Runner());
        fresh.SetTable("AR_ACCT", countField);
        fresh.CountNow(folder);
        return Text(fresh.Count(folder));
    }

private slots:
    void init() {
        F.Start();
        Held = THeldCounts();
        Held.Database = F.Dm().SQLConn_Main.Database();
        General = F.Dm()
                      .SelectValue(
                          "SELECT ID FROM SYS_TREEVIEW WHERE TABLENAME = 'AR_ACCT' AND "
                          "TRIM(CAPTION) = 'General'")
                      .toInt();
        QVERIFY(General > 0);
        Archive = F.Dm().InsertSysTreeView("AR_ACCT", "Archive", General, 0, 0, 0);
        QVERIFY(Archive > 0);
        AddCustomers(General, 2, 0);
        AddCustomers(General, 1, 1);
        AddCustomers(Archive, 1, 0);
    }

    void cleanup() { F.Stop(); }

    // Each write is made in the database and told to the counts: the
    // arithmetic then agrees with a count of the stored rows.
    void arithmeticFollowsTheWrites_data() {
        QTest::addColumn<QString>("countField");
        QTest::addColumn<QString>("write");
        QTest::addColumn<QString>("general");
        QTest::addColumn<QString>("archive");
        for (const QString& field : {QString("PRICENO"), QString()}) {
            auto c = [&](int total, int counted) {
                return QString("%1/%2").arg(total).arg(field.isEmpty() ? 0 : counted);
            };
            const QString tag = field.isEmpty() ? " without a count column" : "";
            QTest::newRow(qPrintable("save" + tag)) << field << "save" << c(4, 3) << c(1, 1);
            QTest::newRow(qPrintable("delete" + tag)) << field << "delete" << c(2, 1) << c(1, 1);
            QTest::newRow(qPrintable("move" + tag)) << field << "move" << c(1, 0) << c(3, 3);
        }
    }

    void arithmeticFollowsTheWrites() {
        QFETCH(QString, countField);
        QFETCH(QString, write);
        TFolderCounts counts(Held.Runner());
        counts.SetTable("AR_ACCT", countField);
        QList<int> told;
        counts.Changed = [&told](int folder) { told << folder; };
        counts.CountNow(General);
        counts.CountNow(Archive);
        QCOMPARE(Text(counts.Count(General)), countField.isEmpty() ? QString("3/0") : "3/2");
        told.clear();
        if (write == "save") {
            AddCustomers(General, 1, 0);
            counts.Add(General, 1, 1);
            QCOMPARE(told, QList<int>{General});
        } else if (write == "delete") {
            F.Dm().ExecSQL(QString("DELETE FROM AR_ACCT WHERE SYS_TREEVIEW_ID = %1 AND PRICENO = 0 "
                                   "ROWS 1")
                               .arg(General));
            counts.Add(General, -1, -1);
            QCOMPARE(told, QList<int>{General});
        } else {
            F.Dm().ExecSQL(QString("UPDATE AR_ACCT SET SYS_TREEVIEW_ID = %1 WHERE "
                                   "SYS_TREEVIEW_ID = %2 AND PRICENO = 0")
                               .arg(Archive)
                               .arg(General));
            counts.Move(General, Archive, 2, 2);
            QCOMPARE(told, (QList<int>{General, Archive}));
        }
        QFETCH(QString, general);
        QFETCH(QString, archive);
        QCOMPARE(Text(counts.Count(General)), general);
        QCOMPARE(Text(counts.Count(Archive)), archive);
        QCOMPARE(Stored(General, countField), general);
        QCOMPARE(Stored(Archive, countField), archive);
        QVERIFY(Held.Jobs.isEmpty());  // no count was under way: none is started
    }

    void aFolderNotCountedYetIsLeftToTheCountToCome() {
        TFolderCounts counts(Held.Runner());
        counts.SetTable("AR_ACCT", "PRICENO");
        counts.Set(General, TFolderCount());
        counts.Add(General, 1, 1);
        QCOMPARE(counts.Count(General).Total, -1);
    }

    void anOlderCountsResultIsDiscardedAfterANewerRequest() {
        TFolderCounts counts(Held.Runner());
        counts.SetTable("AR_ACCT", "PRICENO");
        counts.Set(General, TFolderCount());
        counts.Set(Archive, {7, 7});
        counts.CountInBackground();
        QVERIFY(counts.Running());
        const QVariant older = Held.Run(0);
        AddCustomers(General, 1, 0);  // another user's row, after the older count
        counts.CountInBackground();
        QCOMPARE(Held.Jobs.size(), 2);
        Held.Finish(1);
        QVERIFY(!counts.Running());
        QCOMPARE(Text(counts.Count(General)), QString("4/3"));
        QCOMPARE(Text(counts.Count(Archive)), QString("1/1"));
        Held.Deliver(0, older);  // comes last, but is stale
        QCOMPARE(Text(counts.Count(General)), QString("4/3"));
        QVERIFY(!counts.Running());
    }

    void aLoadDropsTheCountUnderWay() {
        TFolderCounts counts(Held.Runner());
        counts.SetTable("AR_ACCT", "PRICENO");
        counts.Set(General, TFolderCount());
        counts.CountInBackground();
        counts.Clear();
        counts.Set(General, {5, 5});
        QVERIFY(!counts.Running());
        Held.Finish(0);
        QCOMPARE(Text(counts.Count(General)), QString("5/5"));
    }

    void aWriteDuringACountCountsAgain() {
        TFolderCounts counts(Held.Runner());
        counts.SetTable("AR_ACCT", "PRICENO");
        counts.Set(General, TFolderCount());
        counts.Set(Archive, TFolderCount());
        counts.CountInBackground();
        const QVariant before = Held.Run(0);  // began before the write
        AddCustomers(General, 1, 0);
        counts.Add(General, 1, 1);
        QCOMPARE(Held.Jobs.size(), 2);  // counted again from now
        Held.Deliver(0, before);
        QVERIFY(counts.Running());
        QCOMPARE(counts.Count(General).Total, -1);
        Held.Finish(1);
        QVERIFY(!counts.Running());
        QCOMPARE(Text(counts.Count(General)), QString("4/3"));
        // Once the count is in, a write is arithmetic alone.
        counts.Add(General, -1, -1);
        QCOMPARE(Held.Jobs.size(), 2);
        QCOMPARE(Text(counts.Count(General)), QString("3/2"));
    }

    void aFailedCountIsNotTakenAsStillRunning() {
        TFolderCounts counts(Held.Runner());
        counts.SetTable("AR_ACCT", "NO_SUCH_COLUMN");
        QStringList failures;
        counts.Failed = [&failures](const QString& message) { failures << message; };
        counts.Set(General, {3, 1});
        counts.CountInBackground();
        Held.Finish(0);
        QCOMPARE(failures.size(), 1);
        QVERIFY(failures[0].contains("NO_SUCH_COLUMN"));
        QVERIFY(!counts.Running());
        QCOMPARE(Text(counts.Count(General)), QString("3/1"));  // as it was
        // A later write does not count again for a count no longer under way.
        counts.Add(General, 1, 1);
        QCOMPARE(Held.Jobs.size(), 1);
        QCOMPARE(Text(counts.Count(General)), QString("4/2"));
    }

    void aResultAfterTheCountsAreGoneIsDropped() {
        auto counts = std::make_unique<TFolderCounts>(Held.Runner());
        counts->SetTable("AR_ACCT", "");
        counts->Set(General, TFolderCount());
        counts->CountInBackground();
        counts.reset();
        Held.Finish(0);  // nothing to show it on, and no crash
    }
};

QTEST_MAIN(TstFolderCounts)
#include "tst_foldercounts.moc"
