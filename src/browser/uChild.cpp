#include "uChild.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "TBookmarkList.h"
#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDbGridModel.h"
#include "TFbConnection.h"
#include "TFbQuery.h"
#include "TFolderCounts.h"
#include "uDbGrid.h"
#include "uDelete.h"
#include "uDmMain.h"
#include "uExport.h"
#include "uFlags.h"
#include "uGridSettings.h"
#include "uLibProc.h"
#include "uMessages.h"
#include "uPnDbEdit.h"
#include "uTreeView.h"

namespace {
IChildHost* g_host = nullptr;

QToolButton* ToolButton(QWidget* parent, const QString& name, const QString& text,
                        const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setAccessibleName(hint.isEmpty() ? text : hint);
    b->setAutoRaise(true);
    return b;
}

}  // namespace

void TfmChild::SetHost(IChildHost* host) { g_host = host; }
IChildHost* TfmChild::Host() { return g_host; }

namespace {
ITemplatePrinter* g_templatePrinter = nullptr;
// Every template menu built, so that a copied or deleted template marks
// them all for rebuilding.
QList<QPointer<QMenu>>& TemplateMenus() {
    static QList<QPointer<QMenu>> menus;
    return menus;
}
}  // namespace

void TfmChild::SetTemplatePrinter(ITemplatePrinter* printer) { g_templatePrinter = printer; }
ITemplatePrinter* TfmChild::TemplatePrinter() { return g_templatePrinter; }

void TfmChild::MarkTemplateMenusStale() {
    for (const QPointer<QMenu>& m : TemplateMenus())
        if (m) m->setProperty("Tag", TemplateMenuStale);
}

void TfmChild::CreateTemplateMenu(int aTmplateType, QMenu* aMenuItem) {
    if (!TemplateMenus().contains(aMenuItem)) TemplateMenus().append(aMenuItem);
    if (!aMenuItem->isEmpty() && aMenuItem->property("Tag").toInt() != TemplateMenuStale) return;
    aMenuItem->clear();
    if (aTmplateType == 1) {
        dmMain()->ForEachRow(
            QStringLiteral("SELECT * FROM SO_DOTEMPLATE ORDER BY ID"),
            [this, aMenuItem](const TFbQuery& q) {
                QAction* item = aMenuItem->addAction(q.AsString(QStringLiteral("NAME")));
                item->setProperty("Tag", q.AsInteger(QStringLiteral("ID")));
                connect(item, &QAction::triggered, this,
                        [this, item]() { Guarded([this, item]() { DoTemplateItemClick(item); }); });
            });
    }
    aMenuItem->setProperty("Tag", 0);
}

void TfmChild::DoTemplateItemClick(QAction* item) {
    if (g_templatePrinter) g_templatePrinter->PrintWithTemplate(item->property("Tag").toInt());
}

TfmChild::TfmChild(QWidget* parent) : QWidget(parent) {
    FTableDbChanged = false;
    SetStandardFont(this);
    Child_CDS = new TClientDataSet(this);
    Child_CDS->setObjectName(QStringLiteral("Child_CDS"));
    Child_DS = new TDataSource(this);
    Child_DS->setObjectName(QStringLiteral("Child_DS"));
    Child_DS->SetDataSet(Child_CDS);
    // Another user's change to a column this user also changed is refused,
    // never overwritten; changes to different columns both survive.
    Child_CDS->UpdateMode = TUpdateMode::WhereChanged;
    // Years of rows: the first screen is read at once, the rest as the user
    // scrolls or while the program waits for the user.
    Child_CDS->PacketRecords = ChildPacketRows;
    Child_CDS->FetchWhenIdle = true;
    Child_CDS->FetchProgress = [this](int held) { return ShowFetchProgress(held); };
    Sub_CDS = new TClientDataSet(this);
    Sub_CDS->setObjectName(QStringLiteral("Sub_CDS"));
    Sub_CDS->UpdateMode = TUpdateMode::WhereAll;
    Sub_DS = new TDataSource(this);
    Sub_DS->setObjectName(QStringLiteral("Sub_DS"));
    Sub_DS->SetDataSet(Sub_CDS);
    Flag_CDS = new TClientDataSet(this);
    Flag_CDS->setObjectName(QStringLiteral("Flag_CDS"));
    if (dmMain()) {
        Child_CDS->SetConnection(&dmMain()->SQLConn_Main);
        Sub_CDS->SetConnection(&dmMain()->SQLConn_Main);
        Flag_CDS->SetConnection(&dmMain()->SQLConn_Main);
    }
    Child_CDS->OnBeforeOpen = [this](TClientDataSet&) { Child_CDSBeforeOpen(); };
    Child_CDS->OnAfterOpen = [this](TClientDataSet&) { Child_CDSAfterOpen(); };
    Child_CDS->OnAfterInsert = [this](TClientDataSet&) { Child_CDSAfterInsert(); };
    Child_CDS->OnBeforePost = [this](TClientDataSet&) { Child_CDSBeforePost(); };
    Sub_CDS->OnBeforeOpen = [this](TClientDataSet&) {
        CDSBeforeOpen(Sub_CDS, Config.SubTableName, false, false);
    };
    connect(Child_DS, &TDataSource::StateChanged, this, &TfmChild::Child_DSStateChange);
    Sub_CDS->OnAfterOpen = [this](TClientDataSet&) { Sub_CDSAfterOpen(); };
    Sub_CDS->OnAfterInsert = [this](TClientDataSet&) { Sub_CDSAfterInsert(); };
    connect(Sub_DS, &TDataSource::StateChanged, this, &TfmChild::Sub_DSStateChange);
    connect(Child_DS, &TDataSource::LayoutChanged, this, &TfmChild::SetSubButtonStatus);
    connect(Sub_DS, &TDataSource::LayoutChanged, this, &TfmChild::SetSubButtonStatus);
    connect(Sub_DS, &TDataSource::RowRemoved, this, &TfmChild::SetSubButtonStatus);
    BuildUi();
    FFolderCounts = std::make_unique<TFolderCounts>(DataModuleCountRunner());
    FFolderCounts->Changed = [this](int folder) {
        ShowFolderCount(TreeView1, folder, FFolderCounts->Count(folder), Config.TVCountField,
                        Config.TVShowCount);
    };
    FFolderCounts->Failed = [](const QString& message) { ShowError(message); };
    // The folders' counts may come after the rows (a table of many rows).
    connect(TreeView1, &QTreeWidget::itemChanged, this, [this]() {
        if (!Child_CDS->AllFetched()) ShowRecordCount();
    });
    connect(Child_DS, &TDataSource::RowsAppended, this, [this]() {
        if (Child_CDS->AllFetched()) CountListedFolder();
        ShowRecordCount();
    });
    FLookupFieldsArray.clear();
}

QAction* TfmChild::Command(const QString& name) const { return findChild<QAction*>(name); }

TfmChild::~TfmChild() {
    // The record sets outlive this body (they are children, freed by QObject
    // later): nothing they announce while going may reach the window, which
    // by then is only half there.
    for (TDataSource* ds : {Child_DS, Sub_DS}) ds->disconnect(this);
    // Nor may the grids, which lose the focus as they go.
    for (QObject* grid : {static_cast<QObject*>(DBGrid1), static_cast<QObject*>(DBGridItem)})
        if (grid) grid->disconnect(this);
    for (TClientDataSet* cds : {Child_CDS, Sub_CDS}) {
        cds->OnBeforeOpen = nullptr;
        cds->OnAfterOpen = nullptr;
        cds->OnAfterInsert = nullptr;
        cds->OnBeforePost = nullptr;
        cds->OnFieldChange = nullptr;
        cds->OnAfterScroll = nullptr;
    }
}

// ------------------------------------------------------------------ window

void TfmChild::BuildUi() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    BuildTitleStrip(outer);
    BuildCommandStrip(outer);

    auto* body = new QWidget(this);
    auto* bodyLayout = new QHBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);
    outer->addWidget(body, 1);

    BuildNavigationPane(bodyLayout);
    BuildCollapseStrip(bodyLayout);
    BuildRightPane(bodyLayout);
    BuildStatusBar(outer);
    BuildGridMenu();
    BuildQuickFilter();
    ConnectGridLayout();
}

// The caption strip with Help, Close All and Close.
void TfmChild::BuildTitleStrip(QBoxLayout* outer) {
    PanelTop = new QFrame(this);
    PanelTop->setObjectName(QStringLiteral("PanelTop"));
    PanelTop->setAutoFillBackground(true);
    QPalette pal = PanelTop->palette();
    pal.setColor(QPalette::Window, QColor(0x2b, 0x57, 0x9a));
    pal.setColor(QPalette::WindowText, Qt::white);
    PanelTop->setPalette(pal);
    auto* top = new QHBoxLayout(PanelTop);
    top->setContentsMargins(8, 2, 4, 2);
    lbChildName = new QLabel(PanelTop);
    lbChildName->setObjectName(QStringLiteral("lbChildName"));
    QFont bold = lbChildName->font();
    bold.setBold(true);
    bold.setPointSize(11);
    lbChildName->setFont(bold);
    top->addWidget(lbChildName, 1);
    btnHelp = ToolButton(PanelTop, "btnHelp", "Help", QString());
    btnHelp->hide();  // help topics come with the home page's help table
    btnCloseAll = ToolButton(PanelTop, "btnCloseAll", "Close All", QString());
    btnClose = ToolButton(PanelTop, "btnClose", "Close", QString());
    top->addWidget(btnHelp);
    top->addWidget(btnCloseAll);
    top->addWidget(btnClose);
    connect(btnClose, &QToolButton::clicked, this, &TfmChild::CloseChild);
    connect(btnCloseAll, &QToolButton::clicked, this, &TfmChild::CloseAllChildren);
    outer->addWidget(PanelTop);
}

// New, Save, Cancel, Delete and the filter and action buttons.
void TfmChild::BuildCommandStrip(QBoxLayout* outer) {
    ToolBar2 = new QToolBar(this);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto action = [this](const QString& name, const QString& text) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        return a;
    };
    Child_New = action("Child_New", "New");
    Child_Save = action("Child_Save", "Save");
    Child_Cancel = action("Child_Cancel", "Cancel");
    Child_Delete = action("Child_Delete", "Delete");
    Child_RefreshRecord = action("Child_RefreshRecord", "Refresh Record");
    Child_DesignField = action("Child_DesignField", "Design Fields");
    ToolBar2->addAction(Child_New);
    ToolBar2->addAction(Child_Save);
    ToolBar2->addAction(Child_Cancel);
    ToolBar2->addAction(Child_Delete);
    ToolBar2->addSeparator();
    btnFilter = ToolButton(ToolBar2, "btnFilter", "Filter", QString());
    btnFilter->setPopupMode(QToolButton::InstantPopup);
    btnActions = ToolButton(ToolBar2, "btnActions", "Actions", QString());
    btnActions->setPopupMode(QToolButton::InstantPopup);
    PopupActions = new QMenu(btnActions);
    PopupActions->setObjectName(QStringLiteral("PopupActions"));
    btnActions->setMenu(PopupActions);
    // The quick filters arrive with the saved searches; subclasses fill "Actions".
    FFilterButton = ToolBar2->addWidget(btnFilter);
    FFilterButton->setVisible(false);  // until the rows are read: where there is a date column
    ToolBar2->addWidget(btnActions)->setVisible(false);
    connect(Child_New, &QAction::triggered, this, GuardedCommand(&TfmChild::Child_NewExecute));
    connect(Child_Save, &QAction::triggered, this, GuardedCommand(&TfmChild::Child_SaveExecute));
    connect(Child_Cancel, &QAction::triggered, this,
            GuardedCommand(&TfmChild::Child_CancelExecute));
    connect(Child_Delete, &QAction::triggered, this,
            GuardedCommand(&TfmChild::Child_DeleteExecute));
    connect(Child_RefreshRecord, &QAction::triggered, this,
            GuardedCommand(&TfmChild::Child_RefreshRecordExecute));
    outer->addWidget(ToolBar2);
}

// The folder tree, the search panel and the column list, with the tree's menu.
void TfmChild::BuildNavigationPane(QBoxLayout* bodyLayout) {
    QWidget* body = bodyLayout->parentWidget();
    PanelLeft = new QWidget(body);
    PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    // Wide enough for the row of its buttons and the search panel's boxes.
    PanelLeft->setFixedWidth(250);
    auto* left = new QVBoxLayout(PanelLeft);
    left->setContentsMargins(0, 0, 0, 0);
    PanelLeftTopTitle = new QWidget(PanelLeft);
    PanelLeftTopTitle->setObjectName(QStringLiteral("PanelLeftTopTitle"));
    auto* titleRow = new QHBoxLayout(PanelLeftTopTitle);
    titleRow->setContentsMargins(2, 2, 2, 2);
    btnLeftTree =
        ToolButton(PanelLeftTopTitle, "btnLeftTree", "Folders", "System-defined Group Tree");
    btnLeftFind = ToolButton(PanelLeftTopTitle, "btnLeftFind", "Search", "Self-defined Search");
    btnGridOption =
        ToolButton(PanelLeftTopTitle, "btnGridOption", "Columns", "Data Columns Option");
    for (QToolButton* b : {btnLeftTree, btnLeftFind, btnGridOption}) {
        b->setCheckable(true);
        titleRow->addWidget(b);
        connect(b, &QToolButton::clicked, this,
                [this, b]() { Guarded([this, b]() { btnLeftTreeClick(b); }); });
    }
    btnLeftTree->setChecked(true);
    titleRow->addStretch(1);
    btnAutoAdj =
        ToolButton(PanelLeftTopTitle, "btnAutoAdj", "Fit", "Auto-adjust Data Columns Width");
    btnMoveLeft = ToolButton(PanelLeftTopTitle, "btnMoveLeft", "X", "Hide Navigation Pane");
    titleRow->addWidget(btnAutoAdj);
    titleRow->addWidget(btnMoveLeft);
    connect(btnAutoAdj, &QToolButton::clicked, this, GuardedCommand(&TfmChild::btnAutoAdjClick));
    left->addWidget(PanelLeftTopTitle);
    PanelLeftStack = new QStackedWidget(PanelLeft);
    PanelLeftStack->setObjectName(QStringLiteral("PanelLeftStack"));
    TreeView1 = new QTreeWidget(PanelLeftStack);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setToolTip(QStringLiteral("Press right mouse button for menus"));
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    PanelLeftBottomBottom = new QWidget(PanelLeftStack);
    PanelLeftBottomBottom->setObjectName(QStringLiteral("PanelLeftBottomBottom"));
    CheckListGridOption = new QListWidget(PanelLeftStack);
    CheckListGridOption->setObjectName(QStringLiteral("CheckListGridOption"));
    CheckListGridOption->setDragDropMode(QAbstractItemView::InternalMove);
    CheckListGridOption->setDefaultDropAction(Qt::MoveAction);
    BuildSearchPanel();
    PanelLeftStack->addWidget(TreeView1);
    PanelLeftStack->addWidget(PanelLeftBottomBottom);
    PanelLeftStack->addWidget(CheckListGridOption);
    left->addWidget(PanelLeftStack, 1);
    bodyLayout->addWidget(PanelLeft);

    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (!FChangingNode) Guarded([this, node]() { TreeView1Change(node); });
    });
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) {
        if (node && node == TreeView1->currentItem() && NodeData(node).ID != FListedFolderId)
            Guarded([this, node]() { TreeView1Change(node); });
    });
    PopupTreeView = new QMenu(TreeView1);
    N12 = PopupTreeView->addAction(QStringLiteral("&Create New Sub Folder Under Selected Folder"));
    N13 = PopupTreeView->addAction(QStringLiteral("&Edit Selected Folder Name"));
    PopupTreeView->addSeparator();
    N15 = PopupTreeView->addAction(QStringLiteral("&Delete Selected Folder"));
    PopupTreeView->addSeparator();
    MenuItem_TVRefresh = PopupTreeView->addAction(QStringLiteral("&Refresh"));
    PopupTreeView->setObjectName(QStringLiteral("PopupTreeView"));
    N12->setObjectName(QStringLiteral("N12"));
    N13->setObjectName(QStringLiteral("N13"));
    N15->setObjectName(QStringLiteral("N15"));
    MenuItem_TVRefresh->setObjectName(QStringLiteral("MenuItem_TVRefresh"));
    connect(N12, &QAction::triggered, this, GuardedCommand(&TfmChild::N12Click));
    connect(N13, &QAction::triggered, this, GuardedCommand(&TfmChild::N13Click));
    connect(N15, &QAction::triggered, this, GuardedCommand(&TfmChild::N15Click));
    connect(MenuItem_TVRefresh, &QAction::triggered, this,
            GuardedCommand(&TfmChild::MenuItem_TVRefreshClick));
    connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        PopupTreeView->popup(TreeView1->viewport()->mapToGlobal(p));
    });
}

void TfmChild::ShowPane(QWidget* pane, QToolButton* collapse, QToolButton* open, bool shown) {
    pane->setVisible(shown);
    collapse->setVisible(shown);
    open->setVisible(!shown);
}

// The strip that hides and shows the navigation pane.
void TfmChild::BuildCollapseStrip(QBoxLayout* bodyLayout) {
    QWidget* body = bodyLayout->parentWidget();
    PanelLeftVerticalSplitter = new QWidget(body);
    PanelLeftVerticalSplitter->setObjectName(QStringLiteral("PanelLeftVerticalSplitter"));
    PanelLeftVerticalSplitter->setFixedWidth(8);
    auto* vs = new QVBoxLayout(PanelLeftVerticalSplitter);
    vs->setContentsMargins(0, 0, 0, 0);
    imgVerticalMoveLeft =
        ToolButton(PanelLeftVerticalSplitter, "imgVerticalMoveLeft", "<", "Leftward Collapse");
    imgVerticalMoveRight =
        ToolButton(PanelLeftVerticalSplitter, "imgVerticalMoveRight", ">", "Open Rightward");
    imgVerticalMoveRight->hide();
    vs->addWidget(imgVerticalMoveLeft);
    vs->addWidget(imgVerticalMoveRight);
    vs->addStretch(1);
    bodyLayout->addWidget(PanelLeftVerticalSplitter);
    const auto showLeft = [this](bool shown) {
        return [=]() { ShowPane(PanelLeft, imgVerticalMoveLeft, imgVerticalMoveRight, shown); };
    };
    connect(btnMoveLeft, &QToolButton::clicked, this, showLeft(false));
    connect(imgVerticalMoveLeft, &QToolButton::clicked, this, showLeft(false));
    connect(imgVerticalMoveRight, &QToolButton::clicked, this, showLeft(true));
}

// The grid, the strip under it and the editor pane with its sheets.
void TfmChild::BuildRightPane(QBoxLayout* bodyLayout) {
    QWidget* body = bodyLayout->parentWidget();
    PanelRight = new QWidget(body);
    PanelRight->setObjectName(QStringLiteral("PanelRight"));
    auto* right = new QVBoxLayout(PanelRight);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    HorizontalSplitter = new QSplitter(Qt::Vertical, PanelRight);
    HorizontalSplitter->setObjectName(QStringLiteral("HorizontalSplitter"));
    DBGrid1 = new TDbGrid(HorizontalSplitter);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->SetDataSource(Child_DS);
    // The flag column shows the flag's icon, or nothing for a cleared or
    // deleted flag.
    DBGrid1->GridModel()->SetColumnPicture(
        QStringLiteral("SYS_TABLEFLAG_ID"), [this](const QVariant& id) {
            // While painting no message can be shown: a set that cannot be
            // read leaves the cells blank, and the flag menu says why.
            try {
                OpenFlagCDSIfNeeded();
            } catch (const std::exception&) {
                return QPixmap();
            }
            const int row = Flag_CDS->RowOfKey(id);
            if (row < 0) return QPixmap();
            auto value = [this, row](const char* f) {
                return Flag_CDS->ValueAt(row, Flag_CDS->FieldByName(QString::fromLatin1(f)));
            };
            return FlagIcon(value("IMGID").toInt(), value("IMGIDX").toInt());
        });
    DBGrid1->setToolTip(
        QStringLiteral("Press Ctrl key to select multiple records, Press right "
                       "mouse button for menus"));
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* lower = new QWidget(HorizontalSplitter);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);
    PanelRightHorizontalSplitter = new QWidget(lower);
    PanelRightHorizontalSplitter->setObjectName(QStringLiteral("PanelRightHorizontalSplitter"));
    auto* hs = new QHBoxLayout(PanelRightHorizontalSplitter);
    hs->setContentsMargins(0, 0, 0, 0);
    imgHorizontalMoveDown =
        ToolButton(PanelRightHorizontalSplitter, "imgHorizontalMoveDown", "v", "Downward Collapse");
    imgHorizontalMoveUp =
        ToolButton(PanelRightHorizontalSplitter, "imgHorizontalMoveUp", "^", "Open Upward");
    imgHorizontalMoveUp->hide();
    hs->addStretch(1);
    hs->addWidget(imgHorizontalMoveDown);
    hs->addWidget(imgHorizontalMoveUp);
    hs->addStretch(1);
    lowerLayout->addWidget(PanelRightHorizontalSplitter);
    PanelRightBottom = new QWidget(lower);
    PanelRightBottom->setObjectName(QStringLiteral("PanelRightBottom"));
    auto* bottom = new QVBoxLayout(PanelRightBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    pg = new QTabWidget(PanelRightBottom);
    pg->setObjectName(QStringLiteral("pg"));
    auto sheet = [this](const QString& name, const QString& caption, QGroupBox** gb) {
        auto* ts = new QWidget(pg);
        ts->setObjectName(name);
        auto* l = new QVBoxLayout(ts);
        l->setContentsMargins(2, 2, 2, 2);
        if (gb) {
            *gb = new QGroupBox(ts);
            l->addWidget(*gb);
        }
        pg->addTab(ts, caption);
        return ts;
    };
    pgTs0 = sheet("pgTs0", "Particulars", &gb0);
    gb0->setObjectName(QStringLiteral("gb0"));
    pgTs1 = sheet("pgTs1", "Sheet 2", &gb1);
    gb1->setObjectName(QStringLiteral("gb1"));
    pgTs2 = sheet("pgTs2", "Sheet 3", &gb2);
    gb2->setObjectName(QStringLiteral("gb2"));
    auto* pages = new QHBoxLayout;
    pages->setContentsMargins(0, 0, 0, 0);
    pages->addWidget(pg, 1);
    BuildUdfSheets(pages);
    pgTsItems = sheet("pgTsItems", "Items", nullptr);
    BuildItemsSheet();
    bottom->addLayout(pages);
    lowerLayout->addWidget(PanelRightBottom, 1);
    HorizontalSplitter->addWidget(DBGrid1);
    HorizontalSplitter->addWidget(lower);
    right->addWidget(HorizontalSplitter, 1);
    bodyLayout->addWidget(PanelRight, 1);
    const auto showLower = [this](bool shown) {
        return [=]() {
            ShowPane(PanelRightBottom, imgHorizontalMoveDown, imgHorizontalMoveUp, shown);
        };
    };
    connect(imgHorizontalMoveDown, &QToolButton::clicked, this, showLower(false));
    connect(imgHorizontalMoveUp, &QToolButton::clicked, this, showLower(true));
}

// The record count and the other status panels.
void TfmChild::BuildStatusBar(QBoxLayout* outer) {
    auto* status = new QWidget(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    auto* sl = new QHBoxLayout(status);
    sl->setContentsMargins(4, 1, 4, 1);
    const int widths[4] = {120, 50, 380, 50};
    for (int i = 0; i < 4; ++i) {
        StatusPanels[i] = new QLabel(status);
        StatusPanels[i]->setMinimumWidth(widths[i]);
        sl->addWidget(StatusPanels[i], i == 2 ? 1 : 0);
    }
    StatusPanels[0]->setText(QStringLiteral("Record Count: "));
    outer->addWidget(status);
}

// The grid's pop-up menu.
void TfmChild::BuildGridMenu() {
    PopupDbGrid = new QMenu(DBGrid1);
    MenuItem_AutoAdj = PopupDbGrid->addAction(QStringLiteral("Auto-adjust Column Widths"));
    MenuItem_SelectAll = PopupDbGrid->addAction(QStringLiteral("Select All Records"));
    MenuItem_Export = PopupDbGrid->addAction(QStringLiteral("Export to Excel"));
    MenuItem_Export->setObjectName(QStringLiteral("MenuItem_Export"));
    PopupDbGrid->setObjectName(QStringLiteral("PopupDbGrid"));
    MenuItem_AutoAdj->setObjectName(QStringLiteral("MenuItem_AutoAdj"));
    MenuItem_SelectAll->setObjectName(QStringLiteral("MenuItem_SelectAll"));
    connect(MenuItem_Export, &QAction::triggered, this, GuardedCommand(&TfmChild::Excel1Click));
    PopupDbGrid->addAction(Child_RefreshRecord);
    PopupDbGrid->addSeparator();
    PopupFlags = new QMenu(QStringLiteral("Set Flag"), PopupDbGrid);
    PopupFlags->setObjectName(QStringLiteral("PopupFlags"));
    N16 = PopupDbGrid->addMenu(PopupFlags);
    N16->setObjectName(QStringLiteral("N16"));
    N16->setVisible(false);  // for tables whose rows carry a flag
    connect(PopupFlags, &QMenu::triggered, this,
            [this](QAction* item) { Guarded([this, item]() { FlagItemClick(item); }); });
    N17 = PopupDbGrid->addAction(QStringLiteral("Move to Folder"));
    N17->setObjectName(QStringLiteral("N17"));
    PopupDbGrid->addSeparator();
    PopupDbGrid->addAction(Child_DesignField);
    Child_DesignField->setVisible(false);  // for windows with user-defined fields
    connect(MenuItem_AutoAdj, &QAction::triggered, this,
            GuardedCommand(&TfmChild::btnAutoAdjClick));
    connect(MenuItem_SelectAll, &QAction::triggered, this, [this]() { MenuItem_SelectAllClick(); });
    connect(N17, &QAction::triggered, this, GuardedCommand(&TfmChild::N17Click));
    connect(DBGrid1, &QWidget::customContextMenuRequested, this, &TfmChild::ShowGridMenu);
}

// Sorting by title and saving the grid layout after changes.
void TfmChild::ConnectGridLayout() {
    connect(DBGrid1, &TDbGrid::TitleClicked, this,
            [this](int logical) { Guarded([this, logical]() { DBGrid1TitleClick(logical); }); });
    connect(DBGrid1, &TDbGrid::ColumnMoved, this, [this](int from, int to) {
        if (from < CheckListGridOption->count() && to < CheckListGridOption->count()) {
            const QSignalBlocker block(CheckListGridOption);
            QListWidgetItem* item = CheckListGridOption->takeItem(from);
            CheckListGridOption->insertItem(to, item);
        }
        SaveMasterGrid();
    });
    connect(DBGrid1, &TDbGrid::MousePressedOnTitle, this, [this]() { MouseDownOnTitle = true; });
    connect(DBGrid1, &TDbGrid::MouseReleased, this, [this](QMouseEvent*) {
        if (MouseDownOnTitle) SaveMasterGrid();
    });
    connect(DBGrid1, &TDbGrid::Exited, this, &TfmChild::SaveMasterGrid);
    connect(CheckListGridOption, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int logical = item->data(Qt::UserRole).toInt();
        DBGrid1->horizontalHeader()->setSectionHidden(logical, item->checkState() != Qt::Checked);
        SaveMasterGrid();
    });
    connect(CheckListGridOption->model(), &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int from, int, const QModelIndex&, int to) {
                // The grid column follows its item to the drop position.
                const int dest = to > from ? to - 1 : to;
                QHeaderView* h = DBGrid1->horizontalHeader();
                const QSignalBlocker block(h);
                h->moveSection(from, dest);
                SaveMasterGrid();
            });
}
void TfmChild::BuildItemsSheet() {
    auto* l = static_cast<QVBoxLayout*>(pgTsItems->layout());
    auto* row = new QWidget(pgTsItems);
    auto* rl = new QHBoxLayout(row);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->setSpacing(0);
    auto* left = new QWidget(row);
    auto* ll = new QVBoxLayout(left);
    ll->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QWidget(left);
    auto* bl = new QHBoxLayout(buttons);
    bl->setContentsMargins(0, 0, 0, 0);
    ItemBtnNew = ToolButton(buttons, "ItemBtnNew", "+", "New Item");
    ItemBtnDel = ToolButton(buttons, "ItemBtnDel", "-", "Delete Item");
    ItemBtnSaveSetting = ToolButton(buttons, "ItemBtnSaveSetting", "Widths", "Save Columns Width");
    bl->addWidget(ItemBtnNew);
    bl->addWidget(ItemBtnDel);
    bl->addWidget(ItemBtnSaveSetting);
    lbItemsHint = new QLabel(buttons);
    lbItemsHint->setObjectName(QStringLiteral("lbItemsHint"));
    lbItemsHint->hide();
    bl->addWidget(lbItemsHint);
    bl->addStretch(1);
    ll->addWidget(buttons);
    DBGridItem = new TDbGrid(left);
    DBGridItem->setObjectName(QStringLiteral("DBGridItem"));
    DBGridItem->SetDataSource(Sub_DS);
    ll->addWidget(DBGridItem, 1);
    rl->addWidget(left, 1);
    ItemSplitBtn = ToolButton(row, "ItemSplitBtn", ">", "Hide Item Editing Panel");
    ItemSplitBtn->setFixedWidth(12);
    ItemSplitBtn->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    rl->addWidget(ItemSplitBtn);
    pgTsItemsPanelRight = new QWidget(row);
    pgTsItemsPanelRight->setObjectName(QStringLiteral("pgTsItemsPanelRight"));
    auto* pr = new QVBoxLayout(pgTsItemsPanelRight);
    pr->setContentsMargins(2, 0, 0, 0);
    auto* cmd = new QWidget(pgTsItemsPanelRight);
    auto* cl = new QHBoxLayout(cmd);
    cl->setContentsMargins(0, 0, 0, 0);
    ItemBtnNew2 = ToolButton(cmd, "ItemBtnNew2", "New", QString());
    ItemBtnSave = ToolButton(cmd, "ItemBtnSave", "Save", QString());
    itemBtnCancel = ToolButton(cmd, "itemBtnCancel", "Cancel", QString());
    ItemBtnDel2 = ToolButton(cmd, "ItemBtnDel2", "Delete", QString());
    ItemBtnPrior = ToolButton(cmd, "ItemBtnPrior", "Prior", QString());
    ItemBtnNext = ToolButton(cmd, "ItemBtnNext", "Next", QString());
    for (QToolButton* b :
         {ItemBtnNew2, ItemBtnSave, itemBtnCancel, ItemBtnDel2, ItemBtnPrior, ItemBtnNext})
        cl->addWidget(b);
    cl->addStretch(1);
    pr->addWidget(cmd);
    GroupBoxItem = new QGroupBox(pgTsItemsPanelRight);
    GroupBoxItem->setObjectName(QStringLiteral("GroupBoxItem"));
    pr->addWidget(GroupBoxItem, 1);
    rl->addWidget(pgTsItemsPanelRight, 1);
    l->addWidget(row);
    connect(ItemBtnNew, &QToolButton::clicked, this, GuardedCommand(&TfmChild::SubBtnNewClick));
    connect(ItemBtnNew2, &QToolButton::clicked, this, GuardedCommand(&TfmChild::SubBtnNewClick));
    connect(ItemBtnSave, &QToolButton::clicked, this, GuardedCommand(&TfmChild::SubBtnSaveClick));
    connect(itemBtnCancel, &QToolButton::clicked, this,
            GuardedCommand(&TfmChild::SubBtnCancelClick));
    connect(ItemBtnDel, &QToolButton::clicked, this, GuardedCommand(&TfmChild::SubBtnDelClick));
    connect(ItemBtnDel2, &QToolButton::clicked, this, GuardedCommand(&TfmChild::SubBtnDelClick));
    connect(ItemBtnPrior, &QToolButton::clicked, this,
            GuardedCommand(&TfmChild::ItemBtnPriorClick));
    connect(ItemBtnNext, &QToolButton::clicked, this, GuardedCommand(&TfmChild::ItemBtnNextClick));
    connect(ItemSplitBtn, &QToolButton::clicked, this, &TfmChild::SubBtnViewGridClick);
    connect(ItemBtnSaveSetting, &QToolButton::clicked, this,
            [this]() { Guarded([this]() { SaveGridSettings(DBGridItem, objectName()); }); });
    connect(DBGridItem, &TDbGrid::Exited, this, [this]() {
        if (Sub_CDS->Active() && DBGridItem->ColumnCount() > 0)
            Guarded([this]() { SaveGridSettings(DBGridItem, objectName()); });
    });
}

void TfmChild::SetCaption(const QString& caption) {
    setWindowTitle(caption);
    lbChildName->setText(caption);
}

void TfmChild::SaveMasterGrid() {
    if (Child_CDS->Active() && DBGrid1->isVisible() && DBGrid1->ColumnCount() > 0)
        Guarded([this]() { SaveGridSettings(DBGrid1, objectName()); });
}

void TfmChild::Guarded(const std::function<void()>& f) { RunGuarded(f); }

// ------------------------------------------------------------------ layout

void TfmChild::DisableLeftPanel() {
    PanelLeft->hide();
    PanelLeftVerticalSplitter->hide();
}

void TfmChild::DisableRightBottonPanel() {
    PanelRightBottom->hide();
    PanelRightHorizontalSplitter->hide();
}

void TfmChild::SetRightPanelAlighTop() {
    HorizontalSplitter->setStretchFactor(0, 0);
    HorizontalSplitter->setStretchFactor(1, 1);
}

void TfmChild::SetRightPanelAlighBottom() {
    HorizontalSplitter->setStretchFactor(0, 1);
    HorizontalSplitter->setStretchFactor(1, 0);
}

void TfmChild::SetForNoTreeView() { SetRightPanelAlighBottom(); }

void TfmChild::DisableLeftTopButtons(bool btnAutoAdjVisible) {
    btnLeftTree->hide();
    btnLeftFind->hide();
    btnGridOption->hide();
    btnAutoAdj->setVisible(btnAutoAdjVisible);
}

void TfmChild::SubPgCtrlSetAlighClient() {
    if (Config.SubPgCtrl) Config.SubPgCtrl->setCurrentIndex(0);
    if (Config.SubDbGrid) Config.SubDbGrid->raise();
}

void TfmChild::SubSingleGroupBoxSetAlighClient() {}

void TfmChild::SetChildMode(int cMode) {
    switch (cMode) {
        case cmGridOnly:
            DisableLeftPanel();
            DisableRightBottonPanel();
            break;
        case cmRightPanelTop:
            SetRightPanelAlighTop();
            break;
        case cmRightPanelBottom:
            SetRightPanelAlighBottom();
            break;
        case cmNoTreeRightPanelTop:
            DisableLeftPanel();
            SetRightPanelAlighTop();
            break;
        case cmNoTreeView:
            DisableLeftPanel();
            SetForNoTreeView();
            break;
        case cmEditorOnly:
            DBGrid1->hide();
            imgHorizontalMoveUp->hide();
            PanelRightHorizontalSplitter->hide();
            DisableLeftTopButtons(false);
            break;
        default:
            break;
    }
}

// ------------------------------------------------------------ data events

void TfmChild::CDSBeforeOpen(TClientDataSet* ds, const QString& tableName, bool fillCondBoxes,
                             bool dbChanged) {
    if (ds->Tag != 0) return;
    PopulateCDSWithLookupFields(ds, tableName, fillCondBoxes, dbChanged);
    ds->Tag = 1;
}

void TfmChild::Child_CDSBeforeOpen() {
    CDSBeforeOpen(Child_CDS, Config.TableName, true, FTableDbChanged);
    FTableDbChanged = false;
    // Sorted before the first read, so that the engine hands over the first
    // screen of that order: lists by date open at the newest rows.
    const TField* f =
        Config.OrderByField.isEmpty() ? nullptr : Child_CDS->FindField(Config.OrderByField);
    if (f && Child_CDS->IndexName().isEmpty()) {
        const bool newestFirst = f->DataType == TFbType::Date || f->DataType == TFbType::TimeStamp;
        Child_CDS->AddIndex((newestFirst ? "D_" : "A_") + f->FieldName, f->FieldName, newestFirst);
    }
}

void TfmChild::Child_CDSAfterOpen() {
    if (DBGrid1->isVisibleTo(this)) {
        LoadGridSettings(DBGrid1, CheckListGridOption, objectName());
        const int logical = DBGrid1->LogicalOfField(Config.OrderByField);
        if (!Config.OrderByField.isEmpty() && logical >= 0)
            Config.OrderByField = SortGridByColumn(Child_CDS, DBGrid1, logical, false);
    }
    ShowRecordCount();
    RefreshLookupCDS(Config.TableName);
    SetTopBtnStatus();
}

void TfmChild::Child_CDSAfterInsert() {
    dmMain()->AssignAutoNoFieldValue(Config.TableName, Child_DS);
    SetTableDefaultForInsert(Child_CDS);
}

void TfmChild::Child_CDSBeforePost() {
    // A master row is never written without its key.
    if (Child_CDS->FieldByName(QStringLiteral("ID"))->IsNull()) {
        ShowInformation(
            QStringLiteral("Record in editing mode, please save or cancel the editing first."));
        throw EAbort();
    }
}

void TfmChild::Child_DSStateChange() {
    ApplyCtrlFlags(Child_DS, this);
    SetTopBtnStatus();
    SetSubButtonStatus();
}

// ------------------------------------------------------------ detail lines

void TfmChild::OpenSubSet() {
    if (Config.SubTableName.isEmpty()) return;
    Sub_CDS->Close();
    Sub_CDS->SetMasterLink(Child_CDS, QStringLiteral("ID"), Config.SubLinkField);
    Sub_CDS->CommandText = "SELECT " + Config.SubSelectList + " FROM " + Config.SubTableName +
                           " ORDER BY " + Config.SubLineField;
    Sub_CDS->Open();
}

void TfmChild::Sub_CDSAfterOpen() {
    if (!Config.SubTableName.isEmpty() && Config.SubDbGrid)
        LoadGridSettings(Config.SubDbGrid, nullptr, objectName());
    RefreshLookupCDS(Config.SubTableName);
    SetSubButtonStatus();
}

void TfmChild::Sub_CDSAfterInsert() {
    if (Child_CDS->Active() && !Child_CDS->IsEmpty()) {
        SetTableDefaultForInsert(Sub_CDS);
    } else {
        ShowInformation(
            QStringLiteral("No parent table record, cannot create new sub table record."));
        Sub_CDS->Cancel();
        throw EAbort();
    }
}

void TfmChild::Sub_DSStateChange() {
    SetSubButtonStatus();
    ApplyCtrlFlags(Sub_DS, this);
}

void TfmChild::SetSubButtonStatus() {
    if (Config.SubTableName.isEmpty() || Config.SubLinkField.isEmpty() || !Sub_CDS->Active())
        return;
    const bool P = Child_CDS->Active() && !Child_CDS->IsEmpty();
    const bool I = Child_CDS->State() == TDataSetState::Insert;
    const bool E = Sub_DS->Editing();
    const bool R = !Sub_CDS->IsEmpty();
    ItemBtnSave->setEnabled(E && P);
    itemBtnCancel->setEnabled(ItemBtnSave->isEnabled() && P);
    for (QToolButton* b : {ItemBtnNew, ItemBtnNew2}) b->setEnabled(!E && P && !I);
    for (QToolButton* b : {ItemBtnDel, ItemBtnDel2, ItemBtnPrior, ItemBtnNext})
        b->setEnabled(!E && R && P && !I);
    // Lines belong to a stored record: say so rather than leave the buttons
    // off without a word.
    lbItemsHint->setText(I    ? QStringLiteral("Save the new record first, then add its lines.")
                         : !P ? QStringLiteral("Select or add a record first, then add its lines.")
                              : QString());
    lbItemsHint->setVisible(!lbItemsHint->text().isEmpty());
    PanelLeft->setEnabled(!E && !Child_DS->Editing());
    DBGrid1->setEnabled(!E);
    ToolBar2->setEnabled(!E);
    // The title turns red while a line is edited.
    QPalette pal = lbChildName->palette();
    pal.setColor(QPalette::WindowText, E ? Qt::red : Qt::white);
    lbChildName->setPalette(pal);
    lbChildName->setText(E ? windowTitle() + " - " + "Sub table in editing mode ..."
                           : windowTitle());
}

int TfmChild::GetNewLine(TClientDataSet* cds, const QString& lineField) {
    return SubGetAggregatedValue(cds, lineField, 1).toInt() + 1;
}

QVariant TfmChild::SubGetAggregatedValue(TClientDataSet* cds, const QString& field, int aggType) {
    Q_UNUSED(aggType);  // 1, the largest value, is the only kind
    TField* f = cds->FindField(field);
    int best = 0;
    for (int row = 0; f && row < cds->RecordCount(); ++row)
        best = qMax(best, cds->ValueAt(row, f).toInt());  // null lines count as 0
    return best;
}

void TfmChild::SubBtnNewClick() {
    if (!Child_CDS->Active() || Child_CDS->IsEmpty()) return;
    const int n = GetNewLine(Sub_CDS, Config.SubLineField);
    Sub_CDS->Insert();
    Sub_CDS->FieldByName(Config.SubLineField)->SetValue(n);
    if (ItemSplitBtn->text() == "<") SubBtnViewGridClick();
    if (auto* pn = qobject_cast<TPnBase*>(Config.SubLinePnCtrl))
        pn->Editor()->setFocus();
    else if (Config.SubLinePnCtrl)
        Config.SubLinePnCtrl->setFocus();
}

void TfmChild::SubBtnSaveClick() { SaveLine(); }

bool TfmChild::SaveLine() {
    if (!Child_CDS->Active()) {
        ShowError(QStringLiteral("No parent table record, cannot create new sub table record."));
        return false;
    }
    const TDataSetState st = Sub_CDS->State();
    if (st != TDataSetState::Edit && st != TDataSetState::Insert) return true;
    // The master row is saved first, with its checks: a line is never stored
    // beside a master row whose screen values differ from the stored ones
    // (the invoice's totals would follow a tax code that Cancel then drops).
    if (Child_DS->Editing() && !SaveMaster()) return false;
    if (!CheckRequiredControls(Sub_DS, this)) return false;
    // A line refused before and saved again is still a new line.
    const bool inserting = Sub_CDS->UpdateStatus() == TUpdateStatus::Inserted;
    if (inserting) {
        const int masterId = Child_CDS->FieldByName(QStringLiteral("ID"))->AsInteger();
        if (masterId < 0) {
            ShowError(QStringLiteral(
                "Invalid parent table record ID, failed creating new sub table record."));
            return false;
        }
        Sub_CDS->FieldByName(Config.SubLinkField)->SetValue(masterId);
    }
    Sub_CDS->Post();
    const bool written = WriteRows(Sub_CDS, [this, inserting](TFbTransaction& tra) {
        LockMaster(tra);
        if (inserting && !Config.SubLineField.isEmpty()) TakeFreeLineNumber(tra);
    });
    if (!written) {
        // The line stays as typed, ready for a correction or Cancel.
        if (!Sub_CDS->IsEmpty()) Sub_CDS->Edit();
        return false;
    }
    if (inserting) {
        // Read again for the key the database gave the line, and stay on it.
        const QVariant line = Config.SubLineField.isEmpty()
                                  ? QVariant()
                                  : Sub_CDS->FieldByName(Config.SubLineField)->Value();
        Sub_CDS->Refresh();
        if (line.isValid()) Sub_CDS->Locate(Config.SubLineField, line);
    }
    // The master row shows what the write derived (totals).
    if (Child_CDS->State() == TDataSetState::Browse) Child_CDS->RefreshRecord();
    ItemBtnNew2->setFocus();
    return true;
}

void TfmChild::TakeFreeLineNumber(TFbTransaction& tra) {
    // Another user may have stored a line with the number proposed here
    // since the lines were read; the master row is locked now, so the
    // highest stored number stays the highest until this write commits.
    TField* line = Sub_CDS->FieldByName(Config.SubLineField);
    const QString master =
        QString::number(Child_CDS->FieldByName(QStringLiteral("ID"))->AsInteger());
    TFbQuery q(tra, "SELECT COUNT(*) AS TAKEN, (SELECT MAX(" + Config.SubLineField + ") FROM " +
                        Config.SubTableName + " WHERE " + Config.SubLinkField + "=" + master +
                        ") AS TOP FROM " + Config.SubTableName + " WHERE " + Config.SubLinkField +
                        "=" + master + " AND " + Config.SubLineField + "=:N");
    q.SetParam(QStringLiteral("N"), line->AsInteger());
    q.Open();
    if (line->IsNull() || q.AsInteger(QStringLiteral("TAKEN")) > 0) {
        Sub_CDS->Edit();
        line->SetValue(q.AsInteger(QStringLiteral("TOP")) + 1);
        Sub_CDS->Post();
    }
}

void TfmChild::LockMaster(TFbTransaction& tra) {
    const QString id = QString::number(Child_CDS->FieldByName(QStringLiteral("ID"))->AsInteger());
    TFbQuery q(tra, "SELECT ID FROM " + Config.TableName + " WHERE ID=" + id + " WITH LOCK");
    q.Open();
    if (q.Eof()) throw EFbError(QStringLiteral("Record not found or changed by another user"));
}

bool TfmChild::WriteRows(TClientDataSet* cds, const std::function<void(TFbTransaction&)>& prepare) {
    return ApplyOrKeep(cds, prepare, [this, cds](TFbTransaction& tra) { WriteDerived(tra, cds); });
}

void TfmChild::WriteDerived(TFbTransaction&, TClientDataSet*) {}

void TfmChild::SubBtnCancelClick() {
    const TDataSetState st = Sub_CDS->State();
    if (st != TDataSetState::Edit && st != TDataSetState::Insert) return;
    Sub_CDS->Cancel();
    if (Sub_CDS->ChangeCount() > 0) Sub_CDS->CancelUpdates();
}

void TfmChild::SubBtnDelClick() {
    if (!Sub_CDS->Active() || Sub_CDS->IsEmpty()) return;
    if (!ConfirmYesNo(QStringLiteral("Are you sure to delete: ") +
                      Sub_CDS->FieldByName(Config.SubNameField)->AsString()))
        return;
    // As for a saved line: the master row's own edits are saved first, so
    // that what the delete derives (totals) follows the stored master row.
    if (Child_DS->Editing() && !SaveMaster()) return;
    Sub_CDS->Delete();
    // A line that cannot be deleted comes back as it is stored.
    if (!WriteRows(Sub_CDS, [this](TFbTransaction& tra) { LockMaster(tra); })) {
        Sub_CDS->CancelUpdates();
    } else if (Child_CDS->State() == TDataSetState::Browse) {
        Child_CDS->RefreshRecord();
    }
    SetSubButtonStatus();
}

void TfmChild::ItemBtnPriorClick() { Sub_CDS->Prior(); }
void TfmChild::ItemBtnNextClick() { Sub_CDS->Next(); }

void TfmChild::SubBtnViewGridClick() {
    if (ItemSplitBtn->text() == ">") {
        pgTsItemsPanelRight->hide();
        ItemSplitBtn->setText(QStringLiteral("<"));
        ItemSplitBtn->setToolTip(QStringLiteral("Show Item Editing Panel"));
    } else {
        pgTsItemsPanelRight->show();
        ItemSplitBtn->setText(QStringLiteral(">"));
        ItemSplitBtn->setToolTip(QStringLiteral("Hide Item Editing Panel"));
    }
}

void TfmChild::PopulateCDSWithLookupFields(TClientDataSet* cds, const QString& tableName,
                                           bool fillCondBoxes, bool dbChanged) {
    TdmMain* dm = dmMain();
    struct TMeta {
        QString Title, DefaultVal, FormatStr, LookupTable, ResultField;
        bool Visible = false, HasDefault = false;
        int OrderBy = 0;
    };
    QHash<QString, TMeta> meta;
    QStringList order;
    dm->ForEachRow("SELECT * FROM SYS_OBJECT WHERE OBJECT = " + TdmMain::QuotedStr(tableName) +
                       " ORDER BY FIELD",
                   [&](const TFbQuery& q) {
                       TMeta m;
                       m.Title = q.AsString("TITLE");
                       m.Visible = q.AsInteger("VISIBLE") == 1;
                       m.HasDefault = !q.IsNull("DEFAULTVAL");
                       m.DefaultVal = q.AsString("DEFAULTVAL");
                       m.FormatStr = q.AsString("FORMATSTR");
                       m.LookupTable = q.AsString("LOOKUPTABLE");
                       m.ResultField = q.AsString("RESULTFIELD");
                       m.OrderBy = q.AsInteger("ORDERBY");
                       meta.insert(q.AsString("FIELD"), m);
                       order << q.AsString("FIELD");
                   });
    if (dbChanged && cds == Child_CDS) DeleteGridSettings(DBGrid1, objectName());
    cds->ClearFields();
    cds->UpdateFieldDefs();
    std::vector<TField*> dataFields;
    for (int i = 0; i < cds->FieldCount(); ++i) dataFields.push_back(cds->Field(i));
    for (TField* f : dataFields) {
        const auto it = meta.constFind(f->FieldName);
        if (it == meta.cend()) continue;
        const TMeta& m = it.value();
        f->DisplayLabel = m.Title;
        f->Visible = m.Visible;
        if (m.HasDefault) f->DefaultExpression = m.DefaultVal;
        if (!m.FormatStr.isEmpty()) f->DisplayFormat = m.FormatStr;
        if (!m.LookupTable.isEmpty()) {
            // Display expression and result column of the lookup.
            QString expr, result;
            if (!m.ResultField.contains(',')) {
                expr = result = m.ResultField;
            } else {
                const QStringList items = m.ResultField.split(',');
                QStringList parts;
                for (const QString& raw : items) {
                    const QString c = raw.trimmed();
                    parts << " CASE WHEN " + c + " IS NULL THEN '' ELSE " + c + " END || ' '";
                }
                result = items.first();
                expr = parts.join(" || ") + " AS " + result;
                result = result.trimmed();
            }
            f->Visible = false;
            const QString lookupName = f->FieldName + "_LOOKUP";
            const QString cdsName = lookupName + "_CDS";
            TClientDataSet* lookup = dm->FindLookupCDS(cdsName);
            if (!lookup)
                lookup = dm->CreateLookupCDS(
                    cdsName, "SELECT ID," + expr + " FROM " + m.LookupTable + " ORDER BY ID");
            if (!lookup->Active()) lookup->Open();
            // A shared lookup set keeps the display of the window that made it.
            QString shownColumn = result;
            if (!lookup->FindField(shownColumn) && lookup->FieldCount() > 1)
                shownColumn = lookup->Field(1)->FieldName;
            TField* lf =
                cds->AddLookupField(lookupName, f->FieldName, lookup, shownColumn, f->FieldName);
            lf->DisplayLabel = m.Title;
            lf->ObjectName = f->FieldName + "_COMPONENT";
            FLookupFieldsArray.push_back(
                {tableName, f->FieldName, lookupName, m.LookupTable, m.ResultField, cdsName});
        }
        if (cds == Child_CDS && Config.DerivedFields.contains(f->FieldName)) {
            f->InUpdate = false;
            f->ReadOnly = true;
        }
        if (Config.OrderByField.isEmpty() && m.OrderBy == 1)
            Config.OrderByField = m.LookupTable.isEmpty() ? f->FieldName : f->FieldName + "_LOOKUP";
    }
    if (cds == Child_CDS) DBGrid1->GridModel()->ResetColumns();
    if (cds == Child_CDS) {
        // The quick date filter where the window has a date to filter by.
        FFilterButton->setVisible(!Config.FilterField.isEmpty() &&
                                  Config.FilterField != QLatin1String("NOT APPLICABLE"));
    }
    if (fillCondBoxes && cds == Child_CDS) {
        // The search panel's columns: every column shown, a lookup column by
        // the text it shows.
        const QVariant chosen = cbCon1->currentData();  // kept across a search's reopening
        cbCon1->clear();
        for (const QString& field : order) {
            const TMeta& m = meta[field];
            if (!m.Visible || !cds->FindField(field)) continue;
            cbCon1->addItem(m.Title, m.LookupTable.isEmpty() ? field : field + "_LOOKUP");
        }
        const int again = chosen.isValid() ? cbCon1->findData(chosen) : -1;
        cbCon1->setCurrentIndex(again >= 0 ? again : (cbCon1->count() > 0 ? 0 : -1));
        FilterLoad();
    }
}

int TfmChild::GetLookupFieldIndexByLookupFieldName(const QString& btb, const QString& val) const {
    for (size_t i = 0; i < FLookupFieldsArray.size(); ++i)
        if (FLookupFieldsArray[i].BaseTableName == btb &&
            FLookupFieldsArray[i].LookupFieldName == val)
            return int(i);
    return -1;
}

void TfmChild::RefreshLookupCDS(const QString& baseTbName) {
    for (const TLookupField& l : FLookupFieldsArray) {
        if (l.BaseTableName != baseTbName) continue;
        TClientDataSet* cds = dmMain()->FindLookupCDS(l.LookupCDSComponentName);
        if (!cds) continue;
        if (cds->Active())
            cds->Refresh();
        else
            cds->Open();
    }
    DBGrid1->viewport()->update();
}

void TfmChild::SetTableDefaultForInsert(TClientDataSet* cds) {
    QStringList unusable;
    for (int i = 0; i < cds->FieldCount(); ++i) {
        TField* f = cds->Field(i);
        if (f->IsLookup || f->DefaultExpression.isEmpty()) continue;
        const QString& e = f->DefaultExpression;
        if (e == "TODAY")
            f->SetValue(QDate::currentDate());
        else if (e == "NOW")
            f->SetValue(f->DataType == TFbType::Date ? QVariant(QDate::currentDate())
                                                     : QVariant(QDateTime::currentDateTime()));
        else if (e == "USER")
            f->SetValue(dmMain()->Curr_User_ID);
        else
            SetDefaultValue(f, e, unusable);
    }
    // Said once, and the row is still made: one bad default must not stop
    // every new row.
    if (!unusable.isEmpty())
        ShowInformation(QStringLiteral("These default values cannot be used and were left "
                                       "out; correct them in the field settings:\r") +
                        unusable.join(QStringLiteral("\r")));
}

void TfmChild::SetDefaultValue(TField* f, const QString& e, QStringList& unusable) {
    try {
        f->SetValue(e);
        return;
    } catch (const EDataSetError& err) {
        // A number stored as a default before numbers were checked as typed
        // ("1e3") is taken as the number it reads as.
        bool number = false;
        const double d = QLocale::c().toDouble(e.trimmed(), &number);
        const bool numeric = f->DataType == TFbType::Integer || f->DataType == TFbType::Int64 ||
                             f->DataType == TFbType::Money || f->DataType == TFbType::Float;
        if (number && numeric) {
            try {
                f->SetValue(d);
                return;
            } catch (const EDataSetError&) {
            }
        }
        unusable << err.Message();
    }
}

// ------------------------------------------------------- record commands

void TfmChild::Child_NewExecute() {
    Child_CDS->Insert();
    if (Config.SubPgCtrl) Config.SubPgCtrl->setCurrentIndex(0);
    if (Config.DefPnCtrlAftInsert) {
        if (auto* pn = qobject_cast<TPnBase*>(Config.DefPnCtrlAftInsert))
            pn->Editor()->setFocus();
        else
            Config.DefPnCtrlAftInsert->setFocus();
    }
}

void TfmChild::Child_SaveExecute() { SaveMaster(); }

bool TfmChild::SaveMaster() {
    if (!CheckRequiredControls(Child_DS, this)) return false;
    const TDataSetState st = Child_CDS->State();
    if (st != TDataSetState::Edit && st != TDataSetState::Insert) return true;
    // A row the database refused and the user corrected is still a new row.
    const bool inserting = Child_CDS->UpdateStatus() == TUpdateStatus::Inserted;
    QTreeWidgetItem* folder = SelectedFolder();
    if (inserting) {
        // Filed in the selected folder whether the navigation pane is shown
        // or not: a row without a folder is listed in none.
        TField* tv = Child_CDS->FindField(QStringLiteral("SYS_TREEVIEW_ID"));
        if (tv && tv->IsNull() && folder) tv->SetValue(NodeData(folder).ID);
        TField* id = Child_CDS->FieldByName(QStringLiteral("ID"));
        if (id->IsNull()) id->SetValue(dmMain()->GetTableNextKey(Config.TableName));
    }
    Child_CDS->Post();
    if (!WriteRows(Child_CDS)) {
        // The refused row stays on the screen as the user left it, ready for
        // a correction and a second Save, or for Cancel.
        if (Child_CDS->State() == TDataSetState::Browse && !Child_CDS->IsEmpty()) Child_CDS->Edit();
        return false;
    }
    if (inserting) {
        // Only the new row is read back, with what the database derived for
        // it; the folder's other rows and its count need no second reading.
        Child_CDS->RefreshRecord();
        Child_CDS->Resort();
        AddToFolderCount(FolderOfRow(), 1, CountedInFolder() ? 1 : 0);
        ShowRecordCount();
    } else {
        Child_CDS->RefreshRecord();  // what the write derived, and other users' columns
    }
    return true;
}

bool TfmChild::HasPendingEdits() const {
    if (Child_DS->Editing() || (Child_CDS->Active() && Child_CDS->ChangeCount() > 0)) return true;
    return !Config.SubTableName.isEmpty() && Sub_CDS->Active() &&
           (Sub_DS->Editing() || Sub_CDS->ChangeCount() > 0);
}

bool TfmChild::ResolvePendingEdits() {
    if (!HasPendingEdits()) return true;
    switch (AskYesNoCancel("The record being edited in [" + windowTitle() +
                           "] is not saved yet. Save it now?")) {
        case TMessageService::TAnswer::Cancel:
            return false;
        case TMessageService::TAnswer::No:
            CancelPendingEdits();
            return true;
        case TMessageService::TAnswer::Yes:
            break;
    }
    // Whatever stops the save (a check, the database, a value the column
    // refuses) has been shown, and the edits stay.
    bool saved = false;
    RunGuarded([this, &saved]() {
        // A line first: saving it saves its master row first too.
        const bool subPending = !Config.SubTableName.isEmpty() && Sub_CDS->Active() &&
                                (Sub_DS->Editing() || Sub_CDS->ChangeCount() > 0);
        if (subPending) {
            if (!Sub_DS->Editing()) Sub_CDS->Edit();
            if (!SaveLine()) return;
        }
        if (Child_CDS->Active() && !Child_DS->Editing() && Child_CDS->ChangeCount() > 0)
            Child_CDS->Edit();
        saved = SaveMaster();
    });
    return saved;
}

void TfmChild::CancelPendingEdits() {
    for (TClientDataSet* cds : {Sub_CDS, Child_CDS}) {
        if (!cds->Active()) continue;
        cds->Cancel();
        if (cds->ChangeCount() > 0) cds->CancelUpdates();
    }
    ShowRecordCount();
}

void TfmChild::Child_CancelExecute() {
    const TDataSetState st = Child_CDS->State();
    if (st != TDataSetState::Edit && st != TDataSetState::Insert) return;
    Child_CDS->Cancel();
    // Changes the database refused are dropped with the cancel.
    if (Child_CDS->ChangeCount() > 0) Child_CDS->CancelUpdates();
    ShowRecordCount();
}

void TfmChild::Child_DeleteExecute() {
    if (!Child_CDS->Active() || Child_CDS->IsEmpty()) return;
    const QString name = Child_CDS->FieldByName(Config.NameField)->AsString();
    if (!ConfirmYesNo(QStringLiteral("Are you sure to delete: ") + name)) return;
    const QVariant key = Child_CDS->FieldByName(QStringLiteral("ID"))->Value();
    const bool counted = CountedInFolder();
    QTreeWidgetItem* rowFolder = FolderOfRow();
    // The row's own delete is written in the transaction of its dependent
    // rows' deletes: all of them commit, or none.
    const bool deleted = DeleteWithDependencies(
        Config.TableName, name, key.toInt(),
        [this, key](TFbTransaction& tra) {
            // A try the database refused left the row deleted in memory.
            if (Child_CDS->ChangeCount() > 0) Child_CDS->CancelUpdates();
            const int row = Child_CDS->RowOfKey(key);
            if (row < 0)
                throw EDataSetError(QStringLiteral("Record not found or changed by another user"));
            Child_CDS->MoveTo(row);
            Child_CDS->Delete();
            Child_CDS->ApplyUpdates(tra);
        },
        this);
    if (!deleted) {
        // Nothing was deleted: the row comes back as it is stored.
        if (Child_CDS->ChangeCount() > 0) Child_CDS->CancelUpdates();
        return;
    }
    Child_CDS->CommitUpdates();
    SetTopBtnStatus();
    ShowRecordCount();
    AddToFolderCount(rowFolder, -1, counted ? -1 : 0);
    if (!Config.SubTableName.isEmpty() && Child_CDS->IsEmpty()) SetSubButtonStatus();
}

void TfmChild::Child_RefreshRecordExecute() {
    if (Child_CDS->Active() && !Child_CDS->IsEmpty()) Child_CDS->RefreshRecord();
    if (!Config.SubTableName.isEmpty() && Sub_CDS->Active()) Sub_CDS->Refresh();
    RefreshRelated();
    if (TFbConnection* conn = Child_CDS->Connection()) FWritesSeen = conn->Writes();
}

void TfmChild::BringUpRefresh() {
    TFbConnection* conn = Child_CDS->Connection();
    if (!conn || !Child_CDS->Active() || conn->Writes() == FWritesSeen) return;
    // What the user is typing is never replaced: it is shown at the next
    // bring-up after the edits are settled.
    if (HasPendingEdits() || Child_CDS->State() != TDataSetState::Browse) return;
    // Every row shown may have changed (a receipt for another invoice), not
    // only the current one: the rows are read again, the user staying on his.
    Child_CDS->Refresh();
    if (!Config.SubTableName.isEmpty() && Sub_CDS->Active()) Sub_CDS->Refresh();
    RefreshRelated();
    FWritesSeen = conn->Writes();
}

void TfmChild::SetTopBtnStatus() {
    if (!Child_CDS->Active()) return;
    const bool editing = Child_DS->Editing();
    Child_New->setEnabled(!editing);
    Child_Save->setEnabled(editing);
    Child_Cancel->setEnabled(editing);
    Child_Delete->setEnabled(!editing && !Child_CDS->IsEmpty());
    // A focus in the pane greyed out would be handed on along the focus
    // chain, into another window, which the window area then brings up.
    // The window's own focus widget: while a message box closes the
    // application has none, but Qt still hands the window's on.
    QWidget* focus = window()->focusWidget();
    if (editing && focus && PanelLeft->isAncestorOf(focus)) setFocus();
    PanelLeft->setEnabled(!editing);
}

namespace {
// Labelled controls of the window that the required check and the insert-only
// rule look at: exactly TPnDbEdit (or the lookup control), bound to ds, in
// order of creation.
std::vector<TPnBase*> BoundControls(QWidget* owner, TDataSource* ds) {
    std::vector<TPnBase*> out;
    for (TPnBase* c : owner->findChildren<TPnBase*>()) {
        const QString cls = QString::fromLatin1(c->metaObject()->className());
        if ((cls == "TPnDbEdit" || cls == "TPnFkey") && c->DataSource() == ds) out.push_back(c);
    }
    std::sort(out.begin(), out.end(),
              [](TPnBase* a, TPnBase* b) { return a->CreationOrder() < b->CreationOrder(); });
    return out;
}
}  // namespace

bool TfmChild::CheckRequiredControls(TDataSource* ds, QWidget* owner) {
    for (TPnBase* c : BoundControls(owner, ds)) {
        if (!c->Required() || !c->Text().isEmpty()) continue;
        ShowInformation("[" + c->Caption() + "] " + "Field cannot be empty");
        // Bring its sheet to the front.
        for (QWidget* w = c->parentWidget(); w; w = w->parentWidget()) {
            if (auto* tabs = qobject_cast<QTabWidget*>(
                    w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr)) {
                const int i = tabs->indexOf(w);
                if (i >= 0 && tabs->currentIndex() != i) tabs->setCurrentIndex(i);
                break;
            }
        }
        c->Editor()->setFocus();
        return false;
    }
    return true;
}

void TfmChild::ApplyCtrlFlags(TDataSource* ds, QWidget* form) {
    const bool inserting = ds->DataSet() && ds->DataSet()->State() == TDataSetState::Insert;
    for (TPnBase* c : BoundControls(form, ds)) {
        if (c->CtrlFlag() == cfVisibleOnInsert) {
            c->setVisible(inserting);
        } else if (c->CtrlFlag() == cfEnabledOnInsert) {
            c->setEnabled(inserting);
            QPalette p = c->Editor()->palette();
            p.setColor(QPalette::Base, inserting ? palette().color(QPalette::Base)
                                                 : palette().color(QPalette::Button));
            c->Editor()->setPalette(p);
        }
    }
}

void TfmChild::ShowRecordCount() {
    QString count;
    if (Child_CDS->Active() && Child_CDS->AllFetched()) {
        count = QString::number(Child_CDS->RecordCount());
    } else if (Child_CDS->Active()) {
        // Rows still being read: the folder's count where a folder is listed.
        QTreeWidgetItem* node = FListedFolderId >= 0 ? SelectedFolder() : nullptr;
        const int total =
            node && NodeData(node).ID == FListedFolderId ? NodeData(node).RecCountTotal : -1;
        count =
            total >= 0 ? QString::number(total) : QString::number(Child_CDS->RecordCount()) + '+';
    }
    StatusPanels[0]->setText(QStringLiteral("Record Count: ") + count);
}

QString TfmChild::GetSelectedIdList() {
    return ::GetSelectedIdList(*Child_CDS, DBGrid1->SelectedRows());
}

void TfmChild::MenuItem_SelectAllClick() {
    if (!FetchAllRows()) return;
    SelectAll(*Child_CDS, DBGrid1->SelectedRows(), true);
    DBGrid1->SyncMarks();
}

void TfmChild::ShowGridMenu(const QPoint& pos) {
    const bool enabled = Child_CDS->Active() && !Child_CDS->IsEmpty() && !Child_DS->Editing();
    N16->setVisible(Child_CDS->FindField(QStringLiteral("SYS_TABLEFLAG_ID")) != nullptr);
    if (N16->isVisible()) Guarded([this]() { PopupDbGridPopup(); });
    for (QAction* a : PopupDbGrid->actions()) a->setEnabled(enabled);
    // Fields are designed for the table, not for a row: an empty table too.
    Child_DesignField->setEnabled(Child_CDS->Active() && !Child_DS->Editing());
    if (enabled && DBGrid1->SelectedRows().Count() == 0) {
        DBGrid1->SelectedRows().SetMarked(Child_CDS->KeyOfRow(Child_CDS->RecNo()), true);
        DBGrid1->SyncMarks();
    }
    PopupDbGrid->popup(DBGrid1->viewport()->mapToGlobal(pos));
}

// ------------------------------------------------------------------ export

void TfmChild::Excel1Click() {
    if (!FetchAllRows()) return;  // all rows may be exported
    TfmExport dlg(this);
    dlg.eTableName = Config.TableName;
    dlg.eCDS = Child_CDS;
    dlg.eDbGrid = DBGrid1;
    dlg.exec();
}

// ------------------------------------------------------------------ flags

void TfmChild::OpenFlagCDSIfNeeded() {
    if (Flag_CDS->Active()) return;
    Flag_CDS->CommandText =
        "SELECT * FROM SYS_TABLEFLAG WHERE TABLENAME=" + TdmMain::QuotedStr(Config.TableName) +
        " ORDER BY ID";
    Flag_CDS->Open();
}

void TfmChild::PopupDbGridPopup() {
    if (!PopupFlags->isEmpty() && N16->property("Tag").toInt() != FlagMenuStale) return;
    PopupFlags->clear();
    OpenFlagCDSIfNeeded();
    auto entry = [this](const QString& caption, int tag, const QPixmap& icon) {
        QAction* a = PopupFlags->addAction(QIcon(icon), caption);
        a->setData(tag);
    };
    entry(QStringLiteral("Clear Flag"), 0, FlagIcon(0, 0));
    PopupFlags->addSeparator()->setData(-1);
    for (int r = 0; r < Flag_CDS->RecordCount(); ++r) {
        auto value = [this, r](const char* f) {
            return Flag_CDS->ValueAt(r, Flag_CDS->FieldByName(QString::fromLatin1(f)));
        };
        entry(value("TITLE").toString(), value("ID").toInt(),
              FlagIcon(value("IMGID").toInt(), value("IMGIDX").toInt()));
    }
    PopupFlags->addSeparator()->setData(-1);
    entry(QStringLiteral("New>>>"), FlagTagNew, FlagIcon(0, 2));
    entry(QStringLiteral("Delete>>>"), FlagTagDelete, FlagIcon(0, 1));
    N16->setProperty("Tag", 0);
}

void TfmChild::FlagItemClick(QAction* item) {
    const int tag = item->data().toInt();
    if (tag < 0) return;
    if (tag == FlagTagDelete) {
        TfmFlagDel dlg("SELECT ID,TITLE,READONLY FROM SYS_TABLEFLAG WHERE TABLENAME=" +
                           TdmMain::QuotedStr(Config.TableName) + " ORDER BY ID",
                       this);
        dlg.exec();
        if (dlg.Deleted) N16->setProperty("Tag", FlagMenuStale);
        return;
    }
    if (tag == FlagTagNew) {
        TfmFlag dlg(this);
        dlg.exec();
        if (dlg.ImgId < 0 || dlg.ImgIdx < 0) return;
        OpenFlagCDSIfNeeded();
        Flag_CDS->Append();
        auto set = [this](const char* f, const QVariant& v) {
            Flag_CDS->FieldByName(QString::fromLatin1(f))->SetValue(v);
        };
        set("ID", dmMain()->GetTableNextKey(QStringLiteral("SYS_TABLEFLAG")));
        set("TABLENAME", Config.TableName);
        set("TITLE", dlg.ButtonedEdit1->text());
        set("IMGID", dlg.ImgId);
        set("IMGIDX", dlg.ImgIdx);
        Flag_CDS->Post();
        // A flag the database refused is not kept half made.
        if (!ApplyOrUndo(Flag_CDS)) return;
        N16->setProperty("Tag", FlagMenuStale);
        return;
    }
    // The marked rows, found by key; all of them take the flag, or none.
    TBookmarkList& marks = DBGrid1->SelectedRows();
    bool any = false;
    for (qint64 key : marks.Items()) {
        const int row = Child_CDS->RowOfKey(key);
        if (row < 0) continue;
        Child_CDS->MoveTo(row);
        Child_CDS->Edit();
        Child_CDS->FieldByName(QStringLiteral("SYS_TABLEFLAG_ID"))->SetValue(tag);
        Child_CDS->Post();
        any = true;
    }
    if (any) ApplyOrUndo(Child_CDS);
}

// ------------------------------------------------------------------ folders

QTreeWidgetItem* TfmChild::SelectedFolder() const { return TreeView1->currentItem(); }

bool TfmChild::TreeIsEmpty() const { return TreeView1->topLevelItemCount() == 0; }

TFolderCounts& TfmChild::FolderCounts() {
    // The configuration is read as it stands now: business windows set it
    // after this class's constructor.
    FFolderCounts->SetTable(Config.TableName, Config.TVCountField);
    return *FFolderCounts;
}

void TfmChild::LoadTree() {
    LoadSysTreeView(TreeView1, FolderCounts(), Config.TVSelectTwice, Config.TVShowCount);
}

QTreeWidgetItem* TfmChild::AddFolder(QTreeWidgetItem* parent, const TTreeNodeData& data) {
    return AddFolderNode(TreeView1, parent, data, FolderCounts(), Config.TVShowCount);
}

void TfmChild::TreeView1Change(QTreeWidgetItem* node) {
    if (!node) return;
    if (TreeView1->property("Tag").toInt() == TreeTagSkipRoot && node == RootOf(TreeView1) &&
        NextInTree(node)) {
        node = NextInTree(node);
        const QScopedValueRollback<bool> changing(FChangingNode, true);
        TreeView1->setCurrentItem(node);
    }
    const TTreeNodeData d = NodeData(node);
    Child_CDS->Close();
    Child_CDS->CommandText = "SELECT " + Config.SelectList + " FROM " + Config.TableName +
                             " WHERE SYS_TREEVIEW_ID=" + QString::number(d.ID);
    DBGrid1->SelectedRows().Clear();
    FListedFolderId = -1;
    Child_CDS->Open();
    FListedFolderId = d.ID;
    OpenSubSet();
    CountListedFolder();
    ShowRecordCount();
}

void TfmChild::CountListedFolder() {
    // The rows read are the folder's rows: once all are in, count them rather
    // than ask the database to count the same rows again. Until then the
    // folder keeps the count it had.
    QTreeWidgetItem* node = SelectedFolder();
    if (!node || FListedFolderId < 0 || NodeData(node).ID != FListedFolderId ||
        !Child_CDS->Active() || !Child_CDS->AllFetched())
        return;
    TFolderCount counted;
    counted.Total = Child_CDS->CountRows();
    counted.Counted =
        Config.TVCountField.isEmpty() ? 0 : Child_CDS->CountRows(Config.TVCountField, 0);
    FolderCounts().Set(FListedFolderId, counted);
}

bool TfmChild::ShowFetchProgress(int held) {
    if (held < 0) {  // all read
        FFetchProgress.reset();
        FFetchWatch.invalidate();
        return true;
    }
    if (!FFetchProgress) {
        if (!FFetchWatch.isValid()) FFetchWatch.start();
        // Only a reading the user waits for gets a bar.
        if (FFetchWatch.elapsed() < 500) return true;
        QTreeWidgetItem* node = FListedFolderId >= 0 ? SelectedFolder() : nullptr;
        const int total = node ? std::max(NodeData(node).RecCountTotal, 0) : 0;
        FFetchProgress = std::make_unique<QProgressDialog>(
            QStringLiteral("Reading the rows..."), QStringLiteral("Cancel"), 0, total, this);
        FFetchProgress->setWindowModality(Qt::WindowModal);
        FFetchProgress->setMinimumDuration(0);
    }
    FFetchProgress->setValue(std::min(held, FFetchProgress->maximum()));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!FFetchProgress->wasCanceled()) return true;
    FFetchProgress.reset();
    FFetchWatch.invalidate();
    return false;
}

bool TfmChild::FetchAllRows() {
    try {
        Child_CDS->FetchRest();
        return true;
    } catch (const EAbort&) {
        return false;  // the user stopped the reading: nothing else happens
    }
}

void TfmChild::RefreshTreeViewNodeByTreeViewId(int tvId, int absoluteIdx) {
    QTreeWidgetItem* item = ItemAtAbsoluteIndex(TreeView1, absoluteIdx);
    if (!item) return;
    FolderCounts().CountNow(tvId);
}

QTreeWidgetItem* TfmChild::FolderOfRow() const {
    const TField* f = Child_CDS->FindField(QStringLiteral("SYS_TREEVIEW_ID"));
    if (!f || f->IsNull()) return nullptr;
    const int id = f->AsInteger();
    for (QTreeWidgetItem* it = RootOf(TreeView1); it; it = NextInTree(it))
        if (NodeData(it).ID == id) return it;
    return nullptr;
}

void TfmChild::AddToFolderCount(QTreeWidgetItem* item, int total, int counted) {
    if (item) FolderCounts().Add(NodeData(item).ID, total, counted);
}

bool TfmChild::CountedInFolder() const {
    // The folder's second count is of the rows whose count column is 0.
    const TField* f =
        Config.TVCountField.isEmpty() ? nullptr : Child_CDS->FindField(Config.TVCountField);
    return f && !f->IsNull() && f->AsInteger() == 0;
}

void TfmChild::N12Click() {
    QString name;
    if (!InputQuery(QStringLiteral("Folder Name"), QStringLiteral("Folder Name"), name)) return;
    if (name.isEmpty()) {
        ShowError(QStringLiteral("Invalid Folder Name"));
        return;
    }
    QTreeWidgetItem* parent = SelectedFolder();
    if (!parent) return;
    TTreeNodeData d;
    d.ParentID = NodeData(parent).ID;
    d.Caption = name;
    d.ID = dmMain()->InsertSysTreeView(Config.TableName, name, d.ParentID, 0, 0, 0);
    if (d.ID < 0) return;
    QTreeWidgetItem* item = AddFolder(parent, d);
    parent->setExpanded(true);
    TreeView1->setCurrentItem(item);
}

void TfmChild::N13Click() {
    QTreeWidgetItem* item = SelectedFolder();
    if (!item) return;
    TTreeNodeData d = NodeData(item);
    if (d.ReadOnly == 1) {
        ShowError(QStringLiteral("Selected folder is system folder, cannot modify."));
        return;
    }
    QString name = d.Caption;
    if (!InputQuery(QStringLiteral("Folder Name"), QStringLiteral("Folder Name"), name) ||
        name.isEmpty())
        return;
    dmMain()->UpdateSysTreeView(Config.TableName, name, d.ID);
    d.Caption = name;
    SetNodeData(item, d);
    item->setText(0, name + CountSuffix(d.RecCountTotal, d.RecCountByFlag, Config.TVCountField,
                                        Config.TVShowCount));
}

void TfmChild::N15Click() {
    QTreeWidgetItem* item = SelectedFolder();
    if (!item) return;
    TTreeNodeData d = NodeData(item);
    if (d.ReadOnly == 1) {
        ShowError(QStringLiteral("Selected folder is system folder, cannot delete."));
        return;
    }
    if (item->childCount() > 0) {
        ShowError(QStringLiteral("Selected folder has sub folder(s), cannot delete."));
        return;
    }
    // Count again first: another user may have filed records here since the
    // last count, and deleting a folder that holds records would hide them.
    RefreshTreeViewNodeByTreeViewId(d.ID, AbsoluteIndex(item));
    d = NodeData(item);
    if (d.RecCountTotal > 0) {
        ShowError(QStringLiteral("Selected folder is not empty, cannot delete."));
        return;
    }
    if (!ConfirmYesNo(QStringLiteral("Are you sure to delete: ") + d.Caption + "?")) return;
    dmMain()->DeleteSysTreeView(Config.TableName, d.ID);
    FolderCounts().Remove(d.ID);
    delete item;  // the tree selects a neighbour, which lists that folder
}

void TfmChild::N17Click() {
    if (!Child_CDS->Active() || Child_CDS->IsEmpty()) {
        ShowInformation(QStringLiteral("No record"));
        return;
    }
    TBookmarkList& marks = DBGrid1->SelectedRows();
    if (marks.Count() == 0) {
        ShowInformation(QStringLiteral("No record selected"));
        return;
    }
    TfmDialogGetTreeNode picker(TreeView1, this);
    picker.exec();
    if (!picker.btnOkClicked) return;
    const TTreeNodeData dest = picker.SelectedData();
    const int destIdx = picker.SelectedAbsoluteIndex();
    // Rows moved out of each folder (the rows listed may come from several).
    QHash<QTreeWidgetItem*, QPair<int, int>> out;
    for (qint64 key : marks.Items()) {
        const int row = Child_CDS->RowOfKey(key);
        if (row < 0) continue;
        Child_CDS->MoveTo(row);
        if (Child_CDS->FieldByName(QStringLiteral("SYS_TREEVIEW_ID"))->AsInteger() != dest.ID) {
            QPair<int, int>& n = out[FolderOfRow()];
            ++n.first;
            if (CountedInFolder()) ++n.second;
        }
        Child_CDS->Edit();
        Child_CDS->FieldByName(QStringLiteral("SYS_TREEVIEW_ID"))->SetValue(dest.ID);
        Child_CDS->Post();
    }
    if (!ApplyOrUndo(Child_CDS)) return;  // nothing was moved
    marks.Clear();
    // The counts follow the rows moved; the destination is listed next.
    QTreeWidgetItem* d = ItemAtAbsoluteIndex(TreeView1, destIdx);
    for (auto it = out.cbegin(); it != out.cend(); ++it) {
        AddToFolderCount(it.key(), -it->first, -it->second);
        AddToFolderCount(d, it->first, it->second);
    }
    if (d && d != SelectedFolder())
        TreeView1->setCurrentItem(d);
    else
        Child_CDS->Refresh();
}

void TfmChild::MenuItem_TVRefreshClick() { TreeView1Change(SelectedFolder()); }

void TfmChild::ListRowsWhere(const QString& condition) {
    FListedFolderId = -1;
    DBGrid1->SelectedRows().Clear();
    Child_CDS->Close();
    Child_CDS->CommandText =
        "SELECT " + Config.SelectList + " FROM " + Config.TableName + " WHERE " + condition;
    Child_CDS->Open();
    ShowRecordCount();
}

// ---------------------------------------------------------- grid and panes

void TfmChild::DBGrid1TitleClick(int logical) {
    if (Child_DS->Editing()) return;
    try {
        // Sorting may read the list again from its start; the marked rows,
        // found by key, must stay among the rows held.
        if (DBGrid1->SelectedRows().Count() > 0) Child_CDS->FetchRest();
        Config.OrderByField = SortGridByColumn(Child_CDS, DBGrid1, logical, true);
    } catch (const EAbort&) {
        // Reading the rows to sort was stopped: the order stays.
    }
}

void TfmChild::btnAutoAdjClick() { AutoAdjustGridColumns(DBGrid1, objectName()); }

void TfmChild::btnLeftTreeClick(QToolButton* pressed) {
    for (QToolButton* b : {btnLeftTree, btnLeftFind, btnGridOption}) b->setChecked(b == pressed);
    if (pressed == btnLeftTree) {
        PanelLeftStack->setCurrentWidget(TreeView1);
        TreeView1Change(SelectedFolder());
    } else {
        PanelLeftStack->setCurrentWidget(pressed == btnLeftFind ? PanelLeftBottomBottom
                                                                : CheckListGridOption);
        ListRowsWhere(QStringLiteral("ID IS NULL"));
    }
}

// ------------------------------------------------------------ navigation

void TfmChild::CloseChild() {
    if (!g_host || !ResolvePendingEdits()) return;
    g_host->DestroyBottomButton(this);
    if (g_host->GetNextToolbarButtonIdx() == 0)
        g_host->BringUpChildForm(g_host->ChildOfBottomButton(0));
    else
        g_host->ShowDefaultChild();
}

void TfmChild::CloseAllChildren() {
    if (g_host) g_host->CloseAll();
}
