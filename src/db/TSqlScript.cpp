#include "TSqlScript.h"

#include <QRegularExpression>

namespace {

bool IsClientCommand(const QString& stmt) {
    static const QRegularExpression re(QStringLiteral("^(SET|COMMIT|CONNECT)\\b"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(stmt).hasMatch();
}

}  // namespace

QStringList TSqlScript::Split(const QString& script) {
    static const QRegularExpression setTerm(QStringLiteral("^SET\\s+TERM\\s+(\\S+)\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    QString term = QStringLiteral(";");
    QString current;
    const int n = script.size();
    int i = 0;
    auto flush = [&]() {
        const QString stmt = current.trimmed();
        current.clear();
        if (stmt.isEmpty()) return;
        const QRegularExpressionMatch m = setTerm.match(stmt);
        if (m.hasMatch()) {
            term = m.captured(1);
            return;
        }
        if (!IsClientCommand(stmt)) out << stmt;
    };
    while (i < n) {
        const QChar c = script[i];
        if (c == '\'' || c == '"') {
            int j = i + 1;
            while (j < n && script[j] != c) ++j;
            current += script.mid(i, j - i + 1);
            i = j + 1;
        } else if (c == '-' && i + 1 < n && script[i + 1] == '-') {
            int j = script.indexOf('\n', i);
            if (j < 0) j = n;
            i = j;  // comments are not sent
        } else if (c == '/' && i + 1 < n && script[i + 1] == '*') {
            int j = script.indexOf(QStringLiteral("*/"), i + 2);
            i = j < 0 ? n : j + 2;
        } else if (script.mid(i, term.size()) == term) {
            // "SET TERM ^ ;" ends with the old terminator; a new one may follow it.
            flush();
            i += term.size();
        } else {
            current += c;
            ++i;
        }
    }
    flush();
    return out;
}
