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

// The folder backups are offered in: UserData/Backups of the program folder.
QString BackupFolder();

}  // namespace Backup
