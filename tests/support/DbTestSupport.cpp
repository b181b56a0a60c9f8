#include "DbTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include "TFbQuery.h"
#include "TMoney.h"

QString TDbFolder::TemplateDb(const QString& name) {
    return QStringLiteral(TALLYVO_TEMPLATE_DB_DIR) + "/" + name;
}

TDbFolder::TDbFolder() {
    QDir(FDir.path()).mkpath(QStringLiteral("Data"));
    for (const QString& db : {QStringLiteral("main.fdb"), QStringLiteral("patch.fdb")}) {
        const QString dest = Path() + "Data/" + db;
        if (!QFile::copy(TemplateDb(db), dest))
            qFatal("cannot copy %s", qPrintable(TemplateDb(db)));
        QFile::setPermissions(dest, QFile::ReadOwner | QFile::WriteOwner);
    }
}

TDbFolder::~TDbFolder() = default;

QString TDbFolder::Path() const { return FDir.path() + "/"; }

void TDbConnFixture::Start() {
    FConn.reset();
    FFolder = std::make_unique<TDbFolder>();
    FConn = std::make_unique<TFbConnection>();
    FConn->Open(FFolder->MainDb());
}

void TDbConnFixture::Stop() {
    FConn.reset();
    FFolder.reset();
}

QString TDbConnFixture::Value(const QString& sql) const {
    TFbTransaction tra(*FConn);
    TFbQuery q(tra, sql);
    q.Open();
    const QVariant v = q.Eof() ? QVariant() : q.Value(0);
    return v.userType() == qMetaTypeId<TMoney>() ? v.value<TMoney>().ToString() : v.toString();
}

TOpenDbSet::TOpenDbSet(TFbConnection& conn, const QString& sql) {
    Cds.SetConnection(&conn);
    Cds.CommandText = sql;
    Ds.SetDataSet(&Cds);
    Cds.Open();
}

TPrivateServer::TPrivateServer() {
    FPort = 31000 + int(QCoreApplication::applicationPid() % 2000);
    QProcess start;
    start.start(QStringLiteral(TALLYVO_FBSERVER_SCRIPT),
                {"start", FDir.path() + "/server", QString::number(FPort)});
    if (!start.waitForFinished(60000) || start.exitCode() != 0)
        FFailure = QString::fromLocal8Bit(start.readAllStandardError());
    if (FFailure.isEmpty() && start.exitCode() != 0) FFailure = QStringLiteral("no server");
}

TPrivateServer::~TPrivateServer() {
    QProcess::execute(QStringLiteral(TALLYVO_FBSERVER_SCRIPT), {"stop", FDir.path() + "/server"});
}

QString TPrivateServer::NewDatabase(const QString& name) {
    const QString db = FDir.path() + "/server/" + name;
    if (!QFile::copy(TDbFolder::TemplateDb(QStringLiteral("main.fdb")), db))
        qFatal("cannot copy the template database");
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    return QStringLiteral("127.0.0.1/%1:%2").arg(FPort).arg(db);
}
