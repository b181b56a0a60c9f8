#pragma once

#include "uPnBase.h"

class QPlainTextEdit;

// A labelled multi-line text bound to a column; at least 60 pixels high.
class TPnDbMemo : public TPnBase {
    Q_OBJECT
public:
    explicit TPnDbMemo(QWidget* parent = nullptr);

    void SetReadOnly(bool readOnly) override;
    QString Text() const override;
    QWidget* Editor() const override;
    QPlainTextEdit* Memo() const { return FDbMemo; }

protected:
    void RefreshFromField() override;
    void ApplyLayout() override;

private:
    QPlainTextEdit* FDbMemo;
};
