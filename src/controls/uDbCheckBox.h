#pragma once

#include <QCheckBox>
#include <QPointer>
#include <QVariant>

#include "TDataSource.h"

// A check box bound to a column: ticked stores ValueChecked, unticked
// ValueUnchecked; any other stored value shows unticked.
class TDbCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TDbCheckBox(const QString& text, QWidget* parent = nullptr);
    void SetDataSource(TDataSource* ds);
    void SetDataField(const QString& field);

    QVariant ValueChecked = 1;
    QVariant ValueUnchecked = 0;

private:
    void Refresh();
    QPointer<TDataSource> FSource;
    QString FDataField;
    bool FUpdating = false;
};
