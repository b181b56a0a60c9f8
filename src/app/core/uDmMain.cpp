#include "uDmMain.h"

#include <QDate>
#include <QFileInfo>
#include <QTime>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "uInvoiceTotals.h"
#include "uLibProc.h"
#include "uMessages.h"
#include "uNumbering.h"
#include "uPaidAmounts.h"
#include "uTemplateCopy.h"

namespace {
TdmMain* g_dmMain = nullptr;

void BindParams(TFbQuery& q, const QVariantMap& params) {
    for (auto it = params.cbegin(); it != params.cend(); ++it) q.SetParam(it.key(), it.value());
}
}  // namespace

TdmMain* dmMain() { return g_dmMain; }

bool ApplyOrKeep(TClientDataSet* cds, const std::function<void(TFbTransaction&)>& prepare,
                 const std::function<void(TFbTransaction&)>& derive) {
    if (cds->State() != TDataSetState::Browse) cds->Post();
    if (cds->ChangeCount() == 0) return true;  // nothing changed: nothing to write
    try {
        WriteInTransaction(*cds->Connection(), [&](TFbTransaction& tra) {
            if (prepare) prepare(tra);
            cds->ApplyUpdates(tra);
            if (derive) derive(tra);
        });
    } catch (const EFbError& e) {
        ShowError(e.Message());
        return false;
    }
    cds->CommitUpdates();
    return true;
}

bool ApplyOrUndo(TClientDataSet* cds) {
    if (ApplyOrKeep(cds)) return true;
    cds->CancelUpdates();
    return false;
}

TdmMain::TdmMain(QObject* parent) : QObject(parent) { g_dmMain = this; }

TdmMain::~TdmMain() {
    // Nothing more is delivered to windows that are going too.
    FBackground.Shutdown();
    if (g_dmMain == this) g_dmMain = nullptr;
}

void TdmMain::RunWriterInBackground(const QString& purpose, const TBackgroundTasks::TWork& work,
                                    const TBackgroundTasks::TDone& done,
                                    const TBackgroundTasks::TFailed& failed,
                                    const TBackgroundTasks::TStillWanted& stillWanted) {
    FBackground.RunWriterInBackground(purpose, SQLConn_Main.Database(), work, done, failed,
                                      stillWanted);
}

void TdmMain::RunInBackground(const TBackgroundTasks::TWork& work,
                              const TBackgroundTasks::TDone& done,
                              const TBackgroundTasks::TFailed& failed) {
    RunWriterInBackground(FBackground.FreshPurpose(), work, done, failed);
}

bool TdmMain::RunningInBackground() const { return FBackground.Running(); }

void TdmMain::WaitForBackgroundWork() { FBackground.WaitForAll(); }

TdmMain::TCreateResult TdmMain::DataModuleCreate(const std::function<bool()>& login) {
    QString err;
    // The upgrade connection is tried only when the main one opened, so that
    // one failure gives one message.
    if (ConnectDb(SQLConn_Main, QStringLiteral("Main"), err) &&
        ConnectDb(SQLConn_DbPatch, QStringLiteral("Patch"), err)) {
        try {
            return login() ? TCreateResult::LoggedIn : TCreateResult::LoginCancelled;
        } catch (const EFbError& e) {
            // A database that opened and passed the check can still fail on
            // the pages the login reads.
            err = ConnectFailedMessage(e.Message());
        }
    }
    SQLConn_DbPatch.Close();
    SQLConn_Main.Close();
    ShowError(err + "\r\r" + TerminateMessage());
    return TCreateResult::ConnectFailed;
}

QString TdmMain::ConnectFailedMessage(const QString& engineMessage) {
    return QStringLiteral(
               "Connect to database failed (possible causes: Firebird database "
               "engin not installed or not started, please check [Control Panel "
               "-> Administration Tools -> Services]): ") +
           engineMessage;
}

QString TdmMain::ShownPath(const QString& path) {
    // A path of megabytes would make a message box that takes minutes to lay out.
    const int shown = 200;
    return path.size() <= shown ? path : path.left(shown) + QChar(0x2026);
}

void TdmMain::CheckDatabase(TFbConnection& conn, const QString& key) {
    // Reads what the start and the login need, so that a damaged file or
    // one without this program's tables is reported as a failed connection.
    const QStringList checks = key == QLatin1String("Main")
                                   ? QStringList{QStringLiteral("SELECT COUNT(*) FROM SYS_USER"),
                                                 QStringLiteral("SELECT COUNT(*) FROM SYS")}
                                   : QStringList{QStringLiteral("SELECT COUNT(*) FROM BATCH"),
                                                 QStringLiteral("SELECT COUNT(*) FROM BATCH_ITEM")};
    for (const QString& sql : checks) {
        TWorkQuery w(conn, sql);
        w.Query.Open();
    }
}

void TdmMain::AddListIndexes(TFbConnection& conn) {
    // The lists open sorted by these columns, newest or first at the top, and
    // read only their first screen: through an index in either direction the
    // engine hands those rows over at once, however long the table. A database
    // made before they existed gets them here, once.
    // Text is listed by its letters whatever their case, which the engine
    // gives in that order through an index on UPPER of the column.
    struct TIndex {
        const char *Name, *Table, *Column;
        bool Descending, Upper = false;
    };
    static const TIndex indexes[] = {
        {"AR_TRAN_DATE", "AR_TRAN", "INVOICEDATE", false},
        {"AR_TRAN_DATE_DESC", "AR_TRAN", "INVOICEDATE", true},
        {"AR_TRAN_NO_UPPER", "AR_TRAN", "INVOICENO", false, true},
        {"AR_TRAN_NO_UPPER_DESC", "AR_TRAN", "INVOICENO", true, true},
        {"CB_TRAN_DATE", "CB_TRAN", "TRANDATE", false},
        {"CB_TRAN_DATE_DESC", "CB_TRAN", "TRANDATE", true},
        {"IC_BATCH_DATE", "IC_BATCH", "BATCHDATE", false},
        {"IC_BATCH_DATE_DESC", "IC_BATCH", "BATCHDATE", true},
        {"AR_ACCT_NICKNAME_UPPER", "AR_ACCT", "NICKNAME", false, true},
        {"AR_ACCT_NICKNAME_UPPER_DESC", "AR_ACCT", "NICKNAME", true, true},
        {"AP_ACCT_NICKNAME_UPPER", "AP_ACCT", "NICKNAME", false, true},
        {"AP_ACCT_NICKNAME_UPPER_DESC", "AP_ACCT", "NICKNAME", true, true},
        {"IC_ITEM_ITEMNO_UPPER", "IC_ITEM", "ITEMNO", false, true},
        {"IC_ITEM_ITEMNO_UPPER_DESC", "IC_ITEM", "ITEMNO", true, true},
    };
    QSet<QString> present;
    {
        TWorkQuery w(conn, QStringLiteral("SELECT TRIM(RDB$INDEX_NAME) FROM RDB$INDICES"));
        for (w.Query.Open(); !w.Query.Eof(); w.Query.Next())
            present.insert(w.Query.Value(0).toString());
    }
    for (const TIndex& i : indexes) {
        if (present.contains(QLatin1String(i.Name))) continue;
        try {
            const QString column = QLatin1String(i.Column);
            conn.ExecuteImmediate(
                QStringLiteral("CREATE %1INDEX %2 ON %3 %4")
                    .arg(i.Descending ? "DESCENDING " : "", i.Name, i.Table,
                         i.Upper ? "COMPUTED BY (UPPER(" + column + "))" : "(" + column + ")"));
        } catch (const EFbError& e) {
            // Only slower without it (a read-only file, a table in use): the
            // next start tries again.
            qWarning("index %s not made: %s", i.Name, qPrintable(e.Message()));
        }
    }
}

bool TdmMain::ConnectDb(TFbConnection& conn, const QString& key, QString& err) {
    err.clear();
    if (conn.Connected()) return true;
    const QString iniFile = ProgramFolder() + ConfigFileName();
    if (!QFileInfo(iniFile).isFile()) {
        err = QStringLiteral("Cannot find system configuration(ini) file:\r\r%1\r")
                  .arg(ShownPath(iniFile));
        return false;
    }
    const QString path =
        ResolveConfigPath(ReadIniValue(iniFile, QStringLiteral("DB"), key), ProgramFolder());
    // A server path names a file on another machine: the server checks it.
    if (path.isEmpty() || (!IsServerPath(path) && !QFileInfo(path).isFile())) {
        err = QStringLiteral(
                  "In system configuration(ini) file \r%1\r, cannot find database "
                  "file:\r\r%2")
                  .arg(ShownPath(iniFile), ShownPath(path));
        return false;
    }
    try {
        conn.Open(path);
        CheckDatabase(conn, key);
        if (key == QLatin1String("Main")) AddListIndexes(conn);
        Curr_DbFile = QStringLiteral("Database: ") + path;
    } catch (const EFbError& e) {
        conn.Close();
        // The engine's message may quote the path.
        err = ConnectFailedMessage(ReplaceAll(e.Message(), path, ShownPath(path)));
    }
    if (ReadIniValue(iniFile, QStringLiteral("Pinyin"), QStringLiteral("Pinyin")) == "1")
        PinyinSearch = true;
    return conn.Connected();
}

QString TdmMain::QuotedStr(const QString& s) { return Rules::QuotedStr(s); }

QString TdmMain::ConditionsToWhere(const QStringList& conditions) {
    QStringList parts;
    for (int i = 0; i + 1 < conditions.size(); i += 2) {
        const QString& value = conditions[i + 1];
        parts << conditions[i] + " = " + (value.startsWith('\\') ? QuotedStr(value.mid(1)) : value);
    }
    return parts.join(QStringLiteral(" AND "));
}

void TdmMain::SQLSelectFieldWhere(const QString& field, const QString& table, QString& sql,
                                  const QStringList& conditions) const {
    sql = "SELECT " + field + " AS Val FROM " + table + " WHERE " + ConditionsToWhere(conditions);
}

void TdmMain::SelectFieldWhere(const QString& field, const QString& table, QVariant& value,
                               const QStringList& conditions) {
    QString sql;
    SQLSelectFieldWhere(field.toUpper(), table.toUpper(), sql, conditions);
    TWorkQuery w(SQLConn_Main, sql);
    w.Query.Open();
    value = w.Query.Eof() ? QVariant() : w.Query.Value(QStringLiteral("VAL"));
}

int TdmMain::SelectMinOrMaxIntegerWhere(const QString& field, const QString& table,
                                        const QString& aggregate, const QStringList& conditions) {
    const QString sql = "SELECT " + aggregate + "(" + field.toUpper() + ")" + " AS Val FROM " +
                        table.toUpper() + " WHERE " + ConditionsToWhere(conditions);
    TWorkQuery w(SQLConn_Main, sql);
    w.Query.Open();
    return w.Query.Eof() ? 0 : w.Query.AsInteger(QStringLiteral("VAL"));
}

QString TdmMain::SelectStringFieldById(const QString& fieldName, const QString& tableName, int id) {
    TWorkQuery w(SQLConn_Main, "SELECT " + fieldName + " AS " + fieldName + "_VAL FROM " +
                                   tableName + " WHERE ID=" + QString::number(id));
    w.Query.Open();
    return w.Query.Eof() ? QString() : w.Query.AsString(fieldName + "_VAL");
}

int TdmMain::GetTableNextKey(const QString& tbName) {
    return GetTableNextKeyConn(SQLConn_Main, tbName);
}

int TdmMain::GetTableNextKeyConn(TFbConnection& conn, const QString& tbName) {
    TWorkQuery w(conn, "SELECT GEN_ID(" + tbName + "_ID_GEN, 1) FROM SYS");
    w.Query.Open();
    const int key = w.Query.Eof() ? 0 : int(w.Query.AsInt64(0));
    w.Tra.Commit();
    return key;
}

void TdmMain::ResetCDS(TClientDataSet* cds) {
    cds->Close();
    cds->SetFilter(TFilter());
    cds->SetFiltered(false);
}

bool TdmMain::validateLookupField(const QString& tbName, const QString& fldName, QString& err) {
    Q_UNUSED(err);
    if (fldName.isEmpty()) return false;
    TWorkQuery w(SQLConn_Main, "SELECT FIELD FROM SYS_OBJECT WHERE OBJECT =" + QuotedStr(tbName) +
                                   " AND FIELD=" + QuotedStr(fldName));
    w.Query.Open();
    return !w.Query.Eof() && w.Query.AsString(QStringLiteral("FIELD")) == fldName;
}

void TdmMain::UpdateSysSoDoTemplateId(int aId) {
    ExecSQL("UPDATE SYS SET SO_DOTEMPLATE_ID = " + QString::number(aId));
}

int TdmMain::SelectSysSoDoTemplateId() {
    return SelectValue(QStringLiteral("SELECT SO_DOTEMPLATE_ID FROM SYS")).toInt();
}

void TdmMain::UpdateSysUser(int aId) {
    ExecSQL(QStringLiteral("UPDATE SYS_USER SET LASTDATE=:LASTDATE,LASTTIME=:LASTTIME,"
                           "LOGINS=LOGINS+1 WHERE ID=") +
                QString::number(aId),
            {{QStringLiteral("LASTDATE"), QDate::currentDate()},
             {QStringLiteral("LASTTIME"), QTime::currentTime()}});
}

void TdmMain::InsertSysFilter(const QString& aTABLENAME, const QString& aNAME,
                              const QString& aFIELD1, const QString& aSIGN1,
                              const QString& aVALUE1_VARCHAR, const QString& aANDOR,
                              const QString& aFIELD2, const QString& aSIGN2,
                              const QString& aVALUE2_VARCHAR, const QDateTime& aVALUE1_DATE,
                              const QDateTime& aVALUE2_DATE, int aVALUE1_INT, int aVALUE2_INT,
                              int aLOADORDER, int aTREEVIEWID, bool aVALUE1_BOOLEAN,
                              bool aVALUE2_BOOLEAN, bool aENABLED, double aVALUE1_FLOAT,
                              double aVALUE2_FLOAT) {
    ExecSQL(QStringLiteral(
                "  INSERT INTO SYS_FILTER ( TABLENAME, NAME, LOADORDER, FIELD1, SIGN1, "
                "VALUE1_VARCHAR, VALUE1_DATE, VALUE1_INT, VALUE1_FLOAT, VALUE1_BOOLEAN, ANDOR, \n"
                "  FIELD2, SIGN2, VALUE2_VARCHAR, VALUE2_DATE, VALUE2_INT, VALUE2_FLOAT, "
                "VALUE2_BOOLEAN, SYS_TREEVIEW_ID, ENABLED)\n"
                "  VALUES (:TABLENAME,:NAME,:LOADORDER,:FIELD1,:SIGN1,:VALUE1_VARCHAR,:VALUE1_DATE,"
                ":VALUE1_INT,:VALUE1_FLOAT,:VALUE1_BOOLEAN,:ANDOR, \n"
                "  :FIELD2,:SIGN2,:VALUE2_VARCHAR,:VALUE2_DATE,:VALUE2_INT,:VALUE2_FLOAT,"
                ":VALUE2_BOOLEAN,:SYS_TREEVIEW_ID,:ENABLED)"),
            {{QStringLiteral("TABLENAME"), aTABLENAME},
             {QStringLiteral("NAME"), aNAME},
             {QStringLiteral("LOADORDER"), aLOADORDER},
             {QStringLiteral("FIELD1"), aFIELD1},
             {QStringLiteral("SIGN1"), aSIGN1},
             {QStringLiteral("VALUE1_VARCHAR"), aVALUE1_VARCHAR},
             {QStringLiteral("VALUE1_DATE"), aVALUE1_DATE},
             {QStringLiteral("VALUE1_INT"), aVALUE1_INT},
             {QStringLiteral("VALUE1_FLOAT"), aVALUE1_FLOAT},
             {QStringLiteral("VALUE1_BOOLEAN"), aVALUE1_BOOLEAN ? 1 : 0},
             {QStringLiteral("ANDOR"), aANDOR},
             {QStringLiteral("FIELD2"), aFIELD2},
             {QStringLiteral("SIGN2"), aSIGN2},
             {QStringLiteral("VALUE2_VARCHAR"), aVALUE2_VARCHAR},
             {QStringLiteral("VALUE2_DATE"), aVALUE2_DATE},
             {QStringLiteral("VALUE2_INT"), aVALUE2_INT},
             {QStringLiteral("VALUE2_FLOAT"), aVALUE2_FLOAT},
             {QStringLiteral("VALUE2_BOOLEAN"), aVALUE2_BOOLEAN ? 1 : 0},
             {QStringLiteral("SYS_TREEVIEW_ID"), aTREEVIEWID},
             {QStringLiteral("ENABLED"), aENABLED ? 1 : 0}});
}

void TdmMain::DeleteSysFilter(const QString& aTABLENAME, const QString& aNAME) {
    ExecSQL(QStringLiteral("DELETE FROM SYS_FILTER WHERE TABLENAME=:TABLENAME AND NAME=:NAME"),
            {{QStringLiteral("TABLENAME"), aTABLENAME}, {QStringLiteral("NAME"), aNAME}});
}

void TdmMain::RecalculatePaidAmounts() { PaidAmounts::Recalculate(SQLConn_Main); }

void TdmMain::RecalculatePaidAmounts(TFbConnection& conn) { PaidAmounts::Recalculate(conn); }

void TdmMain::ExecSQL(const QString& sql, const QVariantMap& params) {
    TWorkQuery w(SQLConn_Main, sql);
    BindParams(w.Query, params);
    w.Query.Execute();
    w.Tra.Commit();
}

bool TdmMain::ManyRows(const QString& table) {
    return SelectValue(QStringLiteral("SELECT COUNT(*) FROM (SELECT FIRST %1 1 AS X FROM %2)")
                           .arg(RowsWorkedWhileWaiting + 1)
                           .arg(table))
               .toInt() > RowsWorkedWhileWaiting;
}

QVariant TdmMain::SelectValue(const QString& sql, const QVariantMap& params) {
    TWorkQuery w(SQLConn_Main, sql);
    BindParams(w.Query, params);
    w.Query.Open();
    return w.Query.Eof() ? QVariant() : w.Query.Value(0);
}

void TdmMain::ForEachRow(const QString& sql, const std::function<void(const TFbQuery&)>& rowFn,
                         const QVariantMap& params) {
    TWorkQuery w(SQLConn_Main, sql);
    BindParams(w.Query, params);
    for (w.Query.Open(); !w.Query.Eof(); w.Query.Next()) rowFn(w.Query);
}

// ------------------------------------------------------------ numbering

QDate TdmMain::Today() { return Numbering::Today(); }

void TdmMain::SetToday(const QDate& day) { Numbering::SetToday(day); }

int TdmMain::GetNextSysNo(const QString& aTb, const QString& aPreFix) {
    return Numbering::GetNextSysNo(SQLConn_Main, aTb, aPreFix);
}

QString TdmMain::GetNextTableNo(const QString& aTb, int aPrefixNo) {
    try {
        return Numbering::GetNextTableNo(SQLConn_Main, aTb, aPrefixNo);
    } catch (const ERuleRefused& e) {
        ShowError(e.Message());
        return QString();
    }
}

void TdmMain::AssignAutoNoFieldValue(const QString& aTb, TDataSource* aDS) {
    const std::optional<QString> field = Numbering::AutoNoField(SQLConn_Main, aTb);
    TClientDataSet* ds = aDS ? aDS->DataSet() : nullptr;
    if (!field || !ds || ds->State() != TDataSetState::Insert) return;
    ds->FieldByName(*field)->SetValue(GetNextTableNo(aTb, 0));
}

// ------------------------------------------------------------ invoice tax

void TdmMain::CalcArTranTax(int arTranId, int taxId, TMoney& amtTotal, TMoney& amtTax,
                            TMoney& amtGoods) {
    TFbTransaction tra(SQLConn_Main);
    InvoiceTotals::CalcArTranTax(tra, arTranId, taxId, amtTotal, amtTax, amtGoods);
}

void TdmMain::CalcArTranTax(TFbTransaction& tra, int arTranId, int taxId, TMoney& amtTotal,
                            TMoney& amtTax, TMoney& amtGoods) {
    InvoiceTotals::CalcArTranTax(tra, arTranId, taxId, amtTotal, amtTax, amtGoods);
}

void TdmMain::UpdateArTran(TFbTransaction& tra, int tranId) {
    InvoiceTotals::UpdateArTran(tra, tranId);
}

TMoney TdmMain::ArTranOwed(int arTranId) { return PaidAmounts::ArTranOwed(SQLConn_Main, arTranId); }

int TdmMain::ReceiptFolderId() {
    return SelectValue(
               "SELECT FIRST 1 ID FROM SYS_TREEVIEW WHERE TABLENAME='CB_TRAN' AND READONLY=1 "
               "AND PARENTID<>0 AND CAPTION='Receipts' ORDER BY ID")
        .toInt();
}

// ------------------------------------------------------------ customers

void TdmMain::GetDefaultValueFromArAcct(int aId, double& aDisc, int& aPriceNo) {
    aDisc = 0;
    aPriceNo = 0;
    ForEachRow("SELECT DISCTRATE,PRICENO FROM AR_ACCT WHERE ID=" + QString::number(aId),
               [&](const TFbQuery& q) {
                   aDisc = q.AsDouble("DISCTRATE");
                   aPriceNo = q.AsInteger("PRICENO");
               });
}

int TdmMain::GetArAcctTaxId(int aId) {
    int tax = 0;
    ForEachRow("SELECT ID,SYS_TAX_ID FROM AR_ACCT WHERE ID=" + QString::number(aId),
               [&](const TFbQuery& q) {
                   if (q.AsString("ID") == QString::number(aId)) tax = q.AsInteger("SYS_TAX_ID");
               });
    return tax;
}

// ------------------------------------------------------------ folders

void TdmMain::SelectSysTreeViewRootByTable(const QString& tbName, int& id, int& parentId,
                                           int& imgIndex, int& readOnly, QString& caption) {
    const QString t = QuotedStr(tbName.toUpper());
    id = SelectValue("SELECT MIN(ID) AS VAL FROM SYS_TREEVIEW WHERE TABLENAME=" + t).toInt();
    ForEachRow("SELECT * FROM SYS_TREEVIEW WHERE TABLENAME=" + t + " AND ID=" + QString::number(id),
               [&](const TFbQuery& q) {
                   parentId = q.AsInteger(QStringLiteral("PARENTID"));
                   imgIndex = q.AsInteger(QStringLiteral("IMGINDEX"));
                   readOnly = q.AsInteger(QStringLiteral("READONLY"));
                   caption = q.AsString(QStringLiteral("CAPTION"));
               });
}

int TdmMain::InsertSysTreeView(const QString& tbName, const QString& caption, int parentId,
                               int siblingOrder, int imgIndex, int readOnly) {
    TFbTransaction tra(SQLConn_Main);
    const int id =
        InsertSysTreeView(tra, tbName, caption, parentId, siblingOrder, imgIndex, readOnly);
    tra.Commit();
    return id;
}

int TdmMain::InsertSysTreeView(TFbTransaction& tra, const QString& tbName, const QString& caption,
                               int parentId, int siblingOrder, int imgIndex, int readOnly) {
    const QVariantMap p = {{"TABLENAME", tbName},  {"CAPTION", caption},
                           {"PARENTID", parentId}, {"SIBLINGORDER", siblingOrder},
                           {"IMGINDEX", imgIndex}, {"READONLY", readOnly}};
    // The key is assigned by the database; RETURNING hands back exactly the
    // row written, even when another user adds a folder of the same name.
    TFbQuery q(tra,
               QStringLiteral("INSERT INTO SYS_TREEVIEW ( TABLENAME, CAPTION, PARENTID, "
                              "SIBLINGORDER, IMGINDEX, READONLY) VALUES\n"
                              "(:TABLENAME,:CAPTION,:PARENTID,:SIBLINGORDER,:IMGINDEX,:READONLY) "
                              "RETURNING ID"));
    BindParams(q, p);
    q.Execute();
    return q.AsInteger(QStringLiteral("ID"));
}

void TdmMain::UpdateSysTreeView(const QString& tbName, const QString& caption, int id) {
    ExecSQL(QStringLiteral("UPDATE SYS_TREEVIEW SET CAPTION=:CAPTION WHERE TABLENAME=:TABLENAME "
                           "AND ID=:ID"),
            {{"CAPTION", caption}, {"TABLENAME", tbName}, {"ID", id}});
}

void TdmMain::DeleteSysTreeView(const QString& tbName, int id) {
    ExecSQL(QStringLiteral("DELETE FROM SYS_TREEVIEW WHERE TABLENAME=:TABLENAME AND ID=:ID"),
            {{"TABLENAME", tbName}, {"ID", id}});
}

void TdmMain::DeleteSysTreeView(TFbTransaction& tra, const QString& tbName, int id) {
    TFbQuery q(tra,
               QStringLiteral("DELETE FROM SYS_TREEVIEW WHERE TABLENAME=:TABLENAME AND ID=:ID"));
    BindParams(q, {{"TABLENAME", tbName}, {"ID", id}});
    q.Execute();
}

// ------------------------------------------------------------ print templates

QString TdmMain::CopyDoTemplateFailedMessage(int fromTVId) {
    return TemplateCopy::CopyFailedMessage(fromTVId);
}

bool TdmMain::CopyDoTemplate(int fromTVId, int toTVId, const QString& aName) {
    bool copied = false;
    WriteInTransaction(SQLConn_Main, [&](TFbTransaction& tra) {
        copied = CopyDoTemplate(tra, fromTVId, toTVId, aName);
    });
    return copied;
}

bool TdmMain::CopyDoTemplate(TFbTransaction& tra, int fromTVId, int toTVId, const QString& aName) {
    try {
        TemplateCopy::CopyDoTemplate(tra, fromTVId, toTVId, aName);
    } catch (const ERuleRefused& e) {
        // Nothing was written: the caller's transaction goes on as it was.
        ShowError(e.Message());
        return false;
    }
    return true;
}

void TdmMain::DeleteDoTemplate(int TreeViewID) {
    WriteInTransaction(SQLConn_Main, [&](TFbTransaction& tra) {
        TemplateCopy::DeleteDoTemplate(tra, TreeViewID);
    });
}

void TdmMain::DeleteDoTemplate(TFbTransaction& tra, int TreeViewID) {
    TemplateCopy::DeleteDoTemplate(tra, TreeViewID);
}

bool TdmMain::udfDataTableValidInSoDoTemplateField(const QString& dataTable, QString& dataSetName,
                                                   QString& bandName) {
    return TemplateCopy::DataTableValid(SQLConn_Main, dataTable, dataSetName, bandName);
}

void TdmMain::insertUdfToDoTemplates(const QString& pBandName, const QString& pDataTable,
                                     const QString& pDataSet, const QString& pTitle,
                                     const QString& pField, const QString& pFormat, int pObjId,
                                     bool pWrap, bool pRightAdj) {
    WriteInTransaction(SQLConn_Main, [&](TFbTransaction& tra) {
        insertUdfToDoTemplates(tra, pBandName, pDataTable, pDataSet, pTitle, pField, pFormat,
                               pObjId, pWrap, pRightAdj);
    });
}

void TdmMain::insertUdfToDoTemplates(TFbTransaction& tra, const QString& pBandName,
                                     const QString& pDataTable, const QString& pDataSet,
                                     const QString& pTitle, const QString& pField,
                                     const QString& pFormat, int pObjId, bool pWrap,
                                     bool pRightAdj) {
    TemplateCopy::TUdfElement e;
    e.BandName = pBandName;
    e.DataTable = pDataTable;
    e.DataSet = pDataSet;
    e.Title = pTitle;
    e.Field = pField;
    e.Format = pFormat;
    e.ObjId = pObjId;
    e.Wrap = pWrap;
    e.RightAdj = pRightAdj;
    TemplateCopy::InsertUdfElement(tra, e);
}

void TdmMain::deleteUdfToDoTemplates(int pObjId) {
    WriteInTransaction(SQLConn_Main,
                       [&](TFbTransaction& tra) { TemplateCopy::DeleteUdfElements(tra, pObjId); });
}

void TdmMain::deleteUdfToDoTemplates(TFbTransaction& tra, int pObjId) {
    TemplateCopy::DeleteUdfElements(tra, pObjId);
}

// ------------------------------------------------------------ lookups

TClientDataSet* TdmMain::FindLookupCDS(const QString& name) const {
    return FLookupSets.value(name.toUpper());
}

TClientDataSet* TdmMain::CreateLookupCDS(const QString& name, const QString& sql) {
    if (TClientDataSet* existing = FindLookupCDS(name)) return existing;
    auto* cds = new TClientDataSet(this);
    cds->setObjectName(name);
    cds->SetConnection(&SQLConn_Main);
    cds->CommandText = sql;
    // The rows of the keys shown, when first shown, never the whole table.
    cds->ReadByKey = true;
    FLookupSets.insert(name.toUpper(), cds);
    return cds;
}
