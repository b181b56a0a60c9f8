#include "TFilter.h"

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
        }
    }
    return parts.join(QStringLiteral(" AND "));
}
