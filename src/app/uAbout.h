#pragma once

#include <QDialog>

class QLabel;

// The About box: the product title and a Close button.
class TfmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfmAbout(QWidget* parent = nullptr);
    QLabel* lbName;
};
