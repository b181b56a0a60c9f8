#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "TFbConnection.h"
#include "TFbQuery.h"

class QComboBox;
class TClientDataSet;

// A one-off statement with the transaction it runs in: committed by the
// caller when it wrote, rolled back on destruction otherwise.
struct TWorkQuery {
    TWorkQuery(TFbConnection& conn, const QString& sql) : Tra(conn), Query(Tra, sql) {}
    TFbTransaction Tra;
    TFbQuery Query;
};

// The central data module: the two connections, the session of the logged-in
// user, and the one-off data services the rest of the program calls instead of
// writing statements of its own. Each service runs its statement in a
// transaction of its own and commits it; database errors propagate to the
// caller's command.
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
    void FillComboBoxWithData(int fillType, QComboBox* cb);
    void FillComboBoxWithSysObject(QComboBox* cb, const QString& tbName);
    bool validateLookupField(const QString& tbName, const QString& fldName, QString& err);
    void UpdateSysSoDoTemplateId(int aId);
    int SelectSysSoDoTemplateId();

    // Records a successful login of user aId.
    void UpdateSysUser(int aId);

    // ---- helpers for one-off statements on the main connection
    // Runs a statement with ":NAME" parameters and commits it.
    void ExecSQL(const QString& sql, const QVariantMap& params = {});
    // The first column of the first row; null when there is no row.
    QVariant SelectValue(const QString& sql, const QVariantMap& params = {});
    // Calls rowFn for every row of a select.
    void ForEachRow(const QString& sql, const std::function<void(const TFbQuery&)>& rowFn,
                    const QVariantMap& params = {});
};

// The one data module of the running program.
TdmMain* dmMain();
