#pragma once

#include <QMetaType>
#include <QString>

#include "TFolderCounts.h"
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
// Shows the count of folder on its node of tree, if the tree has one.
void ShowFolderCount(QTreeWidget* tree, int folder, const TFolderCount& count,
                     const QString& countField, bool showCount);
// Adds a node under parent (a top node when parent is null), counted now
// unless count is false (then it waits for a count of every folder).
QTreeWidgetItem* AddFolderNode(QTreeWidget* tree, QTreeWidgetItem* parent, TTreeNodeData data,
                               TFolderCounts& counts, bool showCount, bool count = true);
// Builds the whole tree of the counts' table and selects the root's first
// child. The folders of a table of many rows are counted in the background.
void LoadSysTreeView(QTreeWidget* tree, TFolderCounts& counts, bool selectTwice, bool showCount);

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
