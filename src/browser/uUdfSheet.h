#pragma once

#include <QList>
#include <QString>

class QObject;
class QWidget;
class TDataSource;

// The controls of sheet sheetNo (1-5) of table's user-defined fields, built
// anew in area from their metadata, in tab order, each with property
// "UdfId" = its field's key. With ds they are bound to its current row for
// editing. Without, they are laid out for the fields designer: nothing can be
// typed into them, and mouseFilter gets their mouse events.
QList<QWidget*> BuildUdfSheet(const QString& table, int sheetNo, QWidget* area, TDataSource* ds,
                              QObject* mouseFilter = nullptr);

// Frees the controls of a field area.
void ClearUdfSheet(QWidget* area);

// The hint of a field in the designer.
inline QString UdfDesignHint() {
    return QStringLiteral("Click to select, drag to move, drag the border to resize");
}
