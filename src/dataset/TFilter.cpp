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
    f.FTerms.append({TOp::DateOnOrAfter, {field}, day, QString()});
    return f;
}

TFilter TFilter::DateEquals(const QString& field, const QDate& day) {
    TFilter f;
    f.FTerms.append({TOp::DateEquals, {field}, day, QString()});
    return f;
}

TFilter TFilter::AnyContains(const QStringList& fields, const QString& text) {
    TFilter f;
    f.FTerms.append({TOp::AnyContains, fields, QDate(), text});
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
                for (const QString& f : t.Fields) ors << f + " LIKE " + Quoted('%' + t.Value + '%');
                parts << (ors.size() > 1 ? '(' + ors.join(" OR ") + ')' : ors.value(0));
                break;
            }
        }
    }
    return parts.join(QStringLiteral(" AND "));
}
