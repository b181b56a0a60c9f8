#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TClientDataSet;

// "Daily Tips": one tip at a time, "Next >>" through all of them in turn;
// where the user left off and whether tips show after login are kept per
// user when the window closes.
class TfmTip : public QDialog {
    Q_OBJECT
public:
    explicit TfmTip(QWidget* parent = nullptr);
    // Opens the user's row and the tips, at the tip the user saw last.
    void OpenFor(int userId);
    void BitBtn1Click();  // "Next >>"
    void BitBtn2Click() { accept(); }

    TClientDataSet* User_CDS;
    TClientDataSet* Tip_CDS;
    QLabel* lbSubject;
    QPlainTextEdit* memoMsg;
    QCheckBox* cbShowTip;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

protected:
    void done(int r) override;

private:
    void ShowTip();
};
