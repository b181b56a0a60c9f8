#include "TBookmarkList.h"

#include <QStringList>
#include <algorithm>

void TBookmarkList::Toggle(const QVariant& key) { SetMarked(key, !IsMarked(key)); }

void TBookmarkList::SetMarked(const QVariant& key, bool marked) {
    if (!key.isValid() || key.isNull()) return;
    const qint64 k = key.toLongLong();
    if (marked && !FSet.contains(k)) {
        FSet.insert(k);
        FItems.push_back(k);
    } else if (!marked && FSet.remove(k)) {
        FItems.erase(std::find(FItems.begin(), FItems.end(), k));
    }
}

bool TBookmarkList::IsMarked(const QVariant& key) const {
    return key.isValid() && !key.isNull() && FSet.contains(key.toLongLong());
}

void TBookmarkList::Clear() {
    FItems.clear();
    FSet.clear();
}

QString GetSelectedIdList(TClientDataSet& cds, const TBookmarkList& marks) {
    if (cds.IsEmpty() || marks.Count() == 0) return QString();
    // One pass over the set: which marked keys it still shows.
    QSet<qint64> shown;
    for (int row = 0; row < cds.RecordCount(); ++row) {
        const QVariant k = cds.KeyOfRow(row);
        if (marks.IsMarked(k)) shown.insert(k.toLongLong());
    }
    QStringList ids;
    for (qint64 k : marks.Items())
        if (shown.contains(k)) ids << QString::number(k);
    return ids.join(',');
}

void SelectAll(TClientDataSet& cds, TBookmarkList& marks, bool marked) {
    marks.Clear();
    for (int row = 0; row < cds.RecordCount(); ++row) marks.SetMarked(cds.KeyOfRow(row), marked);
}
