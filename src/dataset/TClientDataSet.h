#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "TFbConnection.h"
#include "TFbQuery.h"
#include "TFilter.h"
#include "TMoney.h"
#include "TPacketReader.h"
#include "TRowLayout.h"

class TClientDataSet;
class TDataSource;

enum class TDataSetState { Inactive, Browse, Edit, Insert };

// How apply updates finds the row it changes or deletes: by the key column
// only; by every column still holding the value that was read; or by the key
// and the columns this change touches (a delete: every column), so that
// another user's change to the same columns is refused rather than
// overwritten, while changes to other columns both survive.
enum class TUpdateMode { WhereKeyOnly, WhereAll, WhereChanged };

// What the current row holds that is not yet written.
enum class TUpdateStatus { Unmodified, Modified, Inserted };

// A silent stop: an event handler throws it to cancel the operation.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// A record set operation that cannot be done in the set's present state.
class EDataSetError : public std::runtime_error {
public:
    explicit EDataSetError(const QString& m) : std::runtime_error(m.toStdString()), FMessage(m) {}
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};

// Identifies a row for as long as the set is open; survives sorting and
// filtering. -1 is no row.
using TBookmark = qint64;

// One column of a record set: a data column read from the statement, or a
// lookup column that shows a column of another set found by key.
class TField {
public:
    TField(TClientDataSet* owner, const QString& name) : FieldName(name), FOwner(owner) {}

    TClientDataSet* DataSet() const { return FOwner; }

    QString FieldName;
    QString DisplayLabel;  // caption; the name when empty
    bool Visible = true;
    bool ReadOnly = false;
    QString DefaultExpression;
    QString DisplayFormat;  // numeric mask; dates use the short date format
    QString ObjectName;     // component name, when one is given
    int Tag = 0;

    // Data columns.
    TFbType DataType = TFbType::Text;
    QString Origin;  // column of the update table this value is written to
    int Slot = -1;   // position in the row layout; -1 for lookups

    // False for a column the database derives (totals kept by the program in
    // the same transaction): never written from the set.
    bool InUpdate = true;

    // The column as the statement describes it, which decides what values
    // it can hold: SQL_xxx without the null flag (0 when not known), the
    // decimal scale (negative: digits after the point) and the byte length.
    unsigned SqlType = 0;
    int SqlScale = 0;
    unsigned SqlLength = 0;
    unsigned SqlCharSet = 0;  // the engine's character set id (4: UTF8)
    // Decimal digits the column's storage holds in full: 4, 9 or 18 for the
    // 16, 32 and 64-bit integers behind SMALLINT, INTEGER, BIGINT and
    // NUMERIC; 0 for other columns. The engine checks a NUMERIC against its
    // storage, not its declared precision (NUMERIC(4,2) takes 327.67), and
    // so does this set.
    int Precision() const;
    // v as this column holds it: an int, qlonglong, TMoney or double for a
    // numeric column, null for blank text. A value the column cannot hold (out
    // of range, not a number, not finite, a text longer than the column)
    // throws EDataSetError with a message that names the caption.
    QVariant CheckedValue(const QVariant& v) const;

    // A value refused for this column while the row is edited (what was
    // given, as text, and why): the row cannot be posted until the column
    // takes a value or the edit is cancelled.
    bool Refused() const { return FRefused; }
    const QString& RefusedText() const { return FRefusedText; }
    const QString& RefusedMessage() const { return FRefusedMessage; }

    // Lookup columns.
    bool IsLookup = false;
    QString KeyFields;  // the key column of this set
    TClientDataSet* LookupDataSet = nullptr;
    QString LookupKeyFields = QStringLiteral("ID");
    QString LookupResultField;

    QString Caption() const { return DisplayLabel.isEmpty() ? FieldName : DisplayLabel; }

    // The value in the current row (the edit buffer while editing).
    QVariant Value() const;
    void SetValue(const QVariant& v);
    void Clear() { SetValue(QVariant()); }
    bool IsNull() const;
    QString AsString() const;
    int AsInteger() const { return int(AsLargeInt()); }
    qint64 AsLargeInt() const;
    TMoney AsMoney() const;
    double AsFloat() const;
    QDate AsDate() const { return Value().toDate(); }
    QDateTime AsDateTime() const { return Value().toDateTime(); }
    bool AsBoolean() const { return Value().toBool(); }
    // The value as a grid shows it: display format, short dates, lookup text.
    QString DisplayText() const;

private:
    friend class TClientDataSet;
    TClientDataSet* FOwner;
    bool FRefused = false;
    QString FRefusedText, FRefusedMessage;
};

// An in-memory record set: a statement is read into memory, edited there and
// written back by ApplyUpdates in one transaction.
class TClientDataSet : public QObject {
    Q_OBJECT
public:
    explicit TClientDataSet(QObject* parent = nullptr);
    ~TClientDataSet() override;

    // ---- configuration
    void SetConnection(TFbConnection* conn) { FConn = conn; }
    TFbConnection* Connection() const { return FConn; }
    QString CommandText;
    QVariantMap Params;       // values of ":NAME" parameters in CommandText
    QString UpdateTableName;  // where changes go; the first column's table when empty
    // The table changes are written to, once the set was opened.
    const QString& UpdateTable() const { return FUpdateTable; }
    QStringList KeyFields = {QStringLiteral("ID")};
    TUpdateMode UpdateMode = TUpdateMode::WhereKeyOnly;
    int Tag = 0;

    // ---- fields
    // A set whose code defines no fields gets them from its statement at Open,
    // and gets them anew at an Open whose statement has other columns (another
    // statement, or a table that gained a column): Close does not tie the next
    // opening to the columns of the last. Fields the code defined
    // (UpdateFieldDefs, then set up) are kept: a statement without one of
    // them is refused with "Field '...' not found".
    //
    // Creates the data fields from the statement's column definitions, without
    // reading rows (when the set has none yet); the code then owns them.
    void UpdateFieldDefs();
    int FieldCount() const { return int(FFields.size()); }
    TField* Field(int index) const { return FFields[size_t(index)].get(); }
    TField* FindField(const QString& name) const;
    TField* FieldByName(const QString& name) const;  // throws when missing
    // Adds a lookup column right after the field insertAfter (at the end when empty).
    TField* AddLookupField(const QString& name, const QString& keyField, TClientDataSet* lookup,
                           const QString& resultField, const QString& insertAfter = QString());
    void ClearFields();

    // ---- reading in packets
    // Rows read at Open, and at each FetchMore, when reading a packet at a
    // time (a set without a master); 0 reads every row at Open. While rows
    // are left unread, the statement is read in the order of the index (the
    // engine sorts).
    //
    // The rows not read yet are the reader's (TPacketReader), whose comment
    // states what AllFetched, FetchMore and FetchRest promise; these calls
    // pass to it.
    int PacketRecords = 0;
    // Reads the rest a little at a time while the program waits for the user.
    bool FetchWhenIdle = false;
    // No row is left to read. False too when reading the rest failed:
    // FetchRest then says so.
    bool AllFetched() const { return FReader.AllFetched(); }
    // Reads up to n more rows in the order shown; returns how many were added.
    int FetchMore(int n) { return FReader.FetchMore(n); }
    // Reads every row not yet read. FetchProgress, when set, hears the rows
    // held so far and returns false to stop: FetchRest then throws EAbort.
    void FetchRest() { FReader.FetchRest(); }
    std::function<bool(int)> FetchProgress;

    // ---- open and close
    void Open();
    void Close();
    bool Active() const { return FState != TDataSetState::Inactive; }
    TDataSetState State() const { return FState; }
    // Re-reads the whole set, staying on the same key where it still exists.
    void Refresh();
    // Re-reads the current row from the database.
    void RefreshRecord();
    // Places the rows again by the index and the filter (after a row changed
    // what it sorts by), the current row staying current.
    void Resort();

    // ---- navigation
    // Rows held in the current order: all of them once AllFetched().
    int RecordCount() const { return int(FView.size()); }
    int RecNo() const { return FCursor; }  // 0-based row of the current order; -1 when empty
    bool IsEmpty() const { return FView.empty(); }
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    void First();
    void Last();
    void Next();
    void Prior();
    void MoveTo(int row);
    bool Locate(const QString& field, const QVariant& value);
    TBookmark GetBookmark() const;
    bool BookmarkValid(TBookmark b) const;
    void GotoBookmark(TBookmark b);
    // Row of the current order holding the bookmark; -1 when it is not shown.
    int RowOfBookmark(TBookmark b) const;
    TBookmark BookmarkOfRow(int row) const;
    // The key (first key column) of a row of the current order; null for a
    // row without one (a new row not yet keyed) or no row.
    QVariant KeyOfRow(int row) const;
    // Row of the current order whose key is key; -1 when none is shown.
    int RowOfKey(const QVariant& key) const;

    // ---- editing
    void Insert();
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return FModified; }
    // Pending inserts, updates and deletes not yet written.
    int ChangeCount() const;
    // Writes the pending changes in one transaction; the first refused row
    // rolls it all back, raises the database's message and leaves every
    // change pending as it was.
    void ApplyUpdates();
    // Writes the pending changes in the caller's transaction, which also
    // writes what derives from them; nothing is marked written until the
    // caller commits and calls CommitUpdates. A refused row throws and the
    // changes stay pending.
    void ApplyUpdates(TFbTransaction& tra);
    // After the caller's commit: the rows as they are now are the rows as read.
    void CommitUpdates();
    // What the current row holds that is not yet written (pending, posted or
    // being edited).
    TUpdateStatus UpdateStatus() const;
    // Drops the pending changes, back to the rows as read.
    void CancelUpdates();

    // ---- filter and sort
    void SetFilter(const TFilter& f);
    const TFilter& Filter() const { return FFilter; }
    void SetFiltered(bool on);
    bool Filtered() const { return FFiltered; }
    // One local index by one column; replaces any other. A lookup column
    // sorts by its key.
    void AddIndex(const QString& name, const QString& field, bool descending);
    void DeleteIndexes();
    QString IndexName() const { return FIndexName; }
    QString IndexFieldName() const { return FIndexField; }
    bool IndexDescending() const { return FIndexDescending; }

    // ---- master/detail
    // This set shows only the rows whose detailField equals masterField of
    // the master's current row, and follows the master.
    void SetMasterLink(TClientDataSet* master, const QString& masterField,
                       const QString& detailField);
    TClientDataSet* Master() const { return FMaster; }

    // ---- lookups
    // The result column of the row whose keyField equals key.
    QVariant Lookup(const QString& keyField, const QVariant& key, const QString& resultField);
    // A lookup set that reads the rows of the keys asked for, when first
    // asked, instead of the whole table at Open: CommandText is then read
    // with "WHERE <LookupKeyFields> IN (...)". The rows read are kept until
    // Refresh or Close.
    bool ReadByKey = false;
    // Reads the rows of those keys not held yet, in a few statements.
    void PrepareLookups(const QString& keyField, const std::vector<qint64>& keys);

    // Rows held (filter or not), or those whose field equals value.
    int CountRows(const QString& field = QString(), const QVariant& value = QVariant()) const;

    // ---- values of any row of the current order, without moving
    QVariant ValueAt(int row, const TField* f) const;
    QString DisplayTextAt(int row, const TField* f) const;
    // Puts a value computed after open into a row as if the statement had read it: no edit, no
    // change, no events; the filter and order are not applied again.
    void SetValueAsRead(TBookmark b, const TField* f, const QVariant& v);

    // ---- events (one handler each, as the owning window sets them)
    std::function<void(TClientDataSet&)> OnBeforeOpen, OnAfterOpen, OnAfterInsert, OnBeforePost,
        OnAfterPost, OnAfterScroll, OnStateChange, OnAfterApplyUpdates, OnAfterCancel,
        OnAfterDelete;
    std::function<void(TField&)> OnFieldChange;

    // For data sources.
    void AttachDataSource(TDataSource* ds);
    void DetachDataSource(TDataSource* ds);

    // Memory held for the rows (benchmarks).
    size_t RowBytes() const;

    // Puts a condition into a statement's WHERE clause (before ORDER BY).
    static QString AddCondition(const QString& sql, const QString& condition);
    static QString Quote(const QString& name) { return '"' + name + '"'; }

private:
    friend class TField;
    friend class TPacketReader;  // reads rows into the records and the order
    enum TStatus : uint8_t { rsUnchanged, rsModified, rsInserted, rsDeleted, rsDead };
    struct TRecord {
        TRowBlock Data;
        TRowBlock Original;  // as read, kept once the row changed
        TStatus Status = rsUnchanged;
        bool Logged = false;  // in the change log
    };

    const uint8_t* CurrentRow() const;
    const uint8_t* RowOf(uint32_t rec) const;
    void SetFieldValue(TField* f, const QVariant& v);
    void ClearRefusals();
    void SetState(TDataSetState s);
    void RebuildView(bool keepCurrent);
    void SortView();
    void SortViewByLookup(const TField* f);
    bool Accepts(const uint8_t* row) const;
    void CompileFilter();
    void AfterMove(bool scrolled);
    void NotifyLayout();
    void NotifyData(TField* f);
    void NotifyState();
    void LoadRows(TFbQuery& q);
    void FreeRecords();
    void ClearStash();
    void BindFields(const TFbQuery& q);
    void CreateFieldsFrom(const TFbQuery& q);
    // Fields that came from the last statement, made again for this one when
    // its columns differ.
    void FollowStatementColumns(const TFbQuery& q);
    void LogChange(uint32_t rec);
    QVariant KeyValueOfRecord(uint32_t rec) const;
    void MasterChanged();
    void Fetch();
    QString SelectText() const;
    QString WhereFor(const TRecord& r, std::vector<QVariant>& params) const;
    void InvalidateLookupIndex() {
        FKeyIndex.clear();
        FKeyIndexField.clear();
    }
    void CheckBrowse(const char* op) const;
    QString OrderedSelectText() const;
    bool EngineCanSort(const TField* f, bool descending) const;
    static bool IsTextOrder(const TField* f);
    void ReadKeys(const QString& keyField, const std::vector<qint64>& keys);
    // The first row of the current order whose f equals value, every row
    // read first when the rows held have none; -1 when none.
    int RowWhere(const TField* f, const QVariant& value);
    int RowWhereHeld(const TField* f, const QVariant& value) const;
    // Reads the shown texts of the keys of every row held, for lookup column f.
    void PrepareLookupsOf(const TField* f);

    TFbConnection* FConn = nullptr;
    std::vector<std::unique_ptr<TField>> FFields;
    TRowLayout FLayout;
    std::vector<TRecord> FRecords;
    std::vector<uint32_t> FView;  // record indices in the current order
    std::vector<uint32_t> FChangeLog;
    int FCursor = -1;
    bool FBof = true, FEof = true;
    TDataSetState FState = TDataSetState::Inactive;
    TRowBlock FBuffer;  // edit buffer
    bool FModified = false;
    TFilter FFilter;
    bool FFiltered = false;
    QString FIndexName, FIndexField;
    bool FIndexDescending = false;
    std::vector<TDataSource*> FSources;

    TClientDataSet* FMaster = nullptr;
    QString FMasterField, FDetailField;
    std::vector<TClientDataSet*> FDetails;
    QVariant FLoadedMasterKey;
    bool FMasterKeyLoaded = false;

    QHash<qint64, uint32_t> FKeyIndex;  // lookup index: key -> record
    QString FKeyIndexField;

    // The filter with its fields found, for the pass over the rows.
    struct TCompiledTerm {
        TFilter::TOp Op;
        std::vector<TField*> Fields;
        QDate Day;
        std::vector<QByteArray> Needles;
        QStringList Values;
    };
    std::vector<TCompiledTerm> FCompiled;

    // The rows not read yet of a set read a packet at a time.
    TPacketReader FReader{*this};
    // Keys a set read by key has asked the database for (found or not).
    QSet<qint64> FKeysRead;
    // Whether the update table has an index on a column, per direction.
    mutable QHash<QString, bool> FIndexed;

    // The data fields were made by an opening, not defined by the code.
    bool FFieldsFromStatement = false;
    std::vector<int> FColumnsOfSlots;  // statement column of each slot
    QString FUpdateTable;

    // Detail rows with changes not yet written, kept per master key while the
    // master stands on another row.
    struct TStash {
        std::vector<TRecord> Records;
        std::vector<uint32_t> ChangeLog;
    };
    // A map rather than a QHash: the records own their blocks and cannot be copied.
    std::map<QString, TStash> FStash;
};
