#pragma once

#include <QString>

class QWidget;

// Backing up the main database while it is in use, and putting a backup
// back in its place (the Systems menu). Both work on a database file of this
// computer: the engine writes and reads the files where the database lives.
namespace Backup {

// Asks where, writes the backup with a progress bar, checks it by restoring
// it to a scratch file, and says where it is and how big.
void BackupDatabase(QWidget* parent);

// Asks for a backup, restores it beside the database, keeps the current
// file as "<name>.<date>.bak" and puts the restored one in its place. True
// when that happened: the program must then start again on it (all its
// windows hold rows of the database that was).
bool RestoreDatabase(QWidget* parent);

// At start-up, before the database is opened: puts right what a backup or
// a restore that was cut off left behind (scratch files; a restore stopped
// while the files were switched is finished, or the user is told which file
// holds which data). database: the main database as the configuration
// names it (a file of another computer is left alone).
void RecoverInterruptedRestore(const QString& database);

// The folder backups are offered in: UserData/Backups of the program folder.
QString BackupFolder();

}  // namespace Backup
