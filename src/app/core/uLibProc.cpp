#include "uLibProc.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QRegularExpression>
#include <QTextStream>
#include <QWidget>

namespace {
QString& ProgramFolderOverride() {
    static QString folder;
    return folder;
}
}  // namespace

QString ProgramFolder() {
    QString folder = ProgramFolderOverride();
    if (folder.isEmpty()) folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith('/')) folder += '/';
    return folder;
}

void SetProgramFolder(const QString& folder) { ProgramFolderOverride() = folder; }

QString GridSettingsFolder() { return ProgramFolder() + "UserData/DbGrids/"; }

QString TemplateImageFolder() { return ProgramFolder() + "UserData/Images/DoTemplates/"; }

QString ReplaceAll(const QString& text, const QString& search, const QString& replacement) {
    if (search.isEmpty()) return text;
    QString out;
    int from = 0;
    for (;;) {
        const int at = text.indexOf(search, from, Qt::CaseSensitive);
        if (at < 0) break;
        out += text.mid(from, at - from);
        out += replacement;
        from = at + search.size();
    }
    out += text.mid(from);
    return out;
}

QString ReadIniValue(const QString& file, const QString& section, const QString& key) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return QString();
    QTextStream in(&f);
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            const int close = line.indexOf(']');
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection) continue;
        const int eq = line.indexOf('=');
        if (eq < 0) continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return QString();
}

bool IsServerPath(const QString& path) {
    // "host:path" or "host/port:path"; one letter before the colon is a
    // drive ("C:\\..."), and a local path has its separators before any colon.
    static const QRegularExpression host(QStringLiteral("^[A-Za-z0-9_.\\-]{2,}(/[A-Za-z0-9]+)?:"));
    return host.match(path).hasMatch();
}

QString ResolveConfigPath(const QString& value, const QString& programFolder) {
    // One left-to-right pass over both spellings, so that the inserted folder
    // is never scanned again.
    QString path;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] == '.' && i + 1 < value.size() &&
            (value[i + 1] == '\\' || value[i + 1] == '/')) {
            path += programFolder;
            ++i;
        } else {
            path += value[i];
        }
    }
    if (!IsServerPath(path)) path.replace('\\', '/');
    return path;
}

void SetStandardFont(QWidget* w) { w->setFont(QFont(QStringLiteral("Segoe UI"), 9)); }
