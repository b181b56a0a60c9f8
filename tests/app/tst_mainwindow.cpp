// The main window: the start sequence, the task-bar rules, the commands
// offered, and the general error box.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "TClientDataSet.h"
#include "TestSupport.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"
#include "uUserTodo.h"

namespace {

// A browser as the navigation sees it; counts its tree loads.
class TFakeChild : public TfmChild {
public:
    TFakeChild(const QString& name, bool tree) {
        setObjectName(name);
        Config.TVShow = tree;
    }
    bool TreeIsEmpty() const override { return Loads == 0; }
    void LoadTree() override { ++Loads; }
    void BringUpRefresh() override { ++Refreshes; }
    int Loads = 0;
    int Refreshes = 0;
};

QStringList ButtonTexts(const TfmMain& m) {
    QStringList t;
    for (QToolButton* b : m.BottomButtons()) t << b->text();
    return t;
}

int DownIndex(const TfmMain& m) {
    int down = -1;
    for (int i = 0; i < m.BottomButtons().size(); ++i)
        if (m.BottomButtons()[i]->isChecked()) {
            if (down >= 0) return -2;  // more than one down
            down = i;
        }
    return down;
}

// The caption the window system is given: Qt appends the application display
// name, when one was set, to a title that does not already end with it.
QString ShownCaption(const QWidget& w) {
    QString t = w.windowTitle();
    const QString app = QGuiApplication::applicationDisplayName();
    if (app != QCoreApplication::applicationName() && !t.endsWith(app))
        t += QString::fromUtf8(" \u2014 ") + app;
    return t;
}

}  // namespace

class TstMainWindow : public QObject {
    Q_OBJECT

private slots:
    void cancelledLoginEndsTheProgram() {
        TTestFolder folder;
        TScriptedMessages msgs;
        OnNextModal([](QWidget* w) {
            if (auto* dlg = qobject_cast<TfmLogin*>(w)) dlg->BitBtn2->click();
        });
        TStartup startup;
        QVERIFY(!startup.Start());
        QVERIFY(!startup.fmMain);
        QVERIFY(msgs.Shown.isEmpty());
        QApplication::processEvents();
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    void failedConnectionEndsTheProgram() {
        TTestFolder folder("[DB]\nMain=./Data/none.fdb\n");
        TScriptedMessages msgs;
        TStartup startup;
        QVERIFY(!startup.Start());
        QCOMPARE(msgs.Shown.size(), 1);
    }

    // The program's name stands once in the caption, whichever window is in front;
    // message boxes still carry it.
    void captionNamesTheProgramOnce() {
        TTestFolder folder;
        TScriptedMessages msgs;
        LoginAs("ADMIN");
        TStartup startup;
        QVERIFY(startup.Start());
        TfmMain& m = *startup.fmMain;
        QCOMPARE(ShownCaption(m), QString("Tallyvo - [Welcome]"));  // the home page
        m.Command("CustRelation_Cust")->trigger();
        QCOMPARE(ShownCaption(m), QString("Tallyvo - [Customers]"));
        QCOMPARE(MessageTitle(), QString("Tallyvo"));
        QVERIFY(msgs.Shown.isEmpty());
    }

    void startSequence() {
        TTestFolder folder;
        TScriptedMessages msgs;
        LoginAs("ADMIN");
        TStartup startup;
        QVERIFY(startup.Start());
        TfmMain& m = *startup.fmMain;
        // A maximised child window adds its caption in brackets, as MDI frames do.
        QVERIFY2(m.windowTitle().startsWith("Tallyvo"), qPrintable(m.windowTitle()));
        QVERIFY(m.isMaximized() || m.windowState() & Qt::WindowMaximized);
        QCOMPARE(m.fmDefault()->lbChildName->text(), QString("Welcome, Administrator"));
        QCOMPARE(startup.dmMain->Curr_ProgName, QString("Tallyvo"));
        QCOMPARE(startup.dmMain->Curr_ProgTag, 1);
        QCOMPARE(startup.dmMain->Curr_User_ID, 0);
        QVERIFY(m.BottomButtons().isEmpty());
        QVERIFY(!m.FrontWindow());
        // The commands of this build; windows still to come stay hidden.
        for (const char* name : {"Help_About",
                                 "System_Exit",
                                 "System_Login",
                                 "System_Default",
                                 "System_ChangePasswd",
                                 "System_Dictionary",
                                 "System_UserTodo",
                                 "CustRelation_Cust",
                                 "CustRelation_Supplier",
                                 "Prod_Product",
                                 "IC_Batch",
                                 "Ar_Tran",
                                 "Sales_CBAcct",
                                 "Sales_CBTran",
                                 "System_Option",
                                 "Template_Do",
                                 "Rpt_Sales",
                                 "Rpt_SalesDetail",
                                 "Rpt_SalesAging",
                                 "Rpt_CB",
                                 "Rpt_ProdRpt",
                                 "System_User"})
            QVERIFY2(m.Command(name)->isVisible(), name);
        for (const char* name : {"OnlineUpdate"}) QVERIFY2(!m.Command(name)->isVisible(), name);
        // Every business window comes up through its command, with its button.
        const QStringList captions = {"Customers", "Suppliers",      "Products", "Purchases",
                                      "Invoices",  "Banks",          "Receipts", "Templates",
                                      "Todo List", "User Management"};
        for (const char* name :
             {"CustRelation_Cust", "CustRelation_Supplier", "Prod_Product", "IC_Batch", "Ar_Tran",
              "Sales_CBAcct", "Sales_CBTran", "Template_Do", "System_UserTodo", "System_User"})
            m.Command(name)->trigger();
        QCOMPARE(m.BottomButtons().size(), 10);
        for (QToolButton* b : m.BottomButtons())
            QVERIFY2(captions.contains(b->text()), qPrintable(b->text()));
        // The to-do window lists the logged-in user's tasks.
        QCOMPARE(m.fmUserTodo->Child_CDS->CommandText,
                 QString("SELECT * FROM SYS_USER_TODO WHERE SYS_USER_ID=0"));
        QCOMPARE(m.Command("System_Login")->text(), QString("Change User"));
        QVERIFY(msgs.Shown.isEmpty());
    }

    void taskBarRules() {
        TTestFolder folder;
        TScriptedMessages msgs;
        TdmMain dm;
        TfmMain m;
        auto* cust = new TFakeChild("fmCust", true);
        auto* prod = new TFakeChild("fmProd", true);
        auto* inv = new TFakeChild("fmArTran", false);
        for (TfmChild* c : {static_cast<TfmChild*>(cust), static_cast<TfmChild*>(prod),
                            static_cast<TfmChild*>(inv)})
            m.AddChild(c);
        m.SetDefaultChild(new TfmDefault);
        m.show();
        m.SetCommandAvailable("CustRelation_Cust", true);
        m.SetCommandAvailable("Prod_Product", true);
        connect(m.Command("CustRelation_Cust"), &QAction::triggered, &m,
                [&]() { m.BringUpChildForm(cust); });
        connect(m.Command("Prod_Product"), &QAction::triggered, &m,
                [&]() { m.BringUpChildForm(prod); });

        // "Customers" twice: one button, down; the tree loads once.
        m.Command("CustRelation_Cust")->trigger();
        m.Command("CustRelation_Cust")->trigger();
        QCOMPARE(ButtonTexts(m), QStringList{"Customers"});
        QCOMPARE(DownIndex(m), 0);
        QCOMPARE(cust->Loads, 1);
        QCOMPARE(cust->Refreshes, 2);
        QCOMPARE(m.FrontWindow(), cust);
        QCOMPARE(m.MdiArea()->activeSubWindow()->widget(), cust);

        // Then Products, then Main: both up, home page in front.
        m.Command("Prod_Product")->trigger();
        m.Command("System_Default")->trigger();
        QCOMPARE(DownIndex(m), -1);
        QVERIFY(!m.FrontWindow());
        QCOMPARE(m.MdiArea()->activeSubWindow()->widget(), m.fmDefault());
        // Clicking the Products button brings products back with its button down.
        m.BottomButtons()[0]->click();
        QCOMPARE(m.FrontWindow(), prod);
        QCOMPARE(ButtonTexts(m), (QStringList{"Products", "Customers"}));
        QCOMPARE(DownIndex(m), 0);

        // Newest at the left; closing Invoices brings up Products.
        m.BringUpChildForm(inv);
        QCOMPARE(ButtonTexts(m), (QStringList{"Invoices", "Products", "Customers"}));
        QCOMPARE(inv->Loads, 0);  // no tree, nothing loaded
        inv->CloseChild();
        QCOMPARE(ButtonTexts(m), (QStringList{"Products", "Customers"}));
        QCOMPARE(m.FrontWindow(), prod);
        QCOMPARE(DownIndex(m), 0);
        QVERIFY(inv->parentWidget());  // kept alive behind the others

        // A later bring-up does not reload the tree.
        m.BringUpChildForm(cust);
        QCOMPARE(cust->Loads, 1);
        QCOMPARE(ButtonTexts(m), (QStringList{"Products", "Customers"}));
        QCOMPARE(DownIndex(m), 1);

        // Close All: no buttons, home page in front.
        cust->CloseAllChildren();
        QVERIFY(m.BottomButtons().isEmpty());
        QVERIFY(!m.FrontWindow());

        // Closing the only open child shows the home page.
        m.BringUpChildForm(prod);
        prod->CloseChild();
        QVERIFY(m.BottomButtons().isEmpty());
        QVERIFY(!m.FrontWindow());
        QCOMPARE(m.GetNextToolbarButtonIdx(), -1);
    }

    void menusWithoutCommandsAreHidden() {
        TfmMain m;
        QStringList shown;
        for (QAction* a : m.menuBar()->actions())
            if (a->isVisible()) shown << a->text();
        QCOMPARE(shown, (QStringList{"Systems", "Reports", "Help"}));
        m.SetCommandAvailable("CustRelation_Cust", true);
        shown.clear();
        for (QAction* a : m.menuBar()->actions())
            if (a->isVisible()) shown << a->text();
        QCOMPARE(shown, (QStringList{"Systems", "Relations", "Reports", "Help"}));
    }

    // An error that no handler catches reaches the general error box with its
    // own message, and the window stays usable.
    void generalErrorBox() {
        TScriptedMessages msgs;
        QPushButton button("boom");
        connect(&button, &QPushButton::clicked,
                []() { throw EFbError("lock conflict on no wait transaction"); });
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"lock conflict on no wait transaction"});
        QVERIFY(button.isVisible());
    }

    void onlineUpdateWithoutUpdater() {
        TTestFolder folder;
        TScriptedMessages msgs;
        TfmMain m;
        m.onlineUpdate();
        QCOMPARE(msgs.Take(), QStringList{"Cannot find online auto update file: " + folder.Path() +
                                          "AutoUpdate.exe"});
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TstMainWindow t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainwindow.moc"
