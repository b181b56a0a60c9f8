#pragma once

#include <QPointer>
#include <QWidget>

#include "TDataSource.h"

class QLabel;
class QLineEdit;
class TDataSource;
class TField;

// A labelled edit bound to a column: caption, red required marker and the
// editor. Caption, required, read-only and the insert-time flag come from the
// field metadata when the control is loaded.
class TPnDbEdit : public QWidget {
    Q_OBJECT
public:
    explicit TPnDbEdit(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* ds);
    TDataSource* DataSource() const { return FSource; }
    void SetDataField(const QString& field);
    const QString& DataField() const { return FDataField; }

    QString Caption() const;
    void SetCaption(const QString& caption);
    bool Required() const { return FRequired; }
    void SetRequired(bool required);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly);
    // 1: shown only while inserting; 2: enabled only while inserting.
    int CtrlFlag = 0;

    // Reads TITLE, REQUIRED, READONLY and CTRLFLAG of the bound column.
    void LoadMetadata(const QString& table);
    // The text of the bound edit.
    QString Text() const;
    QLineEdit* Editor() const { return FEdit; }
    // Order of creation among all labelled controls (the required check walks it).
    quint64 CreationOrder() const { return FOrder; }

protected:
    TField* Field() const;
    void Refresh();

    QLabel* FLabel;
    QLabel* FMarker;
    QLineEdit* FEdit;

private:
    QPointer<TDataSource> FSource;
    QString FDataField;
    bool FRequired = false;
    bool FReadOnly = false;
    quint64 FOrder;
};
