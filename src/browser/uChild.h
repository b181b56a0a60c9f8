#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QBoxLayout;
class QLabel;
class QListWidget;
class QPushButton;
class QLineEdit;
class QComboBox;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QFrame;
class QGroupBox;
class TClientDataSet;
class TDataSource;
class TFbTransaction;
class TField;
class TDbGrid;
class TPnDbEdit;
class TfmChild;
class TFolderCounts;
struct TTreeNodeData;

// What a record browser asks of the main window that hosts it: the task-bar
// rules live there, and the browser may not include the main window.
class IChildHost {
public:
    virtual ~IChildHost() = default;
    virtual void BringUpChildForm(TfmChild* child) = 0;
    virtual void ShowDefaultChild() = 0;
    virtual void CloseAll() = 0;
    virtual void DestroyBottomButton(TfmChild* child) = 0;
    // 0 while a task-bar button remains, -1 when none does.
    virtual int GetNextToolbarButtonIdx() const = 0;
    virtual TfmChild* ChildOfBottomButton(int index) const = 0;
    // The options window, opened at page TabIndex.
    virtual void SetSysOptions(int TabIndex) = 0;
};

// What a record browser asks of the template window when it prints its
// rows through a print template; the browser may not include that window.
class ITemplatePrinter {
public:
    virtual ~ITemplatePrinter() = default;
    // The keys of the documents to print, "1,2,3"; empty when none.
    virtual void SetOrderInStr(const QString& ids) = 0;
    // Loads template templateId and previews it for those documents.
    virtual void PrintWithTemplate(int templateId) = 0;
};

// The fields designer, which the browser opens but may not include.
class IFieldDesigner {
public:
    virtual ~IFieldDesigner() = default;
    // Opens the designer of child's user-defined fields at sheet sheetNo
    // (1-5) and returns when it closes: true when fields were created,
    // deleted or moved, so that the browser must rebuild.
    virtual bool DesignFields(TfmChild* child, int sheetNo) = 0;
};

// One lookup column of a browser.
struct TLookupField {
    QString BaseTableName, BaseFieldName, LookupFieldName, LookupTableName, LookupResultFields,
        LookupCDSComponentName;
};

// What a business window tells the record browser about its tables, filled
// in its constructor (ConfigureBusinessBrowser fills the usual part); the
// browser only reads it, except OrderByField.
struct TChildConfig {
    // ---- the master table
    QString TableName;                         // the table listed, e.g. "AR_ACCT"
    QString NameField;                         // the column naming a row in messages ("Delete ...")
    QString SelectList = QStringLiteral("*");  // the columns read
    // The date column of the quick "Filter" drop-down; empty or
    // "NOT APPLICABLE" hides the drop-down.
    QString FilterField;
    // The column the rows are sorted by; a click on a column title changes it,
    // and a column marked for ordering in the table's metadata sets it when
    // empty.
    QString OrderByField;
    // Master columns the program derives and writes itself (totals): shown,
    // never typed, never written from the grid's row.
    QStringList DerivedFields;
    // The right ("Delete Customer", "Delete Order", ...) whose withdrawal
    // hides this window's Delete button; empty when none applies.
    QString DeleteRight;
    // The editor that takes the focus after New; none: the focus stays.
    QWidget* DefPnCtrlAftInsert = nullptr;

    // ---- the folder tree
    bool TVShow = false;       // the window has a folder tree (loaded at its first bring-up)
    bool TVShowCount = false;  // folder captions show their row counts
    // The second count a folder shows, " (f/t)": rows whose column is 0;
    // empty: one count only.
    QString TVCountField;
    bool TVSelectTwice = false;  // a load selects the folder after the first one

    // ---- the detail lines (empty SubTableName: none)
    QString SubTableName;                         // e.g. "AR_TRANITEM"
    QString SubNameField;                         // the column naming a line in messages
    QString SubSelectList = QStringLiteral("*");  // the columns read
    QString SubLinkField;                         // the lines' column holding the master's ID
    QString SubLineField;                         // the line number column, and the lines' order
    QWidget* SubLinePnCtrl = nullptr;             // the editor that takes the focus in a new line
    QTabWidget* SubPgCtrl = nullptr;              // its first page comes to the front at New
    TDbGrid* SubDbGrid = nullptr;                 // the grid of the lines, with saved settings
    // The master column holding the sum of a line column (AMTGOODS of
    // AMOUNT); a note for readers: the window derives it itself.
    QString AggSumField, AggSumSubField;
};

// The record browser: a grid of the rows of one master table with an editor
// pane, a folder tree, and the commands every business window shares. Business
// windows fill its Config in their constructor.
class TfmChild : public QWidget {
    Q_OBJECT
public:
    explicit TfmChild(QWidget* parent = nullptr);
    ~TfmChild() override;

    // ---- configuration: filled by the business window's constructor
    TChildConfig Config;

    // ---- state
    std::vector<TLookupField> FLookupFieldsArray;
    bool FTableDbChanged = false;
    bool MouseDownOnTitle = false;

    // ---- layout
    // Layout modes; SetChildMode takes one of them (other numbers change nothing).
    enum TChildMode {
        cmGridOnly = 1,             // no tree, no editor pane: the grid fills the right pane
        cmRightPanelTop = 2,        // the editor pane above the grid
        cmRightPanelBottom = 3,     // the editor pane below the grid
        cmNoTreeRightPanelTop = 4,  // no tree, the editor pane above the grid
        cmNoTreeView = 5,           // no tree, no folder commands
        cmEditorOnly = 6            // no grid: the editor pane fills the right pane
    };
    void SetChildMode(int cMode);
    void DisableLeftPanel();
    void DisableRightBottonPanel();
    void SetRightPanelAlighTop();
    void SetRightPanelAlighBottom();
    void SetForNoTreeView();
    void DisableLeftTopButtons(bool btnAutoAdjVisible);
    void SubPgCtrlSetAlighClient();
    void SubSingleGroupBoxSetAlighClient();
    void SetCaption(const QString& caption);

    // ---- master record operations
    void Child_NewExecute();
    // Saves the master row being edited; false when it stays unsaved (a check
    // failed or the database refused it, with the message shown).
    virtual bool SaveMaster();
    void Child_SaveExecute();
    // Edits of this window not yet written: a master row or a line being
    // edited, or a change the database refused.
    virtual bool HasPendingEdits() const;
    // Before something would drop those edits (a close, the end of the
    // program, another user logging in): Yes saves them, No drops them,
    // Cancel keeps them. False when they stay: Cancel, or a refused save.
    bool ResolvePendingEdits();
    // Drops those edits: the rows as they are stored.
    virtual void CancelPendingEdits();
    void Child_CancelExecute();
    void Child_DeleteExecute();
    void Child_RefreshRecordExecute();
    // What the window shows of the current row beyond its columns and lines
    // (an invoice's receipts), read again.
    virtual void RefreshRelated() {}

    // ---- shared operations
    void CDSBeforeOpen(TClientDataSet* ds, const QString& tableName, bool fillCondBoxes,
                       bool dbChanged);
    void PopulateCDSWithLookupFields(TClientDataSet* cds, const QString& tableName,
                                     bool fillCondBoxes, bool dbChanged);
    int GetLookupFieldIndexByLookupFieldName(const QString& btb, const QString& val) const;
    void RefreshLookupCDS(const QString& baseTbName);
    void SetTableDefaultForInsert(TClientDataSet* cds);
    void SetTopBtnStatus();
    bool CheckRequiredControls(TDataSource* ds, QWidget* owner);
    // The CtrlFlag values of a labelled control that ApplyCtrlFlags acts on.
    enum TCtrlFlag {
        cfVisibleOnInsert = 1,  // shown only while its record is inserted
        cfEnabledOnInsert = 2   // editable only while its record is inserted
    };
    void ApplyCtrlFlags(TDataSource* ds, QWidget* form);
    void ShowRecordCount();
    // Counts the listed folder from the rows read, once every row is read.
    void CountListedFolder();
    // Reads the rows not yet read, with a bar the user can cancel when it
    // takes long; false when cancelled.
    bool FetchAllRows();
    // Rows read at once when a list opens.
    static constexpr int ChildPacketRows = 200;
    QString GetSelectedIdList();
    void MenuItem_SelectAllClick();

    // ---- folders
    virtual bool TreeIsEmpty() const;
    virtual void LoadTree();
    virtual void TreeView1Change(QTreeWidgetItem* node);
    void RefreshTreeViewNodeByTreeViewId(int tvId, int absoluteIdx);
    // Changes a folder's counts by what was added or taken away, without
    // counting again (the database's count is read when a folder is chosen
    // or the tree refreshed, where another user may have changed it).
    void AddToFolderCount(QTreeWidgetItem* item, int total, int counted);
    // The current row is one of the folder's second count (FTVCountField 0).
    bool CountedInFolder() const;
    // The folder node the current row is filed in; null when none is shown.
    QTreeWidgetItem* FolderOfRow() const;
    void N12Click();  // create sub folder
    void N13Click();  // rename folder
    void N15Click();  // delete folder
    void N17Click();  // move marked rows to a folder
    void MenuItem_TVRefreshClick();
    // Lists the rows meeting condition instead of a folder's (going to one
    // receipt); a click on the selected folder lists the folder again.
    void ListRowsWhere(const QString& condition);

    // ---- detail lines
    void SubBtnNewClick();
    void SubBtnSaveClick();
    // Saves the line being edited; false when it stays unsaved.
    bool SaveLine();
    void SubBtnCancelClick();
    void SubBtnDelClick();
    void ItemBtnPriorClick();
    void ItemBtnNextClick();
    void SubBtnViewGridClick();
    void SetSubButtonStatus();
    static int GetNewLine(TClientDataSet* cds, const QString& lineField);
    static QVariant SubGetAggregatedValue(TClientDataSet* cds, const QString& field, int aggType);
    // Opens the detail set linked to the master (with the master's opening).
    void OpenSubSet();

    // ---- saved searches and the quick date filter
    void FilterLoad();
    bool FilterValidateFields(QString& Err);
    void FilterSetButtonStatus();
    void lbFilterClick();
    void lbFilterDblClick() { btnFilterFindClick(); }
    void btnFilterFindClick();
    void btnFilterNewClick();
    void btnFilterDelClick();
    void cbAndOrCloseUp();
    // The tags of the four items of the "Filter" drop-down.
    enum TQuickFilterTag {
        QuickFilterNone = 500,
        QuickFilterToday = 501,
        QuickFilterWeek = 502,
        QuickFilterMonth = 503
    };
    // All four items of the "Filter" drop-down (their tags: TQuickFilterTag).
    void popFilterNoClick(QAction* item);
    // The condition a search puts into its statement.
    QString FilterCondition() const;
    // Captions of the three date items of the "Filter" drop-down.
    void SetQuickFilterCaptions(const QString& today, const QString& week, const QString& month);

    // ---- spreadsheet export: the marked rows or all rows into a file
    void Excel1Click();

    // ---- record flags
    // Reads the table's flag definitions the first time they are needed.
    void OpenFlagCDSIfNeeded();
    // Builds the "Set Flag" submenu again when it is empty or marked stale.
    void PopupDbGridPopup();
    // The tags of the "Set Flag" entries that are not flags; a flag's entry
    // carries the flag's ID, which stays below them.
    enum TFlagMenuTag { FlagTagNew = 9998, FlagTagDelete = 9999 };
    // Sets the flag of the entry's tag on the marked rows (0 clears it);
    // FlagTagNew makes a new flag, FlagTagDelete deletes flags.
    void FlagItemClick(QAction* item);
    static constexpr int FlagMenuStale = 8888;

    // ---- grid presentation
    void DBGrid1TitleClick(int logical);
    void btnAutoAdjClick();
    void btnLeftTreeClick(QToolButton* pressed);
    // Run at every bring-up: the rows show what has been written since the
    // window last looked (a receipt entered in another window changes an
    // invoice's paid amount), unless edits are pending. A window that must
    // re-read its rows each time (the user window) does so here.
    virtual void BringUpRefresh();

    // ---- navigation
    // The "Close" button: the window stays alive behind the others, its
    // task-bar button goes, and the newest remaining window comes up.
    void CloseChild();
    void CloseAllChildren();
    static void SetHost(IChildHost* host);
    static IChildHost* Host();

    // ---- user-defined fields
    // The window offers user-defined field sheets and "Design Fields".
    void SetUdfShow(bool show);
    bool UdfShow() const { return FUdfShow; }
    // Shows the sheets switched on for the table, with their names; builds
    // their controls anew when reCreateControls, else only those of sheets
    // just switched on.
    void setUdfTabSheets(bool reCreateControls);
    void clearUdfCtrls();
    // "Design Fields": the administrator's fields designer.
    void Child_DesignFieldExecute();
    // The user-defined sheet (1-5) in front; 0 when another page is.
    int CurrentUdfSheet() const;
    static void SetFieldDesigner(IFieldDesigner* designer);

    // ---- print templates
    // Fills menu with one item per template (type 1), unless it already has
    // items and is not marked stale.
    void CreateTemplateMenu(int aTmplateType, QMenu* aMenuItem);
    // Prints with the template whose ID is the item's tag.
    void DoTemplateItemClick(QAction* item);
    // After a template was copied or deleted: every template menu is built
    // again the next time it opens.
    static void MarkTemplateMenusStale();
    static void SetTemplatePrinter(ITemplatePrinter* printer);
    static ITemplatePrinter* TemplatePrinter();
    static constexpr int TemplateMenuStale = 8888;

    // ---- record sets: the master rows, the detail lines, the flags
    TClientDataSet* Child_CDS;
    TDataSource* Child_DS;
    TClientDataSet* Sub_CDS;
    TDataSource* Sub_DS;
    TClientDataSet* Flag_CDS;

    // ---- the window's parts, for the main window and tests
    TDbGrid* Grid() const { return DBGrid1; }          // the master rows
    QTreeWidget* Tree() const { return TreeView1; }    // the folder tree
    TDbGrid* LinesGrid() const { return DBGridItem; }  // the detail lines
    QTabWidget* Pages() const { return pg; }           // the editor pane's pages
    // The status bar's panels 0-3: the record count is in 0, the filter in 2.
    QLabel* StatusPanel(int i) const { return StatusPanels[i]; }
    // A user-defined field sheet (1-5), and the area its fields sit in.
    QWidget* UdfSheet(int sheet) const { return pgTsUdf[sheet - 1]; }
    QWidget* UdfArea(int sheet) const { return UdfGb[sheet - 1]; }
    // A command of the tool bar or of a menu by object name ("Child_Save",
    // "N17" Move to Folder); null when there is none.
    QAction* Command(const QString& name) const;
    // Any other part by object name ("ItemBtnNew", "cbCon1"); null when none.
    template <typename T>
    T* Part(const QString& name) const {
        return findChild<T*>(name);
    }

protected:
    // ---- the widgets, for the business windows that add to them
    QAction* FFilterButton;  // the tool bar's place of btnFilter
    QFrame* PanelTop;
    QLabel* lbChildName;
    QToolButton* btnHelp;
    QToolButton* btnCloseAll;
    QToolButton* btnClose;
    QToolBar* ToolBar2;
    QAction* Child_New;
    QAction* Child_Save;
    QAction* Child_Cancel;
    QAction* Child_Delete;
    QAction* Child_RefreshRecord;
    QAction* Child_DesignField;
    QToolButton* btnFilter;
    QToolButton* btnActions;
    QMenu* PopupActions;
    QWidget* PanelLeft;
    QWidget* PanelLeftTopTitle;
    QToolButton* btnLeftTree;
    QToolButton* btnLeftFind;
    QToolButton* btnGridOption;
    QToolButton* btnAutoAdj;
    QToolButton* btnMoveLeft;
    QStackedWidget* PanelLeftStack;
    QTreeWidget* TreeView1;
    QWidget* PanelLeftBottomBottom;
    QListWidget* CheckListGridOption;
    QWidget* PanelLeftVerticalSplitter;
    QToolButton* imgVerticalMoveLeft;
    QToolButton* imgVerticalMoveRight;
    QWidget* PanelRight;
    QSplitter* HorizontalSplitter;
    TDbGrid* DBGrid1;
    QWidget* PanelRightHorizontalSplitter;
    QToolButton* imgHorizontalMoveDown;
    QToolButton* imgHorizontalMoveUp;
    QWidget* PanelRightBottom;
    QTabWidget* pg;
    QWidget* pgTs0;
    QWidget* pgTs1;
    QWidget* pgTs2;
    QWidget* pgTsItems;
    QGroupBox* gb0;
    QGroupBox* gb1;
    QGroupBox* gb2;
    TDbGrid* DBGridItem;
    QLabel* lbItemsHint;  // why the line buttons are off, while they are
    QToolButton* ItemBtnNew;
    QToolButton* ItemBtnDel;
    QToolButton* ItemBtnSaveSetting;
    QToolButton* ItemSplitBtn;
    QWidget* pgTsItemsPanelRight;
    QToolButton* ItemBtnNew2;
    QToolButton* ItemBtnSave;
    QToolButton* itemBtnCancel;
    QToolButton* ItemBtnDel2;
    QToolButton* ItemBtnPrior;
    QToolButton* ItemBtnNext;
    QGroupBox* GroupBoxItem;
    QLabel* StatusPanels[4];
    QMenu* PopupDbGrid;
    QAction* MenuItem_AutoAdj;
    QAction* MenuItem_SelectAll;
    QAction* MenuItem_Export;
    QAction* N16;  // Set Flag (its submenu: PopupFlags)
    QMenu* PopupFlags;
    QAction* N17;  // Move to Folder
    QMenu* PopupTreeView;
    QAction* N12;
    QAction* N13;
    QAction* N15;
    QAction* MenuItem_TVRefresh;
    // the search panel
    QListWidget* lbFilter;
    QComboBox* cbCon1;
    QComboBox* cbSign1;
    QLineEdit* edVal1;
    QComboBox* cbAndOr;
    QComboBox* cbCon2;
    QComboBox* cbSign2;
    QLineEdit* edVal2;
    QPushButton* btnFilterFind;
    QPushButton* btnFilterNew;
    QPushButton* btnFilterDel;
    QMenu* PopupFilter;
    QAction* FilterNone;
    QAction* FilterToday;
    QAction* FilterWeek;
    QAction* FilterMonth;
    // the user-defined field sheets
    QWidget* pgTsUdf[5];
    QWidget* UdfGb[5];  // the field area of each sheet
    QWidget* pnUdf1;    // beside the pages while a user-defined sheet is in front
    QPushButton* btnDesignField;

    // Data events of the master set.
    virtual void Child_CDSBeforeOpen();
    virtual void Child_CDSAfterOpen();
    virtual void Child_CDSAfterInsert();
    virtual void Child_CDSBeforePost();
    virtual void Child_DSStateChange();
    virtual void Sub_CDSAfterOpen();
    virtual void Sub_CDSAfterInsert();
    virtual void Sub_DSStateChange();
    // Writes the pending changes of cds in one transaction together with
    // what the window derives from them (WriteDerived); prepare runs first in
    // it. A write that met another user's at the same row is tried again. A
    // refusal shows the database's message and leaves the changes pending:
    // false then. Anything after the commit is not a refusal.
    bool WriteRows(TClientDataSet* cds, const std::function<void(TFbTransaction&)>& prepare = {});
    // Values the window keeps in step with the rows of cds just written in
    // tra (an invoice's totals with its lines): they commit together.
    virtual void WriteDerived(TFbTransaction& tra, TClientDataSet* cds);
    // Locks the current master row in tra, so that writers of its lines take
    // turns; refuses when another user deleted it.
    void LockMaster(TFbTransaction& tra);

private:
    // Gives a new line the next free line number when another user took
    // the one proposed.
    void TakeFreeLineNumber(TFbTransaction& tra);

protected:
    // Runs a command, showing an error of the database instead of losing it.
    void Guarded(const std::function<void()>& f);
    // The slot that runs command f of this window through Guarded.
    template <typename W>
    std::function<void()> GuardedCommand(void (W::*f)()) {
        W* w = static_cast<W*>(this);
        return [this, w, f]() { Guarded([w, f]() { (w->*f)(); }); };
    }
    QTreeWidgetItem* SelectedFolder() const;
    // The row counts the folder tree shows, of the table configured.
    TFolderCounts& FolderCounts();
    // Adds a folder node under parent, counted now.
    QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const TTreeNodeData& data);

private:
    void BuildUi();
    void BuildTitleStrip(QBoxLayout* outer);
    void BuildCommandStrip(QBoxLayout* outer);
    void BuildNavigationPane(QBoxLayout* bodyLayout);
    void BuildCollapseStrip(QBoxLayout* bodyLayout);
    void BuildRightPane(QBoxLayout* bodyLayout);
    void BuildStatusBar(QBoxLayout* outer);
    void BuildGridMenu();
    void BuildSearchPanel();
    void BuildQuickFilter();
    // Shows or collapses a pane, with the button that does the other.
    static void ShowPane(QWidget* pane, QToolButton* collapse, QToolButton* open, bool shown);
    void ConnectGridLayout();
    void BuildItemsSheet();
    void ShowGridMenu(const QPoint& pos);
    void SaveMasterGrid();
    void BuildUdfSheets(QBoxLayout* beside);
    bool FUdfShow = false;
    bool FUdfBuilt[5] = {false, false, false, false, false};
    bool FChangingNode = false;
    int FListedFolderId = -1;  // the folder whose rows are listed; -1: other rows
    // Sets f to the default text e, or adds why it cannot to unusable.
    static void SetDefaultValue(TField* f, const QString& e, QStringList& unusable);
    quint64 FWritesSeen = 0;  // the connection's writes when the rows were last read
    bool ShowFetchProgress(int held);
    std::unique_ptr<QProgressDialog> FFetchProgress;
    QElapsedTimer FFetchWatch;
    std::unique_ptr<TFolderCounts> FFolderCounts;
};
