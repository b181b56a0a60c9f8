#include "uDefault.h"

#include <QLabel>
#include <QVBoxLayout>

#include "uLibProc.h"

TfmDefault::TfmDefault(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fmDefault"));
    setWindowTitle(QStringLiteral("Welcome"));
    SetStandardFont(this);
    auto* layout = new QVBoxLayout(this);
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("PanelTitle"));
    strip->setAutoFillBackground(true);
    QPalette pal = strip->palette();
    pal.setColor(QPalette::Window, QColor(0x2b, 0x57, 0x9a));
    pal.setColor(QPalette::WindowText, Qt::white);
    strip->setPalette(pal);
    auto* stripLayout = new QHBoxLayout(strip);
    lbChildName = new QLabel(strip);
    lbChildName->setObjectName(QStringLiteral("lbChildName"));
    QFont f = lbChildName->font();
    f.setPointSize(14);
    f.setBold(true);
    lbChildName->setFont(f);
    stripLayout->addWidget(lbChildName);
    layout->addWidget(strip);
    layout->addStretch(1);
}

void TfmDefault::SetWelcome(const QString& text) { lbChildName->setText(text); }
