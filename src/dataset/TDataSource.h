#pragma once

#include <QObject>

class TClientDataSet;
class TField;

// The link that bound controls and grids listen to: it relays a record set's
// state changes, data changes and moves of the current row as signals.
class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(QObject* parent = nullptr) : QObject(parent) {}
    ~TDataSource() override;

    void SetDataSet(TClientDataSet* ds);
    TClientDataSet* DataSet() const { return FDataSet; }
    // Editing or inserting.
    bool Editing() const;

    // Called by the record set.
    void NotifyState() { emit StateChanged(); }
    void NotifyData(TField* f) { emit DataChanged(f); }
    void NotifyActiveRow() { emit ActiveRowChanged(); }
    void NotifyLayout() { emit LayoutChanged(); }
    void NotifyRowInserted(int row) { emit RowInserted(row); }
    void NotifyRowRemoved(int row) { emit RowRemoved(row); }
    void NotifyRowsAppended(int first, int last) { emit RowsAppended(first, last); }
    void DataSetDestroyed();

signals:
    void StateChanged();
    // A value of the current row changed; field null: the whole row.
    void DataChanged(TField* field);
    void ActiveRowChanged();
    // Opened, closed, re-read, sorted or filtered: every row may differ.
    void LayoutChanged();
    void RowInserted(int row);
    void RowRemoved(int row);
    // Rows read after the first packet, at the end of the order.
    void RowsAppended(int first, int last);

private:
    TClientDataSet* FDataSet = nullptr;
};
