#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QSet>
#include <functional>

#include "uChild.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;
class TfmDefault;
class TfmCust;
class TfmSupplier;
class TfmProd;
class TfmUser;
class TfmUserTodo;
class TfmCBAcct;
class TfmCBTran;
class TfmICBatch;
class TfmArTran;
class TfmDoTemplate;

// The main window: a multi-document frame with the menu, the top tool bar and
// the bottom task bar of the child windows that have been brought up.
class TfmMain : public QMainWindow, public IChildHost {
    Q_OBJECT
public:
    explicit TfmMain(QWidget* parent = nullptr);
    ~TfmMain() override;

    // ---- login and session
    // Runs the login dialog; true when a user logged in. Needs only the data
    // module, so start-up calls it before the main window exists.
    static bool LoginOk();
    void LoginFinalize();
    // The upgrade check of every login completion: newer batches of the
    // upgrade database, shown in "Upgrade" (or run at once when Silent).
    void dbPatch(bool Silent);
    // The tip window after login, for a user who wants it.
    void ShowTipOfDay();
    // "Daily Tips".
    void System_TipExecute();
    void System_LoginExecute();
    // "Restore Database...": the program starts again on the restored file.
    void System_RestoreExecute();
    // Starts the program anew and ends this one.
    std::function<void()> RestartProgram;
    void System_ChangePasswdExecute();

    // ---- child windows
    // Places a long-lived child window in the frame (created once at start).
    void AddChild(TfmChild* child);
    void SetDefaultChild(TfmDefault* home);
    // Creates the long-lived business windows, each once, in their fixed order.
    void CreateBusinessWindows();
    TfmCust* fmCust = nullptr;
    TfmSupplier* fmSupplier = nullptr;
    TfmProd* fmProd = nullptr;
    TfmICBatch* fmICBatch = nullptr;
    TfmArTran* fmArTran = nullptr;
    TfmCBAcct* fmCBAcct = nullptr;
    TfmCBTran* fmCBTran = nullptr;
    TfmDoTemplate* fmDoTemplate = nullptr;
    TfmUser* fmUser = nullptr;
    TfmUserTodo* fmUserTodo = nullptr;
    void System_DictionaryExecute();
    // Opens the options window on the tree entry TabIndex (0 "General",
    // 1 "Company", 2 "Tax Rates"), modally; it is freed when closed.
    void SetSysOptions(int TabIndex) override;
    TfmDefault* fmDefault() const { return FDefault; }

    void BringUpChildForm(TfmChild* child) override;
    // Whether the user's rights leave child's command to the user.
    bool MayBringUp(TfmChild* child) const;
    void ShowDefaultChild() override;
    void CloseAll() override;
    void DestroyBottomButton(TfmChild* child) override;
    int GetNextToolbarButtonIdx() const override;
    TfmChild* ChildOfBottomButton(int index) const override;

    // Asks about the unsaved edits of every business window, bringing each
    // up first; false when one stays unsaved (Cancel, or a refused save).
    bool ResolveAllPendingEdits();

    void DownOrCreateBottomButton(TfmChild* owner);
    int GetToolbarButtonIndexByChildForm(TfmChild* child) const;
    void SetAllToolbarButtonsUp();

    // ---- commands
    // The command (action) by its name, e.g. "CustRelation_Cust".
    QAction* Command(const QString& name) const;
    // Shows every command whose window exists; rights then hide some.
    void EnablingAllAccess();
    // Hides what the rows of SYS_USER_ACCESS take away from user UserId.
    void SetUserAccess(int UserId);
    // Marks a command's window as built, so that the command is offered.
    void SetCommandAvailable(const QString& name, bool available);

    void onlineUpdate();
    void a1Click(int helpId);

    // What is in front: a child window, or the home page (nullptr).
    QWidget* FrontWindow() const { return FFront; }
    // The task bar's buttons, left to right.
    const QList<QToolButton*>& BottomButtons() const { return FBottomButtons; }
    QMdiArea* MdiArea() const { return FMdi; }

    // Addresses of the publisher's site.
    static QString HelpSite() { return QStringLiteral("https://tallyvo.example.com"); }

protected:
    // Closing the main window ends the program: unsaved edits are asked about first.
    void closeEvent(QCloseEvent* e) override;
    // A child window's own close box (or Ctrl+W) is its "Close" button: the
    // long-lived window is never freed while the program runs.
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QList<TfmChild*> BusinessWindows() const;
    QAction* AddCommand(const QString& name, const QString& caption, bool available);
    void BuildMdiArea();
    void BuildCommands();
    void ConnectSystemCommands();
    void ConnectReportCommands();
    void BuildMenus();
    void BuildToolBar();
    void BuildWindowBar();
    void RaiseWindow(QWidget* w);
    void DestroyBottomButtonAt(int index);
    // Hides the windows without a task-bar button, so that the frame's own
    // window switching reaches none of them.
    void HideClosedWindows();
    void UpdateMenuVisibility();

    QMdiArea* FMdi;
    QToolBar* FTopBar;
    QToolBar* FBottomBar;
    TfmDefault* FDefault = nullptr;
    QWidget* FFront = nullptr;
    QHash<QString, QAction*> FCommands;
    QSet<QString> FAvailable;
    QList<QMenu*> FTopMenus;
    QList<QToolButton*> FBottomButtons;
    // The commands the logged-in user's rights take away.
    QSet<QAction*> FWithheld;
};
