#include "uUser.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "EFbError.h"
#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TFbConnection.h"
#include "uDbCheckBox.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"
#include "uPassword.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"

namespace {

// The menu entries the rights editor never offers carry this property.
bool IsFixed(const QAction* a) { return a->property("fixed").toBool(); }

QString CaptionOf(const QAction* a) {
    return a->isSeparator() ? QStringLiteral("-") : a->text().remove('&');
}

bool IsAdministrator(const TClientDataSet* cds) {
    if (!cds->Active() || cds->IsEmpty()) return false;
    return cds->FieldByName(QStringLiteral("ID"))->AsInteger() == 0 ||
           cds->FieldByName(QStringLiteral("CODE"))->AsString() == QLatin1String("ADMIN");
}

}  // namespace

// ------------------------------------------------------------ user window

TfmUser::TfmUser(QWidget* parent) : TfmChild(parent) {
    setObjectName(QStringLiteral("fmUser"));
    SetCaption(QStringLiteral("User Management"));
    SetChildMode(cmNoTreeView);
    Config.TableName = QStringLiteral("SYS_USER");
    Config.NameField = QStringLiteral("NAME");
    Config.FilterField.clear();
    Child_CDS->CommandText = QStringLiteral("SELECT * FROM SYS_USER WHERE ID=-1");
    for (QWidget* ts : {pgTs1, pgTs2, pgTsItems}) pg->setTabVisible(pg->indexOf(ts), false);

    auto* g = new QGridLayout(gb0);
    auto bound = [this](const char* field) {
        auto* pn = new TPnDbEdit(gb0);
        pn->SetDataField(QString::fromLatin1(field));
        pn->SetDataSource(Child_DS);
        pn->Loaded();
        return pn;
    };
    pnCode = bound("CODE");
    pnName = bound("NAME");
    g->addWidget(pnCode, 0, 0);
    g->addWidget(pnName, 0, 1);
    auto* passwordLabel = new QLabel(QStringLiteral("New Password"), gb0);
    edPassword = new QLineEdit(gb0);
    edPassword->setObjectName(QStringLiteral("edPassword"));
    edPassword->setEchoMode(QLineEdit::Password);
    edPassword->setPlaceholderText(QStringLiteral("(unchanged)"));
    passwordLabel->setBuddy(edPassword);
    cbNoPassword = new QCheckBox(QStringLiteral("No password"), gb0);
    cbNoPassword->setObjectName(QStringLiteral("cbNoPassword"));
    auto* password = new QVBoxLayout;
    password->addWidget(passwordLabel);
    password->addWidget(edPassword);
    g->addLayout(password, 1, 0);
    g->addWidget(cbNoPassword, 1, 1, Qt::AlignBottom);
    pnRemarks = new TPnDbMemo(gb0);
    pnRemarks->SetDataField(QStringLiteral("REMARKS"));
    pnRemarks->SetDataSource(Child_DS);
    pnRemarks->Loaded();
    g->addWidget(pnRemarks, 2, 0, 1, 2);
    cbDisabled = new TDbCheckBox(QStringLiteral("Disabled"), gb0);
    cbDisabled->setObjectName(QStringLiteral("cbDisabled"));
    cbDisabled->ValueChecked = 1;
    cbDisabled->ValueUnchecked = 2;
    cbDisabled->SetDataSource(Child_DS);
    cbDisabled->SetDataField(QStringLiteral("DISABLED"));
    g->addWidget(cbDisabled, 3, 0);
    g->setRowStretch(4, 1);
    Config.DefPnCtrlAftInsert = pnCode;

    // A new password or none is a change of the row like any typed value.
    auto editing = [this]() {
        if (Child_CDS->Active() && !Child_CDS->IsEmpty() &&
            Child_CDS->State() == TDataSetState::Browse)
            Child_CDS->Edit();
    };
    connect(edPassword, &QLineEdit::textEdited, this, editing);
    connect(cbNoPassword, &QCheckBox::toggled, this, [this, editing](bool on) {
        edPassword->setEnabled(!on);
        if (on) editing();
    });

    disconnect(Child_Delete, nullptr, this, nullptr);
    connect(Child_Delete, &QAction::triggered, this, GuardedCommand(&TfmUser::Child_DeleteExecute));
    ToolButton4 = ToolBar2->addAction(QString::fromUtf8("权限管理"));
    ToolButton4->setObjectName(QStringLiteral("ToolButton4"));
    connect(ToolButton4, &QAction::triggered, this, GuardedCommand(&TfmUser::ToolButton4Click));
}

void TfmUser::BringUpRefresh() {
    // Unsaved edits are not read over: they stay until the user settles
    // them, and the list is fresh at the next bring-up.
    if (HasPendingEdits()) return;
    TdmMain::ResetCDS(Child_CDS);
    Child_CDS->CommandText = QStringLiteral("SELECT * FROM SYS_USER");
    Child_CDS->Open();
}

void TfmUser::Child_CDSAfterOpen() {
    TfmChild::Child_CDSAfterOpen();
    edPassword->clear();
    cbNoPassword->setChecked(false);
}

void TfmUser::Child_CDSBeforePost() {
    TfmChild::Child_CDSBeforePost();
    TField* f = Child_CDS->FieldByName(QStringLiteral("PASSWD"));
    if (cbNoPassword->isChecked())
        f->SetValue(QString());
    else if (!edPassword->text().isEmpty())
        f->SetValue(HashPassword(edPassword->text()));
    else
        return;
    // Once in the row, the box is empty again: what is stored is never shown.
    edPassword->clear();
    cbNoPassword->setChecked(false);
}

void TfmUser::Child_DeleteExecute() {
    if (IsAdministrator(Child_CDS)) {
        ShowInformation(QStringLiteral("Cannot delete system administrator account"));
        return;
    }
    TfmChild::Child_DeleteExecute();
}

void TfmUser::ToolButton4Click() {
    if (!Child_CDS->Active() || Child_CDS->IsEmpty()) return;
    if (Child_CDS->FieldByName(QStringLiteral("ID"))->AsInteger() == 0) {
        ShowInformation(QStringLiteral(
            "System administrator has full access rights, no need to setup for this account, "
            "please select other user account."));
        return;
    }
    TfmUserAccess editor(MainMenu, this);
    editor.TheUserId = Child_CDS->FieldByName(QStringLiteral("ID"))->AsInteger();
    editor.Initialize();
    editor.exec();
}

// ------------------------------------------------------------ rights editor

const QStringList& TfmUserAccess::DeleteRights() {
    static const QStringList names = {
        QStringLiteral("Delete Product"), QStringLiteral("Delete Customer"),
        QStringLiteral("Delete Supplier"), QStringLiteral("Delete Order")};
    return names;
}

TfmUserAccess::TfmUserAccess(QMenuBar* mainMenu, QWidget* parent)
    : QDialog(parent), FMainMenu(mainMenu) {
    setObjectName(QStringLiteral("fmUserAccess"));
    setWindowTitle(QString::fromUtf8("用户权限"));
    SetStandardFont(this);
    resize(526, 275);
    auto* note = new QLabel(
        QString::fromUtf8("请在需要给权限的项前打勾, 管理员拥有所有权限,不受这里设置的影响."),
        this);
    note->setWordWrap(true);
    clbMenu = new QListWidget(this);
    clbMenu->setObjectName(QStringLiteral("clbMenu"));
    FLists = new QStackedWidget(this);
    clbBtn = new QListWidget(this);
    clbBtn->setObjectName(QStringLiteral("clbBtn"));
    BitBtn1 = new QPushButton(QString::fromUtf8("保存"), this);
    BitBtn2 = new QPushButton(QString::fromUtf8("取消"), this);
    auto* lists = new QHBoxLayout;
    lists->addWidget(clbMenu);
    lists->addWidget(FLists);
    lists->addWidget(clbBtn);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* v = new QVBoxLayout(this);
    v->addWidget(note);
    v->addLayout(lists, 1);
    v->addLayout(buttons);

    Access_CDS = new TClientDataSet(this);
    Access_CDS->setObjectName(QStringLiteral("Access_CDS"));
    Access_CDS->SetConnection(&dmMain()->SQLConn_Main);

    connect(clbMenu, &QListWidget::currentRowChanged, this, [this]() { clbMenuClick(); });
    connect(clbMenu, &QListWidget::itemChanged, this, [this]() { clbMenuClick(); });
    connect(BitBtn1, &QPushButton::clicked, this,
            [this]() { RunGuarded([this]() { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, &TfmUserAccess::BitBtn2Click);
}

QListWidget* TfmUserAccess::ListOf(int menuRow) const {
    return qobject_cast<QListWidget*>(FLists->widget(menuRow));
}

void TfmUserAccess::Initialize() {
    Access_CDS->Close();
    Access_CDS->CommandText =
        "SELECT * FROM SYS_USER_ACCESS WHERE SYS_USER_ID=" + QString::number(TheUserId);
    Access_CDS->Open();
    auto taken = [this](int level, const QString& action) {
        for (int r = 0; r < Access_CDS->RecordCount(); ++r) {
            Access_CDS->MoveTo(r);
            const TField* l = Access_CDS->FieldByName(QStringLiteral("LEVEL"));
            if ((l->IsNull() ? 0 : l->AsInteger()) == level &&
                Access_CDS->FieldByName(QStringLiteral("ACTION"))->AsString() == action)
                return true;
        }
        return false;
    };
    auto add = [](QListWidget* list, const QString& caption, bool ticked) {
        auto* item = new QListWidgetItem(caption, list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    };
    const QSignalBlocker blocker(clbMenu);
    clbMenu->clear();
    while (FLists->count() > 0) delete FLists->widget(0);
    if (FMainMenu) {
        for (QAction* top : FMainMenu->actions()) {
            if (IsFixed(top) || !top->menu()) continue;
            const QString caption = CaptionOf(top);
            add(clbMenu, caption, !taken(0, caption));
            auto* list = new QListWidget(FLists);
            list->setObjectName("clb_" + caption);
            for (QAction* a : top->menu()->actions())
                if (!IsFixed(a)) add(list, CaptionOf(a), !taken(1, CaptionOf(a)));
            FLists->addWidget(list);
        }
    }
    clbBtn->clear();
    for (const QString& name : DeleteRights()) add(clbBtn, name, !taken(2, name));
    if (clbMenu->count() > 0) clbMenu->setCurrentRow(0);
    clbMenuClick();
}

void TfmUserAccess::clbMenuClick() {
    const int row = clbMenu->currentRow();
    QListWidget* list = row < 0 ? nullptr : ListOf(row);
    if (!list) return;
    FLists->setCurrentWidget(list);
    const bool allowed = clbMenu->item(row)->checkState() == Qt::Checked;
    list->setEnabled(allowed);
    if (!allowed)
        for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(Qt::Unchecked);
}

void TfmUserAccess::BitBtn1Click() {
    // All the user's rows go, then one row per entry taken away.
    for (Access_CDS->First(); !Access_CDS->IsEmpty();) Access_CDS->Delete();
    auto append = [this](int level, const QString& action) {
        Access_CDS->Append();
        Access_CDS->FieldByName(QStringLiteral("ID"))
            ->SetValue(dmMain()->GetTableNextKey(QStringLiteral("SYS_USER_ACCESS")));
        Access_CDS->FieldByName(QStringLiteral("SYS_USER_ID"))->SetValue(TheUserId);
        Access_CDS->FieldByName(QStringLiteral("LEVEL"))->SetValue(level);
        Access_CDS->FieldByName(QStringLiteral("ACTION"))->SetValue(action);
        Access_CDS->FieldByName(QStringLiteral("VISIBLE"))->SetValue(0);
        Access_CDS->Post();
    };
    for (int m = 0; m < clbMenu->count(); ++m) {
        QListWidget* list = ListOf(m);
        for (int i = 0; list && i < list->count(); ++i)
            if (list->item(i)->checkState() != Qt::Checked) append(1, list->item(i)->text());
        if (clbMenu->item(m)->checkState() != Qt::Checked) append(0, clbMenu->item(m)->text());
    }
    for (int i = 0; i < clbBtn->count(); ++i)
        if (clbBtn->item(i)->checkState() != Qt::Checked) append(2, clbBtn->item(i)->text());
    // All of the user's rights change together, or none.
    if (Access_CDS->ChangeCount() > 0 && !ApplyOrKeep(Access_CDS)) return;
    accept();
}
