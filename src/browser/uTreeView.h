#pragma once

#include <QMetaType>
#include <QString>

#include "uDialog.h"

class QTreeWidget;
class QTreeWidgetItem;

// The record carried by every folder node.
struct TTreeNodeData {
    int ID = 0;
    int ParentID = 0;
    QString Caption;  // without the count suffix
    int ImgIndex = 0;
    int ReadOnly = 0;
    int RecCountTotal = 0;
    int RecCountByFlag = 0;
};
Q_DECLARE_METATYPE(TTreeNodeData)

TTreeNodeData NodeData(const QTreeWidgetItem* item);
void SetNodeData(QTreeWidgetItem* item, const TTreeNodeData& data);

// The position of a node in the tree's pre-order, and back.
int AbsoluteIndex(const QTreeWidgetItem* item);
QTreeWidgetItem* ItemAtAbsoluteIndex(QTreeWidget* tree, int index);
// The node after this one in tree order (its first child, else the next one down).
QTreeWidgetItem* NextInTree(QTreeWidgetItem* item);
QTreeWidgetItem* RootOf(QTreeWidget* tree);

// A folder tree whose "Tag" property holds this value offers no root: choosing
// the root moves on to the first folder below it.
inline constexpr int TreeTagSkipRoot = 1;

// " (t)", " (f/t)" with a count column, or nothing.
QString CountSuffix(int total, int flagged, const QString& countField, bool showCount);
// Counts folder id of table (and the rows whose count column is 0).
void CountFolder(const QString& table, int id, const QString& countField, int& total, int& flagged);
// Adds a node under parent (a top node when parent is null), counted unless
// count is false.
QTreeWidgetItem* AddFolderNode(QTreeWidget* tree, QTreeWidgetItem* parent, TTreeNodeData data,
                               const QString& table, const QString& countField, bool showCount,
                               bool count = true);
// Builds the whole tree of a table and selects the root's first child. The
// folders of a table of many rows are counted in the background.
void LoadSysTreeView(QTreeWidget* tree, const QString& table, bool selectTwice, bool showCount,
                     const QString& countField);
// After a write that changes folder counts, committed: a background count
// still under way may have begun before it and would put back counts that
// miss it, so the folders are counted again from now (the earlier result is
// dropped). Nothing happens when no count is under way.
void CountAgainIfCounting(QTreeWidget* tree);

// The folder picker: a copy of a browser's tree to choose a destination from.
class TfmDialogGetTreeNode : public TfmDialog {
    Q_OBJECT
public:
    explicit TfmDialogGetTreeNode(QTreeWidget* source, QWidget* parent = nullptr);

    QTreeWidget* tvDialog;
    bool btnOkClicked = false;
    bool FOnlySelectLeafItem = false;

    TTreeNodeData SelectedData() const;
    int SelectedAbsoluteIndex() const;

private slots:
    void OkClick();
};
