#pragma once

#include <QWidget>

// The borderless "Program Loading ..." window shown while the windows are made.
class TfmSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfmSplash(QWidget* parent = nullptr);
    // Shows the window and paints it at once.
    void ShowNow();
};
