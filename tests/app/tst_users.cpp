// Users and rights as an administrator sets them and a user meets them:
// the user window with its passwords, the rights editor, and what a user
// sees after logging in.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "TClientDataSet.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uCBTran.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uPassword.h"
#include "uPnDbEdit.h"
#include "uStartup.h"
#include "uSupplier.h"
#include "uUser.h"

class TstUsers : public QObject {
    Q_OBJECT

private:
    TProgramFixture FProgram;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;

    QString Value(const QString& sql) { return FDm->SelectValue(sql).toString(); }

    // "Change User" to code with password, typed as a person does.
    void ChangeUser(const QString& code, const QString& password) {
        OnNextModal([code, password](QWidget* w) {
            auto* dlg = qobject_cast<TfmLogin*>(w);
            QVERIFY(dlg);
            dlg->cbLogin->setCurrentIndex(dlg->cbLogin->findText(code));
            QTest::keyClicks(dlg->edLogin, password);
            QTest::keyClick(dlg->edLogin, Qt::Key_Return);
            if (dlg->isVisible()) dlg->reject();
        });
        FMain->Command("System_Login")->trigger();
    }

    void AddUser(int id, const QString& code, const QString& passwd) {
        FDm->ExecSQL("INSERT INTO SYS_USER (ID, CODE, NAME, PASSWD) VALUES (:ID, :C, :N, :P)",
                     {{"ID", id}, {"C", code}, {"N", code + " Name"}, {"P", passwd}});
    }

    void Deny(int user, int level, const QString& action) {
        FDm->ExecSQL(
            "INSERT INTO SYS_USER_ACCESS (ID, SYS_USER_ID, \"LEVEL\", \"ACTION\", VISIBLE) "
            "VALUES (GEN_ID(SYS_USER_ACCESS_ID_GEN, 1), :U, :L, :A, 0)",
            {{"U", user}, {"L", level}, {"A", action}});
    }

    // Chooses item in the top-level menu title: a click on the menu bar,
    // then the keyboard.
    void ChooseInMainMenu(const QString& title, const QString& item) {
        QAction* top = TopMenu(title);
        QVERIFY(top && top->menu());
        ChooseInNextMenu(top->menu(), {item});
        QMenuBar* bar = FMain->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
        QTRY_VERIFY(!top->menu()->isVisible());
    }

    // "Change User" from the Systems menu; the login dialog, if it comes, is
    // answered with code and password, or cancelled for an empty code.
    // Whether the dialog came.
    bool ChangeUserByMenu(const QString& code, const QString& password) {
        bool came = false;
        QTimer poll;
        poll.setInterval(5);
        connect(&poll, &QTimer::timeout, this, [&]() {
            auto* dlg = qobject_cast<TfmLogin*>(QApplication::activeModalWidget());
            if (!dlg || !dlg->isVisible()) return;
            poll.stop();
            came = true;
            if (code.isEmpty()) {
                QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
                return;
            }
            dlg->cbLogin->setCurrentIndex(dlg->cbLogin->findText(code));
            QTest::keyClicks(dlg->edLogin, password);
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            if (dlg->isVisible()) dlg->reject();
        });
        poll.start();
        ChooseInMainMenu("Systems", "Change User");
        return came;
    }

    QStringList ButtonTexts() {
        QStringList t;
        for (QToolButton* b : FMain->BottomButtons()) t << b->text();
        return t;
    }

    // The windows the frame shows, by name, the one in front first.
    QStringList ShownWindows() {
        QStringList shown;
        for (QMdiSubWindow* s : FMain->MdiArea()->subWindowList(QMdiArea::StackingOrder))
            if (s->isVisible()) shown.prepend(s->widget()->objectName());
        return shown;
    }

    QAction* TopMenu(const QString& title) {
        for (QAction* a : FMain->menuBar()->actions())
            if (a->text() == title) return a;
        return nullptr;
    }

    TfmUser* UserWindowAt(const QString& code) {
        FMain->Command("System_User")->trigger();
        TfmUser* u = FMain->fmUser;
        const int row = u->Child_CDS->RowOfKey(
            FDm->SelectValue("SELECT ID FROM SYS_USER WHERE CODE='" + code + "'"));
        if (row < 0) return u;
        TDbGrid* g = u->Grid();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                          g->visualRect(g->model()->index(row, 1)).center());
        return u;
    }

private slots:
    void init() {
        QVERIFY(FProgram.Start());
        FMain = FProgram.Main();
        FDm = FProgram.Dm();
    }

    void cleanup() { FProgram.Stop(); }

    // A user's rows hide a menu, commands (in menus and on the tool bar) and
    // the invoice window's Delete button; "Change User" back shows all.
    void rightsAtLogin() {
        TScriptedMessages msgs;
        AddUser(1, "ANN", "");
        Deny(1, 0, "Reports");
        Deny(1, 1, "Banks");
        Deny(1, 1, "Products");
        Deny(1, 2, "Delete Order");
        Deny(1, 7, "Customers");  // no such level: nothing
        ChangeUser("ANN", "");
        QCOMPARE(FDm->Curr_User_ID, 1);
        QVERIFY(!TopMenu("Reports")->isVisible());
        QVERIFY(!FMain->Command("Sales_CBAcct")->isVisible());
        QVERIFY(FMain->Command("Sales_CBTran")->isVisible());
        QVERIFY(!FMain->Command("Prod_Product")->isVisible());
        QVERIFY(TopMenu("Products")->isVisible());  // with "Purchases"
        QVERIFY(FMain->Command("IC_Batch")->isVisible());
        QVERIFY(FMain->Command("CustRelation_Cust")->isVisible());
        FMain->Command("Ar_Tran")->trigger();
        QVERIFY(!FMain->fmArTran->Command("Child_Delete")->isVisible());
        QVERIFY(FMain->fmCust->Command("Child_Delete")->isVisible());

        ChangeUser("ADMIN", "");
        QCOMPARE(FDm->Curr_User_ID, 0);
        QVERIFY(TopMenu("Reports")->isVisible());
        QVERIFY(FMain->Command("Sales_CBAcct")->isVisible());
        QVERIFY(FMain->Command("Prod_Product")->isVisible());
        QVERIFY(FMain->fmArTran->Command("Child_Delete")->isVisible());
        QCOMPARE(msgs.Take(), QStringList());
    }

    // The administrator opens User Management and Suppliers, then Change
    // User to a user whose rights take User Management and Receipts away:
    // every window was closed first, and nothing brings the user window back,
    // not the task bar, the frame's window switching by keyboard, the hidden
    // command, nor another window. A cancelled Change User leaves the
    // administrator on the home page.
    void changeUserLeavesNoWindowBehind() {
        TScriptedMessages msgs;
        AddUser(1, "ANN", "");
        Deny(1, 1, "User Management");
        Deny(1, 1, "Receipts");
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'a', 'A')");
        FDm->ExecSQL("INSERT INTO CB_ACCT (ID, NAME) VALUES (1, 'Cheque')");
        FDm->ExecSQL(
            "INSERT INTO AR_TRAN (ID, INVOICENO, AR_ACCT_ID, AR_TRANTYPE_ID, SYS_TREEVIEW_ID, "
            "AMTTOTAL) VALUES (1, 'I1', 1, 1, 10, 100)");
        FDm->ExecSQL(
            "INSERT INTO CB_TRAN (ID, CB_ACCT_ID, AR_TRAN_ID, TRANAMT, CB_TRANTYPE_FACTOR, "
            "SYS_TREEVIEW_ID) VALUES (1, 1, 1, 100, 1, 10)");

        ChooseInMainMenu("Relations", "Suppliers");
        ChooseInMainMenu("Sales", "Receipts");
        ChooseInMainMenu("Systems", "User Management");
        QCOMPARE(FMain->FrontWindow(), FMain->fmUser);
        QCOMPARE(ButtonTexts(), (QStringList{"User Management", "Receipts", "Suppliers"}));

        // Cancelled: the administrator stays, every window closed.
        QVERIFY(ChangeUserByMenu("", ""));
        QCOMPARE(FDm->Curr_User_ID, 0);
        QCOMPARE(ButtonTexts(), QStringList());
        QVERIFY(!FMain->FrontWindow());
        QCOMPARE(ShownWindows(), QStringList{FMain->fmDefault()->objectName()});

        ChooseInMainMenu("Relations", "Suppliers");
        ChooseInMainMenu("Systems", "User Management");
        QVERIFY(ChangeUserByMenu("ANN", ""));
        QCOMPARE(FDm->Curr_User_ID, 1);
        QCOMPARE(ButtonTexts(), QStringList());
        QCOMPARE(ShownWindows(), QStringList{FMain->fmDefault()->objectName()});
        QVERIFY(!FMain->fmUser->isVisible());

        // The frame's window switching by keyboard.
        QMdiArea* mdi = FMain->MdiArea();
        for (int i = 0; i < 4; ++i) {
            for (QKeyCombination key : {QKeyCombination(Qt::ControlModifier, Qt::Key_Tab),
                                        QKeyCombination(Qt::ControlModifier, Qt::Key_F6)}) {
                // Where the frame takes its switching keys: the window in front.
                QWidget* at = mdi->activeSubWindow();
                QTest::keyClick(at, key.key(), key.keyboardModifiers());
                QTest::keyRelease(at, Qt::Key_Control);
                QVERIFY(!FMain->fmUser->isVisible());
                QVERIFY(!mdi->activeSubWindow() ||
                        mdi->activeSubWindow()->widget() != FMain->fmUser);
            }
        }
        mdi->activateNextSubWindow();
        QVERIFY(!FMain->fmUser->isVisible());

        // The hidden command, invoked as a shortcut would.
        QVERIFY(!FMain->Command("System_User")->isVisible());
        FMain->Command("System_User")->trigger();
        QVERIFY(!FMain->fmUser->isVisible());
        QCOMPARE(ButtonTexts(), QStringList());

        // A window allowed to the user comes up anew through its command.
        ChooseInMainMenu("Relations", "Suppliers");
        QCOMPARE(FMain->FrontWindow(), FMain->fmSupplier);
        QCOMPARE(ButtonTexts(), QStringList{"Suppliers"});

        // One window brought up from another follows the rights too.
        ChooseInMainMenu("Sales", "Invoices");
        TfmArTran* inv = FMain->fmArTran;
        QVERIFY(inv->Child_CDS->RowOfKey(1) >= 0);
        inv->Child_CDS->Locate("ID", 1);
        inv->Pages()->setCurrentWidget(inv->Part<QWidget>("pgTs1"));
        TDbGrid* g = inv->dbGridReceipts;
        QCOMPARE(g->model()->rowCount(), 1);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {},
                           g->visualRect(g->model()->index(0, 1)).center());
        QCOMPARE(msgs.Take(), QStringList{"Your access rights do not include \"Receipts\"."});
        QCOMPARE(FMain->FrontWindow(), inv);
        QVERIFY(!FMain->fmCBTran->isVisible());
        QCOMPARE(ButtonTexts(), (QStringList{"Invoices", "Suppliers"}));

        QCOMPARE(Value("SELECT COALESCE(PASSWD, '') FROM SYS_USER WHERE ID=0"), QString());
        QCOMPARE(msgs.Take(), QStringList());
    }

    // A whole menu taken away takes its windows with it, but for those the
    // tool bar offers; the fixed items stay.
    void withheldMenuTakesItsWindows() {
        TScriptedMessages msgs;
        AddUser(1, "ANN", "");
        Deny(1, 0, "Systems");
        Deny(1, 0, "Sales");
        QVERIFY(ChangeUserByMenu("ANN", ""));
        QCOMPARE(FDm->Curr_User_ID, 1);
        QVERIFY(!TopMenu("Systems")->isVisible());
        for (const char* withheld : {"System_User", "Sales_CBAcct"}) {
            FMain->Command(withheld)->trigger();
            QVERIFY2(!FMain->FrontWindow(), withheld);
        }
        QCOMPARE(ButtonTexts(), QStringList());
        auto* bar = FMain->findChild<QToolBar*>("TopBar");
        QTest::mouseClick(bar->widgetForAction(FMain->Command("Sales_CBTran")), Qt::LeftButton);
        QCOMPARE(FMain->FrontWindow(), FMain->fmCBTran);
        QVERIFY(FMain->Command("System_Login")->isEnabled());
        QCOMPARE(msgs.Take(), QStringList());
    }

    // Unsaved edits in the user window at Change User: settled first, or the
    // Change User does not go on and the typed text stays.
    void changeUserWithPendingEdits_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<QString>("stored");
        QTest::newRow("save") << int(TMessageService::TAnswer::Yes) << "Boss" << true << "Boss";
        QTest::newRow("discard") << int(TMessageService::TAnswer::No) << "Boss" << true
                                 << "Administrator";
        QTest::newRow("cancel") << int(TMessageService::TAnswer::Cancel) << "Boss" << false
                                << "Administrator";
        // The database refuses a name longer than its column.
        QTest::newRow("refused") << int(TMessageService::TAnswer::Yes) << QString(61, 'x') << false
                                 << "Administrator";
    }

    void changeUserWithPendingEdits() {
        QFETCH(int, answer);
        QFETCH(QString, typed);
        QFETCH(bool, goesOn);
        QFETCH(QString, stored);
        TScriptedMessages msgs;
        AddUser(1, "ANN", "");
        Deny(1, 1, "User Management");
        TfmUser* u = UserWindowAt("ADMIN");
        QWidget* name = EditorOf(u, "NAME");
        Retype(name, typed);
        msgs.Choices = {TMessageService::TAnswer(answer)};
        QCOMPARE(ChangeUserByMenu("ANN", ""), goesOn);
        QCOMPARE(msgs.Take().value(0),
                 QString("The record being edited in [User Management] is not saved yet. Save it "
                         "now?"));
        QCOMPARE(Value("SELECT NAME FROM SYS_USER WHERE ID=0"), stored);
        QCOMPARE(FDm->Curr_User_ID, goesOn ? 1 : 0);
        QCOMPARE(FMain->fmUser->isVisible(), !goesOn);
        QCOMPARE(ButtonTexts(), goesOn ? QStringList() : QStringList{"User Management"});
        if (!goesOn) {
            QCOMPARE(FMain->FrontWindow(), u);
            QVERIFY(u->HasPendingEdits());
            u->CancelPendingEdits();
        }
    }

    // The administrator can be neither deleted nor given rights.
    void administrator() {
        TScriptedMessages msgs;
        TfmUser* u = UserWindowAt("ADMIN");
        QTest::mouseClick(
            u->Part<QToolBar>("ToolBar2")->widgetForAction(u->Command("Child_Delete")),
            Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"Cannot delete system administrator account"});
        QCOMPARE(Value("SELECT COUNT(*) FROM SYS_USER WHERE ID=0"), QString("1"));
        QTest::mouseClick(u->Part<QToolBar>("ToolBar2")->widgetForAction(u->ToolButton4),
                          Qt::LeftButton);
        QCOMPARE(msgs.Take(),
                 QStringList{"System administrator has full access rights, no need to setup for "
                             "this account, please select other user account."});
    }

    // As a new administrator would: a user made with a password, no right to
    // delete invoices and no "Sales" menu; the user logs in and finds them
    // gone. The password is stored as a hash, the right one opens, a wrong
    // one does not.
    void newUserWithRights() {
        TScriptedMessages msgs;
        TfmUser* u = UserWindowAt("ADMIN");
        QTest::mouseClick(u->Part<QToolBar>("ToolBar2")->widgetForAction(u->Command("Child_New")),
                          Qt::LeftButton);
        QTest::keyClicks(u->pnCode->Edit(), "BOB");
        QTest::keyClicks(u->pnName->Edit(), "Bob Smith");
        QTest::keyClicks(u->edPassword, "s3cret'%");
        QTest::mouseClick(u->Part<QToolBar>("ToolBar2")->widgetForAction(u->Command("Child_Save")),
                          Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList());
        const QString stored = Value("SELECT PASSWD FROM SYS_USER WHERE CODE='BOB'");
        QVERIFY2(stored != "s3cret'%" && IsHashedPassword(stored), qPrintable(stored));
        QVERIFY(u->edPassword->text().isEmpty());

        bool edited = false;
        OnNextModal([&](QWidget* w) {
            auto* e = qobject_cast<TfmUserAccess*>(w);
            QVERIFY2(e, "the rights editor opened");
            QCOMPARE(e->windowTitle(), QString::fromUtf8("用户权限"));
            QStringList menus;
            for (int i = 0; i < e->clbMenu->count(); ++i) menus << e->clbMenu->item(i)->text();
            QCOMPARE(menus, (QStringList{"Systems", "Relations", "Products", "Sales", "Reports"}));
            auto* systems = e->findChild<QListWidget*>("clb_Systems");
            QVERIFY(systems);
            QStringList items;
            for (int i = 0; i < systems->count(); ++i) items << systems->item(i)->text();
            QCOMPARE(items, (QStringList{"Options", "Dictionary", "User Management"}));
            // Untick "Sales" with the keyboard: its list greys out and unticks.
            e->clbMenu->setFocus();
            e->clbMenu->setCurrentRow(3);
            QTest::keyClick(e->clbMenu, Qt::Key_Space);
            auto* sales = e->findChild<QListWidget*>("clb_Sales");
            QVERIFY(sales && !sales->isEnabled());
            for (int i = 0; i < sales->count(); ++i)
                QCOMPARE(sales->item(i)->checkState(), Qt::Unchecked);
            // No deleting invoices.
            e->clbBtn->setFocus();
            e->clbBtn->setCurrentRow(3);
            QCOMPARE(e->clbBtn->currentItem()->text(), QString("Delete Order"));
            QTest::keyClick(e->clbBtn, Qt::Key_Space);
            QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
            edited = true;
        });
        QTest::mouseClick(u->Part<QToolBar>("ToolBar2")->widgetForAction(u->ToolButton4),
                          Qt::LeftButton);
        QVERIFY(edited);
        const QString bob = Value("SELECT ID FROM SYS_USER WHERE CODE='BOB'");
        QCOMPARE(Value("SELECT LIST(\"LEVEL\" || ':' || \"ACTION\", '|') FROM (SELECT \"LEVEL\", "
                       "\"ACTION\", ID FROM SYS_USER_ACCESS WHERE SYS_USER_ID=" +
                       bob + " ORDER BY ID)"),
                 QString("1:Invoices|1:-|1:Banks|1:Receipts|0:Sales|2:Delete Order"));

        ChangeUser("BOB", "wrong");
        QCOMPARE(msgs.Take(), QStringList{"Invalid Password"});
        QCOMPARE(FDm->Curr_User_ID, 0);
        ChangeUser("BOB", "s3cret'%");
        QCOMPARE(FDm->Curr_User_ID, bob.toInt());
        QVERIFY(!TopMenu("Sales")->isVisible());
        QVERIFY(!FMain->fmArTran->Command("Child_Delete")->isVisible());
        QVERIFY(FMain->fmCust->Command("Child_Delete")->isVisible());

        // Everything ticked again: no rows left.
        ChangeUser("ADMIN", "");
        u = UserWindowAt("BOB");
        OnNextModal([&](QWidget* w) {
            auto* e = qobject_cast<TfmUserAccess*>(w);
            QVERIFY(e);
            e->clbMenu->setFocus();
            e->clbMenu->setCurrentRow(3);
            QTest::keyClick(e->clbMenu, Qt::Key_Space);
            QCOMPARE(e->clbMenu->item(3)->checkState(), Qt::Checked);
            QVERIFY(e->findChild<QListWidget*>("clb_Sales")->isEnabled());
            // Every entry ticked (a separator's row reads the same in every
            // menu, so the one of "Reports" shows unticked too).
            for (QListWidget* list : e->FLists->findChildren<QListWidget*>())
                for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(Qt::Checked);
            e->clbBtn->item(3)->setCheckState(Qt::Checked);
            QTest::mouseClick(e->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(u->Part<QToolBar>("ToolBar2")->widgetForAction(u->ToolButton4),
                          Qt::LeftButton);
        QCOMPARE(Value("SELECT COUNT(*) FROM SYS_USER_ACCESS WHERE SYS_USER_ID=" + bob),
                 QString("0"));
    }

    // A password kept as typed by an older version opens once more and is
    // stored as its hash from then on; an empty one stays no password.
    void plainPasswordConverted() {
        TScriptedMessages msgs;
        AddUser(5, "OLD", "plain");
        AddUser(6, "NOPW", "");
        ChangeUser("OLD", "plain");
        QCOMPARE(FDm->Curr_User_ID, 5);
        const QString stored = Value("SELECT PASSWD FROM SYS_USER WHERE ID=5");
        QVERIFY(IsHashedPassword(stored));
        QVERIFY(PasswordMatches(stored, "plain"));
        ChangeUser("OLD", "plain");
        QCOMPARE(FDm->Curr_User_ID, 5);
        ChangeUser("NOPW", "");
        QCOMPARE(FDm->Curr_User_ID, 6);
        QCOMPARE(Value("SELECT COALESCE(PASSWD, '') FROM SYS_USER WHERE ID=6"), QString());
        QCOMPARE(msgs.Take(), QStringList());
    }
};

QTEST_MAIN(TstUsers)
#include "tst_users.moc"
