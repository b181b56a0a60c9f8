#pragma once

// User-defined fields: columns that users add to the business tables, with
// their metadata (SYS_OBJECT), the value list of a drop-down and the
// template elements that print them.

#include <QString>
#include <QStringList>
#include <functional>

#include "TFbConnection.h"

// The data type of a user-defined field, as SYS_OBJECT.UDFTYPE stores it.
enum TUdfType : int {
    UdfText = 0,       // one line of free text: VARCHAR(size)
    UdfMemo = 1,       // several lines of free text: VARCHAR(size)
    UdfNumeric = 2,    // numbers and money: DECIMAL(size, decimals)
    UdfDate = 3,       // a date picker: DATE
    UdfCheckBox = 4,   // true or false: BOOLEAN
    UdfDropDown = 5,   // one value of a list kept in SYS_DICT: VARCHAR(size)
    UdfLookup = 6,     // the key of a row of another table: ID
    UdfImageLink = 7,  // the path of a picture file: VARCHAR(200)
};

// What a new field is: the values of its SYS_OBJECT row that shape the column.
struct TUdfField {
    int Id = 0;
    QString Table, Field, Title;
    int Type = UdfText;
    int Size = 0, Decimals = 0;
    QString LookupTable, ResultField, Format;
};

// Where a new field's hidden element goes in every template, when it is to
// be printable.
struct TUdfPrint {
    bool Needed = false;
    QString BandName, DataTable, DataSet;
};

namespace UdfSchema {
// The list name of data type udfType ("Text Field", ...); empty when unknown.
QString TypeName(int udfType);
// The tables a lookup field may look up.
QStringList LookupTables();
// Only names of these characters ("A"-"Z", "0"-"9", "_") ever reach a
// statement as a column or table name.
bool IsIdentifier(const QString& name);
// Adds the column of f to its table, and with it the field's own row (what
// writeRow writes), the value list of a drop-down (named after dropDownDesc)
// and, when print.Needed, an element titled after tbDesc in every template:
// all in one transaction, so that a refusal at any step leaves none of
// them. A type, name or lookup that may not reach a statement is refused
// (ERuleRefused) before anything is written.
void CreateField(TFbConnection& conn, const TUdfField& f, const QString& dropDownDesc,
                 const QString& tbDesc, const TUdfPrint& print,
                 const std::function<void(TFbTransaction&)>& writeRow);
// Removes user-defined field id: its metadata, value list, template
// elements and column, all or none.
void DeleteField(TFbConnection& conn, int id);
// Where a new field goes on sheet tsNo of table tbName: below the last one,
// or in a new column when the sheet is full at hCeiling.
void Position(TFbConnection& conn, const QString& tbName, int tsNo, int hCeiling, int& tabNo,
              int& left, int& top);
// Stores where field id stands on its sheet (sizes below 1 get the defaults).
void SavePosition(TFbTransaction& tra, int id, int left, int top, int width, int height);
}  // namespace UdfSchema
