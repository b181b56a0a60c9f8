#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

// Base of the modal dialogs: a right-hand button panel with three buttons that
// each dialog captions, and a client panel whose top strip carries a note.
class TfmDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfmDialog(QWidget* parent = nullptr);

    // Sets the outer width and height.
    void SetFormSize(int aWidth, int aHeight);

    QWidget* PanelRight;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QWidget* PanelLeft;
    QFrame* Panel1;  // the note strip
    QLabel* lbNotes;
    QWidget* Content;  // below the note strip: each dialog's own controls
};
