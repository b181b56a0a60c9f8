// Backup and restore of the database from the Systems menu: a backup of the
// database in use, checked; a restore that brings back what was deleted and
// keeps the replaced file; refusals that leave the database as it was.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <csignal>

#include "TFbConnection.h"
#include "TFbQuery.h"
#include "TFbService.h"
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

    // A file that is no complete backup of this program's database:
    // refused with the reason, the database still open and unchanged,
    // nothing left beside it.
    void badBackupRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        // The first part of a good backup: the engine ends its report
        // without an error, as if it were done.
        QTest::newRow("truncated") << "truncated"
                                   << "The restore did not finish";
        // A good backup of another database, without this program's tables.
        QTest::newRow("foreign") << "foreign"
                                 << "";
        QTest::newRow("not a backup") << "noise"
                                      << "";
    }
    void badBackupRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        Start();
        TScriptedMessages msgs;
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'Acme', 'Acme Ltd')");
        QByteArray bytes;
        if (kind == "truncated") {
            const QString good = BackUp(msgs);
            QVERIFY(!good.isEmpty());
            QFile g(good);
            QVERIFY(g.open(QIODevice::ReadOnly));
            bytes = g.read(g.size() / 2);
            QVERIFY(QFile::remove(good));
        } else if (kind == "foreign") {
            const QString other = FProgram.Folder().Path() + "other.fbk";
            TFbService::Backup(FProgram.Folder().PatchDb(), other);
            QFile g(other);
            QVERIFY(g.open(QIODevice::ReadOnly));
            bytes = g.readAll();
        } else {
            bytes = QByteArray(20000, 'x');
        }
        QDir().mkpath(Backup::BackupFolder());
        const QString file = Backup::BackupFolder() + "broken.fbk";
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const QString counts =
            "SELECT (SELECT COUNT(*) FROM AR_ACCT) || '/' || (SELECT COUNT(*) "
            "FROM SYS_USER) || '/' || (SELECT COUNT(*) FROM RDB$RELATIONS) "
            "FROM RDB$DATABASE";
        const QString before = Value(counts);
        msgs.InputValues = {file};
        msgs.Answers = {true, true};
        FMain->Command(Cmd::System_Restore)->trigger();
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 3);
        QVERIFY2(
            shown[2].startsWith("The backup " + QDir::toNativeSeparators(file) +
                                " could not be restored, and the database is unchanged. " + reason),
            qPrintable(shown[2]));
        QCOMPARE(FRestarts, 0);
        QCOMPARE(Value(counts), before);
        QCOMPARE(Value("SELECT NAME FROM AR_ACCT WHERE ID=1"), QString("Acme Ltd"));
        QCOMPARE(DataFiles("main.fdb.*"), QStringList());
    }

    // A disk too small for the restored database, or for a backup: a
    // message, the database unchanged, and none of the files the work made
    // left behind.
    void fullDisk_data() {
        QTest::addColumn<int>("eighths");  // room left, in eighths of the database
        QTest::newRow("none") << 0;
        QTest::newRow("a third") << 3;
    }
    void fullDisk() {
        QFETCH(int, eighths);
        const QString mount = QDir::tempPath() + "/tst_backup_full";
        QDir().mkpath(mount);
        const qint64 room = QFileInfo(TTestFolder::TemplateDb("main.fdb")).size() * 2;
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=" + QString::number(room),
                                        "tmpfs", mount}) != 0) {
            QDir().rmdir(mount);
            QSKIP(
                "A small tmpfs could not be mounted here (needs root); the full disk is not "
                "tested.");
        }
        const auto unmount = qScopeGuard([&]() {
            FProgram.Stop();
            QProcess::execute("umount", {mount});
            QDir().rmdir(mount);
        });
        const QString db = mount + "/main.fdb";
        QVERIFY(QFile::copy(TTestFolder::TemplateDb("main.fdb"), db));
        QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
        Start("[DB]\nMain=" + db + "\nPatch=./Data/patch.fdb\n");
        TScriptedMessages msgs;
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'Acme', 'Acme Ltd')");
        // A good backup, on the disk with room; then the disk is filled.
        const QString good = BackUp(msgs);
        QVERIFY(!good.isEmpty());
        QFile filler(mount + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const qint64 leave = QFileInfo(db).size() * eighths / 8;
        while (QStorageInfo(mount).bytesAvailable() > leave + 65536 &&
               filler.write(QByteArray(65536, 'f')) == 65536)
            filler.flush();
        filler.close();

        msgs.InputValues = {good};
        msgs.Answers = {true, true};
        FMain->Command(Cmd::System_Restore)->trigger();
        QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 3);
        QVERIFY2(shown[2].startsWith("The backup " + QDir::toNativeSeparators(good) +
                                     " could not be restored, and the database is unchanged. "),
                 qPrintable(shown[2]));
        QCOMPARE(FRestarts, 0);
        QCOMPARE(Value("SELECT NAME FROM AR_ACCT WHERE ID=1"), QString("Acme Ltd"));
        QCOMPARE(QDir(mount).entryList(QDir::Files), QStringList({"filler", "main.fdb"}));

        // A backup onto the full disk.
        const QString target = mount + "/onto-full.fbk";
        msgs.InputValues = {target};
        FMain->Command(Cmd::System_Backup)->trigger();
        shown = msgs.Take();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[1].startsWith("The database could not be backed up: ") ||
                     shown[1].startsWith("The backup failed its check"),
                 qPrintable(shown[1]));
        QCOMPARE(QDir(mount).entryList(QDir::Files), QStringList({"filler", "main.fdb"}));
    }

    // The program's own reads in the background (home page figures, folder
    // counts) hold connections of their own: they are no other users.
    void ownBackgroundReadsAreNoUsers() {
        Start();
        TScriptedMessages msgs;
        std::atomic<bool> attached{false}, release{false};
        FDm->RunInBackground(
            [&](TFbConnection&) {
                attached = true;
                while (!release) QThread::yieldCurrentThread();
                return QVariant();
            },
            [](const QVariant&) {});
        QTRY_VERIFY(attached.load());
        // Let go only once the restore has begun, while it waits.
        QTimer::singleShot(0, [&]() { release = true; });
        msgs.Answers = {false};  // the file dialog cancelled
        FMain->Command(Cmd::System_Restore)->trigger();
        release = true;
        FDm->WaitForBackgroundWork();
        QCOMPARE(msgs.Take(), QStringList{"Open: Restore Database"});
    }

    // A restore stopped dead (as by a power cut) at each step: the database
    // file is there at every moment, and the next start opens the right
    // data with nothing left over.
    void killAtEachStep_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("customers");  // 1: the restored data
        QTest::addColumn<int>("kept");       // ".bak" files
        QTest::newRow("while restoring") << "restore" << 0 << 0;
        QTest::newRow("database kept") << "kept" << 0 << 1;
        QTest::newRow("restored file ready") << "ready" << 1 << 1;
        QTest::newRow("switched") << "switched" << 1 << 1;
    }
    void killAtEachStep() {
        QFETCH(QString, step);
        QFETCH(int, customers);
        QFETCH(int, kept);
        TTestFolder folder;
        const QString db = folder.MainDb();
        const QString fbk = folder.Path() + "with-acme.fbk";
        {
            TFbConnection conn;
            conn.Open(db);
            {
                TFbTransaction tra(conn);
                TFbQuery(tra,
                         "INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'Acme', "
                         "'Acme Ltd')")
                    .Execute();
                tra.Commit();
            }
            TFbService::Backup(db, fbk);
            TFbTransaction tra(conn);
            TFbQuery(tra, "DELETE FROM AR_ACCT WHERE ID=1").Execute();
            tra.Commit();
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TALLYVO_TEST_KILL_AT", step);
        env.insert("TALLYVO_TEST_CHILD_DB", db);
        env.insert("TALLYVO_TEST_CHILD_FBK", fbk);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"childRestoreForKill"});
        QVERIFY(child.waitForFinished(-1));
        // Stopped by the kill at that step, not by a failure of its own.
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(child.exitCode(), int(SIGKILL));
        QVERIFY(QFileInfo::exists(db));

        const QDir data(folder.Path() + "Data");
        TScriptedMessages msgs;
        Start("[DB]\nMain=" + db + "\nPatch=./Data/patch.fdb\n");
        QCOMPARE(Value("SELECT COUNT(*) FROM AR_ACCT WHERE NICKNAME='Acme'").toInt(), customers);
        QCOMPARE(data.entryList({"main.fdb.*.bak"}, QDir::Files).size(), kept);
        QCOMPARE(data.entryList({"*.restoring", "*.restored"}, QDir::Files), QStringList());
        const QStringList shown = msgs.Take();
        if (step == "ready")
            QVERIFY2(shown.value(0).contains("has now been finished"), qPrintable(shown.join('|')));
        FProgram.Stop();
    }
    // The child of killAtEachStep (nothing to do in a run of its own).
    void childRestoreForKill() {
        const QString db = qEnvironmentVariable("TALLYVO_TEST_CHILD_DB");
        if (db.isEmpty()) return;
        Start("[DB]\nMain=" + db + "\nPatch=./Data/patch.fdb\n");
        TScriptedMessages msgs;
        msgs.InputValues = {qEnvironmentVariable("TALLYVO_TEST_CHILD_FBK")};
        msgs.Answers = {true, true};
        FMain->Command(Cmd::System_Restore)->trigger();
        QFAIL(qPrintable("not stopped: " + msgs.Take().join('|')));
    }

    // A switch cut off by an earlier version, which put the database aside
    // first: the start says which file holds which data.
    void missingDatabaseExplained() {
        TTestFolder folder;
        const QString db = folder.MainDb();
        QVERIFY(QFile::rename(db, db + ".2026-01-02-0304.bak"));
        QVERIFY(QFile::copy(TTestFolder::TemplateDb("main.fdb"), db + ".restoring"));
        TScriptedMessages msgs;
        QVERIFY(!FProgram.Start("[DB]\nMain=" + db + "\nPatch=./Data/patch.fdb\n"));
        const QStringList shown = msgs.Take();
        QVERIFY2(shown.value(0).startsWith("The database file " + QDir::toNativeSeparators(db) +
                                           " is missing: a restore was interrupted"),
                 qPrintable(shown.join('|')));
        QVERIFY(shown.value(0).contains(QDir::toNativeSeparators(db + ".restoring")));
        // The file that holds the data as it was, by its name.
        QVERIFY(shown.value(0).contains(QDir::toNativeSeparators(db + ".2026-01-02-0304.bak")));
    }

    // The file chosen for a backup is replaced only by a checked backup, and
    // never when it is one of the program's databases; scratch files a
    // backup killed half way left beside it are gone after the next one.
    void backupTargets() {
        Start();
        TScriptedMessages msgs;
        const QString first = BackUp(msgs);
        QVERIFY(!first.isEmpty());
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'Acme', 'Acme Ltd')");
        const qint64 before = QFileInfo(first).lastModified().toMSecsSinceEpoch();
        // Left by a backup over the same file that was killed half way.
        for (const QString& scratch : {first + ".part", first + ".check.fdb"}) {
            QFile f(scratch);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("left over");
        }
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
