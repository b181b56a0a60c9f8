#include "uUdfSheet.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "TFbQuery.h"
#include "uDbCheckBox.h"
#include "uDmMain.h"
#include "uPnDbDate.h"
#include "uPnDbEdit.h"
#include "uPnDbImage.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"
#include "uPnFkey.h"

namespace {

struct TUdfRow {
    int Id = 0, Type = 0, Left = 0, Top = 0, Width = 0, Height = 0;
    bool Required = false;
    QString Field, Title, LookupTable, ResultField;
};

// A labelled control of the field's type; null for an unknown type.
TPnBase* LabelledControl(const TUdfRow& r, QWidget* area) {
    switch (r.Type) {
        case UdfText:
        case UdfNumeric:
            return new TPnDbEdit(area);
        case UdfMemo:
            return new TPnDbMemo(area);
        case UdfDate:
            return new TPnDbDate(area);
        case UdfDropDown:
            return new TPnDictBox(area);
        case UdfLookup: {
            auto* pn = new TPnFkey(area);
            // Only the listed tables and checked names are ever stored here.
            if (TdmMain::UdfLookupTables().contains(r.LookupTable) &&
                TdmMain::IsUdfIdentifier(r.ResultField))
                pn->LookupSQL = "SELECT ID," + r.ResultField + " FROM " + r.LookupTable;
            return pn;
        }
        case UdfImageLink:
            return new TPnDbImage(area);
        default:
            return nullptr;
    }
}

}  // namespace

void ClearUdfSheet(QWidget* area) {
    for (QWidget* c : area->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) delete c;
}

QList<QWidget*> BuildUdfSheet(const QString& table, int sheetNo, QWidget* area, TDataSource* ds,
                              QObject* mouseFilter) {
    ClearUdfSheet(area);
    std::vector<TUdfRow> rows;
    dmMain()->ForEachRow("SELECT * FROM SYS_OBJECT WHERE OBJECT =" + TdmMain::QuotedStr(table) +
                             " AND UDF = 1 AND UDFSHEETNO = " + QString::number(sheetNo) +
                             " ORDER BY UDFTABNO",
                         [&rows](const TFbQuery& q) {
                             TUdfRow r;
                             r.Id = q.AsInteger("ID");
                             r.Type = q.AsInteger("UDFTYPE");
                             r.Left = q.AsInteger("UDFLEFT");
                             r.Top = q.AsInteger("UDFTOP");
                             r.Width = q.AsInteger("UDFWIDTH");
                             r.Height = q.AsInteger("UDFHEIGHT");
                             r.Required = q.AsInteger("REQUIRED") == 1;
                             r.Field = q.AsString("FIELD");
                             r.Title = q.AsString("TITLE");
                             r.LookupTable = q.AsString("LOOKUPTABLE");
                             r.ResultField = q.AsString("RESULTFIELD");
                             rows.push_back(r);
                         });
    QList<QWidget*> made;
    for (const TUdfRow& r : rows) {
        const int width = r.Width < 1 ? 120 : r.Width;
        const int height = r.Height < 1 ? 45 : r.Height;
        QWidget* control = nullptr;
        if (r.Type == UdfCheckBox) {
            auto* cb = new TDbCheckBox(r.Title, area);
            // The column is the engine's BOOLEAN.
            cb->ValueChecked = true;
            cb->ValueUnchecked = false;
            cb->setObjectName("cb" + r.Field);
            if (ds) {
                cb->SetDataSource(ds);
                cb->SetDataField(r.Field);
            }
            cb->resize(width, cb->sizeHint().height());
            control = cb;
        } else if (TPnBase* pn = LabelledControl(r, area)) {
            pn->setObjectName("pn" + r.Field);
            pn->SetDataField(r.Field);
            const bool ownHeight = r.Type == UdfMemo || r.Type == UdfImageLink;
            pn->resize(width, ownHeight ? height : pn->sizeHint().height());
            if (ownHeight) pn->setFixedHeight(height);
            if (ds) {
                // The control reads its caption and flags from the metadata.
                pn->SetDataSource(ds);
                pn->Loaded();
            } else {
                pn->FLabelCaption->setText(r.Title);
                pn->FLabelCaption->adjustSize();
                pn->SetRequired(r.Required &&
                                (r.Type == UdfText || r.Type == UdfNumeric || r.Type == UdfLookup));
                pn->Editor()->setEnabled(false);
                if (auto* fk = qobject_cast<TPnFkey*>(pn)) fk->BtnEdit()->setEnabled(false);
                if (auto* img = qobject_cast<TPnDbImage*>(pn)) img->Button()->setEnabled(false);
            }
            control = pn;
        }
        if (!control) continue;
        control->move(r.Left, r.Top);
        if (control->width() != width) control->resize(width, control->height());
        control->setProperty("UdfId", r.Id);
        if (!ds) {
            // The field itself takes the mouse, to be selected, moved and sized.
            for (QWidget* inner : control->findChildren<QWidget*>())
                inner->setAttribute(Qt::WA_TransparentForMouseEvents);
            control->setToolTip(UdfDesignHint());
            if (mouseFilter) control->installEventFilter(mouseFilter);
        }
        control->show();
        made << control;
    }
    return made;
}
