#include "uDbGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDbGridModel.h"

TDbGrid::TDbGrid(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Marks are kept by the grid itself (in marking order), not by Qt.
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setTextElideMode(Qt::ElideRight);
    horizontalHeader()->viewport()->installEventFilter(this);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TDbGrid::TitleClicked);
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this,
            [this](int, int from, int to) { emit ColumnMoved(from, to); });
}

void TDbGrid::SetDataSource(TDataSource* ds) {
    FSource = ds;
    delete FModel;
    FModel = new TDbGridModel(ds, this);
    setModel(FModel);
    connect(ds, &TDataSource::ActiveRowChanged, this, &TDbGrid::FollowDataSet);
    connect(ds, &TDataSource::LayoutChanged, this, [this]() {
        FollowDataSet();
        SyncMarks();
    });
}

int TDbGrid::ColumnCount() const { return FModel ? FModel->columnCount() : 0; }

TField* TDbGrid::ColumnField(int logical) const {
    return FModel ? FModel->FieldOfColumn(logical) : nullptr;
}

int TDbGrid::LogicalOfField(const QString& fieldName) const {
    for (int i = 0; i < ColumnCount(); ++i)
        if (ColumnField(i)->FieldName.compare(fieldName, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString TDbGrid::Title(int logical) const {
    return FModel ? FModel->headerData(logical, Qt::Horizontal).toString() : QString();
}

void TDbGrid::SetTitle(int logical, const QString& title) {
    if (FModel) FModel->setHeaderData(logical, Qt::Horizontal, title);
}

std::vector<int> TDbGrid::DisplayOrder() const {
    std::vector<int> order;
    for (int v = 0; v < ColumnCount(); ++v) order.push_back(horizontalHeader()->logicalIndex(v));
    return order;
}

void TDbGrid::FollowDataSet() {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    if (!ds || !FModel || ds->RecNo() < 0 || FModel->columnCount() == 0) return;
    const QModelIndex cur = currentIndex();
    const int col = cur.isValid() ? cur.column() : horizontalHeader()->logicalIndex(0);
    const QModelIndex want = FModel->index(ds->RecNo(), col < 0 ? 0 : col);
    if (want != cur) {
        selectionModel()->setCurrentIndex(want, QItemSelectionModel::NoUpdate);
        scrollTo(want);
    }
}

void TDbGrid::SyncMarks() {
    if (!selectionModel() || !FSource || !FSource->DataSet()) return;
    selectionModel()->clearSelection();
    TClientDataSet* ds = FSource->DataSet();
    QItemSelection sel;
    if (FMarks.Count() > 0) {
        for (int row = 0; row < ds->RecordCount(); ++row)
            if (FMarks.IsMarked(ds->KeyOfRow(row)))
                sel.select(FModel->index(row, 0), FModel->index(row, FModel->columnCount() - 1));
    }
    selectionModel()->select(sel, QItemSelectionModel::Select);
}

void TDbGrid::GoToRow(int row) {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    if (!ds || row < 0) return;
    // The current row cannot change underneath a row being edited.
    if (FSource->Editing()) return;
    ds->MoveTo(row);
}

void TDbGrid::mousePressEvent(QMouseEvent* e) {
    const QModelIndex idx = indexAt(e->position().toPoint());
    if (idx.isValid() && FSource && FSource->DataSet() && !FSource->Editing()) {
        GoToRow(idx.row());
        if (e->modifiers() & Qt::ControlModifier) {
            FMarks.Toggle(FSource->DataSet()->KeyOfRow(idx.row()));
        } else {
            FMarks.Clear();
        }
        SyncMarks();
        setFocus();
        return;
    }
    QTableView::mousePressEvent(e);
}

void TDbGrid::mouseReleaseEvent(QMouseEvent* e) {
    QTableView::mouseReleaseEvent(e);
    emit MouseReleased(e);
}

void TDbGrid::focusOutEvent(QFocusEvent* e) {
    QTableView::focusOutEvent(e);
    emit Exited();
}

void TDbGrid::keyPressEvent(QKeyEvent* e) {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    if (ds && ds->Active() && !FSource->Editing()) {
        const int page =
            qMax(1, viewport()->height() / qMax(1, verticalHeader()->defaultSectionSize()));
        switch (e->key()) {
            case Qt::Key_Down:
                GoToRow(ds->RecNo() + 1);
                return;
            case Qt::Key_Up:
                GoToRow(ds->RecNo() - 1);
                return;
            case Qt::Key_PageDown:
                GoToRow(qMin(ds->RecordCount() - 1, ds->RecNo() + page));
                return;
            case Qt::Key_PageUp:
                GoToRow(qMax(0, ds->RecNo() - page));
                return;
            case Qt::Key_Home:
                if (e->modifiers() & Qt::ControlModifier) {
                    GoToRow(0);
                    return;
                }
                break;
            case Qt::Key_End:
                if (e->modifiers() & Qt::ControlModifier) {
                    GoToRow(ds->RecordCount() - 1);
                    return;
                }
                break;
            default:
                break;
        }
    }
    QTableView::keyPressEvent(e);
}

bool TDbGrid::eventFilter(QObject* o, QEvent* e) {
    if (o == horizontalHeader()->viewport()) {
        if (e->type() == QEvent::MouseButtonPress) emit MousePressedOnTitle();
        if (e->type() == QEvent::MouseButtonRelease)
            emit MouseReleased(static_cast<QMouseEvent*>(e));
    }
    return QTableView::eventFilter(o, e);
}
