#include "uSplash.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "uLibProc.h"

TfmSplash::TfmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("fmSplash"));
    SetStandardFont(this);
    setFixedSize(425, 248);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("Program Loading ..."), this);
    QFont f(QStringLiteral("Segoe UI"));
    f.setPixelSize(24);
    text->setFont(f);
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
}

void TfmSplash::ShowNow() {
    if (QScreen* s = QApplication::primaryScreen()) move(s->geometry().center() - rect().center());
    show();
    repaint();
    QApplication::processEvents();
}
