#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "TFbConnection.h"
#include "TFbQuery.h"
#include "uBackgroundTask.h"
#include "uRules.h"
#include "uUdfSchema.h"

class TClientDataSet;
class TDataSource;

// A one-off statement with the transaction it runs in: committed by the
// caller when it wrote, rolled back on destruction otherwise.
struct TWorkQuery {
    TWorkQuery(TFbConnection& conn, const QString& sql) : Tra(conn), Query(Tra, sql) {}
    TFbTransaction Tra;
    TFbQuery Query;
};

// The central data module: the two connections, the session of the logged-in
// user, the work in the background, and the one-off data services the rest
// of the program calls instead of writing statements of its own. Each service
// runs its statement in a transaction of its own and commits it; database
// errors propagate to the caller's command. The business rules themselves
// live in src/rules (taking a connection or a transaction, Qt Core only);
// the methods of the same names here run them on the main connection.
class TdmMain : public QObject {
    Q_OBJECT
public:
    explicit TdmMain(QObject* parent = nullptr);
    ~TdmMain() override;

    // ---- start-up
    enum class TCreateResult { LoggedIn, LoginCancelled, ConnectFailed };
    // Connects both databases and runs the login; on a connection failure
    // shows the error box (the program is to end after it).
    TCreateResult DataModuleCreate(const std::function<bool()>& login);
    // Connects one connection by its configuration key ("Main" or "Patch").
    bool ConnectDb(TFbConnection& conn, const QString& key, QString& err);

    // The error text of a connection the engine refused or could not use.
    static QString ConnectFailedMessage(const QString& engineMessage);
    // A path as a message shows it: cut after 200 characters.
    static QString ShownPath(const QString& path);

    static QString ConfigFileName() { return QStringLiteral("Tallyvo.txt"); }
    static QString TerminateMessage() {
        return QStringLiteral(
            "System is about to terminate, please fix the problem and "
            "restart this application again");
    }

    TFbConnection SQLConn_Main;
    TFbConnection SQLConn_DbPatch;

    // ---- session
    int Curr_User_ID = -1;
    QString Curr_User_Name;
    QString Curr_ProgName;
    int Curr_ProgTag = 0;
    QString Curr_DbFile;
    // Switched on by Pinyin=1; read by the lookup picker.
    bool PinyinSearch = false;

    // ---- data services
    // The WHERE text of a condition list (field, value, field, value, ...).
    // A value starting with a backslash is text: the backslash is dropped,
    // inner quotes are doubled and the rest is quoted. Others go in as written.
    static QString ConditionsToWhere(const QStringList& conditions);
    static QString QuotedStr(const QString& s);

    void SQLSelectFieldWhere(const QString& field, const QString& table, QString& sql,
                             const QStringList& conditions) const;
    void SelectFieldWhere(const QString& field, const QString& table, QVariant& value,
                          const QStringList& conditions);
    int SelectMinOrMaxIntegerWhere(const QString& field, const QString& table,
                                   const QString& aggregate, const QStringList& conditions);
    QString SelectStringFieldById(const QString& fieldName, const QString& tableName, int id);
    int GetTableNextKey(const QString& tbName);
    static int GetTableNextKeyConn(TFbConnection& conn, const QString& tbName);
    // Closes a record set, clears its filter and switches filtering off.
    static void ResetCDS(TClientDataSet* cds);
    bool validateLookupField(const QString& tbName, const QString& fldName, QString& err);
    void UpdateSysSoDoTemplateId(int aId);
    int SelectSysSoDoTemplateId();

    // Records a successful login of user aId.
    void UpdateSysUser(int aId);

    // ---- record numbering (Numbering, uNumbering.h)
    // The next running number of table aTb for the complete prefix aPreFix;
    // advances the counter in one atomic step, so that users drawing at the
    // same moment never get the same number.
    int GetNextSysNo(const QString& aTb, const QString& aPreFix);
    // The next formatted number of aTb with prefix set aPrefixNo; empty (after
    // an error message) when the table has no SYS_TABLENO row.
    QString GetNextTableNo(const QString& aTb, int aPrefixNo);
    // Fills the number column of the row being inserted in aDS when the table
    // is set up for automatic numbering.
    void AssignAutoNoFieldValue(const QString& aTb, TDataSource* aDS);
    // Today, as the numbering sees it; tests move it to another day.
    static QDate Today();
    static void SetToday(const QDate& day);

    // ---- invoice tax (InvoiceTotals, uInvoiceTotals.h)
    // Goods, tax and total of invoice arTranId under tax code taxId, from the
    // sum of its line amounts. Only the tax (exclusive) or the net goods
    // amount (inclusive) is rounded, to two decimals.
    void CalcArTranTax(int arTranId, int taxId, TMoney& amtTotal, TMoney& amtTax, TMoney& amtGoods);
    // The same, reading the lines as transaction tra sees them (its own
    // uncommitted lines included).
    void CalcArTranTax(TFbTransaction& tra, int arTranId, int taxId, TMoney& amtTotal,
                       TMoney& amtTax, TMoney& amtGoods);
    // Stores the totals of invoice tranId, computed from its lines and its
    // stored tax code, in transaction tra: the write that changed the lines
    // or the tax code commits them together.
    void UpdateArTran(TFbTransaction& tra, int tranId);

    // What is still owed on invoice arTranId (PaidAmounts, uPaidAmounts.h): its total less the
    // signed sum of its receipts; never below 0.
    TMoney ArTranOwed(int arTranId);
    // The folder a receipt entered from an invoice is filed in: the bank
    // transactions' system folder for receipts; 0 when the database has none.
    int ReceiptFolderId();

    // ---- a customer's sales defaults
    // DISCTRATE and PRICENO of customer aId; 0 and 0 for a missing customer or nulls.
    void GetDefaultValueFromArAcct(int aId, double& aDisc, int& aPriceNo);
    // The customer's tax code; 0 when it has none or does not exist.
    int GetArAcctTaxId(int aId);

    // ---- folders
    void SelectSysTreeViewRootByTable(const QString& tbName, int& id, int& parentId, int& imgIndex,
                                      int& readOnly, QString& caption);
    int InsertSysTreeView(const QString& tbName, const QString& caption, int parentId,
                          int siblingOrder, int imgIndex, int readOnly);
    // The same in transaction tra, for a node written together with what it
    // stands for (a print template).
    int InsertSysTreeView(TFbTransaction& tra, const QString& tbName, const QString& caption,
                          int parentId, int siblingOrder, int imgIndex, int readOnly);
    void UpdateSysTreeView(const QString& tbName, const QString& caption, int id);
    void DeleteSysTreeView(const QString& tbName, int id);
    void DeleteSysTreeView(TFbTransaction& tra, const QString& tbName, int id);

    // ---- print templates (TemplateCopy, uTemplateCopy.h)
    // Copies the template of folder node fromTVId as a new template of node
    // toTVId named aName: the template row and its elements in one
    // transaction. False, after the error message and with nothing written,
    // when node fromTVId has no template.
    bool CopyDoTemplate(int fromTVId, int toTVId, const QString& aName);
    // The same in the caller's transaction, so that the caller's own writes
    // (the new node) commit with the copy or not at all.
    bool CopyDoTemplate(TFbTransaction& tra, int fromTVId, int toTVId, const QString& aName);
    static QString CopyDoTemplateFailedMessage(int fromTVId);
    // Deletes the template of node TreeViewID and its elements together; the
    // node itself is the caller's (the tra overload lets it go in the same
    // transaction).
    void DeleteDoTemplate(int TreeViewID);
    void DeleteDoTemplate(TFbTransaction& tra, int TreeViewID);
    // Whether columns of dataTable can be printed, and in which data set and
    // band: the first placement by band name descending (Header, Footer,
    // Detail) among the elements that bind that table to a data set.
    bool udfDataTableValidInSoDoTemplateField(const QString& dataTable, QString& dataSetName,
                                              QString& bandName);
    // Adds a hidden element for a new user-defined field to every template.
    void insertUdfToDoTemplates(const QString& pBandName, const QString& pDataTable,
                                const QString& pDataSet, const QString& pTitle,
                                const QString& pField, const QString& pFormat, int pObjId,
                                bool pWrap, bool pRightAdj);
    void insertUdfToDoTemplates(TFbTransaction& tra, const QString& pBandName,
                                const QString& pDataTable, const QString& pDataSet,
                                const QString& pTitle, const QString& pField,
                                const QString& pFormat, int pObjId, bool pWrap, bool pRightAdj);
    // Removes the elements of user-defined field pObjId from every template.
    void deleteUdfToDoTemplates(int pObjId);
    void deleteUdfToDoTemplates(TFbTransaction& tra, int pObjId);

    // ---- user-defined fields (UdfSchema, uUdfSchema.h)
    // Adds the column described by the current row of cds (the new SYS_OBJECT
    // row of the field, not yet saved) to its table, and with it the row
    // itself, the value list of a drop-down and, when needPrint, an element in
    // every template: all in one transaction, so that a refusal at any step
    // leaves none of them. False with Err set then, the row still pending.
    bool createUDF(TClientDataSet* cds, QString& Err, const QString& dropDownDesc,
                   const QString& tbDesc, bool needPrint, const QString& pBandName,
                   const QString& pDataTable, const QString& pDataSet);
    // Removes user-defined field id: its metadata, value list, template
    // elements and column, all or none.
    bool deleteUDF(int id, QString& Err);
    // Where a new field goes on sheet tsNo of table tbName: below the last
    // one, or in a new column when the sheet is full at hCeiling.
    void getUDFPosition(const QString& tbName, int tsNo, int hCeiling, int& TabNo, int& Left,
                        int& Top);
    void saveUdfPosition(int id, int left, int top, int width, int height);
    void saveUdfPosition(TFbTransaction& tra, int id, int left, int top, int width, int height);
    // The list name of data type udfType (TUdfType: "Text Field", ...); empty
    // when unknown.
    static QString UdfTypeName(int udfType);
    // The tables a lookup field may look up.
    static QStringList UdfLookupTables();
    // Only names of these characters ("A"-"Z", "0"-"9", "_") ever reach a
    // statement as a column or table name.
    static bool IsUdfIdentifier(const QString& name);

    // ---- lookup record sets, shared by all windows and found by name
    TClientDataSet* FindLookupCDS(const QString& name) const;
    TClientDataSet* CreateLookupCDS(const QString& name, const QString& sql);

    // ---- helpers for one-off statements on the main connection
    // Runs a statement with ":NAME" parameters and commits it.
    void ExecSQL(const QString& sql, const QVariantMap& params = {});
    // Saved searches of the record browsers (SYS_FILTER).
    void InsertSysFilter(const QString& aTABLENAME, const QString& aNAME, const QString& aFIELD1,
                         const QString& aSIGN1, const QString& aVALUE1_VARCHAR,
                         const QString& aANDOR, const QString& aFIELD2, const QString& aSIGN2,
                         const QString& aVALUE2_VARCHAR, const QDateTime& aVALUE1_DATE,
                         const QDateTime& aVALUE2_DATE, int aVALUE1_INT, int aVALUE2_INT,
                         int aLOADORDER, int aTREEVIEWID, bool aVALUE1_BOOLEAN,
                         bool aVALUE2_BOOLEAN, bool aENABLED, double aVALUE1_FLOAT,
                         double aVALUE2_FLOAT);
    void DeleteSysFilter(const QString& aTABLENAME, const QString& aNAME);
    // Every invoice's paid amount := the signed sum of its receipts (0 when
    // none), in one transaction (PaidAmounts::Recalculate). The caller shows
    // the wait cursor.
    void RecalculatePaidAmounts();
    // The same on a connection of the caller's (any thread).
    static void RecalculatePaidAmounts(TFbConnection& conn);
    // Runs work (which may read and write) for purpose on a thread of its
    // own, with a connection of its own to the main database; done then runs
    // in the window thread with what it returned, failed (or the error box)
    // with the message of a failure. A newer request of the same purpose
    // replaces an older one; see TBackgroundTasks. Waited for before the
    // data module goes, which then delivers nothing more.
    void RunWriterInBackground(const QString& purpose, const TBackgroundTasks::TWork& work,
                               const TBackgroundTasks::TDone& done,
                               const TBackgroundTasks::TFailed& failed = nullptr,
                               const TBackgroundTasks::TStillWanted& stillWanted = nullptr);
    // RunWriterInBackground with a purpose of its own: replaces nothing and
    // is replaced by nothing.
    void RunInBackground(const TBackgroundTasks::TWork& work, const TBackgroundTasks::TDone& done,
                         const TBackgroundTasks::TFailed& failed = nullptr);
    // Whether work in the background is still running (work whose result
    // waits for the window thread is done).
    bool RunningInBackground() const;
    // Waits until the work in the background has ended and let go of its
    // connections; the window thread meanwhile runs what it hands over,
    // user input aside. The caller shows the wait cursor.
    void WaitForBackgroundWork();
    // Raises the engine's error when the database lacks what the start needs
    // (key "Main" or "Patch").
    static void CheckDatabase(TFbConnection& conn, const QString& key);
    // Whether table holds more rows than the windows work through while the
    // user waits (counting them visits every row: a second for a million);
    // reads at most one row more than that.
    static constexpr int RowsWorkedWhileWaiting = 20000;
    bool ManyRows(const QString& table);
    // The first column of the first row; null when there is no row.
    QVariant SelectValue(const QString& sql, const QVariantMap& params = {});
    // Calls rowFn for every row of a select.
    void ForEachRow(const QString& sql, const std::function<void(const TFbQuery&)>& rowFn,
                    const QVariantMap& params = {});

private:
    TBackgroundTasks FBackground;
    static void AddListIndexes(TFbConnection& conn);

    QHash<QString, TClientDataSet*> FLookupSets;
};

// The one data module of the running program.
TdmMain* dmMain();

// The two ways a command writes the pending changes of a record set; both
// write in one transaction (WriteInTransaction) and show the refusal's
// message themselves, so a command only looks at the answer. Work after the
// commit is the command's own, outside the write's error path.
//
// ApplyOrKeep: for what was typed. prepare runs first in the transaction,
// derive after the rows (values kept in step with them). A refusal leaves
// the changes pending as typed, for a correction: false then.
bool ApplyOrKeep(TClientDataSet* cds, const std::function<void(TFbTransaction&)>& prepare = {},
                 const std::function<void(TFbTransaction&)>& derive = {});
// ApplyOrUndo: for deletes and moves. A refusal undoes them in the window
// too: the rows stand as they are in the database, and false.
bool ApplyOrUndo(TClientDataSet* cds);
