#pragma once

// What tests of the layers below the program need: fresh copies of the
// pristine databases, a connection to them, record sets opened on it, and a
// private server. It links only the database and record set libraries, so
// that their tests build without the program.

#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TFbConnection.h"

// A folder of its own for one test with fresh copies of the pristine
// databases under Data/.
class TDbFolder {
public:
    TDbFolder();
    virtual ~TDbFolder();
    TDbFolder(const TDbFolder&) = delete;
    TDbFolder& operator=(const TDbFolder&) = delete;

    QString Path() const;  // with trailing separator
    QString MainDb() const { return Path() + "Data/main.fdb"; }
    QString PatchDb() const { return Path() + "Data/patch.fdb"; }

    // The pristine database the build made, by file name ("main.fdb").
    static QString TemplateDb(const QString& name);

private:
    QTemporaryDir FDir;
};

// One test case's database: a fresh folder and a connection to its main
// database through the embedded engine. Start() in init(), Stop() in cleanup().
class TDbConnFixture {
public:
    void Start();
    void Stop();
    TFbConnection& Conn() const { return *FConn; }
    TDbFolder& Folder() const { return *FFolder; }
    // Runs a statement and commits it.
    void Exec(const QString& sql) const { FConn->ExecuteImmediate(sql); }
    // The first column of the first row as text; money with its four
    // decimals, null as empty. A statement the database refuses throws its
    // error.
    QString Value(const QString& sql) const;

private:
    std::unique_ptr<TDbFolder> FFolder;
    std::unique_ptr<TFbConnection> FConn;
};

// A record set opened on a statement, with its data source.
struct TOpenDbSet {
    TOpenDbSet(TFbConnection& conn, const QString& sql);
    TClientDataSet Cds;
    TDataSource Ds;
};

// A Firebird server of the test's own on 127.0.0.1, for tests of several
// users at once; stopped with the object.
class TPrivateServer {
public:
    TPrivateServer();
    ~TPrivateServer();
    // Why the server did not start; empty when it runs.
    const QString& Failure() const { return FFailure; }
    // A fresh copy of the pristine main database under the server, as the
    // database string a connection opens ("127.0.0.1/port:/path").
    QString NewDatabase(const QString& name = QStringLiteral("main.fdb"));

private:
    QTemporaryDir FDir;
    int FPort = 0;
    QString FFailure;
};
