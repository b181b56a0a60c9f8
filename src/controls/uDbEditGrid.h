#pragma once

#include "uDbGrid.h"

// A grid whose cells are typed into: a double click, F2 or a key starts
// editing the cell of the current row; leaving the row saves it into the
// record set (a value the row cannot take keeps the cursor there). Down on
// the last row and Insert add a row, Ctrl+Delete deletes the current one
// after the standard confirmation, Esc undoes the row being edited.
class TDbEditGrid : public TDbGrid {
    Q_OBJECT
public:
    explicit TDbEditGrid(QWidget* parent = nullptr);

    // Binds the grid and makes its cells editable.
    void SetDataSource(TDataSource* ds);

    // Finishes the row being edited so that the cursor may leave it: an
    // untouched new row is dropped, any other is posted. False (after the
    // message) when the row cannot be posted.
    bool LeaveRow();
    // Hands the text of a cell still being typed in to its row, as leaving
    // the cell does.
    void FinishCellEdit();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};
