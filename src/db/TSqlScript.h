#pragma once

#include <QString>
#include <QStringList>

// Splits an isql-style script into single statements: honours "SET TERM",
// quoted text and identifiers, and comments. Client commands of isql
// ("SET ...", "COMMIT", "CONNECT") are not statements and are dropped; the
// runner commits after every statement anyway.
class TSqlScript {
public:
    static QStringList Split(const QString& script);
};
