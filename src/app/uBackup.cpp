#include "uBackup.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "EFbError.h"
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

// The path of the database file, when it is on this computer; empty (after
// saying why) when it is not.
QString LocalDatabaseFile() {
    QString host, path;
    TFbService::SplitDatabase(dmMain()->SQLConn_Main.Database(), host, path);
    if (QFileInfo::exists(path)) return path;
    ShowInformation(
        "The database " + TdmMain::ShownPath(dmMain()->SQLConn_Main.Database()) +
        " is not a file of this computer. Back it up or restore it on the computer that keeps "
        "it.");
    return QString();
}

// A progress bar over the engine's report: one step per table written or
// read, with a Cancel button.
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
    // The report's line; false when the user cancelled.
    bool Line(const QString& line) {
        static const QRegularExpression step(
            QStringLiteral("(writing|restoring) (data for )?table "));
        if (step.match(line).hasMatch())
            FDialog.setValue(std::min(FDialog.value() + 1, FDialog.maximum() - 1));
        return !FDialog.wasCanceled();
    }
    bool Cancelled() const { return FDialog.wasCanceled(); }
    void Done() { FDialog.setValue(FDialog.maximum()); }

private:
    QProgressDialog FDialog;
};

int TableCount() {
    return dmMain()
        ->SelectValue(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE "
                                     "COALESCE(RDB$SYSTEM_FLAG, 0) = 0"))
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

// Restores backupFile to a scratch file and removes it again: a backup that
// cannot be restored is no backup. Throws the engine's error.
void CheckByRestoring(const QString& backupFile, TProgress& progress, bool& cancelled) {
    QTemporaryDir scratch;
    const QString db = scratch.filePath(QStringLiteral("check.fdb"));
    TFbService::Restore(backupFile, db, [&](const QString& line) { return progress.Line(line); });
    cancelled = progress.Cancelled();
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
    // The engine writes a new file; the dialog has asked before replacing one.
    QFile::remove(file);
    const int tables = TableCount();
    TProgress progress(parent, QStringLiteral("Backing up the database..."), 4 * tables + 1);
    bool cancelled = false;
    try {
        TFbService::Backup(dmMain()->SQLConn_Main.Database(), file,
                           [&](const QString& line) { return progress.Line(line); });
        cancelled = progress.Cancelled();
        if (!cancelled) {
            progress.SetText(QStringLiteral("Checking the backup..."));
            CheckByRestoring(file, progress, cancelled);
        }
    } catch (const EFbError& e) {
        progress.Done();
        QFile::remove(file);
        ShowError("The database could not be backed up: " + e.Message());
        return;
    }
    progress.Done();
    if (cancelled) {
        QFile::remove(file);
        ShowInformation(QStringLiteral("The backup was cancelled; no backup file was kept."));
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
    const int others = dm->SelectValue(QStringLiteral("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE "
                                                      "MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND "
                                                      "COALESCE(MON$SYSTEM_FLAG, 0) = 0"))
                           .toInt();
    if (others > 0) {
        ShowInformation(QStringLiteral("The database cannot be restored while other users are "
                                       "connected to it (%1 connection(s)). Ask them to close "
                                       "Tallyvo and try again.")
                            .arg(others));
        return false;
    }
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
    const QString restored = database + ".restoring";
    QFile::remove(restored);
    TProgress progress(parent, QStringLiteral("Restoring the database..."), 2 * TableCount() + 1);
    try {
        TFbService::Restore(file, restored,
                            [&](const QString& line) { return progress.Line(line); });
    } catch (const EFbError& e) {
        progress.Done();
        QFile::remove(restored);
        ShowError("The backup " + QDir::toNativeSeparators(file) +
                  " could not be restored, and the database is unchanged. " + e.Message());
        return false;
    }
    progress.Done();
    if (progress.Cancelled()) {
        QFile::remove(restored);
        ShowInformation(QStringLiteral("The restore was cancelled; the database is unchanged."));
        return false;
    }
    // The program lets go of the file before it is put aside.
    dm->SQLConn_Main.Close();
    if (!QFile::rename(database, kept) || !QFile::rename(restored, database)) {
        if (!QFileInfo::exists(database)) QFile::rename(kept, database);
        ShowError("The restored database " + QDir::toNativeSeparators(restored) +
                  " could not be put in the place of " + QDir::toNativeSeparators(database) +
                  ". Tallyvo starts again on the database as it was.");
        return true;
    }
    ShowInformation("The database has been restored from " + QDir::toNativeSeparators(file) +
                    ". Tallyvo starts again now; please log in.");
    return true;
}
