#include "uUdfSchema.h"

#include <QRegularExpression>

#include "TFbQuery.h"
#include "uRules.h"
#include "uTemplateCopy.h"

namespace {

// The column type that the table gets for a field of type udfType; empty for
// an unknown type.
QString ColumnType(int udfType, int size, int decimals) {
    switch (udfType) {
        case UdfText:
        case UdfMemo:
        case UdfDropDown:
            return " VARCHAR(" + QString::number(size) + ")";
        case UdfNumeric:
            return " DECIMAL(" + QString::number(size) + "," + QString::number(decimals) + ")";
        case UdfDate:
            return QStringLiteral(" DATE");
        case UdfCheckBox:
            return QStringLiteral(" BOOLEAN");
        case UdfLookup:
            return QStringLiteral(" ID ");
        case UdfImageLink:
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

QString UdfSchema::TypeName(int udfType) {
    static const char* const names[] = {"Text Field", "Memo Field", "Numeric Field", "Date Field",
                                        "Check Box",  "Drop Down",  "Lookup Field",  "Image Link"};
    if (udfType < UdfText || udfType > UdfImageLink) return QString();
    return QString::fromLatin1(names[udfType]);
}

QStringList UdfSchema::LookupTables() {
    return {QStringLiteral("AR_ACCT"), QStringLiteral("AR_TRAN"), QStringLiteral("AR_TRANITEM"),
            QStringLiteral("IC_ITEM")};
}

bool UdfSchema::IsIdentifier(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^[A-Z0-9_]+$"));
    return re.match(name).hasMatch();
}

void UdfSchema::CreateField(TFbConnection& conn, const TUdfField& f, const QString& dropDownDesc,
                            const QString& tbDesc, const TUdfPrint& print,
                            const std::function<void(TFbTransaction&)>& writeRow) {
    const QString columnType = ColumnType(f.Type, f.Size, f.Decimals);
    if (columnType.isEmpty()) throw ERuleRefused(QStringLiteral("Invalid data type specified."));
    // The names become part of statements: nothing else may get that far.
    if (!IsIdentifier(f.Table) || !IsIdentifier(f.Field))
        throw ERuleRefused(QStringLiteral("Invalid field name: ") + f.Field);
    if (f.Type == UdfLookup &&
        (!LookupTables().contains(f.LookupTable) || !IsIdentifier(f.ResultField)))
        throw ERuleRefused(QStringLiteral("Invalid lookup table"));
    // Firebird changes the table when the transaction commits: a refusal
    // anywhere before leaves the column, the metadata, the value list and
    // the elements all unmade.
    TFbTransaction tra(conn);
    Exec(tra, "ALTER TABLE " + f.Table + " ADD " + f.Field + columnType);
    if (writeRow) writeRow(tra);
    if (f.Type == UdfDropDown) {
        int key = 0;
        {
            // The key generator stands outside transactions: drawn is drawn.
            TFbTransaction gen(conn);
            TFbQuery q(gen, QStringLiteral("SELECT GEN_ID(SYS_DICT_ID_GEN, 1) FROM SYS"));
            q.Open();
            key = q.Eof() ? 0 : int(q.AsInt64(0));
            gen.Commit();
        }
        Exec(tra,
             QStringLiteral("INSERT INTO SYS_DICT (ID,NAME,TABLENAME,FIELD) VALUES "
                            "(:ID,:NAME,:TABLENAME,:FIELD)"),
             {{QStringLiteral("ID"), key + 100},
              {QStringLiteral("NAME"), dropDownDesc + " - " + f.Title},
              {QStringLiteral("TABLENAME"), f.Table},
              {QStringLiteral("FIELD"), f.Field}});
    }
    if (print.Needed) {
        TemplateCopy::TUdfElement e;
        e.BandName = print.BandName;
        e.DataTable = print.DataTable;
        e.DataSet = print.DataSet;
        e.Title = tbDesc + ".UDF." + f.Title;
        e.Field = f.Field;
        e.Format = f.Format;
        e.ObjId = f.Id;
        e.Wrap = f.Type == UdfMemo;
        e.RightAdj = f.Type == UdfNumeric;
        TemplateCopy::InsertUdfElement(tra, e);
    }
    tra.Commit();
}

void UdfSchema::DeleteField(TFbConnection& conn, int id) {
    QString table, field;
    bool found = false;
    {
        TFbTransaction tra(conn);
        TFbQuery q(tra,
                   "SELECT ID,OBJECT,FIELD,UDFTYPE,UDFPRINT FROM SYS_OBJECT WHERE UDF=1 AND ID=" +
                       QString::number(id));
        for (q.Open(); !q.Eof(); q.Next()) {
            found = true;
            table = q.AsString("OBJECT");
            field = q.AsString("FIELD");
        }
    }
    if (!found) throw ERuleRefused(QStringLiteral("Cannot find field id in SYS_OBJECT."));
    if (!IsIdentifier(table) || !IsIdentifier(field))
        throw ERuleRefused(QStringLiteral("Invalid field name: ") + field);
    // One transaction: a column that cannot be dropped keeps its metadata,
    // so that it stays visible and can be removed later.
    TFbTransaction tra(conn);
    const QVariantMap tf = {{QStringLiteral("T"), table}, {QStringLiteral("F"), field}};
    Exec(tra, "DELETE FROM SYS_OBJECT WHERE UDF=1 AND ID=" + QString::number(id));
    // Any field may own a value list or elements (its type or printing may
    // have been changed since): none may outlive its column.
    Exec(tra,
         QStringLiteral("DELETE FROM SYS_DICTVAL WHERE DICTID IN (SELECT ID FROM SYS_DICT "
                        "WHERE TABLENAME=:T AND FIELD=:F)"),
         tf);
    Exec(tra, QStringLiteral("DELETE FROM SYS_DICT WHERE TABLENAME=:T AND FIELD=:F"), tf);
    TemplateCopy::DeleteUdfElements(tra, id);
    Exec(tra, "ALTER TABLE " + table + " DROP " + field);
    tra.Commit();
}

void UdfSchema::Position(TFbConnection& conn, const QString& tbName, int tsNo, int hCeiling,
                         int& tabNo, int& left, int& top) {
    left = 16;
    top = 13;
    tabNo = 1;
    bool any = false;
    int lastLeft = 0, lastTop = 0, lastHeight = 0, lastWidth = 0, lastTab = 0;
    {
        TFbTransaction tra(conn);
        TFbQuery q(tra,
                   "SELECT UDFLEFT,UDFTOP,UDFHEIGHT,UDFWIDTH,UDFTABNO FROM SYS_OBJECT WHERE "
                   "OBJECT=" +
                       Rules::QuotedStr(tbName) + " AND UDF=1 AND UDFSHEETNO=" +
                       QString::number(tsNo) + " ORDER BY UDFLEFT, UDFTOP");
        for (q.Open(); !q.Eof(); q.Next()) {
            any = true;
            lastLeft = q.AsInteger("UDFLEFT");
            lastTop = q.AsInteger("UDFTOP");
            lastHeight = q.AsInteger("UDFHEIGHT");
            lastWidth = q.AsInteger("UDFWIDTH");
            lastTab = q.AsInteger("UDFTABNO");
        }
    }
    if (!any) return;
    tabNo = lastTab + 1;
    left = lastLeft;
    // A full column starts the next one beside it, not on top of it.
    if (lastTop + lastHeight + 5 > hCeiling)
        left += (lastWidth > 0 ? lastWidth : 120) + 5;
    else
        top = lastTop + lastHeight + 5;
}

void UdfSchema::SavePosition(TFbTransaction& tra, int id, int left, int top, int width,
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
