#include "uWizard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

TWizardPicture::TWizardPicture(QWidget* parent) : QWidget(parent), FTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("Picture"));
    setFixedSize(sizeHint());
    FTimer->setInterval(150);
    connect(FTimer, &QTimer::timeout, this, [this]() {
        FFrame = (FFrame + 1) % 12;
        update();
    });
}

void TWizardPicture::SetPicture(int index) {
    FIndex = index;
    FFrame = 0;
    update();
}

void TWizardPicture::showEvent(QShowEvent*) { FTimer->start(); }
void TWizardPicture::hideEvent(QHideEvent*) { FTimer->stop(); }

void TWizardPicture::paintEvent(QPaintEvent*) {
    // A grid of cells; the new column (which one depends on the picture)
    // fills from the top, one row per frame.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = QColor::fromHsv((FIndex * 36) % 360, 150, 210);
    const int cols = 4, rows = 5, cw = 20, ch = 11, x0 = 8, y0 = 6;
    const int newCol = FIndex % cols;
    const int filled = std::min(rows, FFrame / 2);
    for (int c = 0; c < cols; ++c) {
        for (int r = 0; r < rows; ++r) {
            const QRect cell(x0 + c * cw, y0 + r * ch, cw - 2, ch - 2);
            QColor fill = r == 0 ? palette().color(QPalette::Mid) : palette().color(QPalette::Base);
            if (c == newCol && r < filled) fill = accent;
            p.fillRect(cell, fill);
            p.setPen(palette().color(QPalette::Dark));
            p.drawRect(cell);
        }
    }
}

TfmWizard::TfmWizard(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmWizard"));
    auto* outer = new QVBoxLayout(this);
    Header = new QWidget(this);
    Header->setAutoFillBackground(true);
    QPalette hp = Header->palette();
    hp.setColor(QPalette::Window, hp.color(QPalette::Base));
    Header->setPalette(hp);
    auto* hl = new QHBoxLayout(Header);
    auto* texts = new QVBoxLayout;
    FFlow = new QWidget(Header);
    FFlow->setMinimumHeight(24);
    texts->addWidget(FFlow);
    lbTop = new QLabel(Header);
    lbTop->setObjectName(QStringLiteral("lbTop"));
    lbTop->setWordWrap(true);
    texts->addWidget(lbTop);
    hl->addLayout(texts, 1);
    Picture = new TWizardPicture(Header);
    hl->addWidget(Picture);
    outer->addWidget(Header);
    pgMain = new QStackedWidget(this);
    pgMain->setObjectName(QStringLiteral("pgMain"));
    outer->addWidget(pgMain, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnPrior = new QPushButton(QStringLiteral("<< Back"), this);
    btnPrior->setObjectName(QStringLiteral("btnPrior"));
    btnNext = new QPushButton(QStringLiteral("Next >>"), this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnPrior);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnCancel);
    outer->addLayout(buttons);
    connect(btnNext, &QPushButton::clicked, this, [this]() { btnNextClick(); });
    connect(btnPrior, &QPushButton::clicked, this, &TfmWizard::btnPriorClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfmWizard::btnCancelClick);
    Picture->SetPicture(0);
}

QWidget* TfmWizard::AddPage(const QString& explanation) {
    auto* page = new QWidget(pgMain);
    page->setProperty("Explanation", explanation);
    pgMain->addWidget(page);
    return page;
}

void TfmWizard::constructFlow() {
    qDeleteAll(FFlow->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    FStepLabels.clear();
    int left = 25;
    for (int i = 0; i < FStepList.size(); ++i) {
        if (i > 0) {
            auto* arrow = new QLabel(QStringLiteral("\u2192"), FFlow);
            arrow->adjustSize();
            arrow->move(left, 4);
            arrow->show();
            left += arrow->width() + 6;
        }
        auto* step = new QLabel(FStepList[i], FFlow);
        step->setObjectName("lbStep" + QString::number(i + 1));
        step->adjustSize();
        step->move(left, 4);
        step->show();
        left += step->width() + 25;
        FStepLabels << step;
    }
    FFlow->setMinimumWidth(left);
    SetButtons();
}

void TfmWizard::SetTopLabelCap(const QString& text) { lbTop->setText(text); }

void TfmWizard::SetButtons() {
    const int page = pgMain->currentIndex();
    const bool last = page == pgMain->count() - 1;
    btnPrior->setEnabled(page > 0);
    btnNext->setText(last ? QStringLiteral("Finish") : QStringLiteral("Next >>"));
    if (QWidget* w = pgMain->currentWidget()) SetTopLabelCap(w->property("Explanation").toString());
    for (int i = 0; i < FStepLabels.size(); ++i) {
        QPalette p = FStepLabels[i]->palette();
        p.setColor(QPalette::WindowText,
                   palette().color(i == page ? QPalette::Highlight : QPalette::WindowText));
        FStepLabels[i]->setPalette(p);
    }
}

void TfmWizard::btnNextClick() {
    if (pgMain->currentIndex() == pgMain->count() - 1) {
        FCloseOnSuccess = true;
        accept();
        return;
    }
    Picture->SetPicture(int(QRandomGenerator::global()->bounded(10)));
    pgMain->setCurrentIndex(pgMain->currentIndex() + 1);
    SetButtons();
}

void TfmWizard::btnPriorClick() {
    if (pgMain->currentIndex() == 0) return;
    pgMain->setCurrentIndex(pgMain->currentIndex() - 1);
    SetButtons();
}

void TfmWizard::btnCancelClick() { reject(); }
