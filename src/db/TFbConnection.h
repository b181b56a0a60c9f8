#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <vector>

#include "EFbError.h"
#include "TFbRef.h"

namespace Firebird {
class IAttachment;
class ITransaction;
class IMaster;
class IUtil;
class IStatus;
}  // namespace Firebird

class TFbConnection;

// Read committed sees what other users committed as it goes, and may write;
// a read-only snapshot sees the database as it stood when it started, so a
// cursor read over a long time meets every row once, in its place.
enum class TFbIsolation { ReadCommitted, ReadOnlySnapshot };

// One database transaction. Rolled back on destruction unless committed.
class TFbTransaction {
public:
    explicit TFbTransaction(TFbConnection& conn,
                            TFbIsolation isolation = TFbIsolation::ReadCommitted);
    ~TFbTransaction();
    TFbTransaction(const TFbTransaction&) = delete;
    TFbTransaction& operator=(const TFbTransaction&) = delete;

    void Commit();
    void Rollback();
    bool Active() const { return FTra != nullptr; }
    // A statement that may have written ran in this transaction; its commit
    // then counts as a write of the connection.
    void MarkWritten() { FWritten = true; }

    TFbConnection& Connection() const { return FConn; }
    Firebird::ITransaction* Handle() const;

private:
    TFbConnection& FConn;
    TFbRef<Firebird::ITransaction> FTra;
    bool FWritten = false;
};

// Something that keeps a transaction open on a connection between calls (a
// record set reading its rows a packet at a time): it lets it go when the
// connection closes.
class TFbConnectionClient {
public:
    virtual void ConnectionClosing() = 0;

protected:
    ~TFbConnectionClient() = default;
};

// A connection to one database file: a plain path opens it with the embedded
// engine, "host:/path" reaches a Firebird server. Uses the client's default
// administrator account, as the program sets no user of its own.
class TFbConnection {
public:
    TFbConnection();
    ~TFbConnection();
    TFbConnection(const TFbConnection&) = delete;
    TFbConnection& operator=(const TFbConnection&) = delete;

    void Open(const QString& database);
    void Close();
    bool Connected() const { return FAtt != nullptr; }
    const QString& Database() const { return FDatabase; }

    // Runs one statement in a transaction of its own and commits it.
    void ExecuteImmediate(const QString& sql);

    // Creates an empty database with UTF8 as its default character set.
    static void CreateDatabase(const QString& path);

    Firebird::IAttachment* Handle() const { return FAtt.get(); }

    static Firebird::IMaster* Master();
    static Firebird::IUtil* Util();
    // The engine's text for a failed status vector.
    static QString FormatStatus(Firebird::IStatus* status);
    [[noreturn]] static void Raise(Firebird::IStatus* status);

    static const char* DefaultUser() { return "SYSDBA"; }
    static const char* DefaultPassword() { return "masterkey"; }

    void AddClient(TFbConnectionClient* c);
    void RemoveClient(TFbConnectionClient* c);

    // How many write transactions have committed on this connection: a
    // window that saw another number shows rows that others have changed.
    quint64 Writes() const { return FWrites; }
    void NoteWrite() { ++FWrites; }

private:
    TFbRef<Firebird::IAttachment> FAtt;
    std::atomic<quint64> FWrites{0};
    QString FDatabase;
    std::vector<TFbConnectionClient*> FClients;
};
