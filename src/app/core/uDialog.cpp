#include "uDialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "uLibProc.h"

TfmDialog::TfmDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmDialog"));
    SetStandardFont(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    PanelLeft = new QWidget(this);
    PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    auto* left = new QVBoxLayout(PanelLeft);
    left->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QFrame(PanelLeft);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(40);
    auto* noteLayout = new QHBoxLayout(Panel1);
    lbNotes = new QLabel(Panel1);
    lbNotes->setObjectName(QStringLiteral("lbNotes"));
    lbNotes->setWordWrap(true);
    noteLayout->addWidget(lbNotes);
    left->addWidget(Panel1);
    Content = new QWidget(PanelLeft);
    Content->setObjectName(QStringLiteral("Content"));
    left->addWidget(Content, 1);
    outer->addWidget(PanelLeft, 1);

    PanelRight = new QWidget(this);
    PanelRight->setObjectName(QStringLiteral("PanelRight"));
    PanelRight->setFixedWidth(102);
    auto* right = new QVBoxLayout(PanelRight);
    BitBtn1 = new QPushButton(PanelRight);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(PanelRight);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3 = new QPushButton(PanelRight);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    right->addWidget(BitBtn1);
    right->addWidget(BitBtn2);
    right->addWidget(BitBtn3);
    right->addStretch(1);
    outer->addWidget(PanelRight);
}

void TfmDialog::SetFormSize(int aWidth, int aHeight) { resize(aWidth, aHeight); }
