#include "uPnDbMemo.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScopedValueRollback>

#include "TClientDataSet.h"

TPnDbMemo::TPnDbMemo(QWidget* parent) : TPnBase(parent) {
    FDbMemo = new QPlainTextEdit(this);
    FDbMemo->setObjectName(QStringLiteral("FDbMemo"));
    FDbMemo->setTabChangesFocus(true);
    FLabelCaption->setBuddy(FDbMemo);
    setFocusProxy(FDbMemo);
    connect(FDbMemo, &QPlainTextEdit::textChanged, this, [this]() {
        if (FUpdating) return;
        const QString t = FDbMemo->toPlainText();
        TField* f = Field();
        if (!f || (f->AsString() == t && !f->Refused())) return;
        try {
            StoreValue(t.isEmpty() ? QVariant() : QVariant(t));
            MarkRefusal(FDbMemo, QString());
        } catch (...) {
            // Too long for the column: nothing stored, the text stays for a
            // correction, and saving the row says why.
            if (!f->Refused()) throw;
            MarkRefusal(FDbMemo, f->RefusedMessage());
        }
    });
    setMinimumHeight(60);
    resize(200, 60);
}

void TPnDbMemo::SetReadOnly(bool readOnly) {
    TPnBase::SetReadOnly(readOnly);
    ShowEditorReadOnly(FDbMemo, EditorReadOnly());
}

QString TPnDbMemo::Text() const { return FDbMemo->toPlainText(); }
QWidget* TPnDbMemo::Editor() const { return FDbMemo; }

void TPnDbMemo::RefreshFromField() {
    TField* f = Field();
    // A refused text stays as typed until it is corrected or the edit ends.
    const QString text = !f ? QString() : f->Refused() ? f->RefusedText() : f->AsString();
    if (!f || !f->Refused()) MarkRefusal(FDbMemo, QString());
    if (FDbMemo->toPlainText() != text) {
        const QScopedValueRollback<bool> updating(FUpdating, true);
        FDbMemo->setPlainText(text);
    }
}

void TPnDbMemo::ApplyLayout() { LayoutEditor(0, false); }
