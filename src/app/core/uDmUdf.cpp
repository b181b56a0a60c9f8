// The data services of user-defined fields: columns that users add to the
// business tables, with their metadata, value lists and template elements.
#include <QRegularExpression>

#include "EFbError.h"
#include "TClientDataSet.h"
#include "uDmMain.h"

namespace {

// The column type that the table gets for a field of type udfType; empty for
// an unknown type.
QString ColumnType(int udfType, int size, int decimals) {
    switch (udfType) {
        case 0:
        case 1:
        case 5:
            return " VARCHAR(" + QString::number(size) + ")";
        case 2:
            return " DECIMAL(" + QString::number(size) + "," + QString::number(decimals) + ")";
        case 3:
            return QStringLiteral(" DATE");
        case 4:
            return QStringLiteral(" BOOLEAN");
        case 6:
            return QStringLiteral(" ID ");
        case 7:
            return QStringLiteral(" VARCHAR(200)");
        default:
            return QString();
    }
}

void Exec(TFbTransaction& tra, const QString& sql, const QVariantMap& params = {}) {
    TFbQuery q(tra, sql);
    for (auto it = params.cbegin(); it != params.cend(); ++it) q.SetParam(it.key(), it.value());
    q.Execute();
}

}  // namespace

QString TdmMain::UdfTypeName(int udfType) {
    static const char* const names[] = {"Text Field", "Memo Field", "Numeric Field", "Date Field",
                                        "Check Box",  "Drop Down",  "Lookup Field",  "Image Link"};
    if (udfType < 0 || udfType > 7) return QString();
    return QString::fromLatin1(names[udfType]);
}

QStringList TdmMain::UdfLookupTables() {
    return {QStringLiteral("AR_ACCT"), QStringLiteral("AR_TRAN"), QStringLiteral("AR_TRANITEM"),
            QStringLiteral("IC_ITEM")};
}

bool TdmMain::IsUdfIdentifier(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^[A-Z0-9_]+$"));
    return re.match(name).hasMatch();
}

bool TdmMain::createUDF(TClientDataSet* cds, QString& Err, const QString& dropDownDesc,
                        const QString& tbDesc, bool needPrint, const QString& pBandName,
                        const QString& pDataTable, const QString& pDataSet) {
    auto text = [cds](const char* f) { return cds->FieldByName(QLatin1String(f))->AsString(); };
    auto number = [cds](const char* f) { return cds->FieldByName(QLatin1String(f))->AsInteger(); };
    const QString table = text("OBJECT"), field = text("FIELD"), title = text("TITLE");
    const int udfType = number("UDFTYPE");
    const QString columnType = ColumnType(udfType, number("UDFSIZE"), number("UDFSIZEDECIMAL"));
    if (columnType.isEmpty()) {
        Err = QStringLiteral("Invalid data type specified.");
        return false;
    }
    // The names become part of statements: nothing else may get that far.
    if (!IsUdfIdentifier(table) || !IsUdfIdentifier(field)) {
        Err = QStringLiteral("Invalid field name: ") + field;
        return false;
    }
    if (udfType == 6 && (!UdfLookupTables().contains(text("LOOKUPTABLE")) ||
                         !IsUdfIdentifier(text("RESULTFIELD")))) {
        Err = QStringLiteral("Invalid lookup table");
        return false;
    }
    try {
        // Firebird changes the table when the transaction commits: a refusal
        // anywhere before leaves the column, the metadata, the value list and
        // the elements all unmade.
        TFbTransaction tra(SQLConn_Main);
        Exec(tra, "ALTER TABLE " + table + " ADD " + field + columnType);
        cds->ApplyUpdates(tra);
        if (udfType == 5) {
            const int key = GetTableNextKey(QStringLiteral("SYS_DICT"));
            Exec(tra,
                 QStringLiteral("INSERT INTO SYS_DICT (ID,NAME,TABLENAME,FIELD) VALUES "
                                "(:ID,:NAME,:TABLENAME,:FIELD)"),
                 {{QStringLiteral("ID"), key + 100},
                  {QStringLiteral("NAME"), dropDownDesc + " - " + title},
                  {QStringLiteral("TABLENAME"), table},
                  {QStringLiteral("FIELD"), field}});
        }
        if (needPrint)
            insertUdfToDoTemplates(tra, pBandName, pDataTable, pDataSet, tbDesc + ".UDF." + title,
                                   field, text("FORMATSTR"), number("ID"), udfType == 1,
                                   udfType == 2);
        tra.Commit();
    } catch (const EFbError& e) {
        Err = e.Message();
        return false;
    }
    cds->CommitUpdates();
    return true;
}

bool TdmMain::deleteUDF(int id, QString& Err) {
    QString table, field;
    bool found = false;
    ForEachRow("SELECT ID,OBJECT,FIELD,UDFTYPE,UDFPRINT FROM SYS_OBJECT WHERE UDF=1 AND ID=" +
                   QString::number(id),
               [&](const TFbQuery& q) {
                   found = true;
                   table = q.AsString("OBJECT");
                   field = q.AsString("FIELD");
               });
    if (!found) {
        Err = QStringLiteral("Cannot find field id in SYS_OBJECT.");
        return false;
    }
    if (!IsUdfIdentifier(table) || !IsUdfIdentifier(field)) {
        Err = QStringLiteral("Invalid field name: ") + field;
        return false;
    }
    try {
        // One transaction: a column that cannot be dropped keeps its
        // metadata, so that it stays visible and can be removed later.
        TFbTransaction tra(SQLConn_Main);
        const QVariantMap tf = {{QStringLiteral("T"), table}, {QStringLiteral("F"), field}};
        Exec(tra, "DELETE FROM SYS_OBJECT WHERE UDF=1 AND ID=" + QString::number(id));
        // Any field may own a value list or elements (its type or printing
        // may have been changed since): none may outlive its column.
        Exec(tra,
             QStringLiteral("DELETE FROM SYS_DICTVAL WHERE DICTID IN (SELECT ID FROM SYS_DICT "
                            "WHERE TABLENAME=:T AND FIELD=:F)"),
             tf);
        Exec(tra, QStringLiteral("DELETE FROM SYS_DICT WHERE TABLENAME=:T AND FIELD=:F"), tf);
        deleteUdfToDoTemplates(tra, id);
        Exec(tra, "ALTER TABLE " + table + " DROP " + field);
        tra.Commit();
    } catch (const EFbError& e) {
        Err = e.Message();
        return false;
    }
    return true;
}

void TdmMain::getUDFPosition(const QString& tbName, int tsNo, int hCeiling, int& TabNo, int& Left,
                             int& Top) {
    Left = 16;
    Top = 13;
    TabNo = 1;
    bool any = false;
    int lastLeft = 0, lastTop = 0, lastHeight = 0, lastWidth = 0, lastTab = 0;
    ForEachRow("SELECT UDFLEFT,UDFTOP,UDFHEIGHT,UDFWIDTH,UDFTABNO FROM SYS_OBJECT WHERE OBJECT=" +
                   QuotedStr(tbName) + " AND UDF=1 AND UDFSHEETNO=" + QString::number(tsNo) +
                   " ORDER BY UDFLEFT, UDFTOP",
               [&](const TFbQuery& q) {
                   any = true;
                   lastLeft = q.AsInteger("UDFLEFT");
                   lastTop = q.AsInteger("UDFTOP");
                   lastHeight = q.AsInteger("UDFHEIGHT");
                   lastWidth = q.AsInteger("UDFWIDTH");
                   lastTab = q.AsInteger("UDFTABNO");
               });
    if (!any) return;
    TabNo = lastTab + 1;
    Left = lastLeft;
    // A full column starts the next one beside it, not on top of it.
    if (lastTop + lastHeight + 5 > hCeiling)
        Left += (lastWidth > 0 ? lastWidth : 120) + 5;
    else
        Top = lastTop + lastHeight + 5;
}

void TdmMain::saveUdfPosition(int id, int left, int top, int width, int height) {
    WriteInTransaction(SQLConn_Main, [&](TFbTransaction& tra) {
        saveUdfPosition(tra, id, left, top, width, height);
    });
}

void TdmMain::saveUdfPosition(TFbTransaction& tra, int id, int left, int top, int width,
                              int height) {
    Exec(tra,
         QStringLiteral("UPDATE SYS_OBJECT SET UDFLEFT=:LEFT,UDFTOP=:TOP,UDFWIDTH=:WIDTH,"
                        "UDFHEIGHT=:HEIGHT WHERE ID=:ID"),
         {{QStringLiteral("LEFT"), left > 0 ? left : 0},
          {QStringLiteral("TOP"), top > 0 ? top : 0},
          {QStringLiteral("WIDTH"), width > 0 ? width : 120},
          {QStringLiteral("HEIGHT"), height > 0 ? height : 45},
          {QStringLiteral("ID"), id}});
}
