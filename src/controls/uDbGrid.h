#pragma once

#include <QMouseEvent>
#include <QStringList>
#include <QTableView>
#include <vector>

#include "TBookmarkList.h"

class TDataSource;
class TDbGridModel;
class TField;

// The grid of a record set: whole-row selection, rows marked with Ctrl-click
// (kept in marking order; a right-click keeps them), clickable titles,
// movable columns. The current row
// is highlighted across all columns; marked rows show in a lighter tint of the
// same colour, and a row both current and marked in a darker one. A double
// click on a row emits QAbstractItemView::doubleClicked.
class TDbGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDbGrid(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* ds);
    TDataSource* DataSource() const { return FSource; }
    TDbGridModel* GridModel() const { return FModel; }

    // Grid columns: logical index = the model's column.
    int ColumnCount() const;
    TField* ColumnField(int logical) const;
    int LogicalOfField(const QString& fieldName) const;
    QString Title(int logical) const;
    void SetTitle(int logical, const QString& title);
    // Logical indexes in display order.
    std::vector<int> DisplayOrder() const;

    TBookmarkList& SelectedRows() { return FMarks; }
    // Shows the marks of SelectedRows() on the screen.
    void SyncMarks();

    // The colours a row is drawn in: current, marked, or both.
    QColor CurrentRowColor() const;
    QColor MarkedRowColor() const;
    QColor CurrentMarkedRowColor() const;
    bool IsMarkedRow(int row) const;

    // What the fitting arithmetic counts besides the column widths.
    bool DrawsColumnLines() const { return false; }
    bool ShowsIndicator() const { return false; }

signals:
    void TitleClicked(int logical);
    void ColumnMoved(int from, int to);
    void MouseReleased(QMouseEvent* e);
    void MousePressedOnTitle();
    void Exited();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void FollowDataSet();
    void GoToRow(int row);

    TDataSource* FSource = nullptr;
    TDbGridModel* FModel = nullptr;
    TBookmarkList FMarks;
};
