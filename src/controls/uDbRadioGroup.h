#pragma once

#include <QGroupBox>
#include <QPointer>
#include <QVariantList>

#include "TDataSource.h"

class QButtonGroup;

// A group of radio buttons bound to a column: entry i stores Values[i].
class TDbRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TDbRadioGroup(const QString& title, const QStringList& items, const QVariantList& values,
                  QWidget* parent = nullptr);
    void SetDataSource(TDataSource* ds);
    void SetDataField(const QString& field) {
        FDataField = field;
        Refresh();
    }
    int ItemIndex() const;
    void SetItemIndex(int index);

private:
    void Refresh();
    QButtonGroup* FGroup;
    QVariantList FValues;
    QPointer<TDataSource> FSource;
    QString FDataField;
    bool FUpdating = false;
};
