#include "uPnDbEdit.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>

#include "TClientDataSet.h"
#include "uMessages.h"

TPnDbEdit::TPnDbEdit(QWidget* parent) : TPnBase(parent) {
    FDbEdit = new QLineEdit(this);
    FDbEdit->setObjectName(QStringLiteral("FDbEdit"));
    FLabelCaption->setBuddy(FDbEdit);
    setFocusProxy(FDbEdit);
    connect(FDbEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        try {
            StoreValue(text.isEmpty() ? QVariant() : QVariant(text));
            ShowRefusal(QString());
        } catch (...) {
            // The column refused the value (out of range, or a value derived
            // from it would be): nothing was stored, the text stays for a
            // correction, and posting the row is refused until then.
            TField* f = Field();
            if (!f || !f->Refused()) throw;
            ShowRefusal(f->RefusedMessage());
        }
    });
    FDbEdit->installEventFilter(this);
    resize(200, 0);
    ApplyLayout();
}

void TPnDbEdit::ShowRefusal(const QString& message) {
    if (MarkRefusal(FDbEdit, message)) FRefusalTold = false;
}

bool TPnDbEdit::eventFilter(QObject* o, QEvent* e) {
    if (o == FDbEdit && (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut)) {
        TField* f = Field();
        if (f && f->DataType == TFbType::Money && !f->DisplayFormat.isEmpty()) RefreshFromField();
        if (!f || !f->Refused()) ShowRefusal(QString());
        // Leaving a refused value says why, once (not when the message box
        // itself takes the focus).
        if (e->type() == QEvent::FocusOut && f && f->Refused() && !FRefusalTold &&
            static_cast<QFocusEvent*>(e)->reason() != Qt::ActiveWindowFocusReason &&
            static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason) {
            FRefusalTold = true;
            ShowError(f->RefusedMessage());
        }
    }
    return TPnBase::eventFilter(o, e);
}

void TPnDbEdit::SetReadOnly(bool readOnly) {
    TPnBase::SetReadOnly(readOnly);
    ShowEditorReadOnly(FDbEdit, EditorReadOnly());
}

QString TPnDbEdit::Text() const { return FDbEdit->text(); }
QWidget* TPnDbEdit::Editor() const { return FDbEdit; }

void TPnDbEdit::RefreshFromField() {
    TField* f = Field();
    // Numeric columns have no validator that would drop keys unseen: what the
    // column cannot take is refused by the column, with its message.
    // A refused value stays as typed until it is corrected or the edit ends.
    // Money reads as its display format ("1,234.50") unless it is being typed
    // in, where the plain value is what the keys change.
    QString text;
    if (f && f->Refused())
        text = f->RefusedText();
    else if (f && f->DataType == TFbType::Money && !f->DisplayFormat.isEmpty() &&
             !FDbEdit->hasFocus())
        text = f->DisplayText();
    else if (f)
        text = f->AsString();
    if (FDbEdit->text() != text) FDbEdit->setText(text);
}

void TPnDbEdit::ApplyLayout() { LayoutEditor(FDbEdit->sizeHint().height(), true); }
