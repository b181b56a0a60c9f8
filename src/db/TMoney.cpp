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

TMoney TMoney::FromVariant(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return TMoney();
    if (v.userType() == qMetaTypeId<TMoney>()) return v.value<TMoney>();
    if (v.userType() == QMetaType::Double) return TMoney(std::llround(v.toDouble() * 10000.0));
    if (v.userType() == QMetaType::QString) {
        TMoney m;
        FromString(v.toString(), m);
        return m;
    }
    return FromUnits(v.toLongLong());
}
