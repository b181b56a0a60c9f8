#pragma once

#include <QString>

class QWidget;

// Common routines of the program: folders, configuration reading, text helpers.

// The folder of the executable, with its trailing separator.
QString ProgramFolder();
// Lets tests stand the program in another folder; empty restores the default.
void SetProgramFolder(const QString& folder);
// "UserData/DbGrids/" and "UserData/Images/DoTemplates/" below the program folder.
QString GridSettingsFolder();
QString TemplateImageFolder();

// Every occurrence of search replaced, left to right, case-sensitive; the
// inserted text is not scanned again.
QString ReplaceAll(const QString& text, const QString& search, const QString& replacement);

// One value of an INI file; section and key names match without regard to
// case. Empty when the file, the section or the key is missing.
QString ReadIniValue(const QString& file, const QString& section, const QString& key);

// Whether a database path names a Firebird server ("host:/path",
// "host/port:path") rather than a local file.
bool IsServerPath(const QString& path);

// A database path as written in the configuration: ".\" and "./" stand for
// the program folder (every occurrence); a local path then uses this
// platform's separator.
QString ResolveConfigPath(const QString& value, const QString& programFolder);

// "Segoe UI", 9 points: the font every window sets when it is created.
void SetStandardFont(QWidget* w);
