#include "TFolderCounts.h"

#include "uDmMain.h"

TFolderCounts::TFolderCounts(TRunner runner) : FRunner(std::move(runner)) {}

TFolderCounts::~TFolderCounts() = default;

void TFolderCounts::SetTable(const QString& table, const QString& countField) {
    FTable = table;
    FCountField = countField;
}

void TFolderCounts::Clear() {
    FCounts.clear();
    ++FGeneration;
    FRunning = false;
}

void TFolderCounts::Set(int folder, TFolderCount count) {
    FCounts.insert(folder, count);
    Notify(folder);
}

void TFolderCounts::Remove(int folder) { FCounts.remove(folder); }

void TFolderCounts::Notify(int folder) const {
    if (Changed) Changed(folder);
}

void TFolderCounts::CountNow(int folder) {
    const QString t = FTable.toUpper();
    TFolderCount c;
    QVariant v;
    dmMain()->SelectFieldWhere("COUNT(ID)", t, v, {"SYS_TREEVIEW_ID", QString::number(folder)});
    c.Total = v.toInt();
    if (!FCountField.isEmpty()) {
        dmMain()->SelectFieldWhere("COUNT(ID)", t, v,
                                   {"SYS_TREEVIEW_ID", QString::number(folder), FCountField, "0"});
        c.Counted = v.toInt();
    }
    Set(folder, c);
}

void TFolderCounts::CountInBackground() {
    const int generation = ++FGeneration;
    FRunning = true;
    const QString sql = "SELECT SYS_TREEVIEW_ID, COUNT(*), " +
                        (FCountField.isEmpty() ? QStringLiteral("0")
                                               : "COUNT(IIF(" + FCountField + " = 0, 1, NULL))") +
                        " FROM " + FTable + " GROUP BY SYS_TREEVIEW_ID";
    const std::weak_ptr<char> life = FLife;
    const TFailed failed = Failed;
    FRunner(
        [sql](TFbConnection& conn) {
            QVariantMap counts;
            TFbTransaction tra(conn);
            TFbQuery q(tra, sql);
            for (q.Open(); !q.Eof(); q.Next())
                counts.insert(q.Value(0).toString(), QVariantList{q.AsInt64(1), q.AsInt64(2)});
            return QVariant(counts);
        },
        [this, life, generation](const QVariant& result) {
            if (life.expired() || generation != FGeneration) return;  // stale
            FRunning = false;
            const QVariantMap counts = result.toMap();
            for (auto it = FCounts.begin(); it != FCounts.end(); ++it) {
                const QVariantList c = counts.value(QString::number(it.key())).toList();
                it->Total = c.value(0).toInt();
                it->Counted = c.value(1).toInt();
            }
            for (int folder : FCounts.keys()) Notify(folder);
        },
        [this, life, generation, failed](const QString& message) {
            // The counts stay as they were; a later write may count again.
            if (!life.expired() && generation == FGeneration) FRunning = false;
            if (failed) failed(message);
        });
}

void TFolderCounts::CountAgainIfRunning() {
    if (FRunning) CountInBackground();
}

void TFolderCounts::Add(int folder, int total, int counted) {
    // A count under way may have begun before this write: it counts again.
    CountAgainIfRunning();
    auto it = FCounts.find(folder);
    if (it == FCounts.end() || it->Total < 0) return;
    it->Total += total;
    if (!FCountField.isEmpty()) it->Counted += counted;
    Notify(folder);
}

void TFolderCounts::Move(int from, int to, int total, int counted) {
    Add(from, -total, -counted);
    Add(to, total, counted);
}

TFolderCounts::TRunner DataModuleCountRunner() {
    // A purpose per browser: its newer count replaces its older one, whose
    // result would be stale anyway; other browsers' counts go on.
    static int browsers = 0;
    const QString purpose = QStringLiteral("FolderCount%1").arg(++browsers);
    return [purpose](const TFolderCounts::TWork& work, const TFolderCounts::TDone& done,
                     const TFolderCounts::TFailed& failed) {
        dmMain()->RunWriterInBackground(purpose, work, done, failed);
    };
}
