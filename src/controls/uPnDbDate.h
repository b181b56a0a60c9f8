#pragma once

#include <QDateEdit>
#include <QPointer>

#include "uPnBase.h"

// A date picker bound to a column. A null value shows day 0 of the date
// system, 30 December 1899; a picked date is stored without time of day.
// A typed date is taken exactly as typed; text that is no date when the typing
// ends (Enter or leaving the box) is refused with a message, and the stored
// value stays as it was.
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
    // The date a typed text names in the display format; invalid when none.
    QDate ParseTyped(const QString& text) const;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    QDateTime dateTimeFromText(const QString& text) const override;
    void fixup(QString& input) const override;
    // Typing edits the text freely (see keyPressEvent).
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    TField* Field() const;
    // False (and the message shown, the stored value back) when the text is no date.
    bool CheckTyped();
    void Store(const QDate& d);
    QPointer<TDataSource> FSource;
    QString FDataField;
    bool FUpdating = false;
    bool FTelling = false;  // the refusal of a typed date is being shown
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
