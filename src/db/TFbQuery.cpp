#include "TFbQuery.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "TFbStatus.h"
#include "TSqlLexer.h"

using namespace Firebird;

namespace {

constexpr unsigned CsUtf8 = 4;
constexpr unsigned CsOctets = 1;
// The longest VARCHAR the engine has, in bytes; its length travels in 16 bits.
constexpr qsizetype MaxVarCharBytes = 32765;

const QDate& BaseDate() {
    static const QDate base(1858, 11, 17);  // day 0 of ISC_DATE
    return base;
}

ISC_DATE EncodeDate(const QDate& d) { return ISC_DATE(BaseDate().daysTo(d)); }
QDate DecodeDate(ISC_DATE d) { return BaseDate().addDays(d); }
// ISC_TIME counts ten-thousandths of a second since midnight.
ISC_TIME EncodeTime(const QTime& t) { return ISC_TIME(t.msecsSinceStartOfDay()) * 10; }
QTime DecodeTime(ISC_TIME t) { return QTime::fromMSecsSinceStartOfDay(int(t / 10)); }

int64_t Pow10(int n) {
    int64_t r = 1;
    while (n-- > 0) r *= 10;
    return r;
}

// Scaled integer of the engine (value × 10^scale) to ten-thousandths.
TMoney ScaledToMoney(int64_t v, int scale) {
    if (scale == -4) return TMoney(v);
    if (scale > -4) {
        // NUMERIC(18,2) holds more than money does: such a value is refused, not wrapped.
        int64_t m;
        if (__builtin_mul_overflow(v, Pow10(4 + scale), &m))
            throw EMoneyOverflow(TMoney::OutOfRangeMessage(QStringLiteral("The amount")));
        return TMoney(m);
    }
    // More than four decimals: round half away from zero to four.
    const int64_t div = Pow10(-4 - scale);
    const int64_t q = v / div, r = v % div;
    return TMoney(q + (2 * std::llabs(r) >= div ? (v < 0 ? -1 : 1) : 0));
}

TFbType KindOf(unsigned type, int scale, int subType) {
    switch (type) {
        case SQL_SHORT:
        case SQL_LONG:
            if (scale < 0) return scale >= -4 ? TFbType::Money : TFbType::Float;
            return TFbType::Integer;
        case SQL_INT64:
            if (scale < 0) return scale >= -4 ? TFbType::Money : TFbType::Float;
            return TFbType::Int64;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return TFbType::Float;
        case SQL_TEXT:
        case SQL_VARYING:
            return TFbType::Text;
        case SQL_BLOB:
            return subType == 1 ? TFbType::Memo : TFbType::Blob;
        case SQL_TYPE_DATE:
            return TFbType::Date;
        case SQL_TYPE_TIME:
            return TFbType::Time;
        case SQL_TIMESTAMP:
            return TFbType::TimeStamp;
        case SQL_BOOLEAN:
            return TFbType::Boolean;
        default:
            return TFbType::Null;
    }
}

}  // namespace

QString TFbQuery::TranslateParams(const QString& sql, QStringList& names) {
    // Text between tokens (spaces) and every token but a parameter is copied as written.
    const TSqlLexer lex(sql, true);
    QString out;
    out.reserve(sql.size());
    int at = 0;
    for (const TSqlToken& t : lex.Tokens()) {
        out += QStringView(sql).mid(at, t.Pos - at);
        if (t.Kind == TSqlTokenKind::Param) {
            names << t.Text.mid(1).toUpper();
            out += '?';
        } else {
            if (t.IsPunct('?')) names << QString();
            out += t.Text;
        }
        at = t.End();
    }
    out += QStringView(sql).mid(at);
    return out;
}

TFbQuery::TFbQuery(TFbTransaction& tra, const QString& sql, bool namedParams) : FTra(tra) {
    FSql = namedParams ? TranslateParams(sql, FParamNames) : sql;
    const QByteArray text = FSql.toUtf8();
    FbGuard([&](TFbStatus& st) {
        FStmt.reset(tra.Connection().Handle()->prepare(&st, tra.Handle(), 0, text.constData(),
                                                       SQL_DIALECT_V6,
                                                       IStatement::PREPARE_PREFETCH_METADATA));
        FInMeta.reset(FStmt->getInputMetadata(&st));
        FOutMeta.reset(FStmt->getOutputMetadata(&st));
    });
    const unsigned count = FbGuard([&](TFbStatus& st) { return FInMeta->getCount(&st); });
    FParams.assign(count, QVariant());
    FParamSet.assign(count, false);
    if (!namedParams) FParamNames = QStringList(QVector<QString>(int(count)));
    DescribeOutput();
}

TFbQuery::~TFbQuery() {
    try {
        Close();
    } catch (const EFbError&) {
        // Going away: the cursor's handle is freed all the same.
    }
}

void TFbQuery::DescribeOutput() {
    FbGuard([&](TFbStatus& st) {
        const unsigned count = FOutMeta->getCount(&st);
        FColumns.resize(count);
        for (unsigned i = 0; i < count; ++i) {
            TFbColumn& c = FColumns[i];
            c.Name = QString::fromUtf8(FOutMeta->getAlias(&st, i));
            c.Field = QString::fromUtf8(FOutMeta->getField(&st, i));
            c.Relation = QString::fromUtf8(FOutMeta->getRelation(&st, i));
            c.SqlType = FOutMeta->getType(&st, i) & ~1u;
            c.SubType = FOutMeta->getSubType(&st, i);
            c.Scale = FOutMeta->getScale(&st, i);
            c.Length = FOutMeta->getLength(&st, i);
            c.CharSet = FOutMeta->getCharSet(&st, i);
            c.Nullable = FOutMeta->isNullable(&st, i);
            c.Offset = FOutMeta->getOffset(&st, i);
            c.NullOffset = FOutMeta->getNullOffset(&st, i);
            c.Kind = KindOf(c.SqlType, c.Scale, c.SubType);
            // The first of several equal names wins, as in a field lookup by name.
            const QString key = c.Name.toUpper();
            if (!FColumnIndex.contains(key)) FColumnIndex.insert(key, int(i));
        }
        FRow.assign(FOutMeta->getMessageLength(&st), 0);
    });
}

bool TFbQuery::IsSelect() const {
    return FbGuard([&](TFbStatus& st) { return FStmt->getType(&st) == isc_info_sql_stmt_select; });
}

void TFbQuery::SetParam(int index, const QVariant& value) {
    if (index < 0 || index >= ParamCount())
        throw EFbError(QStringLiteral("Parameter index %1 out of range").arg(index));
    FParams[size_t(index)] = value;
    FParamSet[size_t(index)] = true;
}

void TFbQuery::SetParam(const QString& name, const QVariant& value) {
    const QString key = name.toUpper();
    bool found = false;
    for (int i = 0; i < FParamNames.size(); ++i) {
        if (FParamNames[i] == key) {
            SetParam(i, value);
            found = true;
        }
    }
    if (!found) throw EFbError(QStringLiteral("Parameter %1 not found").arg(name));
}

TFbRef<IMessageMetadata> TFbQuery::BuildInput(std::vector<unsigned char>& buffer) {
    if (FParams.empty()) return nullptr;
    for (size_t i = 0; i < FParams.size(); ++i) {
        if (!FParamSet[i]) {
            const QString name = FParamNames.value(int(i));
            throw EFbError(QStringLiteral("No value given for parameter %1")
                               .arg(name.isEmpty() ? QString::number(i + 1) : name));
        }
    }
    std::vector<QByteArray> texts(FParams.size());
    return FbGuard([&](TFbStatus& st) {
        const TFbRef<IMetadataBuilder> b(FInMeta->getBuilder(&st));
        for (unsigned i = 0; i < FParams.size(); ++i) DescribeParam(st, b.get(), i, texts[i]);
        TFbRef<IMessageMetadata> meta(b->getMetadata(&st));

        buffer.assign(meta->getMessageLength(&st), 0);
        unsigned char* buf = buffer.data();
        for (unsigned i = 0; i < FParams.size(); ++i) {
            const QVariant& v = FParams[i];
            auto* nullFlag = reinterpret_cast<short*>(buf + meta->getNullOffset(&st, i));
            *nullFlag = v.isNull() ? -1 : 0;
            if (!v.isNull())
                WriteParam(st, v, meta->getType(&st, i) & ~1u, buf + meta->getOffset(&st, i),
                           texts[i]);
        }
        return meta;
    });
}

// Gives parameter i the type of its value; a text that fits a VARCHAR is
// left in text for WriteParam.
void TFbQuery::DescribeParam(TFbStatus& st, IMetadataBuilder* b, unsigned i,
                             QByteArray& text) const {
    const QVariant& v = FParams[i];
    const unsigned target = FInMeta->getType(&st, i) & ~1u;
    if (v.isNull()) {
        b->setType(&st, i, target | 1u);
        return;
    }
    // setType leaves the length alone: every kind sets it.
    auto describe = [&](unsigned type, unsigned length) {
        b->setType(&st, i, type | 1u);
        b->setLength(&st, i, length);
    };
    switch (v.userType()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Long:
            describe(SQL_INT64, sizeof(ISC_INT64));
            b->setScale(&st, i, 0);
            return;
        case QMetaType::Double:
        case QMetaType::Float:
            describe(SQL_DOUBLE, sizeof(double));
            b->setScale(&st, i, 0);
            return;
        case QMetaType::Bool:
            describe(SQL_BOOLEAN, 1);
            return;
        case QMetaType::QDate:
            describe(SQL_TYPE_DATE, sizeof(ISC_DATE));
            return;
        case QMetaType::QTime:
            describe(SQL_TYPE_TIME, sizeof(ISC_TIME));
            return;
        case QMetaType::QDateTime:
            describe(SQL_TIMESTAMP, sizeof(ISC_TIMESTAMP));
            return;
        default:
            break;
    }
    if (v.userType() == qMetaTypeId<TMoney>()) {
        describe(SQL_INT64, sizeof(ISC_INT64));
        b->setScale(&st, i, -4);
    } else if (target == SQL_BLOB) {
        describe(SQL_BLOB, sizeof(ISC_QUAD));
        b->setSubType(&st, i, FInMeta->getSubType(&st, i));
    } else {
        text = v.toString().toUtf8();
        if (text.size() > MaxVarCharBytes) {
            // Longer than any VARCHAR: sent as a text blob, which the engine
            // converts to the parameter's type, refusing with its own message a
            // text that does not fit, never cutting it.
            text.clear();
            describe(SQL_BLOB, sizeof(ISC_QUAD));
            b->setSubType(&st, i, 1);
        } else {
            describe(SQL_VARYING, unsigned(qMax(1, int(text.size()))));
        }
        b->setCharSet(&st, i, CsUtf8);
        b->setScale(&st, i, 0);
    }
}

// Writes a non-null value at p in the form DescribeParam gave it.
void TFbQuery::WriteParam(TFbStatus& st, const QVariant& v, unsigned type, unsigned char* p,
                          const QByteArray& text) const {
    auto put = [p](const auto& x) { std::memcpy(p, &x, sizeof x); };
    switch (type) {
        case SQL_INT64:
            put(v.userType() == qMetaTypeId<TMoney>() ? ISC_INT64(v.value<TMoney>().Value)
                                                      : ISC_INT64(v.toLongLong()));
            break;
        case SQL_DOUBLE:
            put(v.toDouble());
            break;
        case SQL_BOOLEAN:
            *p = v.toBool() ? FB_TRUE : FB_FALSE;
            break;
        case SQL_TYPE_DATE:
            put(EncodeDate(v.toDate()));
            break;
        case SQL_TYPE_TIME:
            put(EncodeTime(v.toTime()));
            break;
        case SQL_TIMESTAMP: {
            const QDateTime dt = v.toDateTime();
            ISC_TIMESTAMP x;
            x.timestamp_date = EncodeDate(dt.date());
            x.timestamp_time = EncodeTime(dt.time());
            put(x);
            break;
        }
        case SQL_BLOB:
            WriteTextBlob(st, v, p);
            break;
        default: {                                       // SQL_VARYING
            const uint16_t len = uint16_t(text.size());  // at most MaxVarCharBytes
            put(len);
            std::memcpy(p + sizeof len, text.constData(), size_t(text.size()));
        }
    }
}

// Stores the value's text as a new blob and writes its id at p.
void TFbQuery::WriteTextBlob(TFbStatus& st, const QVariant& v, unsigned char* p) const {
    const QByteArray data = v.toString().toUtf8();
    // A text blob in UTF8, so that the engine stores it as text.
    static const unsigned char bpb[] = {isc_bpb_version1,
                                        isc_bpb_source_type,
                                        1,
                                        1,
                                        isc_bpb_target_type,
                                        1,
                                        1,
                                        isc_bpb_source_interp,
                                        1,
                                        CsUtf8,
                                        isc_bpb_target_interp,
                                        1,
                                        CsUtf8};
    ISC_QUAD id;
    TFbRef<IBlob> blob(
        FTra.Connection().Handle()->createBlob(&st, FTra.Handle(), &id, sizeof(bpb), bpb));
    for (int off = 0; off < data.size(); off += 32000) {
        const int len = qMin(32000, int(data.size()) - off);
        blob->putSegment(&st, unsigned(len), data.constData() + off);
    }
    FbEnd(blob, [&](IBlob* b) { b->close(&st); });
    std::memcpy(p, &id, sizeof id);
}

void TFbQuery::Execute() {
    Close();
    FTra.MarkWritten();
    std::vector<unsigned char> in;
    const TFbRef<IMessageMetadata> inMeta = BuildInput(in);
    FbGuard([&](TFbStatus& st) {
        const bool hasOutput = !FColumns.empty() && !IsSelect();
        FStmt->execute(&st, FTra.Handle(), inMeta.get(), in.empty() ? nullptr : in.data(),
                       hasOutput ? FOutMeta.get() : nullptr, hasOutput ? FRow.data() : nullptr);
        FHasRow = hasOutput;
        FEof = !hasOutput;
    });
}

void TFbQuery::Open() {
    Close();
    std::vector<unsigned char> in;
    const TFbRef<IMessageMetadata> inMeta = BuildInput(in);
    FbGuard([&](TFbStatus& st) {
        FCursor.reset(FStmt->openCursor(&st, FTra.Handle(), inMeta.get(),
                                        in.empty() ? nullptr : in.data(), FOutMeta.get(), 0));
    });
    FEof = false;
    Next();
}

bool TFbQuery::Next() {
    if (!FCursor) {
        FEof = true;
        FHasRow = false;
        return false;
    }
    const int rc = FbGuard([&](TFbStatus& st) { return FCursor->fetchNext(&st, FRow.data()); });
    FHasRow = rc == IStatus::RESULT_OK;
    FEof = !FHasRow;
    return FHasRow;
}

void TFbQuery::Close() {
    FHasRow = false;
    FEof = true;
    if (!FCursor) return;
    TFbRef<IResultSet> cur = std::move(FCursor);
    // A cursor outlived by its transaction is gone with it: only the handle is left.
    if (!FTra.Active()) return;
    FbGuard([&](TFbStatus& st) { FbEnd(cur, [&](IResultSet* c) { c->close(&st); }); });
}

int TFbQuery::FieldIndex(const QString& name) const {
    return FColumnIndex.value(name.toUpper(), -1);
}

int TFbQuery::Index(const QString& name) const {
    const int i = FieldIndex(name);
    if (i < 0) throw EFbError(QStringLiteral("Field '%1' not found").arg(name));
    return i;
}

bool TFbQuery::IsNull(int index) const {
    if (!FHasRow) throw EFbError(QStringLiteral("No current row"));
    const TFbColumn& c = FColumns[size_t(index)];
    short flag;
    std::memcpy(&flag, FRow.data() + c.NullOffset, sizeof flag);
    return flag != 0;
}

int32_t TFbQuery::IscDate(const QDate& d) { return EncodeDate(d); }
QDate TFbQuery::DateOfIsc(int32_t d) { return DecodeDate(d); }
uint32_t TFbQuery::IscTime(const QTime& t) { return EncodeTime(t); }
QTime TFbQuery::TimeOfIsc(uint32_t t) { return DecodeTime(t); }

unsigned TFbQuery::RowsAffected() const {
    return FbGuard([&](TFbStatus& st) { return unsigned(FStmt->getAffectedRecords(&st)); });
}

QString TFbQuery::ReadBlob(const unsigned char* quadPtr) const {
    return QString::fromUtf8(ReadBlobBytes(quadPtr));
}

QByteArray TFbQuery::ReadBlobBytes(const unsigned char* quadPtr) const {
    ISC_QUAD id;
    std::memcpy(&id, quadPtr, sizeof id);
    QByteArray data;
    FbGuard([&](TFbStatus& st) {
        TFbRef<IBlob> blob(
            FTra.Connection().Handle()->openBlob(&st, FTra.Handle(), &id, 0, nullptr));
        char seg[16384];
        for (;;) {
            unsigned got = 0;
            const int rc = blob->getSegment(&st, sizeof seg, seg, &got);
            if (rc == IStatus::RESULT_OK || rc == IStatus::RESULT_SEGMENT)
                data.append(seg, int(got));
            else
                break;
        }
        FbEnd(blob, [&](IBlob* b) { b->close(&st); });
    });
    return data;
}

// One case per kind of column, as the engine describes them: kept together,
// like the table it is.
QVariant TFbQuery::Value(int index) const {
    if (IsNull(index)) return QVariant();
    const TFbColumn& c = FColumns[size_t(index)];
    const unsigned char* p = FRow.data() + c.Offset;
    auto scaledInt = [&]() -> int64_t {
        if (c.SqlType == SQL_SHORT) {
            int16_t v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        if (c.SqlType == SQL_LONG) {
            int32_t v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        int64_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    switch (c.Kind) {
        case TFbType::Integer:
            return QVariant(int(scaledInt()));
        case TFbType::Int64:
            return QVariant(qlonglong(scaledInt()));
        case TFbType::Money:
            return QVariant::fromValue(ScaledToMoney(scaledInt(), c.Scale));
        case TFbType::Float: {
            if (c.SqlType == SQL_FLOAT) {
                float f;
                std::memcpy(&f, p, sizeof f);
                return QVariant(double(f));
            }
            if (c.SqlType == SQL_DOUBLE || c.SqlType == SQL_D_FLOAT) {
                double d;
                std::memcpy(&d, p, sizeof d);
                return QVariant(d);
            }
            return QVariant(double(scaledInt()) * std::pow(10.0, c.Scale));
        }
        case TFbType::Text: {
            if (c.SqlType == SQL_VARYING) {
                uint16_t len;
                std::memcpy(&len, p, sizeof len);
                const char* s = reinterpret_cast<const char*>(p + sizeof len);
                if (c.CharSet == CsOctets) return QVariant(QByteArray(s, len));
                return QVariant(QString::fromUtf8(s, len));
            }
            const char* s = reinterpret_cast<const char*>(p);
            if (c.CharSet == CsOctets) return QVariant(QByteArray(s, int(c.Length)));
            // CHAR arrives blank-padded to its byte length: the blanks are not data.
            int len = int(c.Length);
            while (len > 0 && s[len - 1] == ' ') --len;
            return QVariant(QString::fromUtf8(s, len));
        }
        case TFbType::Memo:
            return QVariant(ReadBlob(p));
        case TFbType::Blob:
            return QVariant(ReadBlobBytes(p));
        case TFbType::Date: {
            ISC_DATE d;
            std::memcpy(&d, p, sizeof d);
            return QVariant(DecodeDate(d));
        }
        case TFbType::Time: {
            ISC_TIME t;
            std::memcpy(&t, p, sizeof t);
            return QVariant(DecodeTime(t));
        }
        case TFbType::TimeStamp: {
            ISC_TIMESTAMP ts;
            std::memcpy(&ts, p, sizeof ts);
            return QVariant(
                QDateTime(DecodeDate(ts.timestamp_date), DecodeTime(ts.timestamp_time)));
        }
        case TFbType::Boolean:
            return QVariant(*p != FB_FALSE);
        case TFbType::Null:
            break;
    }
    return QVariant();
}

qint64 TFbQuery::AsInt64(int index) const {
    const QVariant v = Value(index);
    if (!v.isValid()) return 0;
    if (v.userType() == qMetaTypeId<TMoney>()) return v.value<TMoney>().Value / TMoney::Scale;
    if (v.userType() == QMetaType::Double) return qint64(v.toDouble());
    if (v.userType() == QMetaType::QString) return v.toString().trimmed().toLongLong();
    return v.toLongLong();
}

TMoney TFbQuery::AsMoney(int index) const { return TMoney::FromVariant(Value(index)); }

double TFbQuery::AsDouble(int index) const {
    const QVariant v = Value(index);
    if (!v.isValid()) return 0.0;
    if (v.userType() == qMetaTypeId<TMoney>())
        return double(v.value<TMoney>().Value) / double(TMoney::Scale);
    return v.toDouble();
}

QString TFbQuery::AsString(int index) const {
    const QVariant v = Value(index);
    if (!v.isValid()) return QString();
    if (v.userType() == qMetaTypeId<TMoney>()) return v.value<TMoney>().ToString();
    if (v.userType() == QMetaType::Bool) return v.toBool() ? "True" : "False";
    return v.toString();
}
