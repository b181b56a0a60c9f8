#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class QHBoxLayout;

// The wizard's moving picture: one of ten small drawings of a table taking a
// new column, animated while it is shown. Drawn here rather than read from
// picture files, so that the wizard looks the same wherever it is installed.
class TWizardPicture : public QWidget {
    Q_OBJECT
public:
    explicit TWizardPicture(QWidget* parent = nullptr);
    void SetPicture(int index);
    int Picture() const { return FIndex; }
    QSize sizeHint() const override { return {96, 72}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    int FIndex = 0;
    int FFrame = 0;
    QTimer* FTimer;
};

// A step wizard: the steps in a row at the top with the current one
// highlighted, the current page's explanation and a picture, the pages, and
// "<< Back", "Next >>" (or "Finish" on the last page) and "Cancel".
class TfmWizard : public QDialog {
    Q_OBJECT
public:
    explicit TfmWizard(QWidget* parent = nullptr);

    QStringList FStepList;
    // Closed by "Finish" on the last page.
    bool FCloseOnSuccess = false;

    // Lays the step captions out in a row, the first highlighted.
    void constructFlow();
    void SetButtons();
    void SetTopLabelCap(const QString& text);
    // A page with its explanation line.
    QWidget* AddPage(const QString& explanation);

    virtual void btnNextClick();
    void btnPriorClick();
    void btnCancelClick();

    QWidget* Header;
    QLabel* lbTop;
    TWizardPicture* Picture;
    QStackedWidget* pgMain;
    QPushButton* btnPrior;
    QPushButton* btnNext;
    QPushButton* btnCancel;

private:
    QWidget* FFlow;
    QList<QLabel*> FStepLabels;
};
