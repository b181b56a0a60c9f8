#include "TDisplayFormat.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace {

struct TSection {
    QString Prefix, Suffix;
    int MinInt = 0;   // "0" before the point
    int MinFrac = 0;  // "0" after the point
    int MaxFrac = 0;  // "0" and "#" after the point
    bool Grouping = false;
};

TSection Parse(const QString& mask) {
    TSection s;
    int first = -1, last = -1;
    for (int i = 0; i < mask.size(); ++i)
        if (mask[i] == '0' || mask[i] == '#' || mask[i] == ',' || mask[i] == '.') {
            if (first < 0) first = i;
            last = i;
        }
    if (first < 0) {
        s.Prefix = mask;
        return s;
    }
    s.Prefix = mask.left(first);
    s.Suffix = mask.mid(last + 1);
    bool afterPoint = false;
    for (int i = first; i <= last; ++i) {
        const QChar c = mask[i];
        if (c == '.') {
            afterPoint = true;
        } else if (c == ',') {
            if (!afterPoint) s.Grouping = true;
        } else if (c == '0') {
            if (afterPoint) {
                ++s.MinFrac;
                ++s.MaxFrac;
            } else {
                ++s.MinInt;
            }
        } else if (c == '#') {
            if (afterPoint) ++s.MaxFrac;
        }
    }
    return s;
}

// The section a value uses, and whether it is the negative section.
QString SectionFor(const QString& mask, bool negative, bool isZero, bool& negSection) {
    const QStringList parts = mask.split(';');
    negSection = false;
    if (isZero && parts.size() >= 3 && !parts[2].isEmpty()) return parts[2];
    if (negative && !isZero && parts.size() >= 2 && !parts[1].isEmpty()) {
        negSection = true;
        return parts[1];
    }
    return parts[0];
}

int MaxFracOf(const QString& mask, bool negative) {
    bool neg;
    return Parse(SectionFor(mask, negative, false, neg)).MaxFrac;
}

}  // namespace

QString TDisplayFormat::Apply(const QString& mask, bool negative, bool isZero,
                              const QString& intDigits, const QString& fracDigits) {
    bool negSection = false;
    const TSection s = Parse(SectionFor(mask, negative, isZero, negSection));
    QString frac = fracDigits;
    while (frac.size() > s.MinFrac && frac.endsWith('0')) frac.chop(1);
    QString ints = intDigits;
    while (ints.size() > 1 && ints.startsWith('0')) ints.remove(0, 1);
    if (ints == "0" && s.MinInt == 0) ints.clear();
    while (ints.size() < s.MinInt) ints.prepend('0');
    if (s.Grouping) {
        for (int i = ints.size() - 3; i > 0; i -= 3) ints.insert(i, ',');
    }
    QString body = ints;
    if (!frac.isEmpty()) body += '.' + frac;
    const bool sign = negative && !negSection && !isZero;
    return (sign ? "-" : "") + s.Prefix + body + s.Suffix;
}

QString TDisplayFormat::FormatMoney(const QString& mask, TMoney value) {
    if (mask.isEmpty()) return value.ToString();
    const bool negative = value.Value < 0;
    const int decimals = qMin(4, MaxFracOf(mask, negative));
    // Round the magnitude to `decimals` places, half away from zero.
    uint64_t mag = negative ? uint64_t(0) - uint64_t(value.Value) : uint64_t(value.Value);
    uint64_t div = 1;
    for (int i = decimals; i < 4; ++i) div *= 10;
    mag = (mag + div / 2) / div;  // in units of 10^-decimals
    uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const QString intDigits = QString::number(mag / scale);
    const QString frac = decimals
                             ? QStringLiteral("%1").arg(mag % scale, decimals, 10, QLatin1Char('0'))
                             : QString();
    return Apply(mask, negative, mag == 0, intDigits, frac);
}

QString TDisplayFormat::FormatFloat(const QString& mask, double value) {
    if (std::isnan(value) || std::isinf(value)) return QString::number(value);
    if (mask.isEmpty()) return QString::number(value, 'g', 15);
    const bool negative = value < 0;
    const int decimals = MaxFracOf(mask, negative);
    const QString text = QString::number(std::fabs(value), 'f', decimals);
    const int point = text.indexOf('.');
    const QString intDigits = point < 0 ? text : text.left(point);
    const QString frac = point < 0 ? QString() : text.mid(point + 1);
    bool zero = true;
    for (QChar c : text)
        if (c.isDigit() && c != '0') zero = false;
    return Apply(mask, negative, zero, intDigits, frac);
}

QString TDisplayFormat::FormatInteger(const QString& mask, qint64 value) {
    if (mask.isEmpty()) return QString::number(value);
    const bool negative = value < 0;
    const uint64_t mag = negative ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    const int decimals = MaxFracOf(mask, negative);
    return Apply(mask, negative, mag == 0, QString::number(mag), QString(decimals, '0'));
}

QString TDisplayFormat::FormatDate(const QDate& d) {
    if (!d.isValid()) return QString();
    return QLocale::system().toString(d, QLocale::ShortFormat);
}
