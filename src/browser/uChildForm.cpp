#include "uChildForm.h"

#include <QTabWidget>

#include "TClientDataSet.h"
#include "uPnBase.h"
#include "uPnFkey.h"

TPnFkey* AddLookup(TfmChild* child, QGridLayout* grid, int row, const QString& field,
                   const QString& sql, const QString& dataField1, TDataSource* ds) {
    TPnFkey* pn = AddField<TPnFkey>(child, grid, row, 0, field, 1, ds);
    pn->LookupSQL = sql;
    pn->DataField1 = dataField1;
    return pn;
}

QGridLayout* TwoColumnGrid(QWidget* box) {
    auto* g = new QGridLayout(box);
    g->setColumnStretch(0, 1);
    g->setColumnStretch(1, 1);
    return g;
}

void LoadAllControls(QWidget* w) {
    for (TPnBase* c : w->findChildren<TPnBase*>()) c->Loaded();
}

void ConfigureBusinessBrowser(TfmChild* w, const QString& name, const QString& caption,
                              const QString& table, const QString& nameField,
                              const QString& filterField) {
    w->setObjectName(name);
    w->SetCaption(caption);
    w->SetChildMode(TfmChild::cmRightPanelBottom);
    w->Config.TableName = table;
    w->Config.NameField = nameField;
    w->Config.SelectList = QStringLiteral("*");
    w->Config.FilterField = filterField;
    w->Config.TVShow = true;
    w->Config.TVShowCount = true;
    w->Config.TVSelectTwice = false;
    // The statement the controls find their table in, until a folder is chosen.
    w->Child_CDS->CommandText = "SELECT * FROM " + table;
    w->Config.SubPgCtrl = w->Pages();
    w->SubPgCtrlSetAlighClient();
    w->Pages()->setTabVisible(w->Pages()->indexOf(w->Part<QWidget>("pgTs2")), false);
    w->Pages()->setTabVisible(w->Pages()->indexOf(w->Part<QWidget>("pgTsItems")), false);
    w->SetUdfShow(true);
}
