#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

class TClientDataSet;

// A filter on the rows held in memory. The kinds the program needs: a date
// column on or after a day, a date column equal to a day, and "any of several
// text columns contains a text" (case-sensitive). Filters combine with AND.
class TFilter {
public:
    TFilter() = default;

    static TFilter DateOnOrAfter(const QString& field, const QDate& day);
    static TFilter DateEquals(const QString& field, const QDate& day);
    static TFilter AnyContains(const QStringList& fields, const QString& text);
    // Any of the columns contains any of the texts.
    static TFilter AnyContains(const QStringList& fields, const QStringList& texts);
    TFilter And(const TFilter& other) const;

    bool IsEmpty() const { return FTerms.isEmpty(); }
    // The readable form, e.g. "CREATEDATE >= '2026-12-01'" or
    // "(NAME LIKE '%ab%' OR ITEMNO LIKE '%ab%')".
    QString Text() const;

    enum class TOp { DateOnOrAfter, DateEquals, AnyContains };
    struct TTerm {
        TOp Op;
        QStringList Fields;
        QDate Day;
        QStringList Values;
    };
    const QVector<TTerm>& Terms() const { return FTerms; }

private:
    QVector<TTerm> FTerms;
};
