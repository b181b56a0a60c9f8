// User-defined fields as the windows see them: the record set of the field
// being made, and the main connection. The schema changes themselves are
// UdfSchema's (uUdfSchema.h).
#include "EFbError.h"
#include "TClientDataSet.h"
#include "uDmMain.h"

QString TdmMain::UdfTypeName(int udfType) { return UdfSchema::TypeName(udfType); }

QStringList TdmMain::UdfLookupTables() { return UdfSchema::LookupTables(); }

bool TdmMain::IsUdfIdentifier(const QString& name) { return UdfSchema::IsIdentifier(name); }

bool TdmMain::createUDF(TClientDataSet* cds, QString& Err, const QString& dropDownDesc,
                        const QString& tbDesc, bool needPrint, const QString& pBandName,
                        const QString& pDataTable, const QString& pDataSet) {
    auto text = [cds](const char* f) { return cds->FieldByName(QLatin1String(f))->AsString(); };
    auto number = [cds](const char* f) { return cds->FieldByName(QLatin1String(f))->AsInteger(); };
    TUdfField f;
    f.Id = number("ID");
    f.Table = text("OBJECT");
    f.Field = text("FIELD");
    f.Title = text("TITLE");
    f.Type = number("UDFTYPE");
    f.Size = number("UDFSIZE");
    f.Decimals = number("UDFSIZEDECIMAL");
    f.LookupTable = text("LOOKUPTABLE");
    f.ResultField = text("RESULTFIELD");
    f.Format = text("FORMATSTR");
    TUdfPrint print;
    print.Needed = needPrint;
    print.BandName = pBandName;
    print.DataTable = pDataTable;
    print.DataSet = pDataSet;
    try {
        // The field's own row goes in with its column; it stays pending on a
        // refusal, for a correction.
        UdfSchema::CreateField(SQLConn_Main, f, dropDownDesc, tbDesc, print,
                               [cds](TFbTransaction& tra) { cds->ApplyUpdates(tra); });
    } catch (const EFbError& e) {
        Err = e.Message();
        return false;
    }
    cds->CommitUpdates();
    return true;
}

bool TdmMain::deleteUDF(int id, QString& Err) {
    try {
        UdfSchema::DeleteField(SQLConn_Main, id);
    } catch (const EFbError& e) {
        Err = e.Message();
        return false;
    }
    return true;
}

void TdmMain::getUDFPosition(const QString& tbName, int tsNo, int hCeiling, int& TabNo, int& Left,
                             int& Top) {
    UdfSchema::Position(SQLConn_Main, tbName, tsNo, hCeiling, TabNo, Left, Top);
}

void TdmMain::saveUdfPosition(int id, int left, int top, int width, int height) {
    WriteInTransaction(SQLConn_Main, [&](TFbTransaction& tra) {
        UdfSchema::SavePosition(tra, id, left, top, width, height);
    });
}

void TdmMain::saveUdfPosition(TFbTransaction& tra, int id, int left, int top, int width,
                              int height) {
    UdfSchema::SavePosition(tra, id, left, top, width, height);
}
