#include "uBackup.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>
#include <QRegularExpression>

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

// The path of the database file, when it is a file of this computer (the
// embedded engine, or a server on this computer); empty, after saying why,
// when it is not.
QString LocalDatabaseFile() {
    QString host, path;
    TFbService::SplitDatabase(dmMain()->SQLConn_Main.Database(), host, path);
    const QString machine = host.section(QLatin1Char('/'), 0, 0).toLower();
    const bool here = machine.isEmpty() || machine == QLatin1String("localhost") ||
                      machine == QLatin1String("127.0.0.1") || machine == QLatin1String("::1");
    if (here && QFileInfo::exists(path)) return path;
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

// A name beside file that no file has.
QString ScratchBeside(const QString& file, const QString& suffix) {
    QString name = file + suffix;
    for (int n = 2; QFileInfo::exists(name); ++n) name = file + "." + QString::number(n) + suffix;
    return name;
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
    const QString part = ScratchBeside(file, QStringLiteral(".part"));
    const QString check = ScratchBeside(file, QStringLiteral(".check.fdb"));
    TProgress progress(parent, QStringLiteral("Backing up the database..."), 4 * TableCount() + 1);
    try {
        if (TFbService::Backup(dmMain()->SQLConn_Main.Database(), part,
                               [&](const QString& line) { return progress.Line(line); })) {
            progress.SetText(QStringLiteral("Checking the backup..."));
            // Restored beside the backup, where the engine could write.
            TFbService::Restore(part, check,
                                [&](const QString& line) { return progress.Line(line); });
        }
    } catch (const EFbError& e) {
        progress.Done();
        QFile::remove(part);
        QFile::remove(check);
        ShowError("The database could not be backed up: " + e.Message());
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
    const QString restored = ScratchBeside(database, QStringLiteral(".restoring"));
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
    // Someone may have connected meanwhile.
    if (othersRefuse()) {
        QFile::remove(restored);
        return false;
    }
    // The program lets go of the file before it is put aside.
    try {
        dm->SQLConn_Main.Close();
    } catch (const EFbError&) {
        // Closed all the same; the file is left by this program.
    }
    if (!QFile::rename(database, kept)) {
        QFile::remove(restored);
        ShowError("The database " + QDir::toNativeSeparators(database) +
                  " could not be renamed to " + QDir::toNativeSeparators(kept) +
                  ", so the backup was not put in its place. Tallyvo starts again on the "
                  "database as it was.");
        return true;
    }
    if (!QFile::rename(restored, database)) {
        const bool back = QFile::rename(kept, database);
        ShowError("The restored database " + QDir::toNativeSeparators(restored) +
                  " could not be put in the place of " + QDir::toNativeSeparators(database) +
                  (back ? QStringLiteral(". Tallyvo starts again on the database as it was.")
                        : ". The database is kept as " + QDir::toNativeSeparators(kept) +
                              "; give it its name back before starting Tallyvo again."));
        return true;
    }
    ShowInformation("The database has been restored from " + QDir::toNativeSeparators(file) +
                    ". Tallyvo starts again now; please log in.");
    return true;
}
