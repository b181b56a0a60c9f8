#include "TFilter.h"

#include <cstring>

namespace {
QString Quoted(const QString& s) {
    QString t = s;
    t.replace('\'', QStringLiteral("''"));
    return '\'' + t + '\'';
}
}  // namespace

TFilter TFilter::DateOnOrAfter(const QString& field, const QDate& day) {
    TFilter f;
    f.FTerms.append({TOp::DateOnOrAfter, {field}, day, {}});
    return f;
}

TFilter TFilter::DateEquals(const QString& field, const QDate& day) {
    TFilter f;
    f.FTerms.append({TOp::DateEquals, {field}, day, {}});
    return f;
}

TFilter TFilter::AnyContains(const QStringList& fields, const QString& text) {
    return AnyContains(fields, QStringList{text});
}

TFilter TFilter::AnyContains(const QStringList& fields, const QStringList& texts) {
    TFilter f;
    f.FTerms.append({TOp::AnyContains, fields, QDate(), texts});
    return f;
}

TFilter TFilter::AnyContainsNoCase(const QStringList& fields, const QString& text) {
    TFilter f;
    f.FTerms.append({TOp::AnyContainsNoCase, fields, QDate(), {text}});
    return f;
}

bool TFilter::ContainsNoCase(std::string_view text, std::string_view needle) {
    const size_t n = needle.size();
    if (n == 0) return true;
    bool ascii = true;
    for (char c : needle) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!ascii) {
        const QString v = QString::fromUtf8(needle.data(), qsizetype(n));
        // Without letters that have a case (Chinese, digits) bytes compare exactly.
        if (v.toLower() == v && v.toUpper() == v) return text.find(needle) != text.npos;
        return QString::fromUtf8(text.data(), qsizetype(text.size()))
            .contains(v, Qt::CaseInsensitive);
    }
    // Bytes of other UTF-8 characters are 0x80 and above and never equal a
    // folded Latin letter, so folding only A-Z is exact here.
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    const char first = lower(needle[0]);
    const char other = first >= 'a' && first <= 'z' ? char(first - 32) : first;
    if (text.size() < n) return false;
    const char* const begin = text.data();
    const char* const last = begin + text.size() - n;  // the last place a match can start
    // memchr finds the candidates for the first letter in either case.
    const char* lo = static_cast<const char*>(std::memchr(begin, first, text.size()));
    const char* up =
        other == first ? nullptr : static_cast<const char*>(std::memchr(begin, other, text.size()));
    while (lo || up) {
        const char* p = !up || (lo && lo < up) ? lo : up;
        if (p > last) return false;
        size_t k = 1;
        while (k < n && lower(p[k]) == lower(needle[k])) ++k;
        if (k == n) return true;
        const size_t rest = size_t(begin + text.size() - (p + 1));
        if (p == lo) lo = static_cast<const char*>(std::memchr(p + 1, first, rest));
        if (p == up) up = static_cast<const char*>(std::memchr(p + 1, other, rest));
    }
    return false;
}

TFilter TFilter::And(const TFilter& other) const {
    TFilter f = *this;
    f.FTerms += other.FTerms;
    return f;
}

QString TFilter::Text() const {
    QStringList parts;
    for (const TTerm& t : FTerms) {
        switch (t.Op) {
            case TOp::DateOnOrAfter:
                parts << t.Fields.value(0) + " >= " + Quoted(t.Day.toString(Qt::ISODate));
                break;
            case TOp::DateEquals:
                parts << t.Fields.value(0) + " = " + Quoted(t.Day.toString(Qt::ISODate));
                break;
            case TOp::AnyContains: {
                QStringList ors;
                for (const QString& f : t.Fields)
                    for (const QString& v : t.Values) ors << f + " LIKE " + Quoted('%' + v + '%');
                parts << (ors.size() > 1 ? '(' + ors.join(" OR ") + ')' : ors.value(0));
                break;
            }
            case TOp::AnyContainsNoCase: {
                QStringList ors;
                for (const QString& f : t.Fields)
                    for (const QString& v : t.Values)
                        ors << "UPPER(" + f + ") LIKE " + Quoted('%' + v.toUpper() + '%');
                parts << (ors.size() > 1 ? '(' + ors.join(" OR ") + ')' : ors.value(0));
                break;
            }
        }
    }
    return parts.join(QStringLiteral(" AND "));
}
