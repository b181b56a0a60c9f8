#include "TMoney.h"

#include <cmath>
#include <limits>

bool TMoney::FromString(const QString& text, TMoney& out) {
    const QString s = text.trimmed();
    if (s.isEmpty()) return false;
    int i = 0;
    bool negative = false;
    if (s[0] == '-' || s[0] == '+') {
        negative = s[0] == '-';
        i = 1;
    }
    // Accumulate as a negative number so that the most negative value fits too.
    int64_t acc = 0;
    int digits = 0;
    int decimals = -1;  // -1: no decimal point seen yet
    constexpr int64_t minValue = std::numeric_limits<int64_t>::min();
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == '.') {
            if (decimals >= 0) return false;
            decimals = 0;
            continue;
        }
        if (!c.isDigit() || c.unicode() > '9') return false;
        if (decimals >= 0 && ++decimals > 4) return false;
        const int d = c.unicode() - '0';
        if (acc < (minValue + d) / 10) return false;
        acc = acc * 10 - d;
        ++digits;
    }
    if (digits == 0) return false;
    for (int k = decimals < 0 ? 0 : decimals; k < 4; ++k) {
        if (acc < minValue / 10) return false;
        acc *= 10;
    }
    if (!negative) {
        if (acc == minValue) return false;
        acc = -acc;
    }
    out = TMoney(acc);
    return true;
}

QString TMoney::ToString() const {
    // Work on the unsigned magnitude so that INT64_MIN prints correctly.
    const bool negative = Value < 0;
    const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(Value) : uint64_t(Value);
    const uint64_t units = magnitude / Scale;
    const uint64_t fraction = magnitude % Scale;
    return QStringLiteral("%1%2.%3")
        .arg(negative ? "-" : "")
        .arg(units)
        .arg(fraction, 4, 10, QLatin1Char('0'));
}

QString TMoney::RangeText() {
    return Min().ToString() + QStringLiteral(" and ") + Max().ToString();
}

QString TMoney::OutOfRangeMessage(const QString& what) {
    return what + QStringLiteral(" would be out of range: it must lie between ") + RangeText() +
           '.';
}

bool TMoney::TryFromUnits(int64_t units, TMoney& out) {
    int64_t v;
    if (__builtin_mul_overflow(units, Scale, &v)) return false;
    out = TMoney(v);
    return true;
}

TMoney TMoney::FromUnits(int64_t units) {
    TMoney m;
    if (!TryFromUnits(units, m))
        throw EMoneyOverflow(OutOfRangeMessage(QStringLiteral("The amount")));
    return m;
}

bool TMoney::TryFromTenThousandths(double v, TMoney& out) {
    // 2^63 is exact as a double; every double below it rounds to a value
    // that fits, as doubles that large are whole numbers already.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(v) || v >= limit || v < -limit) return false;
    out = TMoney(std::llround(v));
    return true;
}

bool TMoney::TryFromDouble(double units, TMoney& out) {
    return TryFromTenThousandths(units * 10000.0, out);
}

bool TMoney::TryAdd(TMoney a, TMoney b, TMoney& out) {
    int64_t v;
    if (__builtin_add_overflow(a.Value, b.Value, &v)) return false;
    out = TMoney(v);
    return true;
}

bool TMoney::TrySubtract(TMoney a, TMoney b, TMoney& out) {
    int64_t v;
    if (__builtin_sub_overflow(a.Value, b.Value, &v)) return false;
    out = TMoney(v);
    return true;
}

TMoney operator+(TMoney a, TMoney b) {
    TMoney r;
    if (!TMoney::TryAdd(a, b, r))
        throw EMoneyOverflow(TMoney::OutOfRangeMessage(QStringLiteral("The sum")));
    return r;
}

TMoney operator-(TMoney a, TMoney b) {
    TMoney r;
    if (!TMoney::TrySubtract(a, b, r))
        throw EMoneyOverflow(TMoney::OutOfRangeMessage(QStringLiteral("The difference")));
    return r;
}

TMoney TMoney::FromVariant(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return TMoney();
    if (v.userType() == qMetaTypeId<TMoney>()) return v.value<TMoney>();
    if (v.userType() == QMetaType::Double || v.userType() == QMetaType::Float) {
        TMoney m;
        if (!TryFromDouble(v.toDouble(), m))
            throw EMoneyOverflow(OutOfRangeMessage(QStringLiteral("The amount")));
        return m;
    }
    if (v.userType() == QMetaType::QString) {
        TMoney m;
        FromString(v.toString(), m);
        return m;
    }
    if (v.userType() == QMetaType::ULongLong &&
        v.toULongLong() > uint64_t(std::numeric_limits<int64_t>::max()))
        throw EMoneyOverflow(OutOfRangeMessage(QStringLiteral("The amount")));
    return FromUnits(v.toLongLong());
}
