#pragma once

#include <QWidget>

class QLabel;

// The home page: the window behind all others, greeting the user.
class TfmDefault : public QWidget {
    Q_OBJECT
public:
    explicit TfmDefault(QWidget* parent = nullptr);
    void SetWelcome(const QString& text);

    QLabel* lbChildName;  // the heading strip's text
};
