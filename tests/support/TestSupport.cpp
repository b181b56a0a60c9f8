#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QtTest>

#include "uDmMain.h"
#include "uLibProc.h"

QString TTestFolder::TemplateDb(const QString& name) {
    return QStringLiteral(TALLYVO_TEMPLATE_DB_DIR) + "/" + name;
}

QString TTestFolder::DefaultConfig() {
    return QStringLiteral("[DB]\nMain=./Data/main.fdb\nPatch=./Data/patch.fdb\n");
}

TTestFolder::TTestFolder(const QString& config, bool withConfig) {
    QDir(FDir.path()).mkpath(QStringLiteral("Data"));
    QDir(FDir.path()).mkpath(QStringLiteral("UserData/DbGrids"));
    for (const QString& db : {QStringLiteral("main.fdb"), QStringLiteral("patch.fdb")}) {
        const QString dest = Path() + "Data/" + db;
        if (!QFile::copy(TemplateDb(db), dest))
            qFatal("cannot copy %s", qPrintable(TemplateDb(db)));
        QFile::setPermissions(dest, QFile::ReadOwner | QFile::WriteOwner);
    }
    if (withConfig) WriteConfig(config.isEmpty() ? DefaultConfig() : config);
    SetProgramFolder(Path());
}

TTestFolder::~TTestFolder() { SetProgramFolder(QString()); }

QString TTestFolder::Path() const { return FDir.path() + "/"; }

void TTestFolder::WriteConfig(const QString& text) const {
    QFile f(Path() + "Tallyvo.txt");
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write config");
    f.write(text.toUtf8());
}

TScriptedMessages::TScriptedMessages() { FPrevious = TMessageService::SetInstance(this); }

TScriptedMessages::~TScriptedMessages() { TMessageService::SetInstance(FPrevious); }

void TScriptedMessages::Show(TKind kind, const QString& text) { Shown.append({kind, text}); }

bool TScriptedMessages::Confirm(const QString& text) {
    Shown.append({TKind::Confirmation, text});
    return Answers.isEmpty() ? true : Answers.takeFirst();
}

bool TScriptedMessages::Input(const QString& caption, const QString& prompt, QString& value) {
    Shown.append({TKind::Confirmation, caption + ": " + prompt});
    if (!InputValues.isEmpty()) value = InputValues.takeFirst();
    return Answers.isEmpty() ? true : Answers.takeFirst();
}

bool TScriptedMessages::OpenFile(const QString& caption, const QString& filter, QString& file) {
    Shown.append({TKind::Confirmation, "Open: " + caption + filter.left(0)});
    if (!InputValues.isEmpty()) file = InputValues.takeFirst();
    return Answers.isEmpty() ? true : Answers.takeFirst();
}

QStringList TScriptedMessages::Take() {
    QStringList texts;
    for (const TMessage& m : Shown) texts << m.Text;
    Shown.clear();
    return texts;
}

void OnNextModal(const std::function<void(QWidget*)>& fn) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, fn]() {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        fn(w);
    });
    timer->start();
}

void ConnectAsAdmin(TdmMain& dm) {
    QString err;
    if (!dm.ConnectDb(dm.SQLConn_Main, QStringLiteral("Main"), err)) qFatal("%s", qPrintable(err));
    dm.Curr_User_ID = 0;
    dm.Curr_User_Name = QStringLiteral("Administrator");
}
