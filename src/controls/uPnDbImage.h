#pragma once

#include "uPnBase.h"

class QLabel;
class QLineEdit;
class QToolButton;

// A labelled picture control: the column holds the path of a picture file,
// chosen with "..."; the picture shows below when the file exists.
class TPnDbImage : public TPnBase {
    Q_OBJECT
public:
    explicit TPnDbImage(QWidget* parent = nullptr);
    QString Text() const override;
    QWidget* Editor() const override;
    QLabel* Image() const { return FImage; }
    QToolButton* Button() const { return FSbBtn; }
    // The path is never typed; the button stays usable unless there is no row.
    void SetReadOnly(bool readOnly) override;
    void BrowseClick();

protected:
    void RefreshFromField() override;
    void ApplyLayout() override;

private:
    QLineEdit* FDbEdit;
    QToolButton* FSbBtn;
    QLabel* FImage;
};
