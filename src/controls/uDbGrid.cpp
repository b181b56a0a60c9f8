#include "uDbGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDbGridModel.h"

namespace {

QColor Blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(float(a.redF() * share + b.redF() * (1 - share)),
                            float(a.greenF() * share + b.greenF() * (1 - share)),
                            float(a.blueF() * share + b.blueF() * (1 - share)));
}

// Paints whole rows by their role: the current row, marked rows, both.
class TRowDelegate : public QStyledItemDelegate {
public:
    explicit TRowDelegate(TDbGrid* grid) : QStyledItemDelegate(grid), FGrid(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem* opt, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(opt, index);
        const bool current =
            FGrid->currentIndex().isValid() && index.row() == FGrid->currentIndex().row();
        const bool marked = FGrid->IsMarkedRow(index.row());
        // The cell's own focus frame would single out one column of the row.
        opt->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (!current && !marked) return;
        const QColor back = current && marked ? FGrid->CurrentMarkedRowColor()
                            : current         ? FGrid->CurrentRowColor()
                                              : FGrid->MarkedRowColor();
        opt->backgroundBrush = back;
        const QColor text = current ? opt->palette.color(QPalette::HighlightedText)
                                    : opt->palette.color(QPalette::Text);
        opt->palette.setColor(QPalette::Text, text);
        opt->palette.setColor(QPalette::WindowText, text);
    }

private:
    TDbGrid* FGrid;
};

}  // namespace

TDbGrid::TDbGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new TRowDelegate(this));
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

QColor TDbGrid::CurrentRowColor() const { return palette().color(QPalette::Highlight); }

QColor TDbGrid::MarkedRowColor() const {
    return Blend(palette().color(QPalette::Highlight), palette().color(QPalette::Base), 0.3);
}

QColor TDbGrid::CurrentMarkedRowColor() const {
    return palette().color(QPalette::Highlight).darker(150);
}

bool TDbGrid::IsMarkedRow(int row) const {
    return selectionModel() && FModel && selectionModel()->isRowSelected(row, QModelIndex());
}

void TDbGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // The highlight spans the whole row, not only the cells Qt repaints.
    viewport()->update();
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
    if (e->button() != Qt::LeftButton && idx.isValid()) {
        // A right-click never changes the marks (Qt's own press would), with
        // or without Ctrl: commands for marked rows act on all of them. The
        // row under the pointer becomes current, for the commands of one row.
        GoToRow(idx.row());
        setFocus();
        e->accept();
        return;
    }
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

void TDbGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    // Presses go to the record set, not to Qt's own click tracking, so Qt
    // would not recognise the double click: the grid reports it itself.
    const QModelIndex idx = indexAt(e->position().toPoint());
    if (!idx.isValid() || e->button() != Qt::LeftButton) {
        QTableView::mouseDoubleClickEvent(e);
        return;
    }
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    if (ds) GoToRow(idx.row());
    // Only on the row it was made on (a row being edited keeps the grid still).
    if (!ds || ds->RecNo() == idx.row()) emit doubleClicked(idx);
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
                    // The last row of all, not of those read so far.
                    if (!FSource->Editing()) ds->Last();
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
