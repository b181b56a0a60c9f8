#include "TClientDataSet.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstring>

#include "TDataSource.h"
#include "TDisplayFormat.h"
#include "TSqlLexer.h"

namespace {

// Keys a set read by key asks for in one statement: Firebird takes at most
// 1500 values in an IN list, and a shorter statement prepares quicker.
constexpr size_t KeysPerStatement = 500;

}  // namespace

// ============================================================ TClientDataSet

TClientDataSet::TClientDataSet(QObject* parent) : QObject(parent) {}

TClientDataSet::~TClientDataSet() {
    FReader.Reset();
    if (FMaster) {
        auto& d = FMaster->FDetails;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    for (TClientDataSet* d : FDetails) d->FMaster = nullptr;
    for (TDataSource* s : FSources) s->DataSetDestroyed();
}

void TClientDataSet::ClearStash() { FStash.clear(); }

void TClientDataSet::FreeRecords() {
    FReader.Reset();
    FKeysRead.clear();
    FRecords.clear();
    FView.clear();
    FChangeLog.clear();
    InvalidateLookupIndex();
}

TField* TClientDataSet::FindField(const QString& name) const {
    for (const auto& f : FFields)
        if (f->FieldName.compare(name, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

TField* TClientDataSet::FieldByName(const QString& name) const {
    TField* f = FindField(name);
    if (!f) throw EDataSetError(QStringLiteral("Field '%1' not found").arg(name));
    return f;
}

TField* TClientDataSet::AddLookupField(const QString& name, const QString& keyField,
                                       TClientDataSet* lookup, const QString& resultField,
                                       const QString& insertAfter) {
    auto f = std::make_unique<TField>(this, name);
    f->IsLookup = true;
    f->KeyFields = keyField;
    f->LookupDataSet = lookup;
    f->LookupResultField = resultField;
    f->DataType = TFbType::Text;
    TField* raw = f.get();
    auto at = FFields.end();
    if (!insertAfter.isEmpty()) {
        for (auto it = FFields.begin(); it != FFields.end(); ++it)
            if ((*it)->FieldName.compare(insertAfter, Qt::CaseInsensitive) == 0) at = it + 1;
    }
    FFields.insert(at, std::move(f));
    return raw;
}

void TClientDataSet::ClearFields() {
    if (Active()) throw EDataSetError(QStringLiteral("Cannot change fields of an open set"));
    FFields.clear();
    FFieldsFromStatement = false;
}

QString TClientDataSet::AddCondition(const QString& sql, const QString& condition) {
    // The statement's own WHERE and the clauses that follow it; those of a
    // subselect, a literal or a comment do not count.
    const TSqlLexer lex(sql);
    const QVector<TSqlToken>& t = lex.Tokens();
    const int tailAt =
        lex.Find({QStringLiteral("GROUP BY"), QStringLiteral("HAVING"), QStringLiteral("PLAN"),
                  QStringLiteral("ORDER BY"), QStringLiteral("ROWS"), QStringLiteral("UNION")});
    int whereAt = lex.Find({QStringLiteral("WHERE")});
    if (tailAt >= 0 && whereAt > tailAt) whereAt = -1;  // belongs to a later SELECT of a UNION
    // Without a tail the condition goes after the last token, ahead of a closing comment.
    const int cut = tailAt >= 0 ? t[tailAt].Pos : t.isEmpty() ? sql.size() : t.last().End();
    QString head = sql.left(cut);  // trimmed at its end only: `where` counts from the start
    while (!head.isEmpty() && head.back().isSpace()) head.chop(1);
    const QString tail = sql.mid(cut).trimmed();
    const QString rest = tail.isEmpty() ? QString() : ' ' + tail;
    if (whereAt < 0) return head + " WHERE " + condition + rest;
    const int where = t[whereAt].Pos;
    return head.left(where) + "WHERE (" + head.mid(where + 5).trimmed() + ") AND " + condition +
           rest;
}

QString TClientDataSet::SelectText() const {
    if (!FMaster) return CommandText;
    return AddCondition(CommandText, Quote(FDetailField.toUpper()) + " = :MASTER_LINK_VALUE");
}

bool TClientDataSet::IsTextOrder(const TField* f) { return f->DataType == TFbType::Text; }

bool TClientDataSet::EngineCanSort(const TField* f, bool descending) const {
    // Only through an index does the engine hand over the first rows of an
    // order at once; without one it sorts every row first, and reading them
    // all to sort here is quicker. Text sorts here by its letters whatever
    // their case: the engine sorts the same only by UPPER of the column,
    // through an index computed by it.
    if (!f || f->IsLookup || f->Origin.isEmpty() || FUpdateTable.isEmpty() || !FConn ||
        f->DataType == TFbType::Memo)
        return false;
    const QString key = f->Origin + (descending ? "/D" : "/A");
    const auto known = FIndexed.constFind(key);
    if (known != FIndexed.cend()) return known.value();
    bool indexed = false;
    TFbTransaction tra(*FConn);
    if (IsTextOrder(f)) {
        TFbQuery q(tra,
                   "SELECT RDB$EXPRESSION_SOURCE FROM RDB$INDICES WHERE RDB$RELATION_NAME = :T "
                   "AND RDB$EXPRESSION_SOURCE IS NOT NULL AND COALESCE(RDB$INDEX_TYPE, 0) = :D "
                   "AND COALESCE(RDB$INDEX_INACTIVE, 0) = 0");
        q.SetParam(QStringLiteral("T"), FUpdateTable);
        q.SetParam(QStringLiteral("D"), descending ? 1 : 0);
        static const QRegularExpression noise(QStringLiteral("[\\s\"()]|^COMPUTED\\s*BY"));
        const QString want = "UPPER" + f->Origin.toUpper();
        for (q.Open(); !q.Eof() && !indexed; q.Next())
            indexed = q.Value(0).toString().toUpper().remove(noise) == want;
    } else {
        TFbQuery q(tra,
                   "SELECT FIRST 1 1 FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S ON "
                   "S.RDB$INDEX_NAME = I.RDB$INDEX_NAME WHERE I.RDB$RELATION_NAME = :T AND "
                   "S.RDB$FIELD_NAME = :F AND S.RDB$FIELD_POSITION = 0 AND "
                   "COALESCE(I.RDB$INDEX_TYPE, 0) = :D AND COALESCE(I.RDB$INDEX_INACTIVE, 0) = 0");
        q.SetParam(QStringLiteral("T"), FUpdateTable);
        q.SetParam(QStringLiteral("F"), f->Origin);
        q.SetParam(QStringLiteral("D"), descending ? 1 : 0);
        q.Open();
        indexed = !q.Eof();
    }
    FIndexed.insert(key, indexed);
    return indexed;
}

QString TClientDataSet::OrderedSelectText() const {
    // Rows read a packet at a time come in the order shown, so that the
    // first packet is the first screen: the engine sorts (through an index).
    const QString sql = SelectText();
    const TField* f = FIndexField.isEmpty() ? nullptr : FindField(FIndexField);
    if (!EngineCanSort(f, FIndexDescending) ||
        TSqlLexer(sql).Find({QStringLiteral("ORDER BY")}) >= 0)
        return sql;
    const QString column = Quote(f->FieldName);
    return sql + " ORDER BY " + (IsTextOrder(f) ? "UPPER(" + column + ")" : column) +
           (FIndexDescending ? " DESC" : "");
}

void TClientDataSet::CreateFieldsFrom(const TFbQuery& q) {
    // Ahead of any lookup column, which shows a column of these.
    auto at = FFields.begin();
    for (const TFbColumn& c : q.Columns()) {
        auto f = std::make_unique<TField>(this, c.Name);
        f->DataType = c.Kind;
        f->SqlType = c.SqlType;
        f->SqlScale = c.Scale;
        f->SqlLength = c.Length;
        f->SqlCharSet = c.CharSet;
        at = FFields.insert(at, std::move(f)) + 1;
    }
    FFieldsFromStatement = true;
}

void TClientDataSet::FollowStatementColumns(const TFbQuery& q) {
    if (!FFieldsFromStatement) return;
    std::vector<QString> names;
    for (const auto& f : FFields)
        if (!f->IsLookup) names.push_back(f->FieldName);
    const std::vector<TFbColumn>& columns = q.Columns();
    bool same = names.size() == columns.size();
    for (size_t i = 0; same && i < names.size(); ++i)
        same = names[i].compare(columns[i].Name, Qt::CaseInsensitive) == 0;
    if (same) return;  // the fields of the last opening, with what was set on them
    FFields.erase(std::remove_if(FFields.begin(), FFields.end(),
                                 [](const std::unique_ptr<TField>& f) { return !f->IsLookup; }),
                  FFields.end());
    CreateFieldsFrom(q);
}

void TClientDataSet::UpdateFieldDefs() {
    if (!FFields.empty()) return;
    if (!FConn) throw EDataSetError(QStringLiteral("No connection"));
    TFbTransaction tra(*FConn);
    TFbQuery q(tra, SelectText());
    CreateFieldsFrom(q);
    FFieldsFromStatement = false;  // the code sets them up and keeps them
}

void TClientDataSet::BindFields(const TFbQuery& q) {
    FollowStatementColumns(q);
    QString table = UpdateTableName;
    if (table.isEmpty()) {
        for (const TFbColumn& c : q.Columns())
            if (!c.Relation.isEmpty()) {
                table = c.Relation;
                break;
            }
    }
    std::vector<TFbType> kinds;
    std::vector<int> columns;
    int slot = 0;
    for (const auto& f : FFields) {
        if (f->IsLookup) continue;
        const int col = q.FieldIndex(f->FieldName);
        if (col < 0) throw EDataSetError(QStringLiteral("Field '%1' not found").arg(f->FieldName));
        const TFbColumn& c = q.Column(col);
        f->DataType = c.Kind;
        f->SqlType = c.SqlType;
        f->SqlScale = c.Scale;
        f->SqlLength = c.Length;
        f->SqlCharSet = c.CharSet;
        f->Slot = slot++;
        f->Origin = (c.Relation.compare(table, Qt::CaseInsensitive) == 0 && !c.Field.isEmpty())
                        ? c.Field
                        : QString();
        kinds.push_back(c.Kind);
        columns.push_back(col);
    }
    FLayout.Build(kinds);
    FColumnsOfSlots = columns;
    FUpdateTable = table;
}

void TClientDataSet::LoadRows(TFbQuery& q) {
    for (q.Open(); !q.Eof(); q.Next()) {
        TRecord r;
        r.Data = FLayout.FromQuery(q, FColumnsOfSlots);
        FRecords.push_back(std::move(r));
    }
}

void TClientDataSet::Fetch() {
    FreeRecords();
    FMasterKeyLoaded = false;
    QVariant key;
    if (FMaster) {
        TField* mf = FMaster->FindField(FMasterField);
        key = (FMaster->Active() && mf && !FMaster->IsEmpty()) ? mf->Value() : QVariant();
        FLoadedMasterKey = key;
        FMasterKeyLoaded = true;
        const QString k = key.toString();
        const auto stashed = FStash.find(k);
        if (stashed != FStash.end()) {
            // Changes not yet written for this master row: show them again.
            FRecords = std::move(stashed->second.Records);
            FChangeLog = std::move(stashed->second.ChangeLog);
            FStash.erase(stashed);
            return;
        }
        if (!key.isValid()) return;  // no master row: no detail rows
    }
    if (PacketRecords > 0 && !FMaster) {
        if (FUpdateTable.isEmpty()) {
            // Where the columns come from decides which orders the engine can
            // hand over at once: known before the first reading.
            TFbTransaction tra(*FConn);
            TFbQuery q(tra, SelectText());
            if (FFields.empty()) CreateFieldsFrom(q);
            BindFields(q);
        }
        FReader.Start(*FConn, OrderedSelectText(), [this](TFbQuery& q) {
            for (auto it = Params.cbegin(); it != Params.cend(); ++it)
                q.SetParam(it.key(), it.value());
            if (FFields.empty()) CreateFieldsFrom(q);
            BindFields(q);
        });
        FReader.ReadRecords(PacketRecords);
        // An order the engine did not give is made here, over every row.
        const TField* order = FIndexField.isEmpty() ? nullptr : FindField(FIndexField);
        if (order && !EngineCanSort(order, FIndexDescending)) FReader.ReadAllRecords();
        // The shown texts of the first screen's keys, read together.
        for (const auto& f : FFields)
            if (f->IsLookup) PrepareLookupsOf(f.get());
        FReader.StartIdleReading();
        return;
    }
    TFbTransaction tra(*FConn);
    TFbQuery q(tra, SelectText());
    for (auto it = Params.cbegin(); it != Params.cend(); ++it) q.SetParam(it.key(), it.value());
    if (FMaster) q.SetParam(QStringLiteral("MASTER_LINK_VALUE"), key);
    if (FFields.empty()) CreateFieldsFrom(q);
    BindFields(q);
    if (!ReadByKey) LoadRows(q);
    tra.Commit();
}

void TClientDataSet::Open() {
    if (Active()) return;
    if (!FConn) throw EDataSetError(QStringLiteral("No connection"));
    if (OnBeforeOpen) OnBeforeOpen(*this);
    if (FMaster && !FLayout.Count()) {
        // The row layout is needed even when the master has no row yet.
        TFbTransaction tra(*FConn);
        TFbQuery q(tra, SelectText());
        if (FFields.empty()) CreateFieldsFrom(q);
        BindFields(q);
    }
    try {
        Fetch();
    } catch (...) {
        // A reading begun stays with a set that stays closed: nothing would
        // ever read the rest, and whatever waits for every row would wait.
        FreeRecords();
        throw;
    }
    FState = TDataSetState::Browse;
    RebuildView(false);
    FCursor = FView.empty() ? -1 : 0;
    FBof = true;
    FEof = FView.empty();
    NotifyState();
    NotifyLayout();
    if (OnAfterOpen) OnAfterOpen(*this);
    AfterMove(true);
}

void TClientDataSet::Close() {
    if (!Active()) return;
    FReader.Reset();
    FBuffer.reset();
    FreeRecords();
    ClearStash();
    FState = TDataSetState::Inactive;
    FCursor = -1;
    FBof = FEof = true;
    NotifyState();
    NotifyLayout();
    for (TClientDataSet* d : FDetails) d->MasterChanged();
}

QVariant TClientDataSet::KeyValueOfRecord(uint32_t rec) const {
    TField* k = FindField(KeyFields.value(0));
    if (!k || k->IsLookup) return QVariant();
    return FLayout.Get(RowOf(rec), k->Slot);
}

void TClientDataSet::Refresh() {
    CheckBrowse("Refresh");
    const QVariant key = FCursor >= 0 ? KeyValueOfRecord(FView[size_t(FCursor)]) : QVariant();
    const size_t held = FRecords.size();
    Fetch();
    // Read on until the row the user was on is found again, as far as the
    // rows read before went: a list read to its end is not read again whole.
    bool found = false;
    for (size_t from = 0; !AllFetched() && key.isValid() && !found && FRecords.size() < held;) {
        for (; from < FRecords.size() && !found; ++from)
            found = KeyValueOfRecord(uint32_t(from)) == key;
        if (!found) FReader.ReadRecords(std::max(PacketRecords, TPacketReader::RefreshPacketRows));
    }
    RebuildView(false);
    FCursor = FView.empty() ? -1 : 0;
    NotifyLayout();
    if (key.isValid() && !AllFetched()) {
        const int row = RowOfKey(key);
        if (row >= 0) FCursor = row;
    } else if (key.isValid()) {
        Locate(KeyFields.value(0), key);
    }
    AfterMove(true);
}

void TClientDataSet::RefreshRecord() {
    CheckBrowse("Refresh record");
    if (FCursor < 0) return;
    const uint32_t rec = FView[size_t(FCursor)];
    const QVariant key = KeyValueOfRecord(rec);
    if (!key.isValid()) return;
    QStringList cols;
    std::vector<TField*> fields;
    for (const auto& f : FFields)
        if (!f->IsLookup && !f->Origin.isEmpty()) {
            cols << Quote(f->Origin);
            fields.push_back(f.get());
        }
    TFbTransaction tra(*FConn);
    TFbQuery q(tra, "SELECT " + cols.join(',') + " FROM " + Quote(FUpdateTable) + " WHERE " +
                        Quote(KeyFields.value(0)) + " = :K");
    q.SetParam(QStringLiteral("K"), key);
    q.Open();
    if (q.Eof()) return;  // gone: the row stays as it was read
    TRecord& r = FRecords[rec];
    for (size_t i = 0; i < fields.size(); ++i)
        FLayout.Set(r.Data, fields[i]->Slot, q.Value(int(i)));
    if (r.Status == rsUnchanged) r.Original.reset();
    tra.Commit();
    InvalidateLookupIndex();
    NotifyData(nullptr);
}

void TClientDataSet::Resort() {
    if (!Active() || FState != TDataSetState::Browse) return;
    RebuildView(true);
    NotifyLayout();
}

// ------------------------------------------------------------------ view

void TClientDataSet::CompileFilter() {
    FCompiled.clear();
    if (!FFiltered) return;
    for (const TFilter::TTerm& t : FFilter.Terms()) {
        TCompiledTerm c;
        c.Op = t.Op;
        c.Day = t.Day;
        for (const QString& v : t.Values) c.Needles.push_back(v.toUtf8());
        c.Values = t.Values;
        for (const QString& name : t.Fields) {
            TField* f = FindField(name);
            c.Fields.push_back(f);
            if (f && f->IsLookup) PrepareLookupsOf(f);
        }
        FCompiled.push_back(std::move(c));
    }
}

bool TClientDataSet::Accepts(const uint8_t* row) const {
    for (const TCompiledTerm& t : FCompiled) {
        switch (t.Op) {
            case TFilter::TOp::DateOnOrAfter:
            case TFilter::TOp::DateEquals: {
                const TField* f = t.Fields.empty() ? nullptr : t.Fields[0];
                if (!f || f->IsLookup || FLayout.IsNull(row, f->Slot)) return false;
                const int64_t day = FLayout.Day(row, f->Slot);
                const int64_t want = TFbQuery::IscDate(t.Day);
                if (t.Op == TFilter::TOp::DateEquals ? day != want : day < want) return false;
                break;
            }
            case TFilter::TOp::AnyContains:
            case TFilter::TOp::AnyContainsNoCase: {
                // The UTF-8 bytes of a text occur in the value (any case when noCase).
                const bool noCase = t.Op == TFilter::TOp::AnyContainsNoCase;
                const Qt::CaseSensitivity cs = noCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
                bool any = false;
                for (const TField* f : t.Fields) {
                    if (!f) continue;
                    if (f->IsLookup) {
                        const TField* key = FindField(f->KeyFields);
                        if (!key || FLayout.IsNull(row, key->Slot) || !f->LookupDataSet) continue;
                        const QString s =
                            f->LookupDataSet
                                ->Lookup(f->LookupKeyFields, FLayout.Get(row, key->Slot),
                                         f->LookupResultField)
                                .toString();
                        for (const QString& v : t.Values) any = any || s.contains(v, cs);
                    } else if (!FLayout.IsNull(row, f->Slot)) {
                        const TFbType k = FLayout.Kind(f->Slot);
                        if (k == TFbType::Text || k == TFbType::Memo) {
                            const std::string_view text = FLayout.Text(row, f->Slot);
                            for (const QByteArray& n : t.Needles) {
                                const std::string_view needle(n.constData(), size_t(n.size()));
                                if (noCase ? TFilter::ContainsNoCase(text, needle)
                                           : text.find(needle) != std::string_view::npos)
                                    any = true;
                            }
                        } else {
                            const QString s = FLayout.Get(row, f->Slot).toString();
                            for (const QString& v : t.Values) any = any || s.contains(v, cs);
                        }
                    }
                    if (any) break;
                }
                if (!any) return false;
                break;
            }
        }
    }
    return true;
}

void TClientDataSet::SortView() {
    if (FIndexField.isEmpty()) return;
    TField* f = FindField(FIndexField);
    if (!f) return;
    if (f->IsLookup) {
        SortViewByLookup(f);
        return;
    }
    if (f->Slot < 0) return;
    const int slot = f->Slot;
    const bool desc = FIndexDescending;
    std::stable_sort(FView.begin(), FView.end(), [&](uint32_t a, uint32_t b) {
        const int c = FLayout.Compare(RowOf(a), RowOf(b), slot);
        return desc ? c > 0 : c < 0;
    });
}

void TClientDataSet::SortViewByLookup(const TField* f) {
    // A lookup column sorts by the text it shows (the customer's name), not
    // by the key behind it; each key is looked up once.
    const TField* key = FindField(f->KeyFields);
    if (!key || key->Slot < 0 || !f->LookupDataSet) return;
    PrepareLookupsOf(f);
    QHash<QString, QString> shownOfKey;
    std::vector<QString> shown(FRecords.size());
    for (uint32_t r : FView) {
        if (FLayout.IsNull(RowOf(r), key->Slot)) continue;
        const QVariant k = FLayout.Get(RowOf(r), key->Slot);
        const QString kt = k.toString();
        auto it = shownOfKey.constFind(kt);
        if (it == shownOfKey.cend())
            it = shownOfKey.insert(
                kt,
                f->LookupDataSet->Lookup(f->LookupKeyFields, k, f->LookupResultField).toString());
        shown[r] = it.value();
    }
    const bool desc = FIndexDescending;
    std::stable_sort(FView.begin(), FView.end(), [&](uint32_t a, uint32_t b) {
        const int c = QString::compare(shown[a], shown[b], Qt::CaseInsensitive);
        return desc ? c > 0 : c < 0;
    });
}

void TClientDataSet::RebuildView(bool keepCurrent) {
    const qint64 current = (keepCurrent && FCursor >= 0) ? qint64(FView[size_t(FCursor)]) : -1;
    FView.clear();
    FView.reserve(FRecords.size());
    CompileFilter();
    for (uint32_t i = 0; i < FRecords.size(); ++i) {
        const TRecord& r = FRecords[i];
        if (r.Status == rsDeleted || r.Status == rsDead) continue;
        if (Accepts(r.Data.get())) FView.push_back(i);
    }
    SortView();
    if (current >= 0) {
        const auto it = std::find(FView.begin(), FView.end(), uint32_t(current));
        FCursor = it == FView.end() ? (FView.empty() ? -1 : 0) : int(it - FView.begin());
    } else if (FCursor >= int(FView.size()) || (FCursor < 0 && !FView.empty())) {
        FCursor = FView.empty() ? -1 : 0;
    }
}

void TClientDataSet::SetFilter(const TFilter& f) {
    if (Active() && FFiltered && !f.IsEmpty()) FetchRest();  // a filter sees every row
    FFilter = f;
    if (Active() && FFiltered) {
        CheckBrowse("Filter");
        RebuildView(true);
        NotifyLayout();
        AfterMove(true);
    }
}

void TClientDataSet::SetFiltered(bool on) {
    if (FFiltered == on) return;
    if (on && Active() && !FFilter.IsEmpty()) FetchRest();
    FFiltered = on;
    if (Active()) {
        CheckBrowse("Filter");
        RebuildView(true);
        NotifyLayout();
        AfterMove(true);
    }
}

void TClientDataSet::AddIndex(const QString& name, const QString& field, bool descending) {
    const TField* f = FindField(field);
    if (!f) throw EDataSetError(QStringLiteral("Field '%1' not found").arg(field));
    if (Active() && !AllFetched()) {
        CheckBrowse("Sort");
        if (!EngineCanSort(f, descending) || ChangeCount() > 0) {
            FetchRest();  // sorted here, over every row
        } else {
            // Read again from the start in the new order: the first packet is
            // the first screen of it.
            FIndexName = name;
            FIndexField = field;
            FIndexDescending = descending;
            const QVariant key =
                FCursor >= 0 ? KeyValueOfRecord(FView[size_t(FCursor)]) : QVariant();
            Fetch();
            RebuildView(false);
            const int row = RowOfKey(key);
            FCursor = row >= 0 ? row : (FView.empty() ? -1 : 0);
            FBof = FCursor <= 0;
            FEof = FView.empty();
            NotifyLayout();
            AfterMove(true);
            return;
        }
    }
    FIndexName = name;
    FIndexField = field;
    FIndexDescending = descending;
    if (Active()) {
        CheckBrowse("Sort");
        RebuildView(true);
        NotifyLayout();
    }
}

void TClientDataSet::DeleteIndexes() {
    FIndexName.clear();
    FIndexField.clear();
    FIndexDescending = false;
    if (Active() && FState == TDataSetState::Browse) {
        RebuildView(true);
        NotifyLayout();
    }
}

// ------------------------------------------------------------ navigation

const uint8_t* TClientDataSet::RowOf(uint32_t rec) const { return FRecords[rec].Data.get(); }

const uint8_t* TClientDataSet::CurrentRow() const {
    if (FBuffer) return FBuffer.get();
    if (FCursor < 0 || FCursor >= int(FView.size())) return nullptr;
    return FRecords[FView[size_t(FCursor)]].Data.get();
}

void TClientDataSet::CheckBrowse(const char* op) const {
    if (FState != TDataSetState::Browse)
        throw EDataSetError(QStringLiteral("%1: the record set is not browsing").arg(op));
}

void TClientDataSet::AfterMove(bool scrolled) {
    for (TDataSource* s : FSources) s->NotifyActiveRow();
    if (scrolled && OnAfterScroll) OnAfterScroll(*this);
    for (TClientDataSet* d : FDetails) d->MasterChanged();
}

void TClientDataSet::MoveTo(int row) {
    if (!Active()) return;
    if (FState != TDataSetState::Browse) Post();  // leaving an edited row posts it
    if (FView.empty()) {
        FBof = FEof = true;
        return;
    }
    // Past the rows read: the next ones are read first.
    FReader.FetchUntilRow(row);
    FBof = row < 0;
    FEof = row >= int(FView.size());
    const int target = std::clamp(row, 0, int(FView.size()) - 1);
    const bool moved = target != FCursor;
    FCursor = target;
    if (moved) AfterMove(true);
}

void TClientDataSet::First() {
    MoveTo(0);
    FBof = true;
}
void TClientDataSet::Last() {
    FetchRest();
    MoveTo(int(FView.size()) - 1);
    FEof = true;
}
void TClientDataSet::Next() { MoveTo(FCursor + 1); }
void TClientDataSet::Prior() { MoveTo(FCursor - 1); }

bool TClientDataSet::Locate(const QString& field, const QVariant& value) {
    TField* f = FieldByName(field);
    const int row = RowWhere(f, value);
    if (row >= 0) {
        MoveTo(row);
        return true;
    }
    return false;
}

int TClientDataSet::RowWhere(const TField* f, const QVariant& value) {
    // Among the rows read first; the rest are read only when it is not there,
    // and then every row is looked at again: the rows read later are merged
    // in among those held, ahead of rows added meanwhile, not only after them.
    const int found = RowWhereHeld(f, value);
    if (found >= 0 || AllFetched()) return found;
    FetchRest();
    return RowWhereHeld(f, value);
}

int TClientDataSet::RowWhereHeld(const TField* f, const QVariant& value) const {
    for (int i = 0; i < int(FView.size()); ++i) {
        const QVariant v = ValueAt(i, f);
        bool eq;
        if (v.userType() == qMetaTypeId<TMoney>() || value.userType() == qMetaTypeId<TMoney>()) {
            TMoney a, b;
            a = v.userType() == qMetaTypeId<TMoney>() ? v.value<TMoney>() : TMoney();
            if (value.userType() == qMetaTypeId<TMoney>())
                b = value.value<TMoney>();
            else if (!TMoney::FromString(value.toString(), b))
                continue;
            eq = v.isValid() && a == b;
        } else if (!v.isValid() || !value.isValid()) {
            eq = !v.isValid() && !value.isValid();
        } else if (f->DataType == TFbType::Text || f->DataType == TFbType::Memo) {
            eq = v.toString() == value.toString();
        } else {
            eq = v == value || v.toString() == value.toString();
        }
        if (eq) return i;
    }
    return -1;
}

TBookmark TClientDataSet::GetBookmark() const {
    return FCursor < 0 ? -1 : TBookmark(FView[size_t(FCursor)]);
}

bool TClientDataSet::BookmarkValid(TBookmark b) const {
    return b >= 0 && b < TBookmark(FRecords.size()) && FRecords[size_t(b)].Status != rsDeleted &&
           FRecords[size_t(b)].Status != rsDead;
}

int TClientDataSet::RowOfBookmark(TBookmark b) const {
    if (!BookmarkValid(b)) return -1;
    const auto it = std::find(FView.begin(), FView.end(), uint32_t(b));
    return it == FView.end() ? -1 : int(it - FView.begin());
}

TBookmark TClientDataSet::BookmarkOfRow(int row) const {
    return (row < 0 || row >= int(FView.size())) ? -1 : TBookmark(FView[size_t(row)]);
}

QVariant TClientDataSet::KeyOfRow(int row) const {
    if (row < 0 || row >= int(FView.size())) return QVariant();
    return KeyValueOfRecord(FView[size_t(row)]);
}

int TClientDataSet::RowOfKey(const QVariant& key) const {
    if (!key.isValid() || key.isNull()) return -1;
    const TField* k = FindField(KeyFields.value(0));
    if (!k || k->IsLookup) return -1;
    const qint64 want = key.toLongLong();
    for (int i = 0; i < int(FView.size()); ++i) {
        const uint8_t* row = RowOf(FView[size_t(i)]);
        if (!FLayout.IsNull(row, k->Slot) && FLayout.Int(row, k->Slot) == want) return i;
    }
    return -1;
}

void TClientDataSet::GotoBookmark(TBookmark b) {
    const int row = RowOfBookmark(b);
    if (row < 0) throw EDataSetError(QStringLiteral("Record not found"));
    MoveTo(row);
}

// --------------------------------------------------------------- editing

void TClientDataSet::SetState(TDataSetState s) {
    if (FState == s) return;
    ClearRefusals();  // they belong to the edit that ends or has not begun
    FState = s;
    NotifyState();
}

void TClientDataSet::Insert() {
    if (!Active()) throw EDataSetError(QStringLiteral("Insert: the record set is closed"));
    if (FState != TDataSetState::Browse) Post();
    if (FMaster) {
        // A detail row belongs to the master's current row.
        if (!FMasterKeyLoaded) MasterChanged();
    }
    TRecord r;
    r.Data = FLayout.NewEmpty();
    r.Status = rsInserted;
    FRecords.push_back(std::move(r));
    const uint32_t rec = uint32_t(FRecords.size() - 1);
    FReader.RowAdded(rec);
    const int at = FCursor < 0 ? 0 : FCursor;
    FView.insert(FView.begin() + at, rec);
    FCursor = at;
    FBof = FEof = false;
    FBuffer = FLayout.NewEmpty();
    FModified = false;
    for (TDataSource* s : FSources) s->NotifyRowInserted(at);
    SetState(TDataSetState::Insert);
    if (FMaster && FLoadedMasterKey.isValid()) {
        if (TField* link = FindField(FDetailField)) {
            FLayout.Set(FBuffer, link->Slot, FLoadedMasterKey);
        }
    }
    if (OnAfterInsert) OnAfterInsert(*this);
    AfterMove(true);
}

void TClientDataSet::Append() {
    if (Active() && FState == TDataSetState::Browse) FCursor = int(FView.size());
    Insert();
}

void TClientDataSet::Edit() {
    if (FState == TDataSetState::Edit || FState == TDataSetState::Insert) return;
    CheckBrowse("Edit");
    if (FCursor < 0) throw EDataSetError(QStringLiteral("Edit: the record set is empty"));
    FBuffer = TRowLayout::Copy(FRecords[FView[size_t(FCursor)]].Data.get());
    FModified = false;
    SetState(TDataSetState::Edit);
}

namespace {

// What a failed change says to the user; empty for a silent stop.
QString MessageOfCurrentException() {
    try {
        throw;
    } catch (const EAbort&) {
        return QString();
    } catch (const EDataSetError& e) {
        return e.Message();
    } catch (const EFbError& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QString();
    }
}

QString TextOfValue(const QVariant& v) {
    if (v.userType() == qMetaTypeId<TMoney>()) return v.value<TMoney>().ToString();
    return v.toString();
}

}  // namespace

void TClientDataSet::SetFieldValue(TField* f, const QVariant& v) {
    if (f->IsLookup)
        throw EDataSetError(QStringLiteral("Field '%1' cannot be modified").arg(f->FieldName));
    if (FState == TDataSetState::Browse) Edit();
    if (!FBuffer) throw EDataSetError(QStringLiteral("The record set is not editing"));
    const auto refuse = [&](TField* field, const QString& message) {
        field->FRefused = true;
        field->FRefusedText = TextOfValue(v);
        field->FRefusedMessage = message;
    };
    QVariant value;
    try {
        value = f->CheckedValue(v);
    } catch (const EDataSetError& e) {
        // Nothing is stored: the column keeps its value, and the row cannot
        // be posted until the column gets one it can hold.
        refuse(f, e.Message());
        throw;
    }
    // A change handler that fails (a derived amount out of range) takes the
    // whole change back, so that no value is left half-derived.
    struct TMark {
        bool Refused;
        QString Text, Message;
    };
    std::vector<TMark> marks;
    marks.reserve(FFields.size());
    for (const auto& x : FFields)
        marks.push_back({x->FRefused, x->FRefusedText, x->FRefusedMessage});
    TRowBlock before = TRowLayout::Copy(FBuffer.get());
    const bool wasModified = FModified;
    FLayout.Set(FBuffer, f->Slot, value);
    FModified = true;
    f->FRefused = false;
    f->FRefusedText.clear();
    f->FRefusedMessage.clear();
    try {
        if (OnFieldChange) OnFieldChange(*f);
    } catch (...) {
        const QString message = MessageOfCurrentException();
        if (FBuffer && (FState == TDataSetState::Edit || FState == TDataSetState::Insert)) {
            FBuffer = std::move(before);
            FModified = wasModified;
            for (size_t i = 0; i < FFields.size() && i < marks.size(); ++i) {
                FFields[i]->FRefused = marks[i].Refused;
                FFields[i]->FRefusedText = marks[i].Text;
                FFields[i]->FRefusedMessage = marks[i].Message;
            }
            if (!message.isEmpty()) refuse(f, message);
            NotifyData(nullptr);
        }
        throw;
    }
    NotifyData(f);
}

void TClientDataSet::ClearRefusals() {
    for (const auto& f : FFields) {
        f->FRefused = false;
        f->FRefusedText.clear();
        f->FRefusedMessage.clear();
    }
}

void TClientDataSet::LogChange(uint32_t rec) {
    if (FRecords[rec].Logged) return;
    FRecords[rec].Logged = true;
    FChangeLog.push_back(rec);
}

void TClientDataSet::Post() {
    if (FState != TDataSetState::Edit && FState != TDataSetState::Insert) return;
    // A value a column refused is not silently replaced by the one it kept.
    for (const auto& f : FFields)
        if (f->FRefused) throw EDataSetError(f->FRefusedMessage);
    if (OnBeforePost) OnBeforePost(*this);  // may throw EAbort: still editing
    const uint32_t rec = FView[size_t(FCursor)];
    TRecord& r = FRecords[rec];
    if (FState == TDataSetState::Edit) {
        if (FModified) {
            if (r.Status == rsUnchanged) {
                r.Original = std::move(r.Data);
                r.Status = rsModified;
            }
            r.Data = std::move(FBuffer);
            LogChange(rec);
        }
    } else {
        r.Data = std::move(FBuffer);
        LogChange(rec);
    }
    FBuffer.reset();
    FModified = false;
    InvalidateLookupIndex();
    SetState(TDataSetState::Browse);
    if ((FFiltered && !FFilter.IsEmpty()) || !FIndexField.isEmpty()) {
        RebuildView(true);
        NotifyLayout();
    } else {
        NotifyData(nullptr);
    }
    if (OnAfterPost) OnAfterPost(*this);
    for (TClientDataSet* d : FDetails) d->MasterChanged();
}

void TClientDataSet::Cancel() {
    if (FState != TDataSetState::Edit && FState != TDataSetState::Insert) return;
    FBuffer.reset();
    FModified = false;
    if (FState == TDataSetState::Insert) {
        const uint32_t rec = FView[size_t(FCursor)];
        FRecords[rec].Data = FLayout.NewEmpty();
        FRecords[rec].Status = rsDead;
        const int row = FCursor;
        FView.erase(FView.begin() + row);
        for (TDataSource* s : FSources) s->NotifyRowRemoved(row);
        FCursor = FView.empty() ? -1 : std::min(row, int(FView.size()) - 1);
        FEof = FView.empty();
    }
    SetState(TDataSetState::Browse);
    NotifyData(nullptr);
    if (OnAfterCancel) OnAfterCancel(*this);
    AfterMove(true);
}

void TClientDataSet::Delete() {
    if (FState == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (FState == TDataSetState::Edit) Cancel();
    CheckBrowse("Delete");
    if (FCursor < 0) throw EDataSetError(QStringLiteral("Delete: the record set is empty"));
    const uint32_t rec = FView[size_t(FCursor)];
    TRecord& r = FRecords[rec];
    if (r.Status == rsInserted) {
        r.Status = rsDead;  // never written: nothing to delete in the database
    } else {
        r.Status = rsDeleted;
        LogChange(rec);
    }
    const int row = FCursor;
    FView.erase(FView.begin() + row);
    for (TDataSource* s : FSources) s->NotifyRowRemoved(row);
    FCursor = FView.empty() ? -1 : std::min(row, int(FView.size()) - 1);
    FEof = FView.empty();
    InvalidateLookupIndex();
    if (OnAfterDelete) OnAfterDelete(*this);
    AfterMove(true);
}

// ----------------------------------------------------------- master/detail

void TClientDataSet::SetMasterLink(TClientDataSet* master, const QString& masterField,
                                   const QString& detailField) {
    if (FMaster) {
        auto& d = FMaster->FDetails;
        d.erase(std::remove(d.begin(), d.end(), this), d.end());
    }
    FMaster = master;
    FMasterField = masterField;
    FDetailField = detailField;
    FMasterKeyLoaded = false;
    if (master) master->FDetails.push_back(this);
}

void TClientDataSet::MasterChanged() {
    if (!Active() || !FMaster) return;
    TField* mf = FMaster->FindField(FMasterField);
    const QVariant key = (FMaster->Active() && mf && !FMaster->IsEmpty() &&
                          FMaster->State() != TDataSetState::Insert)
                             ? mf->Value()
                             : QVariant();
    if (FMasterKeyLoaded && key == FLoadedMasterKey) return;
    if (FState != TDataSetState::Browse) Cancel();
    if (ChangeCount() > 0) {
        // Keep changes that were not written with the master row they belong to.
        TStash s;
        s.Records = std::move(FRecords);
        s.ChangeLog = std::move(FChangeLog);
        FStash[FLoadedMasterKey.toString()] = std::move(s);
        FRecords.clear();
        FChangeLog.clear();
    }
    Fetch();
    RebuildView(false);
    FCursor = FView.empty() ? -1 : 0;
    FBof = true;
    FEof = FView.empty();
    NotifyLayout();
    AfterMove(true);
}

// ----------------------------------------------------------------- lookup

QVariant TClientDataSet::Lookup(const QString& keyField, const QVariant& key,
                                const QString& resultField) {
    if (!Active() || !key.isValid()) return QVariant();
    TField* kf = FindField(keyField);
    TField* rf = FindField(resultField);
    if (!kf || !rf || kf->IsLookup) return QVariant();
    if (FKeyIndexField != kf->FieldName) {
        FKeyIndex.clear();
        FKeyIndex.reserve(qsizetype(FRecords.size()));
        for (uint32_t i = 0; i < FRecords.size(); ++i) {
            const TRecord& r = FRecords[i];
            if (r.Status == rsDeleted || r.Status == rsDead ||
                FLayout.IsNull(r.Data.get(), kf->Slot))
                continue;
            FKeyIndex.insert(FLayout.Int(r.Data.get(), kf->Slot), i);
        }
        FKeyIndexField = kf->FieldName;
    }
    bool ok = false;
    const qint64 k = key.toLongLong(&ok);
    if (!ok) return QVariant();
    auto it = FKeyIndex.constFind(k);
    if (it == FKeyIndex.cend() && ReadByKey && !FKeysRead.contains(k)) {
        ReadKeys(kf->FieldName, {k});
        it = FKeyIndex.constFind(k);
    }
    if (it == FKeyIndex.cend()) return QVariant();
    if (rf->IsLookup) return QVariant();
    return FLayout.Get(FRecords[it.value()].Data.get(), rf->Slot);
}

void TClientDataSet::PrepareLookupsOf(const TField* f) {
    // The shown texts of every key held, read together rather than one by one.
    const TField* key = FindField(f->KeyFields);
    if (!key || key->IsLookup || key->Slot < 0 || !f->LookupDataSet) return;
    std::vector<qint64> keys;
    for (const TRecord& r : FRecords)
        if (r.Data && !FLayout.IsNull(r.Data.get(), key->Slot))
            keys.push_back(FLayout.Int(r.Data.get(), key->Slot));
    f->LookupDataSet->PrepareLookups(f->LookupKeyFields, keys);
}

void TClientDataSet::PrepareLookups(const QString& keyField, const std::vector<qint64>& keys) {
    if (!ReadByKey || !Active()) return;
    std::vector<qint64> missing;
    for (qint64 k : keys)
        if (!FKeysRead.contains(k)) missing.push_back(k);
    std::sort(missing.begin(), missing.end());
    missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
    if (!missing.empty()) ReadKeys(keyField, missing);
}

void TClientDataSet::ReadKeys(const QString& keyField, const std::vector<qint64>& keys) {
    TField* kf = FindField(keyField);
    if (!kf || kf->IsLookup || !FConn) return;
    if (FKeyIndexField != kf->FieldName) {
        // The index of what is held, which the rows read now join.
        FKeyIndex.clear();
        for (uint32_t i = 0; i < FRecords.size(); ++i)
            if (!FLayout.IsNull(FRecords[i].Data.get(), kf->Slot))
                FKeyIndex.insert(FLayout.Int(FRecords[i].Data.get(), kf->Slot), i);
        FKeyIndexField = kf->FieldName;
    }
    TFbTransaction tra(*FConn);
    for (size_t from = 0; from < keys.size(); from += KeysPerStatement) {
        QStringList list;
        const size_t to = std::min(keys.size(), from + KeysPerStatement);
        for (size_t i = from; i < to; ++i) list << QString::number(keys[i]);
        TFbQuery q(
            tra, AddCondition(CommandText, Quote(kf->FieldName) + " IN (" + list.join(',') + ")"));
        for (q.Open(); !q.Eof(); q.Next()) {
            TRecord r;
            r.Data = FLayout.FromQuery(q, FColumnsOfSlots);
            const uint32_t rec = uint32_t(FRecords.size());
            if (!FLayout.IsNull(r.Data.get(), kf->Slot))
                FKeyIndex.insert(FLayout.Int(r.Data.get(), kf->Slot), rec);
            FRecords.push_back(std::move(r));
            FView.push_back(rec);
        }
        // Found or not, a key read is not asked for again until Refresh.
        for (size_t i = from; i < to; ++i) FKeysRead.insert(keys[i]);
    }
    tra.Commit();
}

int TClientDataSet::CountRows(const QString& field, const QVariant& value) const {
    const TField* f = field.isEmpty() ? nullptr : FindField(field);
    if (!field.isEmpty() && (!f || f->IsLookup)) return 0;
    int n = 0;
    for (const TRecord& r : FRecords) {
        if (r.Status == rsDeleted || r.Status == rsDead || r.Status == rsInserted) continue;
        if (f) {
            const QVariant v = FLayout.Get(r.Data.get(), f->Slot);
            if (!v.isValid() || v.toString() != value.toString()) continue;
        }
        ++n;
    }
    return n;
}

// ------------------------------------------------------------ row access

QVariant TClientDataSet::ValueAt(int row, const TField* f) const {
    if (row < 0 || row >= int(FView.size())) return QVariant();
    const uint8_t* data = (row == FCursor && FBuffer) ? FBuffer.get() : RowOf(FView[size_t(row)]);
    if (f->IsLookup) {
        const TField* key = FindField(f->KeyFields);
        if (!key || key->IsLookup || !f->LookupDataSet || FLayout.IsNull(data, key->Slot))
            return QVariant();
        return f->LookupDataSet->Lookup(f->LookupKeyFields, FLayout.Get(data, key->Slot),
                                        f->LookupResultField);
    }
    return FLayout.Get(data, f->Slot);
}

QString TClientDataSet::DisplayTextAt(int row, const TField* f) const {
    const QVariant v = ValueAt(row, f);
    if (!v.isValid()) return QString();
    const int t = v.userType();
    if (t == qMetaTypeId<TMoney>())
        return TDisplayFormat::FormatMoney(f->DisplayFormat, v.value<TMoney>());
    if (t == QMetaType::Double) return TDisplayFormat::FormatFloat(f->DisplayFormat, v.toDouble());
    if (t == QMetaType::Int || t == QMetaType::LongLong)
        return TDisplayFormat::FormatInteger(f->DisplayFormat, v.toLongLong());
    if (t == QMetaType::QDate) return TDisplayFormat::FormatDate(v.toDate());
    if (t == QMetaType::QDateTime) {
        const QDateTime dt = v.toDateTime();
        return TDisplayFormat::FormatDate(dt.date()) + ' ' +
               dt.time().toString(QStringLiteral("HH:mm:ss"));
    }
    if (t == QMetaType::Bool) return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

// ------------------------------------------------------------- observers

void TClientDataSet::AttachDataSource(TDataSource* ds) {
    if (std::find(FSources.begin(), FSources.end(), ds) == FSources.end()) FSources.push_back(ds);
}

void TClientDataSet::DetachDataSource(TDataSource* ds) {
    FSources.erase(std::remove(FSources.begin(), FSources.end(), ds), FSources.end());
}

void TClientDataSet::NotifyLayout() {
    for (TDataSource* s : FSources) s->NotifyLayout();
}

void TClientDataSet::NotifyData(TField* f) {
    for (TDataSource* s : FSources) s->NotifyData(f);
}

void TClientDataSet::NotifyState() {
    if (OnStateChange) OnStateChange(*this);
    for (TDataSource* s : FSources) s->NotifyState();
}

size_t TClientDataSet::RowBytes() const {
    size_t n = FRecords.capacity() * sizeof(TRecord) + FView.capacity() * sizeof(uint32_t);
    for (const TRecord& r : FRecords) {
        n += TRowLayout::Size(r.Data.get());
        if (r.Original) n += TRowLayout::Size(r.Original.get());
    }
    return n;
}

void TClientDataSet::SetValueAsRead(TBookmark b, const TField* f, const QVariant& v) {
    if (!BookmarkValid(b) || !f || f->DataSet() != this || f->IsLookup) return;
    TRecord& r = FRecords[size_t(b)];
    FLayout.Set(r.Data, f->Slot, v);
    if (r.Original) FLayout.Set(r.Original, f->Slot, v);
}
