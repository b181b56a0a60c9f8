#pragma once

#include <QStringList>

#include "uPnDbEdit.h"

class QLineEdit;
class TfmPnFKey;

// A labelled control for a foreign key: shows a display value of the
// referenced row and picks rows in a drop-down picker (F3, the button, or
// typing). The key column itself is never shown.
class TPnFkey : public TPnDbEdit {
    Q_OBJECT
public:
    explicit TPnFkey(QWidget* parent = nullptr);

    QString LookupSQL;
    // Further columns of the chosen row copied into the record: one field
    // (gets the display column) or a comma list (item i gets column i+1).
    QString DataField1;
    bool BtnNewEnabled = false;

    void Loaded() override;
    void RefreshLookupSQL() { Loaded(); }
    void SetReadOnly(bool readOnly) override;
    QString Text() const override;
    QWidget* Editor() const override;
    QLineEdit* BtnEdit() const { return FBtnEdit; }

    const QString& LookupTable() const { return FLookupTable; }
    QStringList& Fields() { return FFields; }
    QStringList& Widths() { return FWidths; }

    // Opens the picker for a key (>= 1) or a search text.
    void OpenPicker(int key, const QString& search);
    // F3 or the button.
    void SearchClick();
    // The picker last opened (while it is open).
    static TfmPnFKey* CurrentPicker();

    // Copies the chosen row into the record (used by the picker).
    bool ReturnSelection(const QVariantList& row);

protected:
    void RefreshFromField() override;
    void ApplyLayout() override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    // Reads the display value of the key from the database.
    void ShowDisplayValue();
    // Shows the display value, reading it only when the key changed.
    void ShowDisplayValueOfKey();
    QString KeyText() const;
    QLineEdit* FBtnEdit;
    bool FKeyShown = false;  // FShownKey and FShownText hold the last read
    QString FShownKey;
    QString FShownText;
    QString FLookupTable;
    QStringList FFields;
    QStringList FWidths;
};
