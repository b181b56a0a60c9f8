#pragma once

#include <QString>

// Passwords are kept as salted PBKDF2-SHA256 keys, never as typed. The
// stored text "$p2$" + salt + "$" + key (base64) fits the 60 characters of
// the password column. An empty password is no password and is stored empty.

// The text to store for password plain: empty for an empty one.
QString HashPassword(const QString& plain);
// True for a stored text made by HashPassword (not a password kept as typed
// by an older version of the program).
bool IsHashedPassword(const QString& stored);
// Whether typed opens an account whose stored text is stored: hashed, or an
// older plain-text password compared as typed.
bool PasswordMatches(const QString& stored, const QString& typed);
