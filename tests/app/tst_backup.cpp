// Backup and restore of the database from the Systems menu: a backup of the
// database in use, checked; a restore that brings back what was deleted and
// keeps the replaced file; refusals that leave the database as it was.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include "TFbConnection.h"
#include "TFbQuery.h"
#include "TestSupport.h"
#include "uBackup.h"
#include "uCommands.h"
#include "uDmMain.h"
#include "uMain.h"

class TstBackup : public QObject {
    Q_OBJECT

private:
    TProgramFixture FProgram;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;
    int FRestarts = 0;

    QString Value(const QString& sql) { return FDm->SelectValue(sql).toString(); }

    void Start(const QString& config = QString()) {
        QVERIFY(FProgram.Start(config));
        FMain = FProgram.Main();
        FDm = FProgram.Dm();
        FRestarts = 0;
        FMain->RestartProgram = [this]() { ++FRestarts; };
    }

    // Files of the data folder whose names match pattern.
    QStringList DataFiles(const QString& pattern) {
        return QDir(FProgram.Folder().Path() + "Data").entryList({pattern}, QDir::Files);
    }

    // A backup made through "Backup Database..." into the default folder.
    QString BackUp(TScriptedMessages& msgs) {
        FMain->Command(Cmd::System_Backup)->trigger();
        const QStringList shown = msgs.Take();
        const QStringList files = QDir(Backup::BackupFolder()).entryList({"*.fbk"}, QDir::Files);
        if (files.size() != 1 || shown.size() != 2) {
            qWarning() << shown << files;
            return QString();
        }
        const QString file = Backup::BackupFolder() + files[0];
        const QString told =
            "The database has been backed up to " + QDir::toNativeSeparators(file) + " (";
        if (shown[0] != "Save: Backup Database" || !shown[1].startsWith(told) ||
            !shown[1].endsWith("), and the backup has been checked by restoring it."))
            qWarning() << shown;
        return file;
    }

private slots:
    void cleanup() { FProgram.Stop(); }

    // Backed up while open, a customer deleted, the backup restored: the
    // customer is back, the replaced file is kept beside it, and the program
    // starts again.
    void backupChangeRestore() {
        Start();
        TScriptedMessages msgs;
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'Acme', 'Acme Ltd')");
        const QString file = BackUp(msgs);
        QVERIFY(!file.isEmpty());
        QVERIFY(QFileInfo(file).fileName().startsWith("main-" +
                                                      QDate::currentDate().toString("yyyy-MM-dd")));
        QVERIFY(QFileInfo(file).size() > 0);
        FDm->ExecSQL("DELETE FROM AR_ACCT WHERE ID=1");

        msgs.InputValues = {file};
        msgs.Answers = {true, true};
        FMain->Command(Cmd::System_Restore)->trigger();
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0], QString("Open: Restore Database"));
        QVERIFY2(shown[1].startsWith("Restore the database from " + QDir::toNativeSeparators(file) +
                                     "? The current database is kept as "),
                 qPrintable(shown[1]));
        QCOMPARE(shown[2], "The database has been restored from " + QDir::toNativeSeparators(file) +
                               ". Tallyvo starts again now; please log in.");
        QCOMPARE(FRestarts, 1);
        // The program has let go of the database; the files as it left them.

        QCOMPARE(DataFiles("main.fdb.*.bak").size(), 1);
        QCOMPARE(DataFiles("*.restoring"), QStringList());
        auto customers = [](const QString& path) {
            TFbConnection conn;
            conn.Open(path);
            TFbTransaction tra(conn);
            TFbQuery q(tra, "SELECT COUNT(*) FROM AR_ACCT WHERE NICKNAME='Acme'");
            q.Open();
            return int(q.AsInt64(0));
        };
        const QString data = FProgram.Folder().Path() + "Data/";
        QCOMPARE(customers(data + "main.fdb"), 1);
        QCOMPARE(customers(data + DataFiles("main.fdb.*.bak")[0]), 0);
    }

    // A file that is no backup: refused with the engine's reason, the
    // database still open and unchanged, nothing left beside it.
    void corruptBackupRefused() {
        Start();
        TScriptedMessages msgs;
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'Acme', 'Acme Ltd')");
        QDir().mkpath(Backup::BackupFolder());
        const QString file = Backup::BackupFolder() + "broken.fbk";
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(20000, 'x'));
        f.close();
        msgs.InputValues = {file};
        msgs.Answers = {true, true};
        FMain->Command(Cmd::System_Restore)->trigger();
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 3);
        QVERIFY2(shown[2].startsWith("The backup " + QDir::toNativeSeparators(file) +
                                     " could not be restored, and the database is unchanged. "),
                 qPrintable(shown[2]));
        QCOMPARE(FRestarts, 0);
        QCOMPARE(Value("SELECT NAME FROM AR_ACCT WHERE ID=1"), QString("Acme Ltd"));
        QCOMPARE(DataFiles("*.bak") + DataFiles("*.restoring"), QStringList());
    }

    // The file chosen for a backup is replaced only by a checked backup, and
    // never when it is one of the program's databases.
    void backupTargets() {
        Start();
        TScriptedMessages msgs;
        const QString first = BackUp(msgs);
        QVERIFY(!first.isEmpty());
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'Acme', 'Acme Ltd')");
        const qint64 before = QFileInfo(first).lastModified().toMSecsSinceEpoch();
        msgs.InputValues = {first};
        FMain->Command(Cmd::System_Backup)->trigger();
        QVERIFY2(msgs.Take().value(1).startsWith("The database has been backed up to "),
                 "the second backup over the first");
        QVERIFY(QFileInfo(first).lastModified().toMSecsSinceEpoch() >= before);
        QCOMPARE(QDir(Backup::BackupFolder()).entryList(QDir::Files),
                 QStringList{QFileInfo(first).fileName()});

        for (const QString& db : {FProgram.Folder().MainDb(), FProgram.Folder().PatchDb()}) {
            const qint64 size = QFileInfo(db).size();
            msgs.InputValues = {db};
            FMain->Command(Cmd::System_Backup)->trigger();
            QCOMPARE(msgs.Take(), QStringList({"Save: Backup Database",
                                               "A backup cannot be written over a database: " +
                                                   QDir::toNativeSeparators(db) +
                                                   ". Please choose another file name."}));
            QCOMPARE(QFileInfo(db).size(), size);
        }
        QCOMPARE(Value("SELECT NAME FROM AR_ACCT WHERE ID=1"), QString("Acme Ltd"));
    }

    // Only the administrator; and not while another user is connected to a
    // server database.
    void refusals() {
        TPrivateServer server;
        QVERIFY2(server.Failure().isEmpty(), qPrintable(server.Failure()));
        const QString db = server.NewDatabase();
        Start("[DB]\nMain=" + db + "\nPatch=./Data/patch.fdb\n");
        TScriptedMessages msgs;
        TFbConnection other;
        other.Open(db);
        FMain->Command(Cmd::System_Restore)->trigger();
        QCOMPARE(msgs.Take(),
                 QStringList{"The database cannot be restored while other users are connected "
                             "to it (1 connection(s)). Ask them to close Tallyvo and try again."});
        FDm->Curr_User_ID = 1;
        FDm->Curr_User_Name = "Clerk";
        for (const char* command : {Cmd::System_Backup, Cmd::System_Restore}) {
            FMain->Command(command)->trigger();
            QCOMPARE(msgs.Take(), QStringList{"Please use administrator login to perform this "
                                              "function, you are currently logged in as: Clerk"});
        }
        QCOMPARE(FRestarts, 0);
    }
};

QTEST_MAIN(TstBackup)
#include "tst_backup.moc"
