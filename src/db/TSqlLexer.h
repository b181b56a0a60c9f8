#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// One tokenizer for every place that reads a statement back (table names,
// select lists, clause positions, parameters), so they all agree on quotes,
// comments and brackets.

enum class TSqlTokenKind {
    Word,        // keyword or bare identifier
    QuotedName,  // "identifier", "" doubles
    String,      // 'text', '' doubles
    Number,
    Param,   // :name
    Punct,   // one character: ( ) , . ; ? operators
    Comment  // -- to end of line, or /* */
};

struct TSqlToken {
    TSqlTokenKind Kind = TSqlTokenKind::Punct;
    int Pos = 0;    // offset in the statement
    int Len = 0;    // length in the statement, quotes and comment marks included
    int Depth = 0;  // bracket depth; a bracket itself counts as outside
    QString Text;   // the token as written

    int End() const { return Pos + Len; }
    // A keyword, case-insensitive; never a quoted name or a literal.
    bool IsWord(const char* word) const;
    bool IsPunct(char c) const;
    bool IsName() const { return Kind == TSqlTokenKind::Word || Kind == TSqlTokenKind::QuotedName; }
    // An identifier as the catalogue stores it: bare ones upper-cased,
    // quoted ones unquoted and exact.
    QString Name() const;
};

class TSqlLexer {
public:
    // Comments are kept as tokens only when asked for.
    explicit TSqlLexer(const QString& sql, bool withComments = false);

    const QString& Sql() const { return FSql; }
    const QVector<TSqlToken>& Tokens() const { return FTokens; }

    // Index of the first token at bracket depth `depth`, from `from` on, that
    // starts one of the keyword sequences ("ORDER BY" is two words); -1 if none.
    int Find(const QStringList& keywords, int from = 0, int depth = 0) const;
    // The statement from token `first` to the end of token `last`, as written.
    QString Source(int first, int last) const;

private:
    bool Starts(int at, const QString& keyword) const;

    QString FSql;
    QVector<TSqlToken> FTokens;
};

// One column of a select list.
struct TSqlColumn {
    QString Expr;   // a plain column by its catalogue name, anything else as written
    QString Alias;  // catalogue name of "AS X" or a bare alias; empty if none
};

// The top-level select list and the first table after FROM of a SELECT
// (DISTINCT, ALL, FIRST n and SKIP n skipped); Table is empty for a derived table.
struct TSqlSelect {
    QVector<TSqlColumn> Columns;
    QString Table;
};
TSqlSelect ParseSelect(const QString& sql);
