#include "uTreeView.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

#include "uDmMain.h"
#include "uMessages.h"

TTreeNodeData NodeData(const QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::UserRole).value<TTreeNodeData>() : TTreeNodeData();
}

void SetNodeData(QTreeWidgetItem* item, const TTreeNodeData& data) {
    item->setData(0, Qt::UserRole, QVariant::fromValue(data));
}

QTreeWidgetItem* RootOf(QTreeWidget* tree) {
    return tree->topLevelItemCount() ? tree->topLevelItem(0) : nullptr;
}

int AbsoluteIndex(const QTreeWidgetItem* item) {
    if (!item) return -1;
    QTreeWidget* tree = item->treeWidget();
    int index = 0;
    for (QTreeWidgetItem* it = RootOf(tree); it; it = NextInTree(it), ++index)
        if (it == item) return index;
    return -1;
}

QTreeWidgetItem* ItemAtAbsoluteIndex(QTreeWidget* tree, int index) {
    QTreeWidgetItem* it = RootOf(tree);
    for (int i = 0; it && i < index; ++i) it = NextInTree(it);
    return index < 0 ? nullptr : it;
}

QTreeWidgetItem* NextInTree(QTreeWidgetItem* item) {
    if (!item) return nullptr;
    if (item->childCount()) return item->child(0);
    for (QTreeWidgetItem* it = item; it; it = it->parent()) {
        QTreeWidgetItem* parent = it->parent();
        if (parent) {
            const int i = parent->indexOfChild(it);
            if (i + 1 < parent->childCount()) return parent->child(i + 1);
        } else {
            QTreeWidget* tree = it->treeWidget();
            const int i = tree->indexOfTopLevelItem(it);
            return i + 1 < tree->topLevelItemCount() ? tree->topLevelItem(i + 1) : nullptr;
        }
    }
    return nullptr;
}

QString CountSuffix(int total, int flagged, const QString& countField, bool showCount) {
    if (total <= 0 || !showCount) return QString();
    if (countField.isEmpty()) return QStringLiteral(" (%1)").arg(total);
    return QStringLiteral(" (%1/%2)").arg(flagged).arg(total);
}

void ShowFolderCount(QTreeWidget* tree, int folder, const TFolderCount& count,
                     const QString& countField, bool showCount) {
    for (QTreeWidgetItem* it = RootOf(tree); it; it = NextInTree(it)) {
        TTreeNodeData d = NodeData(it);
        if (d.ID != folder) continue;
        d.RecCountTotal = count.Total;
        d.RecCountByFlag = count.Counted;
        it->setText(
            0, d.Caption + CountSuffix(d.RecCountTotal, d.RecCountByFlag, countField, showCount));
        SetNodeData(it, d);
        return;
    }
}

QTreeWidgetItem* AddFolderNode(QTreeWidget* tree, QTreeWidgetItem* parent, TTreeNodeData data,
                               TFolderCounts& counts, bool showCount, bool count) {
    if (count)
        counts.CountNow(data.ID);
    else
        counts.Set(data.ID, TFolderCount());  // counted later
    const TFolderCount c = counts.Count(data.ID);
    data.RecCountTotal = c.Total;
    data.RecCountByFlag = c.Counted;
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, data.Caption + CountSuffix(data.RecCountTotal, data.RecCountByFlag,
                                                counts.CountField(), showCount));
    SetNodeData(item, data);
    return item;
}

void LoadSysTreeView(QTreeWidget* tree, TFolderCounts& counts, bool selectTwice, bool showCount) {
    TdmMain* dm = dmMain();
    const QString table = counts.Table();
    TTreeNodeData root;
    dm->SelectSysTreeViewRootByTable(table, root.ID, root.ParentID, root.ImgIndex, root.ReadOnly,
                                     root.Caption);
    root.Caption = root.Caption.trimmed();
    QSignalBlocker block(tree);
    tree->clear();
    // All folders of the table at once, grouped by parent in sibling order.
    QMultiHash<int, TTreeNodeData> children;
    QList<int> order;
    dm->ForEachRow("SELECT * FROM SYS_TREEVIEW WHERE TABLENAME=" + TdmMain::QuotedStr(table) +
                       " ORDER BY PARENTID,SIBLINGORDER",
                   [&](const TFbQuery& q) {
                       TTreeNodeData d;
                       d.ID = q.AsInteger("ID");
                       d.ParentID = q.AsInteger("PARENTID");
                       d.Caption = q.AsString("CAPTION").trimmed();
                       d.ImgIndex = q.AsInteger("IMGINDEX");
                       d.ReadOnly = q.AsInteger("READONLY");
                       children.insert(d.ParentID, d);
                   });
    // A table of many rows has its folders counted in the background.
    const bool quick = !dm->ManyRows(table);
    counts.Clear();  // a count of the tree before is of no use now
    QTreeWidgetItem* rootItem = AddFolderNode(tree, nullptr, root, counts, showCount, quick);
    std::function<void(QTreeWidgetItem*, int)> addChildren = [&](QTreeWidgetItem* p, int id) {
        QList<TTreeNodeData> list = children.values(id);
        std::reverse(list.begin(), list.end());  // values() gives the newest insert first
        for (const TTreeNodeData& d : list) {
            if (d.ID == id) continue;  // a row that names itself as parent
            QTreeWidgetItem* item = AddFolderNode(tree, p, d, counts, showCount, quick);
            if (children.contains(d.ID)) addChildren(item, d.ID);
        }
    };
    addChildren(rootItem, root.ID);
    tree->expandAll();
    if (!quick) counts.CountInBackground();
    block.unblock();
    QTreeWidgetItem* first = NextInTree(rootItem);
    if (first) tree->setCurrentItem(first);
    if (selectTwice && first && NextInTree(first)) tree->setCurrentItem(NextInTree(first));
}

TfmDialogGetTreeNode::TfmDialogGetTreeNode(QTreeWidget* source, QWidget* parent)
    : TfmDialog(parent) {
    setObjectName(QStringLiteral("fmDialogGetTreeNode"));
    setWindowTitle(QStringLiteral("Select Folder"));
    setSizeGripEnabled(true);
    lbNotes->setText(QStringLiteral("Please Select Destination Folder"));
    BitBtn1->setText(QStringLiteral("Ok"));
    BitBtn2->setText(QStringLiteral("Cancel"));
    BitBtn3->hide();
    auto* layout = new QVBoxLayout(Content);
    layout->setContentsMargins(0, 0, 0, 0);
    tvDialog = new QTreeWidget(Content);
    tvDialog->setObjectName(QStringLiteral("tvDialog"));
    tvDialog->setHeaderHidden(true);
    tvDialog->setProperty("Tag", source->property("Tag"));
    layout->addWidget(tvDialog);
    for (int i = 0; i < source->topLevelItemCount(); ++i)
        tvDialog->addTopLevelItem(source->topLevelItem(i)->clone());
    tvDialog->expandAll();
    if (QTreeWidgetItem* root = RootOf(tvDialog)) tvDialog->setCurrentItem(NextInTree(root));
    connect(tvDialog, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* cur) {
        if (cur && cur == RootOf(tvDialog) &&
            tvDialog->property("Tag").toInt() == TreeTagSkipRoot && NextInTree(cur))
            tvDialog->setCurrentItem(NextInTree(cur));
    });
    connect(tvDialog, &QTreeWidget::itemDoubleClicked, this, &TfmDialogGetTreeNode::OkClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TfmDialogGetTreeNode::OkClick);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    resize(320, 400);
}

void TfmDialogGetTreeNode::OkClick() {
    if (!tvDialog->currentItem()) {
        ShowInformation(QStringLiteral("Please select destination folder"));
        return;
    }
    btnOkClicked = true;
    accept();
}

TTreeNodeData TfmDialogGetTreeNode::SelectedData() const {
    return NodeData(tvDialog->currentItem());
}

int TfmDialogGetTreeNode::SelectedAbsoluteIndex() const {
    return AbsoluteIndex(tvDialog->currentItem());
}
