#pragma once

#include <QString>

// Passwords are kept as salted PBKDF2-SHA256 keys, never as typed. The
// stored text is a line feed, then "$p2$" + salt + "$" + key (base64): 54
// characters, within the 60 of the password column. No password could ever
// begin with a line feed, as every version of the program takes passwords
// from one-line boxes, so a plain password of an older database is never
// taken for a key. An empty password is no password and is stored empty.
//
// Keys stored by an earlier release lack the line feed and cannot be told
// from a plain password of the same shape: such a text opens with either,
// and the login stores the key of what was typed in its place.

// The text to store for password plain: empty for an empty one.
QString HashPassword(const QString& plain);
// True for a stored text made by HashPassword (not a password kept as typed
// by an older version of the program, nor a key of an earlier release).
bool IsHashedPassword(const QString& stored);
// Whether typed opens an account whose stored text is stored: hashed, an
// older plain-text password compared as typed, or an earlier release's key.
bool PasswordMatches(const QString& stored, const QString& typed);
