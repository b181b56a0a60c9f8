#include <firebird/Interface.h>

#include <QRegularExpression>
#include <cfloat>
#include <cmath>
#include <limits>

#include "TClientDataSet.h"

// A field's value as read and as written: what a column can hold is checked
// here, so that a number it cannot take is refused, never wrapped or rounded
// away, whether it was typed or set by the program.

QVariant TField::Value() const {
    if (IsLookup) {
        TField* key = FOwner->FindField(KeyFields);
        if (!key || !LookupDataSet) return QVariant();
        const QVariant k = key->Value();
        if (!k.isValid()) return QVariant();
        return LookupDataSet->Lookup(LookupKeyFields, k, LookupResultField);
    }
    const uint8_t* row = FOwner->CurrentRow();
    return row ? FOwner->FLayout.Get(row, Slot) : QVariant();
}

void TField::SetValue(const QVariant& v) { FOwner->SetFieldValue(this, v); }

bool TField::IsNull() const { return !Value().isValid(); }

QString TField::AsString() const {
    const QVariant v = Value();
    if (!v.isValid()) return QString();
    if (v.userType() == qMetaTypeId<TMoney>()) return v.value<TMoney>().ToString();
    return v.toString();
}

qint64 TField::AsLargeInt() const {
    const QVariant v = Value();
    if (v.userType() == qMetaTypeId<TMoney>()) return v.value<TMoney>().Value / TMoney::Scale;
    return v.toLongLong();
}

TMoney TField::AsMoney() const { return TMoney::FromVariant(Value()); }

double TField::AsFloat() const {
    const QVariant v = Value();
    if (v.userType() == qMetaTypeId<TMoney>())
        return double(v.value<TMoney>().Value) / double(TMoney::Scale);
    return v.toDouble();
}

QString TField::DisplayText() const { return FOwner->DisplayTextAt(FOwner->RecNo(), this); }

// ------------------------------------------------------ what a column holds

namespace {

// The range of the integer the engine stores a column in; false for other storage.
bool StorageRange(unsigned sqlType, int64_t& lo, int64_t& hi) {
    switch (sqlType) {
        case SQL_SHORT:
            lo = std::numeric_limits<int16_t>::min();
            hi = std::numeric_limits<int16_t>::max();
            return true;
        case SQL_LONG:
            lo = std::numeric_limits<int32_t>::min();
            hi = std::numeric_limits<int32_t>::max();
            return true;
        case SQL_INT64:
            lo = std::numeric_limits<int64_t>::min();
            hi = std::numeric_limits<int64_t>::max();
            return true;
        default:
            return false;
    }
}

int64_t Pow10(int n) {
    int64_t r = 1;
    while (n-- > 0) r *= 10;
    return r;
}

// A stored integer of a column with that many decimals, as text.
QString ScaledText(int64_t v, int decimals) {
    if (decimals <= 0) return QString::number(v);
    const bool negative = v < 0;
    const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    const uint64_t div = uint64_t(Pow10(decimals));
    return QStringLiteral("%1%2.%3")
        .arg(negative ? "-" : "")
        .arg(magnitude / div)
        .arg(magnitude % div, decimals, 10, QLatin1Char('0'));
}

// x / div rounded to the nearest integer, halves away from zero, as the
// engine rounds a value to a column's scale.
int64_t DivRound(int64_t x, int64_t div) {
    const int64_t q = x / div, r = x % div;
    if (r == 0) return q;
    const uint64_t twice = 2 * (r < 0 ? uint64_t(0) - uint64_t(r) : uint64_t(r));
    return twice >= uint64_t(div) ? (x < 0 ? q - 1 : q + 1) : q;
}

bool IsIntegerText(const QString& t) {
    static const QRegularExpression re(QStringLiteral("^[+-]?[0-9]+$"));
    return re.match(t).hasMatch();
}

// A number as it is typed: digits with an optional sign and decimal point,
// no exponent, no grouping. Anything else typed is no number, rather than
// being read as one the user did not mean ("1e308", "5x.5").
bool IsDecimalText(const QString& t) {
    static const QRegularExpression re(QStringLiteral("^[+-]?([0-9]+([.][0-9]*)?|[.][0-9]+)$"));
    return re.match(t).hasMatch();
}

// The digits after the decimal point of a decimal text.
int DecimalsOfText(const QString& t) {
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : int(t.size() - dot - 1);
}

bool IsIntegerType(int t) {
    return t == QMetaType::Int || t == QMetaType::LongLong || t == QMetaType::UInt ||
           t == QMetaType::ULongLong || t == QMetaType::Long || t == QMetaType::ULong ||
           t == QMetaType::Short || t == QMetaType::UShort || t == QMetaType::Char ||
           t == QMetaType::SChar || t == QMetaType::UChar || t == QMetaType::Bool;
}

}  // namespace

int TField::Precision() const {
    switch (SqlType) {
        case SQL_SHORT:
            return 4;
        case SQL_LONG:
            return 9;
        case SQL_INT64:
            return 18;
        default:
            return 0;
    }
}

namespace {

// What the checks of one value share: the column, the value (and its text,
// trimmed, when it was given as text) and the messages that name the column.
struct TCheck {
    const TField& F;
    const QVariant& V;
    int Type;
    bool IsMoney;
    QString Text;

    QString Prefix() const { return '[' + F.Caption() + "] "; }
    EDataSetError NotANumber() const {
        return EDataSetError(Prefix() + '"' + V.toString() + "\" is not a number.");
    }
    EDataSetError NotFinite() const {
        return EDataSetError(Prefix() + "The value is not a finite number.");
    }
    EDataSetError OutOfRange(const QString& lo, const QString& hi) const {
        return EDataSetError(Prefix() + "The value is out of range: it must lie between " + lo +
                             " and " + hi + '.');
    }
};

QVariant CheckedText(const TCheck& c) {
    // The engine refuses a longer text with a message that names no column:
    // say which, and how long it may be. UTF8 columns are described in
    // bytes, four to a character.
    const TField& f = c.F;
    const int chars = f.SqlCharSet == 4 ? int(f.SqlLength / 4) : int(f.SqlLength);
    const QString t = c.V.toString();
    const int length = f.SqlCharSet == 4 ? int(t.toUcs4().size()) : int(t.toUtf8().size());
    if (chars > 0 && length > chars)
        throw EDataSetError(
            c.Prefix() +
            QStringLiteral("The text is too long: at most %1 characters fit, %2 were given.")
                .arg(chars)
                .arg(length));
    return c.V;
}

QVariant CheckedInteger(const TCheck& c, bool integerStorage, int64_t lo, int64_t hi) {
    const bool small = c.F.DataType == TFbType::Integer;
    if (!integerStorage) {  // not described: what the set's slot holds
        lo = small ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int64_t>::min();
        hi = small ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int64_t>::max();
    }
    const auto range = [&]() { return c.OutOfRange(QString::number(lo), QString::number(hi)); };
    int64_t n = 0;
    double d = 0;
    bool isDouble = false;
    if (c.IsMoney) {
        n = DivRound(c.V.value<TMoney>().Value, TMoney::Scale);
    } else if (c.Type == QMetaType::ULongLong || c.Type == QMetaType::ULong) {
        const qulonglong u = c.V.toULongLong();
        if (u > qulonglong(hi)) throw range();
        n = int64_t(u);
    } else if (IsIntegerType(c.Type)) {
        n = c.V.toLongLong();
    } else if (c.Type == QMetaType::QString) {
        bool ok = false;
        // A fraction typed for a whole number is refused, not rounded away.
        if (!IsIntegerText(c.Text) && DecimalsOfText(c.Text) > 0 &&
            c.Text.section(QLatin1Char('.'), 1)
                .contains(QRegularExpression(QStringLiteral("[1-9]"))))
            throw EDataSetError(c.Prefix() + '"' + c.V.toString().trimmed() +
                                "\" is not a whole number.");
        if (IsIntegerText(c.Text)) {
            n = c.Text.toLongLong(&ok);
            if (!ok) throw range();  // digits beyond any integer
        } else {
            d = c.Text.toDouble(&ok);
            if (!ok) throw c.NotANumber();
            isDouble = true;
        }
    } else {
        bool ok = false;
        d = c.V.toDouble(&ok);
        if (!ok) throw c.NotANumber();
        isDouble = true;
    }
    if (isDouble) {
        if (!std::isfinite(d)) throw c.NotFinite();
        const double r = std::round(d);
        if (r >= 9223372036854775808.0 || r < -9223372036854775808.0) throw range();
        n = int64_t(r);
    }
    if (n < lo || n > hi) throw range();
    return small ? QVariant(int(n)) : QVariant(qlonglong(n));
}

QVariant CheckedMoney(const TCheck& c, bool integerStorage, int64_t lo, int64_t hi) {
    // NUMERIC with one to four decimals; an undescribed column holds what money holds.
    const int decimals = integerStorage ? -c.F.SqlScale : 4;
    if (!integerStorage) {
        lo = std::numeric_limits<int64_t>::min();
        hi = std::numeric_limits<int64_t>::max();
    }
    const int64_t div = Pow10(4 - decimals);
    const auto range = [&]() {
        // A 64-bit storage with fewer decimals holds more than money does.
        if (lo < std::numeric_limits<int64_t>::min() / div)
            return c.OutOfRange(TMoney::Min().ToString(), TMoney::Max().ToString());
        return c.OutOfRange(ScaledText(lo, decimals), ScaledText(hi, decimals));
    };
    const auto fromDouble = [&](double d, TMoney& m) {
        if (!std::isfinite(d)) throw c.NotFinite();
        return TMoney::TryFromDouble(d, m);
    };
    TMoney m;
    bool fits = true;
    bool ok = false;
    if (c.IsMoney) {
        m = c.V.value<TMoney>();
    } else if (c.Type == QMetaType::QString) {
        // Typed decimals the column does not keep are refused, not rounded away.
        if (DecimalsOfText(c.Text) > decimals &&
            c.Text.mid(c.Text.indexOf(QLatin1Char('.')) + 1 + decimals)
                .contains(QRegularExpression(QStringLiteral("[1-9]"))))
            throw EDataSetError(c.Prefix() +
                                QStringLiteral("\"%1\" has more decimals than fit: at most %2.")
                                    .arg(c.V.toString().trimmed())
                                    .arg(decimals));
        if (!TMoney::FromString(c.Text, m)) {
            // More decimals than money keeps are rounded; too many digits do not fit.
            const double d = c.Text.toDouble(&ok);
            if (!ok) throw c.NotANumber();
            fits = fromDouble(d, m);
        }
    } else if (c.Type == QMetaType::ULongLong || c.Type == QMetaType::ULong) {
        const qulonglong u = c.V.toULongLong();
        fits = u <= qulonglong(std::numeric_limits<int64_t>::max()) &&
               TMoney::TryFromUnits(int64_t(u), m);
    } else if (IsIntegerType(c.Type)) {
        fits = TMoney::TryFromUnits(c.V.toLongLong(), m);
    } else {
        const double d = c.V.toDouble(&ok);
        if (!ok) throw c.NotANumber();
        fits = fromDouble(d, m);
    }
    if (!fits) throw range();
    // The engine rounds to the column's scale, then checks its storage.
    const int64_t stored = div > 1 ? DivRound(m.Value, div) : m.Value;
    if (stored < lo || stored > hi) throw range();
    return QVariant::fromValue(m);
}

// Floating point, and NUMERIC with more decimals than money keeps.
QVariant CheckedFloat(const TCheck& c, bool integerStorage, int64_t lo, int64_t hi) {
    double d = 0;
    if (c.IsMoney) {
        d = double(c.V.value<TMoney>().Value) / double(TMoney::Scale);
    } else {
        bool ok = false;
        d = c.Type == QMetaType::QString ? c.Text.toDouble(&ok) : c.V.toDouble(&ok);
        if (!ok) throw c.NotANumber();
    }
    if (!std::isfinite(d)) throw c.NotFinite();
    if (c.F.SqlType == SQL_FLOAT && std::fabs(d) > double(FLT_MAX))
        throw c.OutOfRange(QString::number(-double(FLT_MAX)), QString::number(double(FLT_MAX)));
    const int scale = c.F.SqlScale;
    if (integerStorage && scale < 0) {
        const long double stored = std::round((long double)d * std::pow(10.0L, -scale));
        if (stored < (long double)lo || stored > (long double)hi)
            throw c.OutOfRange(ScaledText(lo, -scale), ScaledText(hi, -scale));
    }
    return QVariant(d);
}

}  // namespace

QVariant TField::CheckedValue(const QVariant& v) const {
    if (!v.isValid() || v.isNull() || IsLookup) return v.isNull() ? QVariant() : v;
    TCheck c{*this, v, v.userType(), v.userType() == qMetaTypeId<TMoney>(), QString()};
    if (DataType == TFbType::Text) {
        const bool described = SqlType == SQL_VARYING || SqlType == SQL_TEXT;
        return described ? CheckedText(c) : v;
    }
    const bool numeric = DataType == TFbType::Integer || DataType == TFbType::Int64 ||
                         DataType == TFbType::Money || DataType == TFbType::Float;
    if (!numeric) return v;
    if (c.Type == QMetaType::QString) {
        c.Text = v.toString().trimmed();
        if (c.Text.isEmpty()) return QVariant();  // blank is no value
        if (!IsDecimalText(c.Text)) throw c.NotANumber();
    }
    int64_t lo = 0, hi = 0;
    const bool integerStorage = StorageRange(SqlType, lo, hi);
    if (DataType == TFbType::Integer || DataType == TFbType::Int64)
        return CheckedInteger(c, integerStorage, lo, hi);
    if (DataType == TFbType::Money) return CheckedMoney(c, integerStorage, lo, hi);
    return CheckedFloat(c, integerStorage, lo, hi);
}
