#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>
#include <vector>

#include "TFbConnection.h"
#include "TMoney.h"

namespace Firebird {
class IStatement;
class IResultSet;
class IMessageMetadata;
class IMetadataBuilder;
}  // namespace Firebird
class TFbStatus;

// The kinds of values this layer hands out; NUMERIC/DECIMAL columns with up
// to four decimals are money, read exactly.
enum class TFbType {
    Null,
    Integer,
    Int64,
    Money,
    Float,
    Text,
    Memo,
    Date,
    Time,
    TimeStamp,
    Boolean,
    Blob
};

// One column of a statement's result, as the engine describes it.
struct TFbColumn {
    QString Name;      // the select list's name (alias)
    QString Field;     // the column of the table, when there is one
    QString Relation;  // the table, when there is one
    TFbType Kind = TFbType::Null;
    unsigned SqlType = 0;  // SQL_xxx without the null flag
    int SubType = 0;
    int Scale = 0;
    unsigned Length = 0;  // bytes in the message
    unsigned CharSet = 0;
    bool Nullable = true;
    unsigned Offset = 0;
    unsigned NullOffset = 0;
};

// A prepared statement with typed parameters and typed results by column name.
// Parameters are written ":NAME" (or "?"); a name may occur several times.
// Values are QVariant: null, int/qlonglong, TMoney, double, QString, QDate,
// QTime, QDateTime or bool. A text value bound to a blob column is written as a
// text blob.
class TFbQuery {
public:
    // namedParams=false leaves ":" alone (PSQL bodies use it for variables).
    TFbQuery(TFbTransaction& tra, const QString& sql, bool namedParams = true);
    ~TFbQuery();
    TFbQuery(const TFbQuery&) = delete;
    TFbQuery& operator=(const TFbQuery&) = delete;

    int ParamCount() const { return int(FParams.size()); }
    const QStringList& ParamNames() const { return FParamNames; }
    void SetParam(int index, const QVariant& value);
    // Sets every occurrence of :name; throws when the statement has none.
    void SetParam(const QString& name, const QVariant& value);

    // Runs a statement without a cursor. Statements that return one row
    // (EXECUTE PROCEDURE, ... RETURNING) leave it readable through the accessors.
    void Execute();
    // Opens the cursor and stands on the first row (Eof() when there is none).
    void Open();
    // Moves to the next row; false (and Eof()) after the last.
    bool Next();
    bool Eof() const { return FEof; }
    void Close();
    bool IsSelect() const;

    int FieldCount() const { return int(FColumns.size()); }
    const TFbColumn& Column(int index) const { return FColumns[size_t(index)]; }
    const std::vector<TFbColumn>& Columns() const { return FColumns; }
    // Case-insensitive, as field names are; -1 when there is no such column.
    int FieldIndex(const QString& name) const;

    bool IsNull(int index) const;
    bool IsNull(const QString& name) const { return IsNull(Index(name)); }
    // Null is an invalid QVariant; money is TMoney, text and memo QString.
    QVariant Value(int index) const;
    QVariant Value(const QString& name) const { return Value(Index(name)); }

    int AsInteger(const QString& name) const { return int(AsInt64(Index(name))); }
    qint64 AsInt64(int index) const;
    qint64 AsInt64(const QString& name) const { return AsInt64(Index(name)); }
    TMoney AsMoney(int index) const;
    TMoney AsMoney(const QString& name) const { return AsMoney(Index(name)); }
    double AsDouble(int index) const;
    double AsDouble(const QString& name) const { return AsDouble(Index(name)); }
    QString AsString(int index) const;
    QString AsString(const QString& name) const { return AsString(Index(name)); }
    QDate AsDate(const QString& name) const { return Value(name).toDate(); }
    QTime AsTime(const QString& name) const { return Value(name).toTime(); }
    QDateTime AsDateTime(const QString& name) const { return Value(name).toDateTime(); }
    bool AsBoolean(const QString& name) const { return Value(name).toBool(); }

    // Rows written, changed or deleted by the last Execute().
    unsigned RowsAffected() const;

    // The current row as the engine delivered it, described by Columns():
    // for readers that copy values without going through QVariant.
    const unsigned char* RowBuffer() const { return FRow.data(); }
    // Reads a blob whose id sits at quad (text blobs as UTF-8).
    QByteArray ReadBlobBytes(const unsigned char* quad) const;

    // Engine dates count days from 17 November 1858; times ten-thousandths
    // of a second from midnight.
    static int32_t IscDate(const QDate& d);
    static QDate DateOfIsc(int32_t d);
    static uint32_t IscTime(const QTime& t);
    static QTime TimeOfIsc(uint32_t t);

    // Translates ":NAME" parameters to "?" outside quotes and comments.
    static QString TranslateParams(const QString& sql, QStringList& names);

private:
    int Index(const QString& name) const;
    // The parameters as a message: its layout follows the values' own types,
    // which the engine converts to the statement's.
    TFbRef<Firebird::IMessageMetadata> BuildInput(std::vector<unsigned char>& buffer);
    void DescribeParam(TFbStatus& st, Firebird::IMetadataBuilder* b, unsigned i,
                       QByteArray& text) const;
    void WriteParam(TFbStatus& st, const QVariant& v, unsigned type, unsigned char* p,
                    const QByteArray& text) const;
    void WriteTextBlob(TFbStatus& st, const QVariant& v, unsigned char* p) const;
    void DescribeOutput();
    QString ReadBlob(const unsigned char* quad) const;

    TFbTransaction& FTra;
    QString FSql;
    QStringList FParamNames;
    std::vector<QVariant> FParams;
    std::vector<bool> FParamSet;
    TFbRef<Firebird::IStatement> FStmt;
    TFbRef<Firebird::IResultSet> FCursor;
    TFbRef<Firebird::IMessageMetadata> FInMeta;   // as prepared
    TFbRef<Firebird::IMessageMetadata> FOutMeta;  // as prepared
    std::vector<TFbColumn> FColumns;
    QHash<QString, int> FColumnIndex;
    std::vector<unsigned char> FRow;
    bool FEof = true;
    bool FHasRow = false;
};
