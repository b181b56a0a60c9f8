#include "uAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "uDmMain.h"
#include "uLibProc.h"

TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(QStringLiteral("About"));
    SetStandardFont(this);
    setFixedSize(371, 234);
    auto* layout = new QVBoxLayout(this);
    auto* panel = new QWidget(this);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    panel->setPalette(pal);
    auto* pl = new QHBoxLayout(panel);
    auto* icon = new QLabel(panel);
    icon->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    lbName = new QLabel(dmMain() ? dmMain()->Curr_ProgName : QString(), panel);
    lbName->setObjectName(QStringLiteral("lbName"));
    QFont f = lbName->font();
    f.setPointSize(16);
    lbName->setFont(f);
    pl->addWidget(icon);
    pl->addWidget(lbName, 1);
    layout->addWidget(panel, 1);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
}
