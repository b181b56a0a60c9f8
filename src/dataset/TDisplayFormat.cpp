#include "TDisplayFormat.h"

#include <QLocale>
#include <QStringList>
#include <cmath>

namespace {

struct TSection {
    QString Prefix, Suffix;
    QString Body;              // from the first to the last placeholder
    bool HasLiterals = false;  // characters other than 0 # , . inside Body
    int MinInt = 0;            // "0" before the point
    int MinFrac = 0;           // "0" after the point
    int MaxFrac = 0;           // "0" and "#" after the point
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
    s.Body = mask.mid(first, last - first + 1);
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
        } else {
            s.HasLiterals = true;
        }
    }
    return s;
}

bool IsPlaceholder(QChar c) { return c == '0' || c == '#'; }

// The integer digits laid into the placeholders from the right, with the
// characters between them; digits beyond the placeholders go to the leftmost
// one. A character is written only when digits stand to its left.
QString LayInteger(const QString& part, const QString& ints, bool grouping) {
    int leftmost = -1;
    for (int i = 0; i < part.size() && leftmost < 0; ++i)
        if (IsPlaceholder(part[i])) leftmost = i;
    QString out;
    int d = int(ints.size()) - 1;
    int written = 0;
    auto digit = [&]() {
        if (grouping && written > 0 && written % 3 == 0) out.prepend(',');
        out.prepend(ints[d--]);
        ++written;
    };
    for (int i = int(part.size()) - 1; i >= 0; --i) {
        const QChar c = part[i];
        if (IsPlaceholder(c)) {
            if (i == leftmost)
                while (d >= 0) digit();
            else if (d >= 0)
                digit();
        } else if (c != ',') {
            if (d >= 0) out.prepend(c);
        }
    }
    return out;
}

// The fraction digits laid into the placeholders from the left; a character
// is written only when digits follow it.
QString LayFraction(const QString& part, const QString& frac) {
    QString out;
    int f = 0;
    for (const QChar c : part) {
        if (IsPlaceholder(c)) {
            if (f < frac.size()) out += frac[f++];
        } else if (c != ',') {
            if (f < frac.size()) out += c;
        }
    }
    return out;
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
    const bool sign = negative && !negSection && !isZero;
    if (s.HasLiterals) {
        const int point = s.Body.indexOf('.');
        const QString intPart = point < 0 ? s.Body : s.Body.left(point);
        const QString fracPart = point < 0 ? QString() : s.Body.mid(point + 1);
        QString body = LayInteger(intPart, ints, s.Grouping);
        const QString laid = LayFraction(fracPart, frac);
        if (!laid.isEmpty()) body += '.' + laid;
        return (sign ? "-" : "") + s.Prefix + body + s.Suffix;
    }
    if (s.Grouping) {
        for (int i = ints.size() - 3; i > 0; i -= 3) ints.insert(i, ',');
    }
    QString body = ints;
    if (!frac.isEmpty()) body += '.' + frac;
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
