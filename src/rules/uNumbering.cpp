#include "uNumbering.h"

#include "TFbQuery.h"
#include "uRules.h"

namespace {
QDate g_today;
}  // namespace

QDate Numbering::Today() { return g_today.isValid() ? g_today : QDate::currentDate(); }

void Numbering::SetToday(const QDate& day) { g_today = day; }

int Numbering::GetNextSysNo(TFbConnection& conn, const QString& aTb, const QString& aPreFix) {
    // Read-and-advance is one statement, so two users can never read the same
    // counter value. A user who finds no counter creates it; if another user
    // created it in the meantime (unique key) or both advanced it at once
    // (update conflict), the loser simply tries again.
    for (int attempt = 0;; ++attempt) {
        try {
            TFbTransaction tra(conn);
            TFbQuery upd(tra, QStringLiteral("UPDATE SYS_NO SET RUNNO=RUNNO+1 WHERE TABLENAME=:T "
                                             "AND PREFIX=:P RETURNING RUNNO"));
            upd.SetParam(QStringLiteral("T"), aTb);
            upd.SetParam(QStringLiteral("P"), aPreFix);
            upd.Execute();
            if (upd.RowsAffected() == 1) {
                const int runNo = upd.AsInteger(QStringLiteral("RUNNO"));
                tra.Commit();
                return runNo;
            }
            TFbQuery ins(tra, QStringLiteral("INSERT INTO SYS_NO (ID,TABLENAME,PREFIX,RUNNO) "
                                             "VALUES (GEN_ID(SYS_NO_ID_GEN,1),:T,:P,1)"));
            ins.SetParam(QStringLiteral("T"), aTb);
            ins.SetParam(QStringLiteral("P"), aPreFix);
            ins.Execute();
            tra.Commit();
            return 1;
        } catch (const EFbError& e) {
            if (!e.IsConflict() || attempt >= 100) throw;
        }
    }
}

QString Numbering::NoTableNoMessage(const QString& aTb) {
    return "Failed getting table next no, table name: " + aTb + " not found in SYS_TABLENO table";
}

QString Numbering::GetNextTableNo(TFbConnection& conn, const QString& aTb, int aPrefixNo) {
    const QString n = QString::number(aPrefixNo);
    QString prefix;
    int digits = 0;
    bool found = false;
    {
        TFbTransaction tra(conn);
        TFbQuery q(tra, "SELECT TABLENAME, DIGIT, PREFIX" + n + ", PREFIX" + n +
                            "DATE FROM SYS_TABLENO WHERE TABLENAME=" + Rules::QuotedStr(aTb));
        for (q.Open(); !q.Eof(); q.Next()) {
            if (found || q.AsString(QStringLiteral("TABLENAME")) != aTb) continue;
            found = true;
            prefix = q.AsString("PREFIX" + n);
            digits = q.AsInteger(QStringLiteral("DIGIT"));
            if (q.AsInteger("PREFIX" + n + "DATE") == 1) {
                const QDate d = Today();
                prefix += QStringLiteral("%1%2%3")
                              .arg(d.year(), 4, 10, QLatin1Char('0'))
                              .arg(d.month(), 2, 10, QLatin1Char('0'))
                              .arg(d.day(), 2, 10, QLatin1Char('0'));
            }
        }
    }
    if (!found) throw ERuleRefused(NoTableNoMessage(aTb));
    const int r = GetNextSysNo(conn, aTb, prefix);
    // At least `digits` digits, never cut.
    return prefix + QStringLiteral("%1").arg(r, qMax(digits, 1), 10, QLatin1Char('0'));
}

std::optional<QString> Numbering::AutoNoField(TFbConnection& conn, const QString& aTb) {
    TFbTransaction tra(conn);
    TFbQuery q(tra, "SELECT TABLENAME, FIELD, AUTOSET0 FROM SYS_TABLENO WHERE TABLENAME=" +
                        Rules::QuotedStr(aTb));
    q.Open();
    // The first row decides, as the table has one per name.
    if (q.Eof() || q.AsString(QStringLiteral("TABLENAME")).isEmpty() ||
        q.AsInteger(QStringLiteral("AUTOSET0")) != 1)
        return std::nullopt;
    return q.AsString(QStringLiteral("FIELD"));
}
