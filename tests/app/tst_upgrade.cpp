// A database made by an earlier version of the program brought up to date at
// login: the "Upgrade" window lists the newer commands, "Execute" runs them,
// logs each, and advances the version; a failed command is logged, counted
// and skipped.

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "TClientDataSet.h"
#include "TFbConnection.h"
#include "TFbQuery.h"
#include "TestSupport.h"
#include "uDbPatch.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"

namespace {

void Run(const QString& database, const QStringList& statements) {
    TFbConnection conn;
    conn.Open(database);
    for (const QString& sql : statements) {
        TFbTransaction tra(conn);
        TFbQuery(tra, sql).Execute();
        tra.Commit();
    }
}

}  // namespace

class TstUpgrade : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestFolder> FFolder;
    std::unique_ptr<TStartup> FStartup;

    // The main database as the first version of the program made it: no
    // printer offset, no key trigger for saved searches, and its version.
    void MakeFirstSchema() {
        Run(FFolder->MainDb(),
            {"ALTER TABLE SO_DOTEMPLATE DROP PRINT_OFFSET_X, DROP PRINT_OFFSET_Y",
             "DROP TRIGGER SYS_FILTER_BI",
             "DELETE FROM SYS_OBJECT WHERE FIELD IN ('PRINT_OFFSET_X', 'PRINT_OFFSET_Y')",
             "UPDATE SYS SET VERSION='2026-12-01'"});
    }

    // Starts the program; upgrade works the "Upgrade" window if it opens.
    bool Start(const std::function<void(TfmDbPatch*)>& upgrade, bool* shown) {
        *shown = false;
        OnNextModal([upgrade, shown](QWidget* w) {
            auto* dlg = qobject_cast<TfmLogin*>(w);
            if (!dlg) return;
            OnNextModal([upgrade, shown](QWidget* u) {
                auto* patch = qobject_cast<TfmDbPatch*>(u);
                if (!patch) return;
                *shown = true;
                upgrade(patch);
                QTest::mouseClick(patch->BitBtn2, Qt::LeftButton);
            });
            dlg->BitBtn1->click();
        });
        FStartup = std::make_unique<TStartup>();
        return FStartup->Start();
    }

    QString Value(const QString& sql) { return FStartup->dmMain->SelectValue(sql).toString(); }

private slots:
    void init() { FFolder = std::make_unique<TTestFolder>(); }

    void cleanup() {
        FStartup.reset();
        FFolder.reset();
    }

    void firstSchemaBroughtUpToDate() {
        TScriptedMessages msgs;
        MakeFirstSchema();
        bool shown = false;
        QStringList log;
        int listed = 0;
        QVERIFY(Start(
            [&](TfmDbPatch* w) {
                QCOMPARE(w->windowTitle(), QString("Upgrade"));
                listed = w->Batch_Item_CDS->RecordCount();
                QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
                QVERIFY(!w->BitBtn1->isEnabled());
                // A command of several lines continues on the lines below its own.
                log = w->memoLog->toPlainText().split('\n').filter(
                    QRegularExpression("^(Execution|\\d+ of)"));
            },
            &shown));
        QVERIFY(shown);
        QCOMPARE(listed, 5);
        QCOMPARE(log.size(), 5);
        for (const QString& line : log)
            QVERIFY2(line.startsWith("Execution succeeded: "), qPrintable(line));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Value("SELECT VERSION FROM SYS"), QString("2026-12-11"));
        QCOMPARE(Value("SELECT COUNT(*) FROM SO_DOTEMPLATE WHERE COALESCE(PRINT_OFFSET_X, 0) = 0"),
                 QString("1"));
        // Saved searches get their keys again.
        FStartup->dmMain->InsertSysFilter("AR_ACCT", "After the upgrade", "NAME", "LIKE", "a",
                                          "IGNORE", "", "", "", QDateTime::currentDateTime(),
                                          QDateTime::currentDateTime(), 0, 0, 0, -9999, true, true,
                                          true, 0, 0);
        QCOMPARE(Value("SELECT COUNT(*) FROM SYS_FILTER WHERE ID IS NOT NULL"), QString("1"));

        // Logged in again: nothing newer, no window.
        FStartup.reset();
        QVERIFY(Start([](TfmDbPatch*) {}, &shown));
        QVERIFY(!shown);
    }

    // One failing command among three: the log in command order, the
    // failures counted and told, the version at the newest batch.
    void failedCommandSkipped() {
        TScriptedMessages msgs;
        Run(FFolder->PatchDb(),
            {"INSERT INTO BATCH (ID, VERSION, DESCRIPTION) VALUES (90, '2027-01-01', 'Test')",
             "INSERT INTO BATCH_ITEM (ID, BATCH_ID, COMMAND) VALUES (90, 90, 'UPDATE SYS SET "
             "PROGNAME=''Tallyvo 2''')",
             "INSERT INTO BATCH_ITEM (ID, BATCH_ID, COMMAND) VALUES (91, 90, 'ALTER TABLE "
             "NO_SUCH_TABLE ADD X INTEGER')",
             "INSERT INTO BATCH_ITEM (ID, BATCH_ID, COMMAND) VALUES (92, 90, 'UPDATE SYS SET "
             "PROGTAG=2')"});
        bool shown = false;
        QStringList log;
        QVERIFY(Start(
            [&](TfmDbPatch* w) {
                QCOMPARE(w->Batch_Item_CDS->RecordCount(), 3);  // newer than 2026-12-11 only
                QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
                log = w->memoLog->toPlainText().split('\n').filter(
                    QRegularExpression("^(Execution|\\d+ of)"));
            },
            &shown));
        QVERIFY(shown);
        QCOMPARE(log.size(), 4);
        QVERIFY(log[0].startsWith("Execution succeeded: UPDATE SYS SET PROGNAME"));
        QVERIFY2(log[1].startsWith("Execution failed: ALTER TABLE NO_SUCH_TABLE ADD X INTEGER, "
                                   "error: "),
                 qPrintable(log[1]));
        QVERIFY(log[2].startsWith("Execution succeeded: UPDATE SYS SET PROGTAG=2"));
        QVERIFY(log[3].startsWith("1 of 3 commands failed"));
        QCOMPARE(msgs.Take(),
                 QStringList{"The upgrade finished, but 1 of its 3 commands failed. The log in "
                             "the window lists them; please report them."});
        QCOMPARE(Value("SELECT VERSION || ' ' || PROGTAG FROM SYS"), QString("2027-01-01 2"));
    }
};

QTEST_MAIN(TstUpgrade)
#include "tst_upgrade.moc"
