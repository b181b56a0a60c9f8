#include "uComboFill.h"

#include <QComboBox>

#include "uDmMain.h"

void FillComboBoxWithData(int fillType, QComboBox* cb) {
    cb->clear();
    if (fillType == 3) {
        dmMain()->ForEachRow(
            QStringLiteral("SELECT CODE FROM SYS_USER ORDER BY ID"),
            [&](const TFbQuery& q) { cb->addItem(q.AsString(QStringLiteral("CODE"))); });
        return;
    }
    const QString table = fillType == 1 ? QStringLiteral("SO_ORDER") : QStringLiteral("SYS_MAIL");
    if (fillType != 1 && fillType != 2) return;
    dmMain()->ForEachRow("SELECT ID,CAPTION FROM SYS_TREEVIEW WHERE ID>=0 AND TABLENAME=" +
                             TdmMain::QuotedStr(table) + " ORDER BY ID",
                         [&](const TFbQuery& q) {
                             cb->addItem(q.AsString(QStringLiteral("ID")) + " " +
                                         q.AsString(QStringLiteral("CAPTION")));
                         });
}

void FillComboBoxWithSysObject(QComboBox* cb, const QString& tbName) {
    cb->clearEditText();
    cb->clear();
    dmMain()->ForEachRow(
        "SELECT FIELD FROM SYS_OBJECT WHERE OBJECT =" + TdmMain::QuotedStr(tbName) +
            " AND UDF=1 AND UDFTYPE=" + QString::number(UdfText) +
            " AND FIELD<> 'ID' ORDER BY FIELD",
        [&](const TFbQuery& q) { cb->addItem(q.AsString(QStringLiteral("FIELD"))); });
    if (cb->count() > 0) cb->setCurrentIndex(0);
}
