// Work in the background: one work per purpose, the newer request replacing
// the older, failures reaching their handler, the caller's cancel check, and
// the data module waiting for the work when it goes. Against the real engine,
// without a window.

#include <QtTest>
#include <atomic>
#include <stdexcept>

#include "TFbQuery.h"
#include "TestSupport.h"
#include "uBackgroundTask.h"
#include "uDmMain.h"

namespace {

// Writes a folder row named caption on the work's own connection.
void WriteFolder(TFbConnection& conn, const QString& caption) {
    TFbTransaction tra(conn);
    TFbQuery q(tra, QStringLiteral("INSERT INTO SYS_TREEVIEW (TABLENAME, CAPTION, PARENTID) "
                                   "VALUES ('TEST_BG', :C, 0)"));
    q.SetParam(QStringLiteral("C"), caption);
    q.Execute();
    tra.Commit();
}

void WaitFor(const std::atomic<bool>& flag) {
    while (!flag) QThread::yieldCurrentThread();
}

}  // namespace

class TstBackground : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestFolder> FFolder;
    std::unique_ptr<TdmMain> FDm;

    QStringList Folders() {
        QStringList captions;
        FDm->ForEachRow(
            QStringLiteral("SELECT CAPTION FROM SYS_TREEVIEW WHERE TABLENAME='TEST_BG' ORDER BY "
                           "CAPTION"),
            [&](const TFbQuery& q) { captions << q.AsString(QStringLiteral("CAPTION")); });
        return captions;
    }

private slots:
    void initTestCase() {
        FFolder = std::make_unique<TTestFolder>();
        FDm = std::make_unique<TdmMain>();
        ConnectAsAdmin(*FDm);
    }

    void init() {
        if (FDm) FDm->ExecSQL(QStringLiteral("DELETE FROM SYS_TREEVIEW WHERE TABLENAME='TEST_BG'"));
    }

    void cleanupTestCase() {
        FDm.reset();
        FFolder.reset();
    }

    // The older request of a purpose still writes what it writes, but its
    // result is never delivered; the newer one starts only after it ended.
    // Another purpose is no replacement.
    void newerReplacesOlder() {
        TBackgroundTasks tasks;
        std::atomic<bool> olderStarted{false}, release{false}, olderEnded{false},
            newerSawOlderEnded{false};
        QStringList delivered;
        auto deliver = [&](const QVariant& v) { delivered << v.toString(); };
        tasks.RunWriterInBackground(
            "figures", FFolder->MainDb(),
            [&](TFbConnection& conn) {
                olderStarted = true;
                WaitFor(release);
                WriteFolder(conn, "older");
                olderEnded = true;
                return QVariant("older");
            },
            deliver);
        WaitFor(olderStarted);
        tasks.RunWriterInBackground(
            "figures", FFolder->MainDb(),
            [&](TFbConnection& conn) {
                newerSawOlderEnded = olderEnded.load();
                WriteFolder(conn, "newer");
                return QVariant("newer");
            },
            deliver);
        tasks.RunWriterInBackground(
            "counts", FFolder->MainDb(),
            [&](TFbConnection& conn) {
                WriteFolder(conn, "other");
                return QVariant("other");
            },
            deliver);
        release = true;
        tasks.WaitForAll();
        QCoreApplication::processEvents();
        delivered.sort();
        QCOMPARE(delivered, QStringList({"newer", "other"}));
        QVERIFY(newerSawOlderEnded.load());
        QCOMPARE(Folders(), QStringList({"newer", "older", "other"}));
        QVERIFY(!tasks.Running());
    }

    // A request replaced before it could start does not run at all.
    void replacedBeforeStartDoesNotRun() {
        TBackgroundTasks tasks;
        std::atomic<bool> firstStarted{false}, release{false};
        tasks.RunWriterInBackground(
            "figures", FFolder->MainDb(),
            [&](TFbConnection&) {
                firstStarted = true;
                WaitFor(release);
                return QVariant();
            },
            [](const QVariant&) {});
        WaitFor(firstStarted);
        for (const char* caption : {"second", "third"})
            tasks.RunWriterInBackground(
                "figures", FFolder->MainDb(),
                [caption](TFbConnection& conn) {
                    WriteFolder(conn, caption);
                    return QVariant();
                },
                [](const QVariant&) {});
        release = true;
        tasks.WaitForAll();
        QCOMPARE(Folders(), QStringList({"third"}));
    }

    void failureReachesHandler_data() {
        QTest::addColumn<bool>("databaseError");
        QTest::addColumn<bool>("ownHandler");
        QTest::addColumn<QString>("expected");  // the start of the message
        QTest::newRow("engine, caller's handler") << true << true << "Dynamic SQL Error";
        QTest::newRow("engine, error box") << true << false << "Dynamic SQL Error";
        QTest::newRow("other, caller's handler") << false << true << "out of paper";
        QTest::newRow("other, error box") << false << false << "out of paper";
    }

    void failureReachesHandler() {
        QFETCH(bool, databaseError);
        QFETCH(bool, ownHandler);
        QFETCH(QString, expected);
        TScriptedMessages msgs;
        TBackgroundTasks tasks;
        bool done = false;
        QStringList failures;
        tasks.RunWriterInBackground(
            "figures", FFolder->MainDb(),
            [databaseError](TFbConnection& conn) {
                if (!databaseError) throw std::runtime_error("out of paper");
                TFbTransaction tra(conn);
                TFbQuery(tra, QStringLiteral("SELECT * FROM NO_SUCH_TABLE")).Open();
                return QVariant();
            },
            [&](const QVariant&) { done = true; },
            ownHandler ? TBackgroundTasks::TFailed([&](const QString& m) { failures << m; })
                       : TBackgroundTasks::TFailed());
        tasks.WaitForAll();
        QCoreApplication::processEvents();
        QVERIFY(!done);
        const QStringList shown = msgs.Take();
        const QStringList got = ownHandler ? failures : shown;
        QCOMPARE(got.size(), 1);
        QVERIFY2(got[0].startsWith(expected), qPrintable(got[0]));
        if (ownHandler) QVERIFY(shown.isEmpty());
    }

    // The caller's check runs in the window thread just before delivery: a
    // no drops the result and a failure alike.
    void cancelCheckHonoured_data() {
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<bool>("fails");
        QTest::newRow("wanted") << true << false;
        QTest::newRow("not wanted") << false << false;
        QTest::newRow("not wanted, failed") << false << true;
    }

    void cancelCheckHonoured() {
        QFETCH(bool, wanted);
        QFETCH(bool, fails);
        TScriptedMessages msgs;
        TBackgroundTasks tasks;
        int delivered = 0;
        Qt::HANDLE checkedIn = nullptr;
        tasks.RunWriterInBackground(
            "figures", FFolder->MainDb(),
            [fails](TFbConnection& conn) {
                WriteFolder(conn, "written");
                if (fails) throw std::runtime_error("out of paper");
                return QVariant(1);
            },
            [&](const QVariant&) { ++delivered; }, [&](const QString&) { ++delivered; },
            [&]() {
                checkedIn = QThread::currentThreadId();
                return wanted;
            });
        tasks.WaitForAll();
        QCoreApplication::processEvents();
        QCOMPARE(delivered, wanted ? 1 : 0);
        QCOMPARE(checkedIn, QCoreApplication::instance()->thread()->currentThreadId());
        QVERIFY(msgs.Take().isEmpty());
        QCOMPARE(Folders(), QStringList({"written"}));
    }

    // The data module going waits for the work still running (its write is
    // committed when the module is gone) and delivers nothing.
    void teardownWaitsAndDeliversNothing() {
        std::atomic<bool> started{false}, going{false}, ended{false};
        bool done = false;
        FDm->RunWriterInBackground(
            "figures",
            [&](TFbConnection& conn) {
                started = true;
                WaitFor(going);
                WriteFolder(conn, "last");
                ended = true;
                return QVariant();
            },
            [&](const QVariant&) { done = true; });
        WaitFor(started);
        // The work writes while the module goes: the module is gone only
        // once the work has ended.
        going = true;
        FDm.reset();
        QVERIFY(ended.load());
        QCoreApplication::processEvents();
        QVERIFY(!done);
        FDm = std::make_unique<TdmMain>();
        ConnectAsAdmin(*FDm);
        QCOMPARE(Folders(), QStringList({"last"}));
    }
};

QTEST_MAIN(TstBackground)
#include "tst_background.moc"
