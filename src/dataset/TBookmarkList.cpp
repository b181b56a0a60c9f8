#include "TBookmarkList.h"

#include <QStringList>
#include <algorithm>

void TBookmarkList::Toggle(TBookmark b) { SetMarked(b, !IsMarked(b)); }

void TBookmarkList::SetMarked(TBookmark b, bool marked) {
    const auto it = std::find(FItems.begin(), FItems.end(), b);
    if (marked && it == FItems.end()) FItems.push_back(b);
    if (!marked && it != FItems.end()) FItems.erase(it);
}

bool TBookmarkList::IsMarked(TBookmark b) const {
    return std::find(FItems.begin(), FItems.end(), b) != FItems.end();
}

QString GetSelectedIdList(TClientDataSet& cds, const TBookmarkList& marks) {
    if (cds.IsEmpty()) return QString();
    TField* id = cds.FieldByName(QStringLiteral("ID"));
    QStringList ids;
    for (TBookmark b : marks.Items()) {
        if (!cds.BookmarkValid(b)) continue;
        const int row = cds.RowOfBookmark(b);
        if (row >= 0) ids << cds.ValueAt(row, id).toString();
    }
    return ids.join(',');
}

void SelectAll(TClientDataSet& cds, TBookmarkList& marks, bool marked) {
    marks.Clear();
    for (int row = 0; row < cds.RecordCount(); ++row)
        marks.SetMarked(cds.BookmarkOfRow(row), marked);
}
