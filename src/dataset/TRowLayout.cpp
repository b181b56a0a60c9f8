#include "TRowLayout.h"

#include <firebird/Interface.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

uint32_t SlotSize(TFbType k) {
    switch (k) {
        case TFbType::Integer:
        case TFbType::Date:
        case TFbType::Time:
            return 4;
        case TFbType::Boolean:
            return 1;
        case TFbType::Text:
        case TFbType::Memo:
        case TFbType::Blob:
            return 8;  // offset and length of the bytes
        default:
            return 8;  // Int64, Money, Float, TimeStamp
    }
}

bool IsTextKind(TFbType k) {
    return k == TFbType::Text || k == TFbType::Memo || k == TFbType::Blob;
}

template <typename T>
T Load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
void Store(uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

int FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

}  // namespace

void TRowLayout::Build(const std::vector<TFbType>& kinds) {
    FSlots.clear();
    FBitmapBytes = uint32_t((kinds.size() + 7) / 8);
    uint32_t off = 4 + FBitmapBytes;
    for (TFbType k : kinds) {
        FSlots.push_back({k, off});
        off += SlotSize(k);
    }
    FFixedEnd = off;
}

TRowBlock TRowLayout::NewEmpty() const {
    TRowBlock row(static_cast<uint8_t*>(std::calloc(1, FFixedEnd)));
    Store<uint32_t>(row.get(), FFixedEnd);
    std::memset(row.get() + 4, 0xff, FBitmapBytes);
    return row;
}

uint32_t TRowLayout::Size(const uint8_t* row) { return Load<uint32_t>(row); }

TRowBlock TRowLayout::Copy(const uint8_t* row) {
    if (!row) return nullptr;
    const uint32_t n = Size(row);
    TRowBlock c(static_cast<uint8_t*>(std::malloc(n)));
    std::memcpy(c.get(), row, n);
    return c;
}

bool TRowLayout::IsNull(const uint8_t* row, int slot) const {
    return (row[4 + slot / 8] >> (slot % 8)) & 1;
}

TRowBlock TRowLayout::Assemble(const uint8_t* fixedPart,
                               const std::vector<std::string_view>& texts) const {
    size_t total = FFixedEnd;
    for (const auto& t : texts) total += t.size();
    TRowBlock block(static_cast<uint8_t*>(std::malloc(total)));
    uint8_t* row = block.get();
    std::memcpy(row, fixedPart, FFixedEnd);
    Store<uint32_t>(row, uint32_t(total));
    uint32_t at = FFixedEnd;
    size_t ti = 0;
    for (const TSlot& s : FSlots) {
        if (!IsTextKind(s.Kind)) continue;
        const std::string_view t = texts[ti++];
        Store<uint32_t>(row + s.Offset, at);
        Store<uint32_t>(row + s.Offset + 4, uint32_t(t.size()));
        if (!t.empty()) std::memcpy(row + at, t.data(), t.size());
        at += uint32_t(t.size());
    }
    return block;
}

TRowBlock TRowLayout::FromQuery(const TFbQuery& q, const std::vector<int>& columns) const {
    const unsigned char* buf = q.RowBuffer();
    std::vector<uint8_t> fixed(FFixedEnd, 0);
    std::vector<std::string_view> texts;
    std::vector<QByteArray> blobs;  // keeps blob bytes alive until assembled
    blobs.reserve(FSlots.size());
    for (size_t i = 0; i < FSlots.size(); ++i) {
        const TSlot& s = FSlots[i];
        const TFbColumn& c = q.Column(columns[i]);
        const bool isNull = Load<short>(buf + c.NullOffset) != 0;
        if (isNull) {
            fixed[4 + i / 8] |= uint8_t(1u << (i % 8));
            if (IsTextKind(s.Kind)) texts.emplace_back();
            continue;
        }
        const unsigned char* p = buf + c.Offset;
        uint8_t* d = fixed.data() + s.Offset;
        switch (s.Kind) {
            case TFbType::Integer:
                Store<int32_t>(
                    d, c.SqlType == SQL_SHORT ? int32_t(Load<int16_t>(p)) : Load<int32_t>(p));
                break;
            case TFbType::Int64:
                Store<int64_t>(d, Load<int64_t>(p));
                break;
            case TFbType::Money:
                if (c.SqlType == SQL_INT64 && c.Scale == -4) {
                    Store<int64_t>(d, Load<int64_t>(p));
                    break;
                }
                Store<int64_t>(d, q.Value(columns[i]).value<TMoney>().Value);  // other scales
                break;
            case TFbType::Float:
                if (c.SqlType == SQL_DOUBLE || c.SqlType == SQL_D_FLOAT)
                    Store<double>(d, Load<double>(p));
                else if (c.SqlType == SQL_FLOAT)
                    Store<double>(d, double(Load<float>(p)));
                else
                    Store<double>(d, q.Value(columns[i]).toDouble());  // scaled integers
                break;
            case TFbType::Date:
            case TFbType::Time:
                std::memcpy(d, p, 4);
                break;
            case TFbType::TimeStamp:
                std::memcpy(d, p, 8);
                break;
            case TFbType::Boolean:
                *d = *p ? 1 : 0;
                break;
            case TFbType::Text:
                if (c.SqlType == SQL_VARYING) {
                    texts.emplace_back(reinterpret_cast<const char*>(p + 2), Load<uint16_t>(p));
                } else {
                    size_t len = c.Length;
                    while (len > 0 && p[len - 1] == ' ') --len;
                    texts.emplace_back(reinterpret_cast<const char*>(p), len);
                }
                break;
            case TFbType::Memo:
            case TFbType::Blob:
                blobs.push_back(q.ReadBlobBytes(p));
                texts.emplace_back(blobs.back().constData(), size_t(blobs.back().size()));
                break;
            case TFbType::Null:
                break;
        }
    }
    return Assemble(fixed.data(), texts);
}

std::string_view TRowLayout::Text(const uint8_t* row, int slot) const {
    const TSlot& s = FSlots[size_t(slot)];
    return std::string_view(reinterpret_cast<const char*>(row + Load<uint32_t>(row + s.Offset)),
                            Load<uint32_t>(row + s.Offset + 4));
}

int64_t TRowLayout::Int(const uint8_t* row, int slot) const {
    const TSlot& s = FSlots[size_t(slot)];
    switch (s.Kind) {
        case TFbType::Integer:
        case TFbType::Date:
            return Load<int32_t>(row + s.Offset);
        case TFbType::Time:
            return Load<uint32_t>(row + s.Offset);
        case TFbType::Boolean:
            return row[s.Offset];
        case TFbType::Float:
            return int64_t(Load<double>(row + s.Offset));
        default:
            return Load<int64_t>(row + s.Offset);
    }
}

int32_t TRowLayout::Day(const uint8_t* row, int slot) const {
    // A timestamp slot starts with its day number, as a date slot is one.
    return Load<int32_t>(row + FSlots[size_t(slot)].Offset);
}

double TRowLayout::Float(const uint8_t* row, int slot) const {
    const TSlot& s = FSlots[size_t(slot)];
    if (s.Kind == TFbType::Float) return Load<double>(row + s.Offset);
    if (s.Kind == TFbType::Money)
        return double(Load<int64_t>(row + s.Offset)) / double(TMoney::Scale);
    return double(Int(row, slot));
}

QVariant TRowLayout::Get(const uint8_t* row, int slot) const {
    if (IsNull(row, slot)) return QVariant();
    const TSlot& s = FSlots[size_t(slot)];
    const uint8_t* p = row + s.Offset;
    switch (s.Kind) {
        case TFbType::Integer:
            return Load<int32_t>(p);
        case TFbType::Int64:
            return qlonglong(Load<int64_t>(p));
        case TFbType::Money:
            return QVariant::fromValue(TMoney(Load<int64_t>(p)));
        case TFbType::Float:
            return Load<double>(p);
        case TFbType::Date:
            return TFbQuery::DateOfIsc(Load<int32_t>(p));
        case TFbType::Time:
            return TFbQuery::TimeOfIsc(Load<uint32_t>(p));
        case TFbType::TimeStamp:
            return QDateTime(TFbQuery::DateOfIsc(Load<int32_t>(p)),
                             TFbQuery::TimeOfIsc(Load<uint32_t>(p + 4)));
        case TFbType::Boolean:
            return bool(*p);
        case TFbType::Text:
        case TFbType::Memo: {
            const std::string_view t = Text(row, slot);
            return QString::fromUtf8(t.data(), qsizetype(t.size()));
        }
        case TFbType::Blob: {
            const std::string_view t = Text(row, slot);
            return QByteArray(t.data(), qsizetype(t.size()));
        }
        case TFbType::Null:
            break;
    }
    return QVariant();
}

void TRowLayout::Set(TRowBlock& block, int slot, const QVariant& value) const {
    const uint8_t* row = block.get();
    const TSlot& s = FSlots[size_t(slot)];
    std::vector<uint8_t> fixed(row, row + FFixedEnd);
    std::vector<std::string_view> texts;
    QByteArray bytes;
    const bool isNull = !value.isValid() || value.isNull();
    uint8_t& bits = fixed[4 + size_t(slot) / 8];
    const uint8_t mask = uint8_t(1u << (slot % 8));
    if (isNull)
        bits |= mask;
    else
        bits &= uint8_t(~mask);
    uint8_t* d = fixed.data() + s.Offset;
    if (!isNull) {
        switch (s.Kind) {
            case TFbType::Integer: {
                // Record sets check values against their columns first; a
                // value that got past them is refused here, never wrapped.
                const qlonglong n = value.toLongLong();
                if (n < std::numeric_limits<int32_t>::min() ||
                    n > std::numeric_limits<int32_t>::max())
                    throw std::out_of_range("value out of range of a 32-bit integer");
                Store<int32_t>(d, int32_t(n));
                break;
            }
            case TFbType::Int64:
                Store<int64_t>(d, value.toLongLong());
                break;
            case TFbType::Money:
                Store<int64_t>(d, TMoney::FromVariant(value).Value);
                break;
            case TFbType::Float:
                Store<double>(d, value.userType() == qMetaTypeId<TMoney>()
                                     ? double(value.value<TMoney>().Value) / double(TMoney::Scale)
                                     : value.toDouble());
                break;
            case TFbType::Date:
                Store<int32_t>(d, TFbQuery::IscDate(value.toDate()));
                break;
            case TFbType::Time:
                Store<uint32_t>(d, TFbQuery::IscTime(value.toTime()));
                break;
            case TFbType::TimeStamp: {
                const QDateTime dt = value.toDateTime();
                Store<int32_t>(d, TFbQuery::IscDate(dt.date()));
                Store<uint32_t>(d + 4, TFbQuery::IscTime(dt.time()));
                break;
            }
            case TFbType::Boolean:
                *d = value.toBool() ? 1 : 0;
                break;
            case TFbType::Blob:
                bytes = value.toByteArray();
                break;
            default:
                bytes = value.toString().toUtf8();
        }
    }
    for (int i = 0; i < Count(); ++i) {
        if (!IsTextKind(FSlots[size_t(i)].Kind)) continue;
        if (i == slot)
            texts.emplace_back(bytes.constData(), size_t(bytes.size()));
        else
            texts.push_back(IsNull(row, i) ? std::string_view() : Text(row, i));
    }
    block = Assemble(fixed.data(), texts);
}

int TRowLayout::Compare(const uint8_t* a, const uint8_t* b, int slot) const {
    const bool na = IsNull(a, slot), nb = IsNull(b, slot);
    if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
    switch (FSlots[size_t(slot)].Kind) {
        case TFbType::Text:
        case TFbType::Memo:
        case TFbType::Blob: {
            const std::string_view x = Text(a, slot), y = Text(b, slot);
            const size_t n = std::min(x.size(), y.size());
            for (size_t i = 0; i < n; ++i) {
                const int cx = FoldAscii(uint8_t(x[i])), cy = FoldAscii(uint8_t(y[i]));
                if (cx != cy) return cx < cy ? -1 : 1;
            }
            if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
            const int c = x.compare(y);  // same letters: upper case first
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        case TFbType::Float: {
            const double x = Float(a, slot), y = Float(b, slot);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case TFbType::TimeStamp: {
            const TSlot& s = FSlots[size_t(slot)];
            const int32_t da = Load<int32_t>(a + s.Offset), db = Load<int32_t>(b + s.Offset);
            if (da != db) return da < db ? -1 : 1;
            const uint32_t ta = Load<uint32_t>(a + s.Offset + 4),
                           tb = Load<uint32_t>(b + s.Offset + 4);
            return ta < tb ? -1 : (ta > tb ? 1 : 0);
        }
        default: {
            const int64_t x = Int(a, slot), y = Int(b, slot);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
    }
}

bool TRowLayout::Equal(const uint8_t* a, const uint8_t* b, int slot) const {
    const bool na = IsNull(a, slot), nb = IsNull(b, slot);
    if (na || nb) return na == nb;
    const TSlot& s = FSlots[size_t(slot)];
    if (IsTextKind(s.Kind)) return Text(a, slot) == Text(b, slot);
    return std::memcmp(a + s.Offset, b + s.Offset, SlotSize(s.Kind)) == 0;
}
