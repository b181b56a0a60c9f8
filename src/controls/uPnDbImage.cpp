#include "uPnDbImage.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "TClientDataSet.h"
#include "uMessages.h"

TPnDbImage::TPnDbImage(QWidget* parent) : TPnBase(parent) {
    FDbEdit = new QLineEdit(this);
    FDbEdit->setReadOnly(true);  // the path is chosen, never typed
    FSbBtn = new QToolButton(this);
    FSbBtn->setText(QStringLiteral("..."));
    FSbBtn->setToolTip(QStringLiteral("Browse picture file"));
    FSbBtn->setFixedSize(23, 22);
    FImage = new QLabel(this);
    FImage->setAlignment(Qt::AlignCenter);
    FLabelCaption->setBuddy(FDbEdit);
    connect(FSbBtn, &QToolButton::clicked, this, &TPnDbImage::BrowseClick);
    setMinimumHeight(60);
    resize(200, 120);
}

void TPnDbImage::BrowseClick() {
    if (!DataSource()) return;
    QStringList patterns;
    for (const QByteArray& f : QImageReader::supportedImageFormats())
        patterns << "*." + QString::fromLatin1(f);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString file;
    const bool ok = TMessageService::Instance().OpenFile(
        QString(), "Pictures (" + patterns.join(' ') + ")", file);
    QApplication::restoreOverrideCursor();
    if (ok) StoreValue(QFileInfo(file).absoluteFilePath());
    RefreshFromField();
}

QString TPnDbImage::Text() const { return FDbEdit->text(); }
QWidget* TPnDbImage::Editor() const { return FDbEdit; }

void TPnDbImage::RefreshFromField() {
    TField* f = Field();
    const QString path = f ? f->AsString() : QString();
    FDbEdit->setText(path);
    FImage->clear();
    // A missing file leaves the picture empty, without a message.
    if (DataSource() && !path.isEmpty() && QFileInfo::exists(path)) {
        const QPixmap pm(path);
        if (!pm.isNull())
            FImage->setPixmap(
                pm.scaled(FImage->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}

void TPnDbImage::ApplyLayout() {
    const int top = FLabelCaption->fontMetrics().height() + 5;
    const int editH = FDbEdit->sizeHint().height();
    FDbEdit->setGeometry(0, top, width() - FSbBtn->width(), editH);
    FSbBtn->move(width() - FSbBtn->width(), top);
    FImage->setGeometry(0, top + editH, width(), qMax(0, height() - top - editH));
}

void TPnDbImage::SetReadOnly(bool readOnly) {
    TPnBase::SetReadOnly(readOnly);
    FSbBtn->setEnabled(!NoRow());
}
