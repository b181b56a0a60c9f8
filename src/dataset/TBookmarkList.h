#pragma once

#include <QString>
#include <vector>

#include "TClientDataSet.h"

// The rows marked in a grid, kept in the order in which they were marked.
// Bookmarks survive sorting and filtering of the set.
class TBookmarkList {
public:
    // Marks the row, or unmarks it when it is marked (a Ctrl-click).
    void Toggle(TBookmark b);
    void SetMarked(TBookmark b, bool marked);
    bool IsMarked(TBookmark b) const;
    void Clear() { FItems.clear(); }
    int Count() const { return int(FItems.size()); }
    const std::vector<TBookmark>& Items() const { return FItems; }

private:
    std::vector<TBookmark> FItems;
};

// The IDs of the marked rows, in marking order, joined with ","; empty when
// the set has no rows. Rows deleted since they were marked are left out.
QString GetSelectedIdList(TClientDataSet& cds, const TBookmarkList& marks);
// Marks (or unmarks) every row of the set, in the set's order.
void SelectAll(TClientDataSet& cds, TBookmarkList& marks, bool marked);
