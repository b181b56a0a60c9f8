#pragma once

#include <QSet>
#include <QString>
#include <vector>

#include "TClientDataSet.h"

// The rows marked in a grid, by key, kept in the order in which they were
// marked. A key names the same row after sorting, filtering and re-reading
// the set, where a row position would name another row.
class TBookmarkList {
public:
    // Marks the row, or unmarks it when it is marked (a Ctrl-click). A row
    // without a key (not yet written) cannot be marked.
    void Toggle(const QVariant& key);
    void SetMarked(const QVariant& key, bool marked);
    bool IsMarked(const QVariant& key) const;
    void Clear();
    int Count() const { return int(FItems.size()); }
    const std::vector<qint64>& Items() const { return FItems; }

private:
    std::vector<qint64> FItems;
    QSet<qint64> FSet;
};

// The IDs of the marked rows that the set still shows, in marking order,
// joined with ","; empty when the set has no rows.
QString GetSelectedIdList(TClientDataSet& cds, const TBookmarkList& marks);
// Marks (or unmarks) every row of the set, in the set's order.
void SelectAll(TClientDataSet& cds, TBookmarkList& marks, bool marked);
