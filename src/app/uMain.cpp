#include "uMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QScopeGuard>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "uAbout.h"
#include "uArTran.h"
#include "uBackup.h"
#include "uCBAcct.h"
#include "uCBTran.h"
#include "uCommands.h"
#include "uCust.h"
#include "uDbPatch.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uDoTemplate.h"
#include "uICBatch.h"
#include "uLibProc.h"
#include "uLogin.h"
#include "uMessages.h"
#include "uProd.h"
#include "uReports.h"
#include "uStartup.h"
#include "uSupplier.h"
#include "uSysDict.h"
#include "uSysOptions.h"
#include "uTip.h"
#include "uUdf.h"
#include "uUser.h"
#include "uUserTodo.h"

namespace {
// Suspends painting of a window for the length of a scope.
class TUpdatesOff {
public:
    explicit TUpdatesOff(QWidget* w) : FW(w), FWas(w->updatesEnabled()) {
        w->setUpdatesEnabled(false);
    }
    ~TUpdatesOff() { FW->setUpdatesEnabled(FWas); }

private:
    QWidget* FW;
    bool FWas;
};
}  // namespace

TfmMain::TfmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("fmMain"));
    SetStandardFont(this);
    BuildMdiArea();
    BuildCommands();
    ConnectSystemCommands();
    ConnectReportCommands();

    BuildMenus();
    BuildToolBar();
    BuildWindowBar();

    TfmChild::SetHost(this);
    EnablingAllAccess();
}

void TfmMain::BuildMdiArea() {
    FMdi = new QMdiArea(this);
    FMdi->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(FMdi);
}

void TfmMain::BuildCommands() {
    // Commands whose windows exist are available; the others stay hidden
    // until their windows are built.
    AddCommand(Cmd::Help_About, "About", true);
    AddCommand(Cmd::System_Option, "Options", true);
    AddCommand(Cmd::System_Exit, "Exit", true);
    AddCommand(Cmd::System_Dictionary, "Dictionary", true);
    AddCommand(Cmd::System_User, "User Management", true);
    AddCommand(Cmd::System_Login, "Change User", true);
    AddCommand(Cmd::System_Default, "Main", true);
    AddCommand(Cmd::System_Tip, "Daily Tips", true);
    AddCommand(Cmd::System_Backup, "Backup Database...", true);
    AddCommand(Cmd::System_Restore, "Restore Database...", true);
    AddCommand(Cmd::System_ChangePasswd, "Change Password", true);
    AddCommand(Cmd::System_UserTodo, "Todo List", false);
    AddCommand(Cmd::CustRelation_Cust, "Customers", false);
    AddCommand(Cmd::CustRelation_Supplier, "Suppliers", false);
    AddCommand(Cmd::Prod_Product, "Products", false);
    AddCommand(Cmd::IC_Batch, "Purchases", false);
    AddCommand(Cmd::Ar_Tran, "Invoices", false);
    AddCommand(Cmd::Sales_CBAcct, "Banks", false);
    AddCommand(Cmd::Sales_CBTran, "Receipts", false);
    AddCommand(Cmd::Template_Do, "Templates", false);
    AddCommand(Cmd::Rpt_Sales, "Sales Ranking Report", true);
    AddCommand(Cmd::Rpt_SalesDetail, "Sales Detail Report", true);
    AddCommand(Cmd::Rpt_SalesAging, "Invoice Aging Report", true);
    AddCommand(Cmd::Rpt_CB, "Bank Transactions Report", true);
    AddCommand(Cmd::Rpt_ProdRpt, "Product Transaction Report", true);
    AddCommand(Cmd::OnlineHelp, "Online Help", true);
    AddCommand(Cmd::OnlineTutorial, "Online Tutorial", true);
    AddCommand(Cmd::OnlineUpdate, QString::fromUtf8("在线升级"), false);
}

// The program's own commands: help, sign-in, options, backup and restore.
void TfmMain::ConnectSystemCommands() {
    connect(Command(Cmd::Help_About), &QAction::triggered, this, [this]() {
        TfmAbout about(this);
        about.exec();
    });
    connect(Command(Cmd::System_Exit), &QAction::triggered, this, &QWidget::close);
    connect(Command(Cmd::System_Login), &QAction::triggered, this, &TfmMain::System_LoginExecute);
    connect(Command(Cmd::System_ChangePasswd), &QAction::triggered, this,
            &TfmMain::System_ChangePasswdExecute);
    connect(Command(Cmd::System_Default), &QAction::triggered, this, &TfmMain::ShowDefaultChild);
    connect(Command(Cmd::System_Dictionary), &QAction::triggered, this,
            &TfmMain::System_DictionaryExecute);
    connect(Command(Cmd::System_Option), &QAction::triggered, this, [this]() { SetSysOptions(0); });
    connect(Command(Cmd::OnlineHelp), &QAction::triggered, this,
            []() { QDesktopServices::openUrl(QUrl(HelpSite() + "/Help.htm")); });
    connect(Command(Cmd::OnlineTutorial), &QAction::triggered, this,
            []() { QDesktopServices::openUrl(QUrl(HelpSite() + "/Video.htm")); });
    connect(Command(Cmd::OnlineUpdate), &QAction::triggered, this, &TfmMain::onlineUpdate);
    connect(Command(Cmd::System_Tip), &QAction::triggered, this,
            [this]() { RunGuarded([this]() { System_TipExecute(); }); });
    connect(Command(Cmd::System_Backup), &QAction::triggered, this, [this]() {
        RunGuarded([this]() {
            // A backup holds what is saved: what is being typed is settled first.
            if (ResolveAllPendingEdits()) Backup::BackupDatabase(this);
        });
    });
    connect(Command(Cmd::System_Restore), &QAction::triggered, this,
            [this]() { RunGuarded([this]() { System_RestoreExecute(); }); });
    RestartProgram = []() {
        RequestRestart();
        QCoreApplication::quit();
    };
}

void TfmMain::ConnectReportCommands() {
    // Each report window lives from its command to its closing.
    auto report = [this](const char* command, auto make) {
        connect(Command(command), &QAction::triggered, this, [this, make]() {
            RunGuarded([this, make]() {
                auto window = make(this);
                window->exec();
            });
        });
    };
    report(Cmd::Rpt_Sales, [](QWidget* p) { return std::make_unique<TfmSalesRpt>(p); });
    report(Cmd::Rpt_SalesDetail, [](QWidget* p) { return std::make_unique<TfmSalesDetailRpt>(p); });
    report(Cmd::Rpt_SalesAging, [](QWidget* p) {
        // The ageing counts what is paid as the receipts say now; a failed
        // recalculation is shown and opens no window.
        {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            const auto restore = qScopeGuard([]() { QGuiApplication::restoreOverrideCursor(); });
            dmMain()->RecalculatePaidAmounts();
        }
        return std::make_unique<TfmSalesAgingRpt>(p);
    });
    report(Cmd::Rpt_CB, [](QWidget* p) { return std::make_unique<TfmCbRpt>(p); });
    report(Cmd::Rpt_ProdRpt, [](QWidget* p) { return std::make_unique<TfmProdRpt>(p); });
}

// The task-bar strip with a button per open window.
void TfmMain::BuildWindowBar() {
    FBottomBar = new QToolBar(QStringLiteral("Windows"), this);
    FBottomBar->setObjectName(QStringLiteral("BottomBar"));
    FBottomBar->setMovable(false);
    addToolBar(Qt::BottomToolBarArea, FBottomBar);
}

TfmMain::~TfmMain() {
    if (TfmChild::Host() == this) TfmChild::SetHost(nullptr);
    if (TfmChild::TemplatePrinter() == fmDoTemplate) TfmChild::SetTemplatePrinter(nullptr);
}

QAction* TfmMain::AddCommand(const QString& name, const QString& caption, bool available) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    FCommands.insert(name, a);
    if (available) FAvailable.insert(name);
    return a;
}

QAction* TfmMain::Command(const QString& name) const { return FCommands.value(name); }

void TfmMain::BuildMenus() {
    // Menu captions carry no accelerators: "&" would make one.
    auto menu = [this](const QString& caption, const QString& name) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(name);
        FTopMenus << m;
        return m;
    };
    // Entries marked fixed are never offered by the rights editor.
    auto fixed = [](QAction* a) { a->setProperty("fixed", true); };
    QMenu* sys = menu("Systems", "MenuSystems");
    sys->addAction(Command(Cmd::System_Option));
    fixed(sys->addSeparator());
    sys->addAction(Command(Cmd::System_Dictionary));
    sys->addAction(Command(Cmd::System_User));
    fixed(sys->addSeparator());
    // For the administrator only, whatever the rights say.
    for (const char* c : {Cmd::System_Backup, Cmd::System_Restore}) {
        sys->addAction(Command(c));
        fixed(Command(c));
    }
    fixed(sys->addSeparator());
    for (const char* c :
         {Cmd::System_UserTodo, Cmd::System_Login, Cmd::System_ChangePasswd, Cmd::System_Exit}) {
        sys->addAction(Command(c));
        fixed(Command(c));
    }

    QMenu* rel = menu("Relations", "MenuRelations");
    rel->addAction(Command(Cmd::CustRelation_Cust));
    rel->addAction(Command(Cmd::CustRelation_Supplier));

    QMenu* prod = menu("Products", "MenuProducts");
    prod->addAction(Command(Cmd::Prod_Product));
    prod->addAction(Command(Cmd::IC_Batch));

    QMenu* sales = menu("Sales", "MenuSales");
    sales->addAction(Command(Cmd::Ar_Tran));
    sales->addSeparator();
    sales->addAction(Command(Cmd::Sales_CBAcct));
    sales->addAction(Command(Cmd::Sales_CBTran));

    QMenu* rpt = menu("Reports", "MenuReports");
    rpt->addAction(Command(Cmd::Rpt_Sales));
    rpt->addAction(Command(Cmd::Rpt_SalesDetail));
    rpt->addAction(Command(Cmd::Rpt_SalesAging));
    rpt->addSeparator();
    rpt->addAction(Command(Cmd::Rpt_CB));
    rpt->addAction(Command(Cmd::Rpt_ProdRpt));

    QMenu* help = menu("Help", "MenuHelp");
    fixed(help->menuAction());
    help->addAction(Command(Cmd::System_Tip));
    help->addAction(Command(Cmd::OnlineHelp));
    help->addAction(Command(Cmd::OnlineTutorial));
    fixed(help->addSeparator());
    help->addAction(Command(Cmd::Help_About));
    help->addAction(Command(Cmd::OnlineUpdate));
}

void TfmMain::BuildToolBar() {
    FTopBar = addToolBar(QStringLiteral("Commands"));
    FTopBar->setObjectName(QStringLiteral("TopBar"));
    FTopBar->setMovable(false);
    FTopBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const QStringList layout = {Cmd::System_Default,
                                "",
                                Cmd::Prod_Product,
                                Cmd::IC_Batch,
                                "",
                                Cmd::CustRelation_Cust,
                                Cmd::CustRelation_Supplier,
                                "",
                                Cmd::Template_Do,
                                Cmd::Ar_Tran,
                                Cmd::Sales_CBTran};
    for (const QString& name : layout) {
        if (name.isEmpty()) {
            FTopBar->addSeparator();
            continue;
        }
        QAction* a = Command(name);
        a->setToolTip(a->text());
        FTopBar->addAction(a);
        if (QWidget* b = FTopBar->widgetForAction(a)) b->setMinimumWidth(84);
    }
}

void TfmMain::SetCommandAvailable(const QString& name, bool available) {
    if (available)
        FAvailable.insert(name);
    else
        FAvailable.remove(name);
    EnablingAllAccess();
}

void TfmMain::EnablingAllAccess() {
    for (auto it = FCommands.cbegin(); it != FCommands.cend(); ++it) {
        it.value()->setVisible(FAvailable.contains(it.key()));
        it.value()->setEnabled(true);
    }
    FWithheld.clear();
    for (TfmChild* w : BusinessWindows())
        if (!w->Config.DeleteRight.isEmpty()) w->Command("Child_Delete")->setVisible(true);
    UpdateMenuVisibility();
}

void TfmMain::SetUserAccess(int UserId) {
    QStringList menus;
    dmMain()->ForEachRow(
        "SELECT * FROM SYS_USER_ACCESS WHERE SYS_USER_ID=" + QString::number(UserId),
        [&](const TFbQuery& q) {
            const int level =
                q.IsNull(QStringLiteral("LEVEL")) ? 0 : q.AsInteger(QStringLiteral("LEVEL"));
            const QString action = q.AsString(QStringLiteral("ACTION"));
            if (level == 0) {
                menus << action;
            } else if (level == 1) {
                // A hidden command leaves menus and tool bars alike, and is
                // refused however else it is invoked.
                for (QAction* a : FCommands)
                    if (a->text() == action) {
                        a->setVisible(false);
                        a->setEnabled(false);
                        FWithheld.insert(a);
                    }
            } else if (level == 2) {
                for (TfmChild* w : BusinessWindows())
                    if (w->Config.DeleteRight == action)
                        w->Command("Child_Delete")->setVisible(false);
            }
        });
    UpdateMenuVisibility();
    // A whole menu: its caption matched without regard to case or accelerators.
    for (const QString& action : menus) {
        for (QMenu* m : FTopMenus) {
            if (m->title().remove('&').compare(action, Qt::CaseInsensitive) != 0) continue;
            m->menuAction()->setVisible(false);
            // Its commands are refused too, but for those the tool bar still
            // offers and the fixed ones.
            for (QAction* a : m->actions())
                if (!a->isSeparator() && !a->property("fixed").toBool() &&
                    !FTopBar->actions().contains(a)) {
                    a->setEnabled(false);
                    FWithheld.insert(a);
                }
            break;
        }
    }
}

void TfmMain::UpdateMenuVisibility() {
    // A top-level menu with nothing to offer yet is left off the menu bar.
    for (QMenu* m : FTopMenus) {
        bool any = false;
        for (QAction* a : m->actions())
            if (!a->isSeparator() && a->isVisible()) any = true;
        m->menuAction()->setVisible(any);
    }
}

// ------------------------------------------------------------ login

bool TfmMain::LoginOk() {
    TdmMain* dm = dmMain();
    if (!dm || !dm->SQLConn_Main.Connected()) return false;
    TfmLogin dlg;
    dlg.Successful = false;
    dlg.Prepare();
    dlg.exec();
    return dlg.Successful;
}

void TfmMain::LoginFinalize() {
    TdmMain* dm = dmMain();
    dm->ForEachRow(QStringLiteral("SELECT * FROM SYS WHERE ID=1"), [dm](const TFbQuery& q) {
        dm->Curr_ProgName = q.AsString(QStringLiteral("PROGNAME"));
        dm->Curr_ProgTag = q.AsInteger(QStringLiteral("PROGTAG"));
    });
    RunGuarded([this]() { dbPatch(false); });
    EnablingAllAccess();
    SetUserAccess(dm->Curr_User_ID);
    HideClosedWindows();
    if (FDefault) {
        FDefault->SetWelcome(QStringLiteral("Welcome, ") + dm->Curr_User_Name);
        RunGuarded([this]() { FDefault->sbRefreshToDoClick(); });
    }
    if (fmUserTodo) fmUserTodo->ShowTasksOf(dm->Curr_User_ID);
    setWindowTitle(dm->Curr_ProgName);
    RunGuarded([this]() { ShowTipOfDay(); });
}

void TfmMain::ShowTipOfDay() {
    QVariant show;
    dmMain()->SelectFieldWhere(QStringLiteral("SHOWTIP"), QStringLiteral("SYS_USER"), show,
                               {QStringLiteral("ID"), QString::number(dmMain()->Curr_User_ID)});
    if (!show.isNull() && show.toInt() != 0) System_TipExecute();
}

void TfmMain::System_TipExecute() {
    TfmTip tip(this);
    tip.OpenFor(dmMain()->Curr_User_ID);
    tip.exec();
}

void TfmMain::dbPatch(bool Silent) {
    // Start-up refuses to go on without the upgrade database; a data module
    // without it (a tool's) has nothing to check.
    if (!dmMain()->SQLConn_DbPatch.Connected()) return;
    TfmDbPatch window(this);
    if (!window.Prepare()) return;
    if (Silent)
        window.BitBtn1Click();
    else
        window.exec();
}

void TfmMain::System_LoginExecute() {
    // The next user must not find, nor lose, this user's unsaved edits, nor
    // reach a window this user opened: every window is closed first, and
    // one whose edits stay unsaved keeps this user logged in.
    if (!ResolveAllPendingEdits()) return;
    CloseAll();
    if (!FBottomButtons.isEmpty()) return;
    if (LoginOk()) LoginFinalize();
}

void TfmMain::System_DictionaryExecute() {
    TfmSysDict dlg(this);
    dlg.OpenSets();
    dlg.exec();
}

void TfmMain::SetSysOptions(int TabIndex) {
    TfmSysOptions dlg(this);
    dlg.SelectPage(TabIndex);
    dlg.exec();
}

void TfmMain::System_RestoreExecute() {
    // The restored database replaces this one: nothing typed may be lost with it.
    if (!ResolveAllPendingEdits()) return;
    if (Backup::RestoreDatabase(this)) RestartProgram();
}

void TfmMain::System_ChangePasswdExecute() {
    TfmLogin dlg(this);
    dlg.SetModeForChangePasswd();
    dlg.exec();
}

// ------------------------------------------------------------ child windows

void TfmMain::AddChild(TfmChild* child) {
    QMdiSubWindow* sub = FMdi->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->installEventFilter(this);
    sub->setWindowTitle(child->windowTitle());
    // Hidden until it is brought up, and again once closed: the frame's own
    // window switching (Ctrl+Tab, the window menu) reaches open windows only.
    sub->setWindowState(Qt::WindowMaximized);
    sub->hide();
}

bool TfmMain::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::Close) {
        auto* sub = qobject_cast<QMdiSubWindow*>(o);
        if (auto* child = sub ? qobject_cast<TfmChild*>(sub->widget()) : nullptr) {
            e->ignore();
            RunGuarded([child]() { child->CloseChild(); });
            return true;
        }
    }
    return QMainWindow::eventFilter(o, e);
}

void TfmMain::CreateBusinessWindows() {
    // Each once, in this order; they live until the program ends.
    fmCust = new TfmCust;
    fmSupplier = new TfmSupplier;
    fmProd = new TfmProd;
    fmICBatch = new TfmICBatch;
    fmArTran = new TfmArTran;
    fmCBAcct = new TfmCBAcct;
    fmCBTran = new TfmCBTran;
    fmDoTemplate = new TfmDoTemplate;
    fmUser = new TfmUser;
    fmUser->MainMenu = menuBar();
    fmUserTodo = new TfmUserTodo;
    fmArTran->FReceiptWindow = fmCBTran;
    TfmChild::SetTemplatePrinter(fmDoTemplate);
    TfmChild::SetFieldDesigner(TfmUdf::Designer());
    for (TfmChild* child : BusinessWindows()) {
        const QString command = CommandOfChild(child->objectName());
        AddChild(child);
        connect(Command(command), &QAction::triggered, this,
                [this, child]() { BringUpChildForm(child); });
        FAvailable.insert(command);
    }
    EnablingAllAccess();
}

void TfmMain::SetDefaultChild(TfmDefault* home) {
    FDefault = home;
    home->OnHelpItem = [this](int helpId) { a1Click(helpId); };
    QMdiSubWindow* sub = FMdi->addSubWindow(home);
    sub->showMaximized();
    RaiseWindow(home);
    FFront = nullptr;
    HideClosedWindows();
}

void TfmMain::RaiseWindow(QWidget* w) {
    auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    if (!sub) return;
    sub->showMaximized();
    sub->raise();
    FMdi->setActiveSubWindow(sub);
}

bool TfmMain::MayBringUp(TfmChild* child) const {
    return !FWithheld.contains(Command(CommandOfChild(child->objectName())));
}

void TfmMain::BringUpChildForm(TfmChild* child) {
    if (!child) return;
    // Whatever asks for it (its command, a task-bar button, another window),
    // a window the user's rights take away is not shown.
    if (!MayBringUp(child)) {
        ShowInformation(QStringLiteral("Your access rights do not include \"%1\".")
                            .arg(Command(CommandOfChild(child->objectName()))->text()));
        return;
    }
    {
        TUpdatesOff off(this);
        RaiseWindow(child);
        FFront = child;
        DownOrCreateBottomButton(child);
        if (child->Config.TVShow && child->TreeIsEmpty()) {
            child->LoadTree();
            child->setUdfTabSheets(true);
        }
        child->BringUpRefresh();
        // Loading may move the focus; the window brought up keeps the front.
        RaiseWindow(child);
        child->setFocus();
        HideClosedWindows();
    }
}

void TfmMain::ShowDefaultChild() {
    TUpdatesOff off(this);
    if (FDefault) RaiseWindow(FDefault);
    FFront = nullptr;
    SetAllToolbarButtonsUp();
    HideClosedWindows();
}

int TfmMain::GetToolbarButtonIndexByChildForm(TfmChild* child) const {
    for (int i = 0; i < FBottomButtons.size(); ++i)
        if (FBottomButtons[i]->property("owner").value<QObject*>() == child) return i;
    return -1;
}

int TfmMain::GetNextToolbarButtonIdx() const { return FBottomButtons.isEmpty() ? -1 : 0; }

TfmChild* TfmMain::ChildOfBottomButton(int index) const {
    if (index < 0 || index >= FBottomButtons.size()) return nullptr;
    return qobject_cast<TfmChild*>(FBottomButtons[index]->property("owner").value<QObject*>());
}

void TfmMain::SetAllToolbarButtonsUp() {
    for (QToolButton* b : FBottomButtons) b->setChecked(false);
}

void TfmMain::DownOrCreateBottomButton(TfmChild* owner) {
    const int idx = GetToolbarButtonIndexByChildForm(owner);
    QToolButton* button = nullptr;
    if (idx >= 0) {
        button = FBottomButtons[idx];
    } else {
        button = new QToolButton(FBottomBar);
        button->setCheckable(true);
        button->setProperty("owner", QVariant::fromValue<QObject*>(owner));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        if (QAction* cmd = Command(CommandOfChild(owner->objectName()))) {
            button->setText(cmd->text());
            connect(button, &QToolButton::clicked, cmd, &QAction::trigger);
        }
        // New buttons go to the left end, before the ones already there.
        QAction* first = FBottomButtons.isEmpty() ? nullptr : FBottomBar->actions().value(0);
        FBottomBar->insertWidget(first, button);
        FBottomButtons.prepend(button);
    }
    SetAllToolbarButtonsUp();
    button->setChecked(true);
}

void TfmMain::DestroyBottomButton(TfmChild* child) {
    DestroyBottomButtonAt(GetToolbarButtonIndexByChildForm(child));
}

void TfmMain::DestroyBottomButtonAt(int index) {
    if (index < 0 || index >= FBottomButtons.size()) return;
    QToolButton* b = FBottomButtons.takeAt(index);
    for (QAction* a : FBottomBar->actions()) {
        if (FBottomBar->widgetForAction(a) == b) {
            FBottomBar->removeAction(a);
            break;
        }
    }
    b->deleteLater();
    HideClosedWindows();
}

void TfmMain::HideClosedWindows() {
    // The frame shows the next window when it hides the active one: round
    // again until only open windows are shown.
    bool again = true;
    for (int round = 0; again && round < 2 * FMdi->subWindowList().size(); ++round) {
        again = false;
        for (QMdiSubWindow* sub : FMdi->subWindowList()) {
            auto* child = qobject_cast<TfmChild*>(sub->widget());
            if (!child || !sub->isVisible() || GetToolbarButtonIndexByChildForm(child) >= 0)
                continue;
            sub->hide();
            again = true;
        }
    }
}

void TfmMain::CloseAll() {
    // From the last button to the first; a window whose edits stay unsaved
    // stays, with the windows before it.
    while (!FBottomButtons.isEmpty()) {
        auto* owner =
            qobject_cast<TfmChild*>(FBottomButtons.last()->property("owner").value<QObject*>());
        if (owner && owner->HasPendingEdits()) {
            BringUpChildForm(owner);
            if (!owner->ResolvePendingEdits()) return;
        }
        DestroyBottomButtonAt(FBottomButtons.size() - 1);
    }
    ShowDefaultChild();
}

QList<TfmChild*> TfmMain::BusinessWindows() const {
    QList<TfmChild*> all;
    for (TfmChild* w :
         std::initializer_list<TfmChild*>{fmCust, fmSupplier, fmProd, fmICBatch, fmArTran, fmCBAcct,
                                          fmCBTran, fmDoTemplate, fmUser, fmUserTodo})
        if (w) all << w;
    return all;
}

bool TfmMain::ResolveAllPendingEdits() {
    for (TfmChild* w : BusinessWindows()) {
        if (!w->HasPendingEdits()) continue;
        BringUpChildForm(w);
        if (!w->ResolvePendingEdits()) return false;
    }
    return true;
}

void TfmMain::closeEvent(QCloseEvent* e) {
    // Refused until every window's edits are settled: a save that fails,
    // even with an error no code expected, keeps the program open.
    e->ignore();
    bool settled = false;
    RunGuarded([this, &settled]() { settled = ResolveAllPendingEdits(); });
    if (settled) QMainWindow::closeEvent(e);
}

// ------------------------------------------------------------ help and update

void TfmMain::onlineUpdate() {
    const QString updater = ProgramFolder() + "AutoUpdate.exe";
    if (!QFileInfo::exists(updater)) {
        ShowInformation(QStringLiteral("Cannot find online auto update file: %1").arg(updater));
        return;
    }
    const bool terminate = ConfirmYesNo(QStringLiteral(
        "System is about to launch the online auto update program,\rIf there is any new "
        "update, this application will need to be terminated.\rDo you want to terminate this "
        "application now?"));
    QProcess::startDetached(updater, {});
    if (terminate) close();
}

void TfmMain::a1Click(int helpId) {
    const QString url =
        dmMain()
            ->SelectValue("SELECT URL FROM SYS_HELP WHERE ID=" + QString::number(helpId))
            .toString();
    QDesktopServices::openUrl(QUrl(HelpSite() + "/Video/" + url));
}
