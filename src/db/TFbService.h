#pragma once

#include <QString>
#include <functional>

// Firebird's backup and restore through the engine's service manager: a
// consistent snapshot of a database in use, which copying its file is not.
// The database strings are those a connection opens: a plain path for the
// embedded engine, "host:/path" for a server (whose own files the paths
// then name). Failures raise EFbError with the engine's message, and so does
// a job whose report lacks the engine's closing line: it did not finish.
class TFbService {
public:
    // Called with each line the engine reports; false asks to stop. The
    // engine cannot be stopped half way: the work runs to its end, and the
    // caller discards what it made.
    using TProgress = std::function<bool(const QString& line)>;

    // False when stopped (the file is complete but unwanted).
    static bool Backup(const QString& database, const QString& backupFile,
                       const TProgress& progress = {});
    // Creates database from backupFile; an existing file is never replaced.
    static bool Restore(const QString& backupFile, const QString& database,
                        const TProgress& progress = {});
    // The host part of a database string ("" for the embedded engine) and the path.
    static void SplitDatabase(const QString& database, QString& host, QString& path);
};
