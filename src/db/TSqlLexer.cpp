#include "TSqlLexer.h"

namespace {

bool IsIdentStart(QChar c) { return c.isLetter() || c == '_'; }
bool IsIdentChar(QChar c) { return c.isLetterOrNumber() || c == '_' || c == '$'; }

// End of a quoted run starting at `i`; a doubled quote stays inside.
int QuotedEnd(const QString& s, int i) {
    const QChar q = s[i];
    const int n = s.size();
    for (int j = i + 1; j < n; ++j) {
        if (s[j] != q) continue;
        if (j + 1 < n && s[j + 1] == q) {
            ++j;
            continue;
        }
        return j + 1;
    }
    return n;  // unterminated: runs to the end
}

}  // namespace

bool TSqlToken::IsWord(const char* word) const {
    return Kind == TSqlTokenKind::Word &&
           Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool TSqlToken::IsPunct(char c) const {
    return Kind == TSqlTokenKind::Punct && Text.size() == 1 && Text[0] == QLatin1Char(c);
}

QString TSqlToken::Name() const {
    if (Kind == TSqlTokenKind::QuotedName) {
        QString inner = Text.mid(1, Text.endsWith('"') && Len > 1 ? Len - 2 : Len - 1);
        return inner.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    }
    return Kind == TSqlTokenKind::Word ? Text.toUpper() : Text;
}

TSqlLexer::TSqlLexer(const QString& sql, bool withComments) : FSql(sql) {
    const int n = sql.size();
    int depth = 0;
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        TSqlToken t;
        t.Pos = i;
        int j = i + 1;
        if (c == '\'' || c == '"') {
            t.Kind = c == '\'' ? TSqlTokenKind::String : TSqlTokenKind::QuotedName;
            j = QuotedEnd(sql, i);
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            t.Kind = TSqlTokenKind::Comment;
            j = sql.indexOf('\n', i);
            j = j < 0 ? n : j + 1;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            t.Kind = TSqlTokenKind::Comment;
            j = sql.indexOf(QStringLiteral("*/"), i + 2);
            j = j < 0 ? n : j + 2;
        } else if (IsIdentStart(c)) {
            t.Kind = TSqlTokenKind::Word;
            while (j < n && IsIdentChar(sql[j])) ++j;
        } else if (c.isDigit() || (c == '.' && i + 1 < n && sql[i + 1].isDigit())) {
            t.Kind = TSqlTokenKind::Number;
            while (j < n && (sql[j].isDigit() || sql[j] == '.')) ++j;
            if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
                int k = j + 1;
                if (k < n && (sql[k] == '+' || sql[k] == '-')) ++k;
                if (k < n && sql[k].isDigit()) {
                    j = k;
                    while (j < n && sql[j].isDigit()) ++j;
                }
            }
        } else if (c == ':' && i + 1 < n && IsIdentStart(sql[i + 1])) {
            t.Kind = TSqlTokenKind::Param;
            while (j < n && IsIdentChar(sql[j])) ++j;
        } else {
            t.Kind = TSqlTokenKind::Punct;
            if (c == ')' && depth > 0) --depth;
        }
        t.Len = j - i;
        t.Depth = depth;
        t.Text = sql.mid(i, t.Len);
        if (c == '(' && t.Kind == TSqlTokenKind::Punct) ++depth;
        if (t.Kind != TSqlTokenKind::Comment || withComments) FTokens << t;
        i = j;
    }
}

bool TSqlLexer::Starts(int at, const QString& keyword) const {
    const QStringList words = keyword.split(' ', Qt::SkipEmptyParts);
    int k = at;
    for (const QString& w : words) {
        while (k < FTokens.size() && FTokens[k].Kind == TSqlTokenKind::Comment) ++k;
        if (k >= FTokens.size() || FTokens[k].Kind != TSqlTokenKind::Word ||
            FTokens[k].Text.compare(w, Qt::CaseInsensitive) != 0)
            return false;
        ++k;
    }
    return true;
}

int TSqlLexer::Find(const QStringList& keywords, int from, int depth) const {
    for (int i = from; i < FTokens.size(); ++i) {
        if (FTokens[i].Depth != depth || FTokens[i].Kind != TSqlTokenKind::Word) continue;
        for (const QString& k : keywords)
            if (Starts(i, k)) return i;
    }
    return -1;
}

QString TSqlLexer::Source(int first, int last) const {
    if (first < 0 || last < first || last >= FTokens.size()) return QString();
    return FSql.mid(FTokens[first].Pos, FTokens[last].End() - FTokens[first].Pos);
}

namespace {

// A bare alias follows something that can end an expression.
bool EndsExpression(const TSqlToken& t) {
    return t.IsName() || t.Kind == TSqlTokenKind::String || t.Kind == TSqlTokenKind::Number ||
           t.IsPunct(')');
}

TSqlColumn ReadColumn(const TSqlLexer& lex, int first, int last) {
    const QVector<TSqlToken>& t = lex.Tokens();
    TSqlColumn col;
    const int depth = t[first].Depth;
    if (last > first && t[last].IsName() && t[last].Depth == depth) {
        if (last - 1 > first && t[last - 1].IsWord("AS")) {
            col.Alias = t[last].Name();
            last -= 2;
        } else if (EndsExpression(t[last - 1]) && !t[last].IsWord("END")) {
            col.Alias = t[last].Name();
            last -= 1;
        }
    }
    col.Expr = first == last && t[first].IsName() ? t[first].Name() : lex.Source(first, last);
    return col;
}

}  // namespace

TSqlSelect ParseSelect(const QString& sql) {
    TSqlSelect out;
    const TSqlLexer lex(sql);
    const QVector<TSqlToken>& t = lex.Tokens();
    const int select = lex.Find({QStringLiteral("SELECT")});
    if (select < 0) return out;
    int i = select + 1;
    // Row limits and DISTINCT come before the list.
    while (i < t.size()) {
        if (t[i].IsWord("DISTINCT") || t[i].IsWord("ALL")) {
            ++i;
        } else if ((t[i].IsWord("FIRST") || t[i].IsWord("SKIP")) && i + 1 < t.size() &&
                   !t[i + 1].IsPunct(',') && !t[i + 1].IsWord("FROM")) {
            ++i;
            if (t[i].IsPunct('(')) {
                const int depth = t[i].Depth;
                ++i;
                while (i < t.size() && !(t[i].IsPunct(')') && t[i].Depth == depth)) ++i;
            }
            ++i;
        } else {
            break;
        }
    }
    const int from = lex.Find({QStringLiteral("FROM")}, i);
    const int end = from < 0 ? int(t.size()) : from;
    int start = i;
    for (int k = i; k <= end; ++k) {
        if (k < end && !(t[k].IsPunct(',') && t[k].Depth == 0)) continue;
        if (k > start) out.Columns << ReadColumn(lex, start, k - 1);
        start = k + 1;
    }
    if (from >= 0 && from + 1 < t.size() && t[from + 1].IsName()) out.Table = t[from + 1].Name();
    return out;
}
