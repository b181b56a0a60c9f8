#pragma once

#include <QDateEdit>
#include <QPointer>

#include "uPnBase.h"

// The date a typed text names, as every date box takes it: in the display
// format, or with the month as a number or a name and the day, month and year
// in the display format's order ("01/12/2026", "1 Dec 2026" for "d MMM yyyy").
// Invalid when the text names no date (31 February).
QDate ParseTypedDate(const QString& text, const QString& displayFormat);

// A date picker bound to a column (or to none: a date box of its own). A null value shows day 0 of
// the date system, 30 December 1899; a picked date is stored without time of day. A typed date is
// taken exactly as typed; text that is no date when the typing ends (Enter or leaving the box) is
// refused with a message, and the stored value stays as it was.
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
    // The date a typed text names (ParseTypedDate); invalid when none.
    QDate ParseTyped(const QString& text) const;
    // False (and the message shown, the stored value back) when the text is
    // no date. A refusal just told as a click took the focus away is not
    // told again by the click's own check.
    bool CheckTyped();

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
    bool Refuse();
    void Store(const QDate& d);
    QPointer<TDataSource> FSource;
    QString FDataField;
    bool FUpdating = false;
    bool FTelling = false;  // the refusal of a typed date is being shown
    // The refusal was told as a click took the focus to FToldTo.
    bool FToldOnClick = false;
    QPointer<QWidget> FToldTo;
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
