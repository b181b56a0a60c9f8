#include "uPnDbEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "TClientDataSet.h"

TPnDbEdit::TPnDbEdit(QWidget* parent) : TPnBase(parent) {
    FDbEdit = new QLineEdit(this);
    FDbEdit->setObjectName(QStringLiteral("FDbEdit"));
    FLabelCaption->setBuddy(FDbEdit);
    setFocusProxy(FDbEdit);
    connect(FDbEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        StoreValue(text.isEmpty() ? QVariant() : QVariant(text));
    });
    resize(200, 0);
    ApplyLayout();
}

void TPnDbEdit::SetReadOnly(bool readOnly) {
    TPnBase::SetReadOnly(readOnly);
    const bool shown = EditorReadOnly();
    if (FDbEdit->isReadOnly() == shown) return;
    FDbEdit->setReadOnly(shown);
    QPalette p = FDbEdit->palette();
    p.setColor(QPalette::Base, palette().color(shown ? QPalette::Button : QPalette::Base));
    FDbEdit->setPalette(p);
}

QString TPnDbEdit::Text() const { return FDbEdit->text(); }
QWidget* TPnDbEdit::Editor() const { return FDbEdit; }

void TPnDbEdit::RefreshFromField() {
    TField* f = Field();
    // Numeric columns take only what can be stored in them.
    if (f && !FDbEdit->validator()) {
        if (f->DataType == TFbType::Integer || f->DataType == TFbType::Int64)
            FDbEdit->setValidator(
                new QRegularExpressionValidator(QRegularExpression("-?[0-9]{0,18}"), FDbEdit));
        else if (f->DataType == TFbType::Money)
            FDbEdit->setValidator(new QRegularExpressionValidator(
                QRegularExpression("-?[0-9]{0,14}([.][0-9]{0,4})?"), FDbEdit));
        else if (f->DataType == TFbType::Float)
            FDbEdit->setValidator(new QRegularExpressionValidator(
                QRegularExpression("-?[0-9]{0,15}([.][0-9]{0,10})?"), FDbEdit));
    }
    const QString text = f ? f->AsString() : QString();
    if (FDbEdit->text() != text) FDbEdit->setText(text);
}

void TPnDbEdit::ApplyLayout() { LayoutEditor(FDbEdit->sizeHint().height(), true); }
