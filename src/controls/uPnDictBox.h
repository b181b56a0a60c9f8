#pragma once

#include "uPnBase.h"

class QComboBox;

// A labelled drop-down of the column's dictionary values, with a last entry
// "New>>>" that adds a value to the dictionary.
class TPnDictBox : public TPnBase {
    Q_OBJECT
public:
    explicit TPnDictBox(QWidget* parent = nullptr);
    ~TPnDictBox() override;

    void Loaded() override;
    // Fills the list from the dictionary (the list is not cleared first).
    void initialize();
    void SetReadOnly(bool readOnly) override;
    QString Text() const override;
    QWidget* Editor() const override;
    QComboBox* ComboBox() const { return FDbComboBox; }
    // Adds value to the column's dictionary (when it has one) and selects it.
    void AddDictValue(const QString& value);
    static QString NewEntry() { return QStringLiteral("New>>>"); }

protected:
    void RefreshFromField() override;
    void ApplyLayout() override;

private:
    void Changed();
    QComboBox* FDbComboBox;
};
