// Builds a database file from SQL scripts:
//   tallyvo-mkdb OUT.fdb SCRIPT.sql [SCRIPT.sql ...]
// The file is built beside OUT under a temporary name and moved into place
// only when every statement ran, so a failed build never leaves a half-made
// database behind.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

#include "EFbError.h"
#include "TFbConnection.h"
#include "TSqlScript.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tallyvo-mkdb OUT.fdb SCRIPT.sql [SCRIPT.sql ...]\n");
        return 2;
    }
    const QString out = QFileInfo(args[1]).absoluteFilePath();
    const QString tmp = out + ".building";
    QFile::remove(tmp);
    QString current;
    try {
        TFbConnection::CreateDatabase(tmp);
        TFbConnection conn;
        conn.Open(tmp);
        for (int i = 2; i < args.size(); ++i) {
            QFile f(args[i]);
            if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(args[i]));
                conn.Close();
                QFile::remove(tmp);
                return 1;
            }
            const QString script = QString::fromUtf8(f.readAll());
            // Committing after every statement: DDL must be committed before
            // the next statement may use the new table.
            for (const QString& stmt : TSqlScript::Split(script)) {
                current = stmt;
                conn.ExecuteImmediate(stmt);
            }
        }
        conn.Close();
    } catch (const EFbError& e) {
        std::fprintf(stderr, "%s\n--- in statement:\n%s\n", qPrintable(e.Message()),
                     qPrintable(current));
        QFile::remove(tmp);
        return 1;
    }
    QFile::remove(out);
    if (!QFile::rename(tmp, out)) {
        std::fprintf(stderr, "cannot move %s to %s\n", qPrintable(tmp), qPrintable(out));
        return 1;
    }
    return 0;
}
