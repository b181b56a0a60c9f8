#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <string_view>

class TClientDataSet;

// A filter on the rows held in memory. The kinds the program needs: a date
// column on or after a day, a date column equal to a day, and "any of several
// text columns contains a text", case-sensitive or regardless of case.
// Filters combine with AND.
class TFilter {
public:
    TFilter() = default;

    static TFilter DateOnOrAfter(const QString& field, const QDate& day);
    static TFilter DateEquals(const QString& field, const QDate& day);
    static TFilter AnyContains(const QStringList& fields, const QString& text);
    // Any of the columns contains any of the texts.
    static TFilter AnyContains(const QStringList& fields, const QStringList& texts);
    // Any of the columns contains the text, whatever the case of its letters.
    static TFilter AnyContainsNoCase(const QStringList& fields, const QString& text);
    TFilter And(const TFilter& other) const;

    bool IsEmpty() const { return FTerms.isEmpty(); }
    // The readable form, e.g. "CREATEDATE >= '2026-12-01'" or
    // "(NAME LIKE '%ab%' OR ITEMNO LIKE '%ab%')".
    QString Text() const;

    enum class TOp { DateOnOrAfter, DateEquals, AnyContains, AnyContainsNoCase };
    struct TTerm {
        TOp Op;
        QStringList Fields;
        QDate Day;
        QStringList Values;
    };
    const QVector<TTerm>& Terms() const { return FTerms; }

    // Whether the UTF-8 text contains the UTF-8 needle regardless of case.
    // Plain Latin needles are compared byte by byte (the common case of a
    // search typed one key at a time); other letters through Unicode folding.
    static bool ContainsNoCase(std::string_view text, std::string_view needle);

private:
    QVector<TTerm> FTerms;
};
