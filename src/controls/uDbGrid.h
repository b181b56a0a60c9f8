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
// (kept in marking order), clickable titles, movable columns.
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
