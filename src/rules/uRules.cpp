#include "uRules.h"

#include <QThread>

void WriteInTransaction(TFbConnection& conn, const std::function<void(TFbTransaction&)>& write) {
    for (int attempt = 1;; ++attempt) {
        try {
            TFbTransaction tra(conn);
            write(tra);
            tra.Commit();
            return;
        } catch (const EFbError& e) {
            // The one that came second starts again and sees the first's write.
            if (!e.IsUpdateConflict() || attempt >= 5) throw;
            QThread::msleep(unsigned(20 * attempt));
        }
    }
}

QString Rules::QuotedStr(const QString& s) {
    QString t = s;
    t.replace('\'', QStringLiteral("''"));
    return '\'' + t + '\'';
}
