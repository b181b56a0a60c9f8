#include "uPnDictBox.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>

#include "TClientDataSet.h"
#include "uDmMain.h"
#include "uMessages.h"

TPnDictBox::TPnDictBox(QWidget* parent) : TPnBase(parent) {
    FDbComboBox = new QComboBox(this);
    FDbComboBox->setObjectName(QStringLiteral("FDbComboBox"));
    FDbComboBox->setEditable(true);
    FDbComboBox->setInsertPolicy(QComboBox::NoInsert);
    FLabelCaption->setBuddy(FDbComboBox);
    setFocusProxy(FDbComboBox);
    connect(FDbComboBox, QOverload<int>::of(&QComboBox::activated), this,
            [this](int) { Changed(); });
    connect(FDbComboBox->lineEdit(), &QLineEdit::editingFinished, this, [this]() {
        if (!FUpdating && FDbComboBox->findText(FDbComboBox->currentText()) < 0 &&
            !FDbComboBox->currentText().isEmpty())
            Changed();
    });
    resize(200, 0);
    ApplyLayout();
}

TPnDictBox::~TPnDictBox() {
    // The editor loses the focus as the window goes: that is no typing to store.
    FDbComboBox->lineEdit()->disconnect(this);
}

void TPnDictBox::Loaded() {
    TPnBase::Loaded();
    initialize();
}

void TPnDictBox::initialize() {
    if (!DataSet() || !DataSet()->Connection()) {
        ShowInformation("SQLConnection is not set for: " + objectName());
        return;
    }
    if (DataField().isEmpty()) {
        ShowInformation("DataField is empty for: " + objectName());
        return;
    }
    if (FTableName.isEmpty()) return;
    {
        const QScopedValueRollback<bool> updating(FUpdating, true);
        dmMain()->ForEachRow(
            QStringLiteral("SELECT DICTVAL FROM SYS_DICTVAL WHERE DICTID = (SELECT ID FROM "
                           "SYS_DICT WHERE TABLENAME=:OBJECT AND FIELD=:FIELD)"),
            [this](const TFbQuery& q) { FDbComboBox->addItem(q.AsString("DICTVAL")); },
            {{"OBJECT", FTableName}, {"FIELD", DataField()}});
        FDbComboBox->addItem(NewEntry());
    }
    RefreshFromField();
}

void TPnDictBox::Changed() {
    if (FUpdating) return;
    const int idx = FDbComboBox->findText(FDbComboBox->currentText(), Qt::MatchExactly);
    const bool isNew = idx == FDbComboBox->count() - 1 && FDbComboBox->currentText() == NewEntry();
    if (idx < 0 || isNew) {
        QString value = idx < 0 ? FDbComboBox->currentText() : QString();
        if (InputQuery(QStringLiteral("New"), QStringLiteral("New"), value)) AddDictValue(value);
        if (FDbComboBox->currentText() == NewEntry() ||
            FDbComboBox->findText(FDbComboBox->currentText()) < 0) {
            {
                const QScopedValueRollback<bool> updating(FUpdating, true);
                FDbComboBox->setCurrentIndex(-1);
                FDbComboBox->setEditText(QString());
            }
            RefreshFromField();
        }
        return;
    }
    StoreValue(FDbComboBox->currentText());
}

void TPnDictBox::AddDictValue(const QString& value) {
    if (!DataSet() || !DataSet()->Connection() || FTableName.isEmpty() || DataField().isEmpty())
        return;
    const QVariant dictId = dmMain()->SelectValue(
        QStringLiteral("SELECT ID FROM SYS_DICT WHERE TABLENAME=:OBJECT AND FIELD=:FIELD"),
        {{"OBJECT", FTableName}, {"FIELD", DataField()}});
    if (!dictId.isValid()) return;  // the column has no dictionary
    const QVariant found = dmMain()->SelectValue(
        QStringLiteral(
            "SELECT DICTVAL FROM SYS_DICTVAL WHERE DICTVAL=:DICTVAL AND DICTID = :DICTID"),
        {{"DICTVAL", value}, {"DICTID", dictId}});
    {
        const QScopedValueRollback<bool> updating(FUpdating, true);
        if (!found.isValid()) {
            dmMain()->ExecSQL(
                QStringLiteral(
                    "INSERT INTO SYS_DICTVAL (DICTID,DICTVAL) VALUES (:DICTID,:DICTVAL)"),
                {{"DICTID", dictId}, {"DICTVAL", value}});
            FDbComboBox->insertItem(0, value);
            FDbComboBox->setCurrentIndex(0);
        } else {
            FDbComboBox->setCurrentIndex(FDbComboBox->findText(value, Qt::MatchExactly));
        }
    }
    StoreValue(value);
}

void TPnDictBox::SetReadOnly(bool readOnly) {
    TPnBase::SetReadOnly(readOnly);
    FDbComboBox->setEnabled(!EditorReadOnly());
}

QString TPnDictBox::Text() const { return FDbComboBox->currentText(); }
QWidget* TPnDictBox::Editor() const { return FDbComboBox; }

void TPnDictBox::RefreshFromField() {
    TField* f = Field();
    const QString text = f ? f->AsString() : QString();
    const QScopedValueRollback<bool> updating(FUpdating, true);
    const int idx = FDbComboBox->findText(text, Qt::MatchExactly);
    if (idx >= 0 && !text.isEmpty())
        FDbComboBox->setCurrentIndex(idx);
    else {
        FDbComboBox->setCurrentIndex(-1);
        FDbComboBox->setEditText(text);
    }
}

void TPnDictBox::ApplyLayout() { LayoutEditor(FDbComboBox->sizeHint().height(), true); }
