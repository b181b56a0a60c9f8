#pragma once

#include "uPnBase.h"

class QLineEdit;

// A labelled single-line edit bound to a column.
class TPnDbEdit : public TPnBase {
    Q_OBJECT
public:
    explicit TPnDbEdit(QWidget* parent = nullptr);

    void SetReadOnly(bool readOnly) override;
    QString Text() const override;
    QWidget* Editor() const override;
    QLineEdit* Edit() const { return FDbEdit; }

protected:
    void RefreshFromField() override;
    // Money shows its display format while it is not being typed in.
    bool eventFilter(QObject* o, QEvent* e) override;
    void ApplyLayout() override;
    QLineEdit* FDbEdit;

private:
    // Shows in the box that the column refused what is typed (empty: it did not).
    void ShowRefusal(const QString& message);
    bool FRefusalTold = false;  // the refusal of the text as it stands was told
};
