#pragma once

#include <QDateEdit>
#include <QPointer>

#include "uPnBase.h"

// A date picker bound to a column. A null value shows day 0 of the date
// system, 30 December 1899; a picked date is stored without time of day.
class TDbDate : public QDateEdit {
    Q_OBJECT
public:
    explicit TDbDate(QWidget* parent = nullptr);
    void SetDataSource(TDataSource* ds);
    void SetDataField(const QString& field) {
        FDataField = field;
        Refresh();
    }
    static QDate ZeroDate() { return QDate(1899, 12, 30); }
    void Refresh();

private:
    TField* Field() const;
    QPointer<TDataSource> FSource;
    QString FDataField;
    bool FUpdating = false;
};

// A labelled date control.
class TPnDbDate : public TPnBase {
    Q_OBJECT
public:
    explicit TPnDbDate(QWidget* parent = nullptr);
    void SetDataSource(TDataSource* ds) override {
        TPnBase::SetDataSource(ds);
        FDbDate->SetDataSource(ds);
    }
    void SetDataField(const QString& field) override {
        TPnBase::SetDataField(field);
        FDbDate->SetDataField(field);
    }
    void SetReadOnly(bool readOnly) override;
    QString Text() const override;
    QWidget* Editor() const override;
    TDbDate* DateEdit() const { return FDbDate; }

protected:
    void RefreshFromField() override { FDbDate->Refresh(); }
    void ApplyLayout() override;

private:
    TDbDate* FDbDate;
};
