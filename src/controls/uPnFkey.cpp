#include "uPnFkey.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStyle>
#include <QToolButton>

#include "TClientDataSet.h"
#include "TSqlLexer.h"
#include "uDmMain.h"
#include "uMessages.h"
#include "uPnFkeyForm.h"

namespace {
QPointer<TfmPnFKey> g_picker;
}

TfmPnFKey* TPnFkey::CurrentPicker() { return g_picker; }

TPnFkey::TPnFkey(QWidget* parent) : TPnDbEdit(parent) {
    // The inner edit only carries the binding of the key.
    FDbEdit->hide();
    FDbEdit->setEnabled(false);
    FBtnEdit = new QLineEdit(this);
    FBtnEdit->setObjectName(QStringLiteral("FBtnEdit"));
    FBtnEdit->setToolTip(QStringLiteral("Search(F3)"));
    QAction* button = FBtnEdit->addAction(style()->standardIcon(QStyle::SP_ArrowDown),
                                          QLineEdit::TrailingPosition);
    button->setToolTip(QStringLiteral("Search(F3)"));
    connect(button, &QAction::triggered, this, &TPnFkey::SearchClick);
    FLabelCaption->setBuddy(FBtnEdit);
    setFocusProxy(FBtnEdit);
    FBtnEdit->installEventFilter(this);
    // Deleting or pasting searches with the new text.
    connect(FBtnEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!FUpdating && DataSource()) OpenPicker(0, text);
    });
    ApplyLayout();
}

void TPnFkey::Loaded() {
    TPnBase::Loaded();
    FFields.clear();
    FWidths.clear();
    FLookupTable.clear();
    if (LookupSQL.isEmpty()) {
        ShowInformation("LookupSQL is not set for: " + objectName());
        return;
    }
    // The columns by their source expressions: the display value and the
    // picker's search read them from the table again.
    const TSqlSelect select = ParseSelect(LookupSQL);
    FLookupTable = select.Table;
    for (const TSqlColumn& c : select.Columns) {
        FFields << c.Expr;
        FWidths << QStringLiteral("100");
    }
    SetReadOnly(ReadOnly());
    ShowDisplayValue();
}

void TPnFkey::SetReadOnly(bool readOnly) {
    TPnDbEdit::SetReadOnly(readOnly);
    // Read-only: no picker can be opened.
    const bool shown = EditorReadOnly();
    QPalette p = FBtnEdit->palette();
    p.setColor(QPalette::Base, palette().color(shown ? QPalette::Button : QPalette::Base));
    FBtnEdit->setPalette(p);
    FBtnEdit->setEnabled(!shown);
}

QString TPnFkey::Text() const { return FDbEdit->text(); }
QWidget* TPnFkey::Editor() const { return FBtnEdit; }

void TPnFkey::ApplyLayout() {
    // The visible editor is the search box; the key's own edit stays hidden.
    LayoutEditor(FBtnEdit->sizeHint().height(), true);
}

void TPnFkey::RefreshFromField() {
    TPnDbEdit::RefreshFromField();
    // Every change of the row comes here (a keystroke in another field):
    // only a new key needs the database.
    ShowDisplayValueOfKey();
}

QString TPnFkey::KeyText() const {
    TField* f = Field();
    return f ? f->AsString() : QString();
}

void TPnFkey::ShowDisplayValueOfKey() {
    if (!FKeyShown || KeyText() != FShownKey) {
        ShowDisplayValue();
        return;
    }
    if (FBtnEdit->text() == FShownText) return;
    const QScopedValueRollback<bool> updating(FUpdating, true);
    FBtnEdit->setText(FShownText);
    FBtnEdit->setCursorPosition(0);
}

void TPnFkey::ShowDisplayValue() {
    FKeyShown = false;
    {
        const QScopedValueRollback<bool> updating(FUpdating, true);
        FBtnEdit->clear();
    }
    TField* f = Field();
    if (!f || FFields.size() < 2 || FLookupTable.isEmpty()) return;
    const QString key = f->AsString();
    FShownKey = key;
    FShownText.clear();
    FKeyShown = true;
    if (key.isEmpty()) return;
    FKeyShown = false;  // stays unread if the statement fails
    const QVariant v = dmMain()->SelectValue("SELECT " + FFields[1] + "  FROM " + FLookupTable +
                                             " WHERE " + FFields[0] + " = " + key);
    FShownText = v.toString();
    FKeyShown = true;
    const QScopedValueRollback<bool> updating(FUpdating, true);
    FBtnEdit->setText(FShownText);
    FBtnEdit->setCursorPosition(0);
}

bool TPnFkey::eventFilter(QObject* o, QEvent* e) {
    if (o == FBtnEdit && e->type() == QEvent::KeyPress && g_picker && g_picker->IsOpen() &&
        g_picker->fmOwner == this) {
        // Typed on before the picker took the focus: the keys belong to its
        // search, not to another picker.
        g_picker->TypeAhead(*static_cast<QKeyEvent*>(e));
        return true;
    }
    if (o == FBtnEdit && e->type() == QEvent::KeyPress && DataSource()) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_F3) {
            SearchClick();
            return true;
        }
        const QString t = k->text();
        if (!t.isEmpty() && t[0].isPrint() &&
            !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            OpenPicker(0, t);  // the character searches; it does not edit the display
            return true;
        }
    }
    if (o == FBtnEdit && e->type() == QEvent::FocusOut) ShowDisplayValueOfKey();
    return TPnDbEdit::eventFilter(o, e);
}

void TPnFkey::SearchClick() {
    if (!DataSource()) return;
    FBtnEdit->setFocus();
    TField* f = Field();
    const QString key = f ? f->AsString() : QString();
    if (key.isEmpty())
        OpenPicker(0, FBtnEdit->text());
    else
        OpenPicker(key.toInt(), QString());
}

void TPnFkey::OpenPicker(int key, const QString& search) {
    // Read-only, or no row to write the choice into: no picker.
    if (!DataSource() || FFields.isEmpty() || EditorReadOnly()) return;
    auto* picker = new TfmPnFKey(this);
    g_picker = picker;
    picker->fmKeyId = key < 1 ? -1 : key;
    picker->SetSearchText(key < 1 ? search : QString());
    picker->fmLookupSQL = LookupSQL;
    picker->fmLookupTable = FLookupTable;
    picker->fmFields = &FFields;
    picker->fmWidths = &FWidths;
    picker->fmOwner = this;
    picker->sbtnNew->setEnabled(BtnNewEnabled);
    picker->ShowModalAt(FBtnEdit, 200, 163);
    ShowDisplayValueOfKey();
}

bool TPnFkey::ReturnSelection(const QVariantList& row) {
    TField* key = Field();
    if (!key || row.isEmpty()) return false;
    key->SetValue(row.value(0));
    if (!DataField1.isEmpty()) {
        TClientDataSet* ds = DataSet();
        if (!DataField1.contains(',')) {
            ds->FieldByName(DataField1.trimmed())->SetValue(row.value(1));
        } else {
            const QStringList items = DataField1.split(',');
            if (items.size() > FFields.size() - 1) {
                ShowInformation(objectName() + ".DataField1 (" + DataField1 +
                                ") has more columns than lookup fields.");
            } else {
                for (int i = 0; i < items.size(); ++i) {
                    const QString name = items[i].trimmed();
                    if (!name.isEmpty()) ds->FieldByName(name)->SetValue(row.value(i + 1));
                }
            }
        }
    }
    return true;
}
