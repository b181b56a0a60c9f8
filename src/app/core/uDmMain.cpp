#include "uDmMain.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QScopeGuard>
#include <QThread>
#include <QTime>
#include <cmath>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "uLibProc.h"
#include "uLibRounding.h"
#include "uMessages.h"

namespace {
TdmMain* g_dmMain = nullptr;
QDate g_today;

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

void WriteInTransaction(TFbConnection& conn, const std::function<void(TFbTransaction&)>& write) {
    for (int attempt = 1;; ++attempt) {
        try {
            TFbTransaction tra(conn);
            write(tra);
            tra.Commit();
            return;
        } catch (const EFbError& e) {
            // The one that came second starts again and sees the first's write.
            if (!e.IsUpdateConflict() || attempt >= 5) throw;
            QThread::msleep(unsigned(20 * attempt));
        }
    }
}

TdmMain::TdmMain(QObject* parent) : QObject(parent) { g_dmMain = this; }

TdmMain::~TdmMain() {
    for (TBackground& b : FBackground) b.Thread.join();
    if (g_dmMain == this) g_dmMain = nullptr;
}

void TdmMain::RunInBackground(const std::function<QVariant(TFbConnection&)>& work,
                              const std::function<void(const QVariant&)>& done,
                              const std::function<void(const QString&)>& failed) {
    // Those done are joined here rather than all at the end.
    for (auto it = FBackground.begin(); it != FBackground.end();) {
        if (*it->Done) {
            it->Thread.join();
            it = FBackground.erase(it);
        } else {
            ++it;
        }
    }
    const QString db = SQLConn_Main.Database();
    QPointer<TdmMain> self(this);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    TBackground task;
    task.Done = finished;
    task.Thread = std::thread([db, work, done, failed, self, finished]() {
        const auto mark = qScopeGuard([finished]() { *finished = true; });
        QVariant result;
        QString error;
        try {
            TFbConnection conn;
            conn.Open(db);
            result = work(conn);
        } catch (const EFbError& e) {
            error = e.Message();
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        } catch (...) {
            error = QStringLiteral("The work in the background failed.");
        }
        // What the windows show stays as it was when the work failed; the
        // user is told why it did not change.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, done, failed, result, error]() {
                if (!self) return;
                if (error.isEmpty())
                    done(result);
                else if (failed)
                    failed(error);
                else
                    ShowError(error);
            },
            Qt::QueuedConnection);
    });
    FBackground.push_back(std::move(task));
}

bool TdmMain::RunningInBackground() const {
    for (const TBackground& b : FBackground)
        if (!*b.Done) return true;
    return false;
}

void TdmMain::WaitForBackgroundWork() {
    const bool waiting = RunningInBackground();
    if (waiting) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([waiting]() {
        if (waiting) QGuiApplication::restoreOverrideCursor();
    });
    while (RunningInBackground()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
        QThread::msleep(10);
    }
    for (TBackground& b : FBackground) b.Thread.join();
    FBackground.clear();
}

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

QString TdmMain::QuotedStr(const QString& s) {
    QString t = s;
    t.replace('\'', QStringLiteral("''"));
    return '\'' + t + '\'';
}

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

void TdmMain::FillComboBoxWithData(int fillType, QComboBox* cb) {
    cb->clear();
    if (fillType == 3) {
        ForEachRow(QStringLiteral("SELECT CODE FROM SYS_USER ORDER BY ID"),
                   [&](const TFbQuery& q) { cb->addItem(q.AsString(QStringLiteral("CODE"))); });
        return;
    }
    const QString table = fillType == 1 ? QStringLiteral("SO_ORDER") : QStringLiteral("SYS_MAIL");
    if (fillType != 1 && fillType != 2) return;
    ForEachRow("SELECT ID,CAPTION FROM SYS_TREEVIEW WHERE ID>=0 AND TABLENAME=" + QuotedStr(table) +
                   " ORDER BY ID",
               [&](const TFbQuery& q) {
                   cb->addItem(q.AsString(QStringLiteral("ID")) + " " +
                               q.AsString(QStringLiteral("CAPTION")));
               });
}

void TdmMain::FillComboBoxWithSysObject(QComboBox* cb, const QString& tbName) {
    cb->clearEditText();
    cb->clear();
    ForEachRow("SELECT FIELD FROM SYS_OBJECT WHERE OBJECT =" + QuotedStr(tbName) +
                   " AND UDF=1 AND UDFTYPE=0 AND FIELD<> 'ID' ORDER BY FIELD",
               [&](const TFbQuery& q) { cb->addItem(q.AsString(QStringLiteral("FIELD"))); });
    if (cb->count() > 0) cb->setCurrentIndex(0);
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

void TdmMain::RecalculatePaidAmounts() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([]() { QGuiApplication::restoreOverrideCursor(); });
    RecalculatePaidAmounts(SQLConn_Main);
}

void TdmMain::RecalculatePaidAmounts(TFbConnection& conn) {
    // Only the invoices whose paid amount differs are written: the receipts
    // keep it in step as they are saved, and rewriting every invoice made a
    // new version of each of a million rows at every start.
    WriteInTransaction(conn, [](TFbTransaction& tra) {
        const QString paid = QStringLiteral(
            "COALESCE((SELECT SUM(CB_TRANTYPE_FACTOR*TRANAMT) FROM CB_TRAN WHERE "
            "AR_TRAN_ID=AR_TRAN.ID), 0)");
        TFbQuery(tra,
                 "UPDATE AR_TRAN SET AMTPAID=" + paid + " WHERE AMTPAID IS DISTINCT FROM " + paid)
            .Execute();
    });
}

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

QDate TdmMain::Today() { return g_today.isValid() ? g_today : QDate::currentDate(); }

void TdmMain::SetToday(const QDate& day) { g_today = day; }

int TdmMain::GetNextSysNo(const QString& aTb, const QString& aPreFix) {
    // Read-and-advance is one statement, so two users can never read the same
    // counter value. A user who finds no counter creates it; if another user
    // created it in the meantime (unique key) or both advanced it at once
    // (update conflict), the loser simply tries again.
    const QVariantMap params = {{QStringLiteral("T"), aTb}, {QStringLiteral("P"), aPreFix}};
    for (int attempt = 0;; ++attempt) {
        try {
            TWorkQuery upd(SQLConn_Main,
                           QStringLiteral("UPDATE SYS_NO SET RUNNO=RUNNO+1 WHERE TABLENAME=:T AND "
                                          "PREFIX=:P RETURNING RUNNO"));
            BindParams(upd.Query, params);
            upd.Query.Execute();
            if (upd.Query.RowsAffected() == 1) {
                const int runNo = upd.Query.AsInteger(QStringLiteral("RUNNO"));
                upd.Tra.Commit();
                return runNo;
            }
            TFbQuery ins(upd.Tra, QStringLiteral("INSERT INTO SYS_NO (ID,TABLENAME,PREFIX,RUNNO) "
                                                 "VALUES (GEN_ID(SYS_NO_ID_GEN,1),:T,:P,1)"));
            BindParams(ins, params);
            ins.Execute();
            upd.Tra.Commit();
            return 1;
        } catch (const EFbError& e) {
            if (!e.IsConflict() || attempt >= 100) throw;
        }
    }
}

QString TdmMain::GetNextTableNo(const QString& aTb, int aPrefixNo) {
    const QString n = QString::number(aPrefixNo);
    QString prefix;
    int digits = 0;
    bool found = false;
    ForEachRow("SELECT TABLENAME, DIGIT, PREFIX" + n + ", PREFIX" + n +
                   "DATE FROM SYS_TABLENO WHERE TABLENAME=" + QuotedStr(aTb),
               [&](const TFbQuery& q) {
                   if (found || q.AsString(QStringLiteral("TABLENAME")) != aTb) return;
                   found = true;
                   prefix = q.AsString("PREFIX" + n);
                   digits = q.AsInteger(QStringLiteral("DIGIT"));
                   if (q.AsInteger("PREFIX" + n + "DATE") == 1) {
                       const QDate d = Today();
                       prefix += QStringLiteral("%1%2%3")
                                     .arg(d.year(), 4, 10, QLatin1Char('0'))
                                     .arg(d.month(), 2, 10, QLatin1Char('0'))
                                     .arg(d.day(), 2, 10, QLatin1Char('0'));
                   }
               });
    if (!found) {
        ShowError("Failed getting table next no, table name: " + aTb +
                  " not found in SYS_TABLENO table");
        return QString();
    }
    const int r = GetNextSysNo(aTb, prefix);
    // At least `digits` digits, never cut.
    return prefix + QStringLiteral("%1").arg(r, qMax(digits, 1), 10, QLatin1Char('0'));
}

void TdmMain::AssignAutoNoFieldValue(const QString& aTb, TDataSource* aDS) {
    QString table, field;
    bool autoSet = false;
    ForEachRow(
        "SELECT TABLENAME, FIELD, AUTOSET0 FROM SYS_TABLENO WHERE TABLENAME=" + QuotedStr(aTb),
        [&](const TFbQuery& q) {
            if (!table.isEmpty()) return;
            table = q.AsString(QStringLiteral("TABLENAME"));
            field = q.AsString(QStringLiteral("FIELD"));
            autoSet = q.AsInteger(QStringLiteral("AUTOSET0")) == 1;
        });
    TClientDataSet* ds = aDS ? aDS->DataSet() : nullptr;
    if (table.isEmpty() || !autoSet || !ds || ds->State() != TDataSetState::Insert) return;
    ds->FieldByName(field)->SetValue(GetNextTableNo(table, 0));
}

// ------------------------------------------------------------ invoice tax

void TdmMain::CalcArTranTax(int arTranId, int taxId, TMoney& amtTotal, TMoney& amtTax,
                            TMoney& amtGoods) {
    TFbTransaction tra(SQLConn_Main);
    CalcArTranTax(tra, arTranId, taxId, amtTotal, amtTax, amtGoods);
}

void TdmMain::CalcArTranTax(TFbTransaction& tra, int arTranId, int taxId, TMoney& amtTotal,
                            TMoney& amtTax, TMoney& amtGoods) {
    TFbQuery sum(
        tra, "SELECT SUM(AMOUNT) AS VAL FROM AR_TRANITEM WHERE AMOUNT IS NOT NULL AND AR_TRAN_ID=" +
                 QString::number(arTranId));
    sum.Open();
    amtGoods = sum.Eof() ? TMoney() : sum.AsMoney(QStringLiteral("VAL"));
    sum.Close();
    amtTotal = amtGoods;
    double rate = 0;
    bool inclusive = false;
    TFbQuery taxQ(tra, "SELECT ID,RATE,INCLUSIVE FROM SYS_TAX WHERE ID=" + QString::number(taxId));
    for (taxQ.Open(); !taxQ.Eof(); taxQ.Next()) {
        if (taxQ.AsString(QStringLiteral("ID")) != QString::number(taxId)) continue;
        rate = taxQ.AsDouble(QStringLiteral("RATE"));
        inclusive = taxQ.AsInteger(QStringLiteral("INCLUSIVE")) == 1;
    }
    // The one rounding step computes in floating point; its two-decimal
    // result is taken back into money exactly. Totals money cannot hold are
    // refused, never wrapped.
    const auto overflow = []() {
        return EMoneyOverflow(TMoney::OutOfRangeMessage(QStringLiteral("The invoice totals")));
    };
    const double total = double(amtTotal.Value) / double(TMoney::Scale);
    if (inclusive) {
        if (!TMoney::TryFromDouble(RoundAmount(2, total / (1 + rate * 0.01)), amtGoods) ||
            !TMoney::TrySubtract(amtTotal, amtGoods, amtTax))
            throw overflow();
    } else {
        if (!TMoney::TryFromDouble(
                RoundAmount(2, rate * (double(amtGoods.Value) / double(TMoney::Scale)) * 0.01),
                amtTax) ||
            !TMoney::TryAdd(amtGoods, amtTax, amtTotal))
            throw overflow();
    }
}

void TdmMain::UpdateArTran(TFbTransaction& tra, int tranId) {
    int taxId = 0;
    {
        TFbQuery q(tra, "SELECT SYS_TAX_ID FROM AR_TRAN WHERE ID=" + QString::number(tranId));
        q.Open();
        if (q.Eof()) return;  // the invoice itself is being deleted
        taxId = q.AsInteger(QStringLiteral("SYS_TAX_ID"));
    }
    TMoney total, tax, goods;
    CalcArTranTax(tra, tranId, taxId, total, tax, goods);
    TFbQuery upd(tra, "UPDATE AR_TRAN SET AMTGOODS=:AMT,AMTTAX=:TAX,AMTTOTAL=:TOTAL WHERE ID=" +
                          QString::number(tranId));
    upd.SetParam(QStringLiteral("AMT"), QVariant::fromValue(goods));
    upd.SetParam(QStringLiteral("TAX"), QVariant::fromValue(tax));
    upd.SetParam(QStringLiteral("TOTAL"), QVariant::fromValue(total));
    upd.Execute();
}

TMoney TdmMain::ArTranOwed(int arTranId) {
    const QVariant v = SelectValue(
        "SELECT AMTTOTAL - COALESCE((SELECT SUM(CB_TRANTYPE_FACTOR*TRANAMT) FROM CB_TRAN "
        "WHERE AR_TRAN_ID=T.ID), 0) FROM AR_TRAN T WHERE ID=" +
        QString::number(arTranId));
    const TMoney owed = TMoney::FromVariant(v);
    return owed.Value > 0 ? owed : TMoney();
}

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
    return QStringLiteral(
               "Copy failed, cannot find corresponding SO_DOTEMPLATE.ID for SYS_TREEVIEW_ID: %1")
        .arg(fromTVId);
}

bool TdmMain::CopyDoTemplate(int fromTVId, int toTVId, const QString& aName) {
    bool copied = false;
    WriteInTransaction(SQLConn_Main, [&](TFbTransaction& tra) {
        copied = CopyDoTemplate(tra, fromTVId, toTVId, aName);
    });
    return copied;
}

bool TdmMain::CopyDoTemplate(TFbTransaction& tra, int fromTVId, int toTVId, const QString& aName) {
    int sourceId = 0;
    {
        TFbQuery q(tra, "SELECT ID,SYS_TREEVIEW_ID FROM SO_DOTEMPLATE WHERE SYS_TREEVIEW_ID=" +
                            QString::number(fromTVId));
        q.Open();
        if (q.Eof() || q.AsInteger(QStringLiteral("SYS_TREEVIEW_ID")) != fromTVId) {
            ShowError(CopyDoTemplateFailedMessage(fromTVId));
            return false;
        }
        sourceId = q.AsInteger(QStringLiteral("ID"));
    }
    // The key is drawn only once the source is known, so a failed copy uses none.
    int newId = 0;
    {
        TFbQuery gen(tra, QStringLiteral("SELECT GEN_ID(SO_DOTEMPLATE_ID_GEN, 1) FROM SYS"));
        gen.Open();
        newId = int(gen.AsInt64(0));
    }
    const QString s = QString::number(sourceId);
    const QString n = QString::number(newId);
    TFbQuery tpl(tra,
                 "INSERT INTO SO_DOTEMPLATE (ID,SYS_TREEVIEW_ID, NAME,               "
                 "PAGE_WIDTH,PAGE_HEIGHT,MARGIN_TOP,MARGIN_LEFT,ORIENTATION,FILENAME,PAPERSIZE,"
                 "HEADER_HEIGHT,FOOTER_HEIGHT,LINECOUNT,PRINTIMG)\n"
                 "SELECT " +
                     n + "," + QString::number(toTVId) + "," + QuotedStr(aName) +
                     ",PAGE_WIDTH,PAGE_HEIGHT,MARGIN_TOP,MARGIN_LEFT,ORIENTATION,FILENAME,"
                     "PAPERSIZE,HEADER_HEIGHT,FOOTER_HEIGHT,LINECOUNT,PRINTIMG FROM SO_DOTEMPLATE "
                     "WHERE ID=" +
                     s);
    tpl.Execute();
    // A database made before the printer offset has no columns for it.
    TFbQuery offset(tra,
                    "SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE "
                    "RDB$RELATION_NAME='SO_DOTEMPLATE' AND "
                    "RDB$FIELD_NAME IN ('PRINT_OFFSET_X','PRINT_OFFSET_Y')");
    offset.Open();
    if (offset.AsInt64(0) == 2)
        TFbQuery(tra,
                 "UPDATE SO_DOTEMPLATE SET PRINT_OFFSET_X=(SELECT PRINT_OFFSET_X FROM "
                 "SO_DOTEMPLATE WHERE ID=" +
                     s + "),PRINT_OFFSET_Y=(SELECT PRINT_OFFSET_Y FROM SO_DOTEMPLATE WHERE ID=" +
                     s + ") WHERE ID=" + n)
            .Execute();
    TFbQuery fields(
        tra,
        "INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID,GROUPNAME,ORDERINGROUP,TITLE,DATASET,"
        "DATATABLE,DATAFIELD,VISIBLE,SPACE,FONTNAME,FONTSTYLE,FONTSIZE,FONTCOLOR,\"LEFT\",TOP,"
        "WIDTH,HEIGHT,WORDWRAP,RIGHTADJ,FORMATSTR,SYS_OBJECT_ID)\n"
        "SELECT " +
            n +
            ",GROUPNAME,ORDERINGROUP,TITLE,DATASET,DATATABLE,DATAFIELD,VISIBLE,SPACE,FONTNAME,"
            "FONTSTYLE,FONTSIZE,FONTCOLOR,\"LEFT\",TOP,WIDTH,HEIGHT,WORDWRAP,RIGHTADJ,FORMATSTR,"
            "SYS_OBJECT_ID FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=" +
            s);
    fields.Execute();
    return true;
}

void TdmMain::DeleteDoTemplate(int TreeViewID) {
    WriteInTransaction(SQLConn_Main,
                       [&](TFbTransaction& tra) { DeleteDoTemplate(tra, TreeViewID); });
}

void TdmMain::DeleteDoTemplate(TFbTransaction& tra, int TreeViewID) {
    for (const char* sql :
         {"DELETE FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=(SELECT ID FROM SO_DOTEMPLATE "
          "WHERE SYS_TREEVIEW_ID=:SYS_TREEVIEW_ID)",
          "DELETE FROM SO_DOTEMPLATE WHERE SYS_TREEVIEW_ID=:SYS_TREEVIEW_ID"}) {
        TFbQuery q(tra, QString::fromLatin1(sql));
        q.SetParam(QStringLiteral("SYS_TREEVIEW_ID"), TreeViewID);
        q.Execute();
    }
}

bool TdmMain::udfDataTableValidInSoDoTemplateField(const QString& dataTable, QString& dataSetName,
                                                   QString& bandName) {
    TWorkQuery w(SQLConn_Main,
                 QStringLiteral("SELECT DISTINCT DATATABLE,DATASET,GROUPNAME FROM "
                                "SO_DOTEMPLATEFIELD ORDER BY DATATABLE ASC, GROUPNAME DESC"));
    for (w.Query.Open(); !w.Query.Eof(); w.Query.Next()) {
        if (w.Query.AsString(QStringLiteral("DATATABLE")) != dataTable) continue;
        const QString dataSet = w.Query.AsString(QStringLiteral("DATASET"));
        if (dataSet.isEmpty()) continue;
        dataSetName = dataSet;
        bandName = w.Query.AsString(QStringLiteral("GROUPNAME"));
        return true;
    }
    return false;
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
    TFbQuery q(tra, QStringLiteral(
                        "INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID, GROUPNAME, "
                        "ORDERINGROUP, TITLE, DATASET, DATATABLE, DATAFIELD, VISIBLE,\"LEFT\", "
                        "TOP, WORDWRAP, RIGHTADJ, FORMATSTR, SYS_OBJECT_ID)\n"
                        "SELECT ID,              "
                        ":GROUPNAME,:ORDERINGROUP,:TITLE,:DATASET,:DATATABLE,:DATAFIELD,:VISIBLE,"
                        ":LEFT, :TOP,:WORDWRAP,:RIGHTADJ,:FORMATSTR,:SYS_OBJECT_ID FROM "
                        "SO_DOTEMPLATE"));
    const QVariantMap p = {{QStringLiteral("GROUPNAME"), pBandName},
                           {QStringLiteral("ORDERINGROUP"), 999},
                           {QStringLiteral("TITLE"), pTitle},
                           {QStringLiteral("DATASET"), pDataSet},
                           {QStringLiteral("DATATABLE"), pDataTable},
                           {QStringLiteral("DATAFIELD"), pField},
                           {QStringLiteral("VISIBLE"), 0},
                           {QStringLiteral("LEFT"), 0},
                           {QStringLiteral("TOP"), 0},
                           {QStringLiteral("WORDWRAP"), pWrap ? 1 : 0},
                           {QStringLiteral("RIGHTADJ"), pRightAdj ? 1 : 0},
                           {QStringLiteral("FORMATSTR"), pFormat},
                           {QStringLiteral("SYS_OBJECT_ID"), pObjId}};
    BindParams(q, p);
    q.Execute();
}

void TdmMain::deleteUdfToDoTemplates(int pObjId) {
    WriteInTransaction(SQLConn_Main,
                       [&](TFbTransaction& tra) { deleteUdfToDoTemplates(tra, pObjId); });
}

void TdmMain::deleteUdfToDoTemplates(TFbTransaction& tra, int pObjId) {
    TFbQuery q(tra,
               "DELETE FROM SO_DOTEMPLATEFIELD WHERE SYS_OBJECT_ID=" + QString::number(pObjId));
    q.Execute();
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
