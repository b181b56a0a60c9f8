#include "uDbEditGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDbGridModel.h"
#include "uMessages.h"

TDbEditGrid::TDbEditGrid(QWidget* parent) : TDbGrid(parent) {
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    // Presses go to the record set, so the grid reports double clicks itself.
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& idx) {
        if (idx.isValid() && (model()->flags(idx) & Qt::ItemIsEditable)) edit(idx);
    });
}

void TDbEditGrid::SetDataSource(TDataSource* ds) {
    TDbGrid::SetDataSource(ds);
    GridModel()->Editable = true;
    connect(GridModel(), &TDbGridModel::ValueRefused, this,
            [](const QString& message) { ShowError(message); });
}

bool TDbEditGrid::LeaveRow() {
    TClientDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (!ds || !DataSource()->Editing()) return true;
    if (ds->State() == TDataSetState::Insert && !ds->Modified()) {
        ds->Cancel();
        return true;
    }
    // A column still holding a refused value, or the row's own checks, say why.
    return RunGuarded([ds]() { ds->Post(); });
}

void TDbEditGrid::FinishCellEdit() {
    // The cell's editor commits when the focus leaves it.
    if (state() == QAbstractItemView::EditingState) setFocus();
}

void TDbEditGrid::keyPressEvent(QKeyEvent* e) {
    TClientDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (!ds || !ds->Active()) {
        TDbGrid::keyPressEvent(e);
        return;
    }
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
        case Qt::Key_Down: {
            // Down from an untouched new row stays on it; from the last row
            // it adds one.
            const bool untouchedNew = ds->State() == TDataSetState::Insert && !ds->Modified();
            if (untouchedNew) return;
            if (!LeaveRow()) return;
            if (ds->IsEmpty() || ds->RecNo() == ds->RecordCount() - 1)
                RunGuarded([ds]() { ds->Append(); });
            else
                TDbGrid::keyPressEvent(e);
            return;
        }
        case Qt::Key_Up:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (LeaveRow()) TDbGrid::keyPressEvent(e);
            return;
        case Qt::Key_Home:
        case Qt::Key_End:
            if (!ctrl || LeaveRow()) TDbGrid::keyPressEvent(e);
            return;
        case Qt::Key_Insert:
            if (LeaveRow()) RunGuarded([ds]() { ds->Insert(); });
            return;
        case Qt::Key_Delete:
            if (!ctrl) break;
            if (ds->IsEmpty()) return;
            if (ConfirmYesNo(QStringLiteral("Delete record?")))
                RunGuarded([ds]() { ds->Delete(); });
            return;
        case Qt::Key_Escape:
            // Undoes the row being edited; with nothing to undo the key goes on
            // to the window.
            if (DataSource()->Editing()) {
                ds->Cancel();
                return;
            }
            e->ignore();
            return;
        default:
            break;
    }
    TDbGrid::keyPressEvent(e);
}

void TDbEditGrid::mousePressEvent(QMouseEvent* e) {
    TClientDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    const QModelIndex idx = indexAt(e->position().toPoint());
    // Another row: the one being edited is finished first.
    if (ds && idx.isValid() && idx.row() != ds->RecNo() && !LeaveRow()) return;
    TDbGrid::mousePressEvent(e);
    // The cell clicked is the one a key or F2 types into.
    if (ds && idx.isValid() && idx.row() == ds->RecNo() && currentIndex() != idx)
        selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
}
