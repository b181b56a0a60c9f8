#include "TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "uChild.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uLogin.h"
#include "uMain.h"
#include "uPnBase.h"
#include "uStartup.h"
#include "uTreeView.h"

QString TTestFolder::DefaultConfig() {
    return QStringLiteral("[DB]\nMain=./Data/main.fdb\nPatch=./Data/patch.fdb\n");
}

TTestFolder::TTestFolder(const QString& config, bool withConfig) {
    QDir(Path()).mkpath(QStringLiteral("UserData/DbGrids"));
    if (withConfig) WriteConfig(config.isEmpty() ? DefaultConfig() : config);
    SetProgramFolder(Path());
}

TTestFolder::~TTestFolder() { SetProgramFolder(QString()); }

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

TMessageService::TAnswer TScriptedMessages::Ask(const QString& text) {
    Shown.append({TKind::Confirmation, text});
    return Choices.isEmpty() ? TAnswer::Yes : Choices.takeFirst();
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

bool TScriptedMessages::SaveFile(const QString& caption, const QString& filter, QString& file) {
    Shown.append({TKind::Confirmation, "Save: " + caption + filter.left(0)});
    if (!InputValues.isEmpty()) file = InputValues.takeFirst();
    return Answers.isEmpty() ? true : Answers.takeFirst();
}

bool TScriptedMessages::ChooseFont(QFont& font, QString& colorName, const QStringList&) {
    Shown.append({TKind::Confirmation, QStringLiteral("Font")});
    if (Fonts.isEmpty()) return false;
    const QPair<QFont, QString> chosen = Fonts.takeFirst();
    font = chosen.first;
    colorName = chosen.second;
    return true;
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

QWidget* EditorOf(QWidget* w, const QString& field, TDataSource* ds) {
    for (TPnBase* c : w->findChildren<TPnBase*>())
        if (c->DataField() == field && (!ds || c->DataSource() == ds)) return c->Editor();
    qFatal("no control for %s", qPrintable(field));
}

void TDbFixture::Start() {
    FDm.reset();
    FFolder = std::make_unique<TTestFolder>();
    FDm = std::make_unique<TdmMain>();
    ConnectAsAdmin(*FDm);
}

void TDbFixture::Restart() {
    FDm.reset();
    FDm = std::make_unique<TdmMain>();
    ConnectAsAdmin(*FDm);
}

void TDbFixture::Stop() {
    FDm.reset();
    FFolder.reset();
}

QString TDbFixture::Value(const QString& sql) const {
    const QVariant v = FDm->SelectValue(sql);
    return v.userType() == qMetaTypeId<TMoney>() ? v.value<TMoney>().ToString() : v.toString();
}

QTreeWidgetItem* FolderNamed(QTreeWidget* tree, const QString& caption) {
    for (QTreeWidgetItem* it = RootOf(tree); it; it = NextInTree(it))
        if (NodeData(it).Caption == caption) return it;
    return nullptr;
}

void Retype(QWidget* editor, const QString& text) {
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, text);
}

void LoginAs(const QString& code) {
    OnNextModal([code](QWidget* w) {
        auto* dlg = qobject_cast<TfmLogin*>(w);
        if (!dlg) return;
        dlg->cbLogin->setCurrentIndex(dlg->cbLogin->findText(code));
        dlg->BitBtn1->click();
    });
}

TOpenSet::TOpenSet(TdmMain& dm, const QString& sql) : TOpenDbSet(dm.SQLConn_Main, sql) {}

void ChooseInNextMenu(QMenu* menu, const QStringList& path) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, menu, path]() {
        if (!menu->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        QMenu* m = menu;
        for (int step = 0; step < path.size(); ++step) {
            QAction* target = nullptr;
            for (QAction* a : m->actions())
                if (a->text() == path[step]) target = a;
            if (!target) {
                qWarning() << "no menu entry" << path[step];
                m->close();
                return;
            }
            for (int i = 0; i < m->actions().size() * 2 && m->activeAction() != target; ++i)
                QTest::keyClick(m, Qt::Key_Down);
            if (step + 1 < path.size()) {
                QTest::keyClick(m, Qt::Key_Right);
                QTRY_VERIFY(target->menu() && target->menu()->isVisible());
                m = target->menu();
            } else {
                QTest::keyClick(m, Qt::Key_Return);
            }
        }
    });
    timer->start();
}

TProgramFixture::TProgramFixture() = default;
TProgramFixture::~TProgramFixture() { Stop(); }

bool TProgramFixture::Start(const QString& config) {
    FFolder = std::make_unique<TTestFolder>(config);
    OnNextModal([](QWidget* w) {
        if (auto* dlg = qobject_cast<TfmLogin*>(w)) dlg->BitBtn1->click();
    });
    FStartup = std::make_unique<TStartup>();
    return FStartup->Start();
}

void TProgramFixture::Stop() {
    FStartup.reset();
    FFolder.reset();
}

TfmMain* TProgramFixture::Main() const { return FStartup->fmMain.get(); }
TdmMain* TProgramFixture::Dm() const { return FStartup->dmMain.get(); }

void ChooseInGridMenu(TDbGrid* grid, QMenu* menu, const QStringList& path, int row,
                      Qt::KeyboardModifiers mods) {
    ChooseInNextMenu(menu, path);
    grid->scrollTo(grid->model()->index(row, 1));
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    // The window system sends the press and the release, then asks for the menu.
    QTest::mouseClick(grid->viewport(), Qt::RightButton, mods, at);
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at), mods);
    QApplication::sendEvent(grid->viewport(), &e);
    QTRY_VERIFY(!menu->isVisible());
}

void CtrlClickRow(TDbGrid* grid, TClientDataSet* cds, qint64 key) {
    const int row = cds->RowOfKey(key);
    QVERIFY(row >= 0);
    grid->scrollTo(grid->model()->index(row, 0));
    const QRect r = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, r.center());
}

void MoveMarkedTo(TfmChild* w, const QString& folder) {
    OnNextModal([folder](QWidget* dlg) {
        auto* picker = qobject_cast<TfmDialogGetTreeNode*>(dlg);
        QVERIFY(picker);
        picker->tvDialog->setCurrentItem(FolderNamed(picker->tvDialog, folder));
        picker->BitBtn1->click();
    });
    w->Command("N17")->trigger();
}
