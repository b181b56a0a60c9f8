#include "uBackup.h"

#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScopeGuard>
#include <csignal>

#include "EFbError.h"
#include "TFbConnection.h"
#include "TFbService.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"

namespace {

const char kFilter[] = "Database backups (*.fbk)";

bool IsAdministrator() {
    TdmMain* dm = dmMain();
    if (dm->Curr_User_ID == 0) return true;
    ShowInformation(
        "Please use administrator login to perform this function, you are currently logged "
        "in as: " +
        dm->Curr_User_Name);
    return false;
}

// The path of a database string's file when it is on this computer (the
// embedded engine, or a server on this computer); empty when it is not.
QString LocalPath(const QString& database) {
    QString host, path;
    TFbService::SplitDatabase(database, host, path);
    const QString machine = host.section(QLatin1Char('/'), 0, 0).toLower();
    const bool here = machine.isEmpty() || machine == QLatin1String("localhost") ||
                      machine == QLatin1String("127.0.0.1") || machine == QLatin1String("::1");
    return here ? path : QString();
}

// The path of the main database file, when it is a file of this computer;
// empty, after saying why, when it is not.
QString LocalDatabaseFile() {
    const QString path = LocalPath(dmMain()->SQLConn_Main.Database());
    if (!path.isEmpty() && QFileInfo::exists(path)) return path;
    ShowInformation(
        "The database " + TdmMain::ShownPath(dmMain()->SQLConn_Main.Database()) +
        " is not a file of this computer. Back it up or restore it on the computer that keeps "
        "it.");
    return QString();
}

// Whether file is one of the program's open databases.
bool IsOpenDatabase(const QString& file) {
    const QString target = QFileInfo(file).absoluteFilePath();
    for (const TFbConnection* conn : {&dmMain()->SQLConn_Main, &dmMain()->SQLConn_DbPatch}) {
        QString host, path;
        TFbService::SplitDatabase(conn->Database(), host, path);
        if (!path.isEmpty() && QFileInfo(path).absoluteFilePath() == target) return true;
        if (QFileInfo::exists(path) && QFileInfo::exists(file) &&
            QFileInfo(path).canonicalFilePath() == QFileInfo(file).canonicalFilePath())
            return true;
    }
    return false;
}

// A progress bar over the engine's report: one step per table written or
// read, with a Cancel button, which takes effect when the engine's work
// ends (it cannot be stopped half way).
class TProgress {
public:
    TProgress(QWidget* parent, const QString& text, int steps)
        : FDialog(text, QStringLiteral("Cancel"), 0, steps, parent) {
        FDialog.setWindowTitle(QStringLiteral("Tallyvo"));
        FDialog.setWindowModality(Qt::WindowModal);
        FDialog.setMinimumDuration(0);
        FDialog.setValue(0);
    }
    void SetText(const QString& text) { FDialog.setLabelText(text); }
    // The report's line; false once the user cancelled.
    bool Line(const QString& line) {
        static const QRegularExpression step(
            QStringLiteral("(writing|restoring) (data for )?table "));
        if (step.match(line).hasMatch())
            FDialog.setValue(std::min(FDialog.value() + 1, FDialog.maximum() - 1));
        if (FDialog.wasCanceled() && !FCancelled) {
            FCancelled = true;
            FDialog.setLabelText(
                QStringLiteral("Cancelling: the work in hand is finished first..."));
        }
        return !FCancelled;
    }
    // Remembered: closing the dialog forgets its Cancel.
    bool Cancelled() const { return FCancelled || FDialog.wasCanceled(); }
    void Done() {
        FCancelled = Cancelled();
        FDialog.setValue(FDialog.maximum());
    }

private:
    QProgressDialog FDialog;
    bool FCancelled = false;
};

int TableCount() {
    return dmMain()
        ->SelectValue(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE "
                                     "COALESCE(RDB$SYSTEM_FLAG, 0) = 0"))
        .toInt();
}

int OtherConnections() {
    // The program's own work in the background (home page figures, folder
    // counts) is no other user: it ends by itself.
    if (dmMain()->RunningInBackground()) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([]() { QGuiApplication::restoreOverrideCursor(); });
        dmMain()->WaitForBackgroundWork();
    }
    return dmMain()
        ->SelectValue(QStringLiteral("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE "
                                     "MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND "
                                     "COALESCE(MON$SYSTEM_FLAG, 0) = 0"))
        .toInt();
}

QString Stamp() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmm")); }

// front + stamp + back, with "-2", "-3", ... after the stamp when that file exists.
QString FreeName(const QString& front, const QString& back) {
    const QString stamp = Stamp();
    QString name = front + stamp + back;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = front + stamp + "-" + QString::number(n) + back;
    return name;
}

// The files beside the database a restore works with: the engine restores
// into the first; once it is complete and checked it takes the second name,
// and only then the database's, by one rename that replaces the file, so
// that the database file is there at every moment.
const char kRestoring[] = ".restoring";
const char kRestored[] = ".restored";
// Scratch files of a backup beside the chosen file: the backup as written,
// and the database its check restores.
const char kPart[] = ".part";
const char kCheck[] = ".check.fdb";

// Test builds may end the program at a step of the restore, as a power cut
// would; nothing happens unless the variable is set.
void Step(const char* name) {
    static const QByteArray killAt = qgetenv("TALLYVO_TEST_KILL_AT");
    if (!killAt.isEmpty() && killAt == name) ::raise(SIGKILL);
}

// Keeps the file database as kept without a moment in which either name is
// missing: a second name for the same file where the file system allows
// it, a copy under a scratch name otherwise.
bool KeepAs(const QString& database, const QString& kept) {
    if (::link(QFile::encodeName(database).constData(), QFile::encodeName(kept).constData()) == 0)
        return true;
    const QString part = kept + kPart;
    QFile::remove(part);
    if (QFile::copy(database, part) && QFile::rename(part, kept)) return true;
    QFile::remove(part);
    return false;
}

// The newest copy of database kept by a restore ("main.fdb.<date>.bak"), as
// shown to the user; a pattern of such names when there is none.
QString NewestKept(const QString& database) {
    const QFileInfo db(database);
    const QFileInfoList kept = db.absoluteDir().entryInfoList(
        {db.fileName() + QStringLiteral(".*.bak")}, QDir::Files, QDir::Time);
    return kept.isEmpty() ? "a \"" + db.fileName() + ".<date>.bak\" file"
                          : QDir::toNativeSeparators(kept.first().absoluteFilePath());
}

// Replaces to by from in one step (rename(2)): to is never missing.
bool ReplaceWith(const QString& from, const QString& to) {
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

}  // namespace

QString Backup::BackupFolder() { return ProgramFolder() + "UserData/Backups/"; }

void Backup::BackupDatabase(QWidget* parent) {
    if (!IsAdministrator()) return;
    const QString database = LocalDatabaseFile();
    if (database.isEmpty()) return;
    QDir().mkpath(BackupFolder());
    QString file = FreeName(BackupFolder() + QFileInfo(database).completeBaseName() + "-", ".fbk");
    if (!TMessageService::Instance().SaveFile(QStringLiteral("Backup Database"),
                                              QString::fromLatin1(kFilter), file))
        return;
    if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".fbk");
    if (IsOpenDatabase(file)) {
        ShowError("A backup cannot be written over a database: " + QDir::toNativeSeparators(file) +
                  ". Please choose another file name.");
        return;
    }
    // Written under a name of its own and checked; only then does it take
    // the chosen name, so that a backup it replaces is lost to nothing.
    // Scratch files of these names can only be left by a backup that was cut off.
    const QString part = file + kPart;
    const QString check = file + kCheck;
    QFile::remove(part);
    QFile::remove(check);
    TProgress progress(parent, QStringLiteral("Backing up the database..."), 4 * TableCount() + 1);
    bool checking = false;
    try {
        if (TFbService::Backup(dmMain()->SQLConn_Main.Database(), part,
                               [&](const QString& line) { return progress.Line(line); })) {
            progress.SetText(QStringLiteral("Checking the backup..."));
            checking = true;
            // Restored beside the backup, where the engine could write.
            TFbService::Restore(part, check,
                                [&](const QString& line) { return progress.Line(line); });
        }
    } catch (const EFbError& e) {
        progress.Done();
        QFile::remove(part);
        QFile::remove(check);
        ShowError((checking ? QStringLiteral("The backup failed its check (restoring it) and was "
                                             "not kept: ")
                            : QStringLiteral("The database could not be backed up: ")) +
                  e.Message());
        return;
    }
    progress.Done();
    QFile::remove(check);
    if (progress.Cancelled()) {
        QFile::remove(part);
        ShowInformation(QStringLiteral("The backup was cancelled; no backup file was written."));
        return;
    }
    if ((QFileInfo::exists(file) && !QFile::remove(file)) || !QFile::rename(part, file)) {
        ShowError("The backup was written to " + QDir::toNativeSeparators(part) +
                  " and checked, but could not be given the name " +
                  QDir::toNativeSeparators(file) + ".");
        return;
    }
    ShowInformation("The database has been backed up to " + QDir::toNativeSeparators(file) + " (" +
                    QLocale().formattedDataSize(QFileInfo(file).size()) +
                    "), and the backup has been checked by restoring it.");
}

bool Backup::RestoreDatabase(QWidget* parent) {
    if (!IsAdministrator()) return false;
    TdmMain* dm = dmMain();
    const QString database = LocalDatabaseFile();
    if (database.isEmpty()) return false;
    // Another user's work would go on in the file that is put aside.
    auto othersRefuse = []() {
        const int others = OtherConnections();
        if (others == 0) return false;
        ShowInformation(QStringLiteral("The database cannot be restored while other users are "
                                       "connected to it (%1 connection(s)). Ask them to close "
                                       "Tallyvo and try again.")
                            .arg(others));
        return true;
    };
    if (othersRefuse()) return false;
    QString file = BackupFolder();
    if (!TMessageService::Instance().OpenFile(QStringLiteral("Restore Database"),
                                              QString::fromLatin1(kFilter), file))
        return false;
    const QString kept = FreeName(database + ".", ".bak");
    if (!ConfirmYesNo("Restore the database from " + QDir::toNativeSeparators(file) +
                      "? The current database is kept as " + QDir::toNativeSeparators(kept) +
                      ", and Tallyvo starts again for you to log in."))
        return false;
    // Restored beside the database first: a backup that fails to restore
    // leaves the database as it is.
    const QString restoring = database + kRestoring;
    const QString restored = database + kRestored;
    QFile::remove(restoring);
    QFile::remove(restored);
    TProgress progress(parent, QStringLiteral("Restoring the database..."), 2 * TableCount() + 1);
    try {
        TFbService::Restore(file, restoring, [&](const QString& line) {
            Step("restore");
            return progress.Line(line);
        });
        if (!progress.Cancelled()) {
            // What the start reads must be there before the file replaces the database.
            TFbConnection check;
            check.Open(restoring);
            TdmMain::CheckDatabase(check, QStringLiteral("Main"));
        }
    } catch (...) {
        progress.Done();
        QFile::remove(restoring);
        const QString reason = CurrentErrorMessage(QStringLiteral("The engine failed."));
        ShowError("The backup " + QDir::toNativeSeparators(file) +
                  " could not be restored, and the database is unchanged. " + reason);
        return false;
    }
    progress.Done();
    if (progress.Cancelled()) {
        QFile::remove(restoring);
        ShowInformation(QStringLiteral("The restore was cancelled; the database is unchanged."));
        return false;
    }
    // Someone may have connected meanwhile.
    if (othersRefuse()) {
        QFile::remove(restoring);
        return false;
    }
    // The program lets go of the file before it is put aside.
    try {
        dm->SQLConn_Main.Close();
    } catch (const EFbError&) {
        // Closed all the same; the file is left by this program.
    }
    // Each step leaves the database file in place; a start after a stop at
    // any of them finishes the switch or leaves the database as it was
    // (RecoverInterruptedRestore).
    if (!KeepAs(database, kept)) {
        QFile::remove(restoring);
        ShowError("The database " + QDir::toNativeSeparators(database) + " could not be kept as " +
                  QDir::toNativeSeparators(kept) +
                  ", so the backup was not put in its place. Tallyvo starts again on the "
                  "database as it was.");
        return true;
    }
    Step("kept");
    if (!ReplaceWith(restoring, restored)) {
        QFile::remove(restoring);
        ShowError("The restored database could not be made ready beside " +
                  QDir::toNativeSeparators(database) +
                  ". Tallyvo starts again on the database as it was.");
        return true;
    }
    Step("ready");
    if (!ReplaceWith(restored, database)) {
        QFile::remove(restored);
        ShowError("The restored database could not be put in the place of " +
                  QDir::toNativeSeparators(database) +
                  ". Tallyvo starts again on the database as it was.");
        return true;
    }
    Step("switched");
    ShowInformation("The database has been restored from " + QDir::toNativeSeparators(file) +
                    ". Tallyvo starts again now; please log in.");
    return true;
}

void Backup::RecoverInterruptedRestore(const QString& databaseString) {
    const QString database = LocalPath(databaseString);
    // Scratch files of backups that were cut off.
    const QDir backups(BackupFolder());
    for (const QString& name : backups.entryList(
             {QStringLiteral("*") + kPart, QStringLiteral("*") + kCheck}, QDir::Files))
        QFile::remove(backups.filePath(name));

    if (database.isEmpty()) return;
    // A copy of the database cut off while it was being kept (where the file
    // system has no second names): the database itself is untouched.
    const QFileInfo db(database);
    const QDir beside = db.absoluteDir();
    for (const QString& name :
         beside.entryList({db.fileName() + QStringLiteral(".*.bak") + kPart}, QDir::Files))
        QFile::remove(beside.filePath(name));
    const QString restoring = database + kRestoring;
    const QString restored = database + kRestored;
    const QString shown = QDir::toNativeSeparators(database);
    if (QFileInfo::exists(restored)) {
        // Complete and checked, and the database it replaces already kept
        // as a ".bak" file: the switch is finished.
        QFile::remove(restoring);
        if (ReplaceWith(restored, database))
            ShowInformation(
                "A restore of the database was interrupted while the files were "
                "switched; it has now been finished: " +
                shown + " holds the restored database, and the one it replaced is kept as " +
                NewestKept(database) + ".");
        else
            ShowError(
                "A restore of the database was interrupted while the files were "
                "switched. " +
                shown + " holds the database as it was; the restored one is " +
                QDir::toNativeSeparators(restored) + ".");
        return;
    }
    if (!QFileInfo::exists(restoring)) return;
    if (QFileInfo::exists(database)) {
        // Stopped before the switch: what the engine wrote may be incomplete.
        QFile::remove(restoring);
        ShowInformation("A restore of the database was interrupted before it was finished. " +
                        shown +
                        " is the database as it was before the restore; the incomplete "
                        "restored file has been removed.");
        return;
    }
    // Left by an earlier version, which put the database aside before the
    // restored one took its place: which file to use is the user's choice.
    ShowError("The database file " + shown +
              " is missing: a restore was interrupted while the files were switched. The "
              "database as it was is kept as " +
              NewestKept(database) + ", and the restored one is " +
              QDir::toNativeSeparators(restoring) + ". Give one of them the name " +
              QFileInfo(database).fileName() + " and start Tallyvo again.");
}
