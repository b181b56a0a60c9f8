#include "uUdf.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "EFbError.h"
#include "TClientDataSet.h"
#include "TFbQuery.h"
#include "uChild.h"
#include "uDmMain.h"
#include "uMessages.h"
#include "uPnBase.h"
#include "uSizeHandles.h"
#include "uUdfSheet.h"
#include "uWizardUdf.h"

namespace {

QString SheetColumn(int tsNo) { return "UDF" + QString::number(tsNo); }

class TUdfDesigner : public IFieldDesigner {
public:
    bool DesignFields(TfmChild* child, int sheetNo) override {
        TfmUdf fm(child);
        fm.FUdfTbName = child->Config.TableName;
        fm.FUdfDropdownDesc = child->windowTitle();
        child->FTableDbChanged = false;
        fm.FUdfNeedRefresh = false;
        if (!fm.OpenTable()) return false;
        fm.FUdfTbDesc = child->windowTitle();
        fm.setWindowTitle(fm.windowTitle() + " - " + child->windowTitle());
        fm.ShowSheet(sheetNo);
        fm.exec();
        return fm.FUdfNeedRefresh;
    }
};

}  // namespace

IFieldDesigner* TfmUdf::Designer() {
    static TUdfDesigner designer;
    return &designer;
}

TfmUdf::TfmUdf(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmUdf"));
    setWindowTitle(QStringLiteral("Fields Designer"));
    resize(900, 600);
    BuildDataSets();
    auto* outer = new QVBoxLayout(this);
    BuildSheetStrip(outer);
    auto* body = new QHBoxLayout;
    BuildSheetPages(body);
    BuildFieldPanel(body);
    outer->addLayout(body, 1);
    ConnectFieldEditors();
    SetNodesVisible(false);
}

void TfmUdf::BuildDataSets() {
    auto newSet = [this](const char* name) {
        auto* cds = new TClientDataSet(this);
        cds->setObjectName(QLatin1String(name));
        cds->SetConnection(&dmMain()->SQLConn_Main);
        cds->UpdateMode = TUpdateMode::WhereKeyOnly;
        return cds;
    };
    Tb_CDS = newSet("Tb_CDS");
    Udf_CDS = newSet("Udf_CDS");
}

// The sheets' check boxes and names along the top, with Close.
void TfmUdf::BuildSheetStrip(QBoxLayout* outer) {
    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("PanelTop"));
    auto* tl = new QGridLayout(top);
    tl->addWidget(new QLabel(QStringLiteral("You can enable a tabsheet, create fields on it, them "
                                            "use drag to change their position"),
                             top),
                  0, 0, 1, 6);
    for (int i = 0; i < 5; ++i) {
        const int tsNo = i + 1;
        cbSheet[i] = new QCheckBox("TabSheet" + QString::number(tsNo), top);
        cbSheet[i]->setObjectName("cb" + QString::number(tsNo));
        cbSheet[i]->setToolTip(QStringLiteral("Tick to enable"));
        edSheet[i] = new QLineEdit(top);
        edSheet[i]->setObjectName("ed" + QString::number(tsNo));
        edSheet[i]->setToolTip(QStringLiteral("TabSheet Name"));
        edSheet[i]->setAccessibleName("TabSheet" + QString::number(tsNo) + " Name");
        edSheet[i]->setMaxLength(50);
        edSheet[i]->installEventFilter(this);
        // The boxes keep their columns while names come and go.
        QSizePolicy keep = edSheet[i]->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        edSheet[i]->setSizePolicy(keep);
        tl->addWidget(cbSheet[i], 1, i);
        tl->addWidget(edSheet[i], 2, i);
        connect(cbSheet[i], &QCheckBox::clicked, this,
                [this, tsNo]() { RunGuarded([this, tsNo]() { cb1Click(tsNo); }); });
        connect(edSheet[i], &QLineEdit::textEdited, this,
                [this, tsNo]() { RunGuarded([this, tsNo]() { edChange(tsNo); }); });
    }
    btnClose = new QPushButton(QStringLiteral("Close"), top);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    tl->addWidget(btnClose, 1, 5);
    connect(btnClose, &QPushButton::clicked, this, &TfmUdf::reject);
    outer->addWidget(top);
}

void TfmUdf::BuildSheetPages(QBoxLayout* body) {
    pgCtrl = new QTabWidget(this);
    pgCtrl->setObjectName(QStringLiteral("pgCtrl"));
    pgCtrl->setDocumentMode(true);
    for (int i = 0; i < 5; ++i) {
        FAreas[i] = new QWidget(pgCtrl);
        FAreas[i]->setObjectName("UdfGb" + QString::number(i + 1));
        FAreas[i]->setAutoFillBackground(true);
        FAreas[i]->installEventFilter(this);
        pgCtrl->addTab(FAreas[i], "TabSheet" + QString::number(i + 1));
    }
    connect(pgCtrl, &QTabWidget::currentChanged, this, [this]() { SetNodesVisible(false); });
    body->addWidget(pgCtrl, 1);
    FNodes = new TSizeHandles(pgCtrl);
    FNodes->SetGeometry = [this](QWidget* c, const QRect& r) {
        c->setGeometry(r);
        btnSave->setEnabled(true);
    };
}

// The selected field's commands and properties at the right.
void TfmUdf::BuildFieldPanel(QBoxLayout* body) {
    auto* right = new QWidget(this);
    right->setFixedWidth(200);
    auto* rl = new QFormLayout(right);
    btnNew = new QPushButton(QStringLiteral("New"), right);
    btnNew->setObjectName(QStringLiteral("btnNew"));
    btnNew->setToolTip(QStringLiteral("Create a new field by wizard"));
    btnDelete = new QPushButton(QStringLiteral("Delete"), right);
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnDelete->setToolTip(QStringLiteral("Delete selected field"));
    rl->addRow(btnNew);
    rl->addRow(btnDelete);
    lbType = new QLabel(QStringLiteral("UDF Field"), right);
    lbType->setObjectName(QStringLiteral("lbType"));
    QFont uf = lbType->font();
    uf.setUnderline(true);
    lbType->setFont(uf);
    QSizePolicy keep = lbType->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    lbType->setSizePolicy(keep);
    rl->addRow(lbType);
    auto row = [rl, right](const QString& caption, QWidget* w) {
        auto* l = new QLabel(caption, right);
        l->setBuddy(w);
        rl->addRow(l, w);
    };
    edCaption = new QLineEdit(right);
    edCaption->setObjectName(QStringLiteral("edCaption"));
    edCaption->setMaxLength(100);
    row(QStringLiteral("Caption"), edCaption);
    edFormat = new QLineEdit(right);
    edFormat->setObjectName(QStringLiteral("edFormat"));
    edFormat->setMaxLength(50);
    row(QStringLiteral("Format"), edFormat);
    edTabOrder = new QSpinBox(right);
    edTabOrder->setObjectName(QStringLiteral("edTabOrder"));
    edTabOrder->setRange(0, 999);
    row(QStringLiteral("Tab Order"), edTabOrder);
    cbInGrid = new QCheckBox(QStringLiteral("In Grid"), right);
    cbInGrid->setObjectName(QStringLiteral("cbInGrid"));
    cbInGrid->setToolTip(QStringLiteral("Field is visible in data grid"));
    rl->addRow(cbInGrid);
    cbRequired = new QCheckBox(QStringLiteral("Required"), right);
    cbRequired->setObjectName(QStringLiteral("cbRequired"));
    cbRequired->setToolTip(QStringLiteral("Field is mandatory"));
    rl->addRow(cbRequired);
    btnSave = new QPushButton(QStringLiteral("Save"), right);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setToolTip(QStringLiteral("Save changes"));
    btnSave->setEnabled(false);
    rl->addRow(btnSave);
    body->addWidget(right);
}

void TfmUdf::ConnectFieldEditors() {
    connect(btnNew, &QPushButton::clicked, this,
            [this]() { RunGuarded([this]() { btnNewClick(); }); });
    connect(btnDelete, &QPushButton::clicked, this,
            [this]() { RunGuarded([this]() { btnDeleteClick(); }); });
    connect(btnSave, &QPushButton::clicked, this,
            [this]() { RunGuarded([this]() { btnSaveClick(); }); });
    connect(edCaption, &QLineEdit::textEdited, this, [this](const QString& text) {
        SetField(QStringLiteral("TITLE"), text);
        for (QWidget* c : getGb(CurrentSheet())->findChildren<QWidget*>())
            if (c->property("UdfId").toInt() == FCurrentUdfId) {
                if (auto* cb = qobject_cast<QCheckBox*>(c)) cb->setText(text);
                if (auto* pn = qobject_cast<TPnBase*>(c)) {
                    pn->FLabelCaption->setText(text);
                    pn->FLabelCaption->adjustSize();
                }
            }
    });
    connect(edFormat, &QLineEdit::textEdited, this,
            [this](const QString& text) { SetField(QStringLiteral("FORMATSTR"), text); });
    connect(edTabOrder, &QSpinBox::valueChanged, this,
            [this](int v) { SetField(QStringLiteral("UDFTABNO"), v); });
    connect(cbInGrid, &QCheckBox::clicked, this,
            [this](bool on) { SetField(QStringLiteral("VISIBLE"), on ? 1 : 0); });
    connect(cbRequired, &QCheckBox::clicked, this,
            [this](bool on) { SetField(QStringLiteral("REQUIRED"), on ? 1 : 0); });
}

bool TfmUdf::OpenTable() {
    Tb_CDS->Close();
    Tb_CDS->CommandText =
        "SELECT * FROM SYS_TABLENO WHERE TABLENAME=" + TdmMain::QuotedStr(FUdfTbName);
    Tb_CDS->Open();
    if (Tb_CDS->IsEmpty()) {
        ShowError("Cannot find SYS_TABLENO record for table: " + FUdfTbName);
        return false;
    }
    Udf_CDS->Close();
    Udf_CDS->CommandText =
        "SELECT * FROM SYS_OBJECT WHERE UDF=1 AND OBJECT=" + TdmMain::QuotedStr(FUdfTbName);
    Udf_CDS->Open();
    SetStatus();
    for (int tsNo = 1; tsNo <= 5; ++tsNo) createTabSheetCtrls(tsNo);
    return true;
}

void TfmUdf::SetStatus() {
    bool any = false;
    for (int i = 0; i < 5; ++i) {
        const bool on = Tb_CDS->FieldByName(SheetColumn(i + 1))->AsInteger() == 1;
        const QString name = Tb_CDS->FieldByName(SheetColumn(i + 1) + "NAME")->AsString();
        cbSheet[i]->setChecked(on);
        edSheet[i]->setText(name);
        edSheet[i]->setVisible(on);
        pgCtrl->setTabVisible(i, on);
        pgCtrl->setTabText(i, name.isEmpty() ? QStringLiteral("UserDefined") : name);
        any = any || on;
    }
    btnNew->setEnabled(any);
}

void TfmUdf::ShowSheet(int tsNo) {
    if (tsNo >= 1 && tsNo <= 5 && pgCtrl->isTabVisible(tsNo - 1)) pgCtrl->setCurrentIndex(tsNo - 1);
}

int TfmUdf::CurrentSheet() const { return pgCtrl->currentIndex() + 1; }

void TfmUdf::createTabSheetCtrls(int tsNo) {
    SetNodesVisible(false);
    BuildUdfSheet(FUdfTbName, tsNo, getGb(tsNo), nullptr, this);
}

void TfmUdf::SetNodesVisible(bool visible) {
    FNodes->SetVisible(visible);
    if (visible) return;
    FCurrentUdfId = 0;
    btnDelete->setEnabled(false);
    lbType->hide();
    for (QWidget* w : {static_cast<QWidget*>(edCaption), static_cast<QWidget*>(edFormat),
                       static_cast<QWidget*>(edTabOrder), static_cast<QWidget*>(cbInGrid),
                       static_cast<QWidget*>(cbRequired)})
        w->setEnabled(false);
}

void TfmUdf::cb1Click(int tsNo) {
    SetNodesVisible(false);
    const bool on = cbSheet[tsNo - 1]->isChecked();
    edSheet[tsNo - 1]->setVisible(on);
    pgCtrl->setTabVisible(tsNo - 1, on);
    if (Tb_CDS->State() == TDataSetState::Browse) Tb_CDS->Edit();
    Tb_CDS->FieldByName(SheetColumn(tsNo))->SetValue(on ? 1 : 0);
    bool any = false;
    for (int i = 0; i < 5; ++i) any = any || cbSheet[i]->isChecked();
    btnNew->setEnabled(any);
    if (on) pgCtrl->setCurrentIndex(tsNo - 1);
}

void TfmUdf::edChange(int tsNo) {
    const QString name = edSheet[tsNo - 1]->text();
    if (Tb_CDS->State() == TDataSetState::Browse) Tb_CDS->Edit();
    Tb_CDS->FieldByName(SheetColumn(tsNo) + "NAME")->SetValue(name);
    if (cbSheet[tsNo - 1]->isChecked())
        pgCtrl->setTabText(tsNo - 1, name.isEmpty() ? cbSheet[tsNo - 1]->text() : name);
}

bool TfmUdf::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, event);
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && w->property("UdfId").isValid()) {
        auto* e = static_cast<QMouseEvent*>(event);
        if (type == QEvent::MouseButtonPress) ControlMouseDown(w, e);
        if (type == QEvent::MouseMove) ControlMouseMove(w, e);
        if (type == QEvent::MouseButtonRelease) ControlMouseUp(w);
        return true;
    }
    // A click beside the fields ends the selection.
    if (type == QEvent::MouseButtonPress) SetNodesVisible(false);
    return QDialog::eventFilter(watched, event);
}

void TfmUdf::ControlMouseDown(QWidget* c, QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    inReposition = true;
    oldPos = e->globalPosition().toPoint();
    FNodes->Place(c);
    SelectField(c);
}

void TfmUdf::ControlMouseMove(QWidget* c, QMouseEvent* e) {
    if (!inReposition) return;
    c->setCursor(Qt::SizeAllCursor);
    const QPoint now = e->globalPosition().toPoint();
    if (now != oldPos) {
        c->move(c->pos() + now - oldPos);
        btnSave->setEnabled(true);
    }
    oldPos = now;
    FNodes->Place(c);
}

void TfmUdf::ControlMouseUp(QWidget* c) {
    inReposition = false;
    c->unsetCursor();
}

void TfmUdf::SelectField(QWidget* c) {
    FCurrentUdfId = c->property("UdfId").toInt();
    if (!Udf_CDS->Locate(QStringLiteral("ID"), FCurrentUdfId)) return;
    auto field = [this](const char* f) { return Udf_CDS->FieldByName(QLatin1String(f)); };
    const int udfType = field("UDFTYPE")->AsInteger();
    FShowing = true;
    edCaption->setText(field("TITLE")->AsString());
    edFormat->setText(field("FORMATSTR")->AsString());
    edTabOrder->setValue(field("UDFTABNO")->AsInteger());
    cbInGrid->setChecked(field("VISIBLE")->AsInteger() == 1);
    cbRequired->setChecked(field("REQUIRED")->AsInteger() == 1);
    FShowing = false;
    for (QWidget* w : {static_cast<QWidget*>(edCaption), static_cast<QWidget*>(edFormat),
                       static_cast<QWidget*>(edTabOrder), static_cast<QWidget*>(cbInGrid),
                       static_cast<QWidget*>(cbRequired)})
        w->setEnabled(true);
    edFormat->setVisible(udfType == UdfNumeric);
    if (auto* l = qobject_cast<QLabel*>(
            static_cast<QFormLayout*>(edFormat->parentWidget()->layout())->labelForField(edFormat)))
        l->setVisible(udfType == UdfNumeric);
    cbRequired->setVisible(udfType == UdfText || udfType == UdfNumeric || udfType == UdfLookup);
    lbType->setText(TdmMain::UdfTypeName(udfType));
    lbType->show();
    btnDelete->setEnabled(true);
}

void TfmUdf::SetField(const QString& field, const QVariant& value) {
    if (FShowing || FCurrentUdfId == 0 || !Udf_CDS->Locate(QStringLiteral("ID"), FCurrentUdfId))
        return;
    Udf_CDS->Edit();
    Udf_CDS->FieldByName(field)->SetValue(value);
    Udf_CDS->Post();
    Udf_CDSAfterEdit();
}

void TfmUdf::Udf_CDSAfterEdit() { btnSave->setEnabled(true); }

bool TfmUdf::Unsaved() const { return btnSave->isEnabled(); }

bool TfmUdf::btnSaveClick() {
    const TField* title = Udf_CDS->FieldByName(QStringLiteral("TITLE"));
    for (int row = 0; row < Udf_CDS->RecordCount(); ++row)
        if (Udf_CDS->ValueAt(row, title).toString().trimmed().isEmpty()) {
            ShowInformation(QStringLiteral("Caption cannot be empty"));
            return false;
        }
    struct TPlace {
        int Id;
        QRect Geometry;
    };
    // Every sheet's fields: a move on a sheet no longer in front is kept too.
    QList<TPlace> places;
    for (QWidget* area : FAreas)
        for (QWidget* c : area->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (c->property("UdfId").isValid())
                places.append({c->property("UdfId").toInt(), c->geometry()});
    TdmMain* dm = dmMain();
    // The fields' settings and places together: a refusal keeps both as set.
    try {
        WriteInTransaction(dm->SQLConn_Main, [&](TFbTransaction& tra) {
            if (Udf_CDS->ChangeCount() > 0) Udf_CDS->ApplyUpdates(tra);
            for (const TPlace& p : places)
                dm->saveUdfPosition(tra, p.Id, p.Geometry.x(), p.Geometry.y(), p.Geometry.width(),
                                    p.Geometry.height());
        });
    } catch (const EFbError& e) {
        ShowError(e.Message());
        return false;
    }
    Udf_CDS->CommitUpdates();
    const int sheet = CurrentSheet();
    Udf_CDS->Close();
    Udf_CDS->Open();
    for (int tsNo = 1; tsNo <= 5; ++tsNo) createTabSheetCtrls(tsNo);
    pgCtrl->setCurrentIndex(sheet - 1);
    btnSave->setEnabled(false);
    FUdfNeedRefresh = true;
    return true;
}

bool TfmUdf::ResolveUnsaved() {
    if (!Unsaved()) return true;
    switch (AskYesNoCancel("The fields changed in [" + windowTitle() +
                           "] are not saved yet. Save them now?")) {
        case TMessageService::TAnswer::Cancel:
            return false;
        case TMessageService::TAnswer::Yes:
            return btnSaveClick();
        case TMessageService::TAnswer::No:
            break;
    }
    Udf_CDS->CancelUpdates();
    for (int tsNo = 1; tsNo <= 5; ++tsNo) createTabSheetCtrls(tsNo);
    btnSave->setEnabled(false);
    return true;
}

void TfmUdf::btnNewClick() {
    if (!ResolveUnsaved()) return;
    const int sheet = CurrentSheet();
    TfmWizardUdf wizard(this);
    wizard.FWizardTbName = FUdfTbName;
    wizard.FWizardTbDesc = FUdfTbDesc;
    wizard.FWizardDropDownDesc = FUdfDropdownDesc;
    wizard.FStepList = {QStringLiteral("Create Field Name"), QStringLiteral("Chose Data Type"),
                        QStringLiteral("Set Specific Attribute"),
                        QStringLiteral("Set Field Attribute"), QStringLiteral("Complete")};
    wizard.setWindowTitle(windowTitle());
    wizard.NewField(sheet, getGb(sheet)->height() - 30);
    wizard.exec();
    if (!wizard.FWizardNeedRefresh) return;
    Udf_CDS->Close();
    Udf_CDS->Open();
    createTabSheetCtrls(sheet);
    FUdfNeedRefresh = true;
}

void TfmUdf::btnDeleteClick() {
    if (FCurrentUdfId == 0) {
        ShowError(
            QStringLiteral("There is no field selected, please click to selecte a field first."));
        return;
    }
    const int id = FCurrentUdfId;
    if (!ResolveUnsaved()) return;
    if (!ConfirmYesNo(QStringLiteral("Are you sure to delete selected field?"))) return;
    TdmMain* dm = dmMain();
    const QString table = FUdfTbName;
    const QString field =
        dm->SelectValue("SELECT FIELD FROM SYS_OBJECT WHERE UDF=1 AND ID=" + QString::number(id))
            .toString();
    QString links;
    dm->ForEachRow("SELECT TABLENAME,NAME FROM SYS_FILTER WHERE TABLENAME=" +
                       TdmMain::QuotedStr(table) + " AND (FIELD1=" + TdmMain::QuotedStr(field) +
                       " OR FIELD2=" + TdmMain::QuotedStr(field) + " )",
                   [&links](const TFbQuery& q) {
                       links += "\n Self-defined Search: " + q.AsString("TABLENAME") + " (" +
                                q.AsString("NAME") + ")";
                   });
    dm->ForEachRow(
        "SELECT D.OBJECT,D.FIELD,D.TITLE FROM SYS_OBJECT M, SYS_OBJECT D WHERE "
        "M.OBJECT=D.LOOKUPTABLE AND M.FIELD=D.RESULTFIELD AND M.ID=" +
            QString::number(id) + " ORDER BY OBJECT,FIELD",
        [&links](const TFbQuery& q) {
            links += "\n UDF Lookup Field: " + q.AsString("OBJECT") + "." + q.AsString("FIELD") +
                     " (" + q.AsString("TITLE") + ")";
        });
    if (!links.isEmpty()) {
        ShowInformation("Cannot delete this user defined field, it is being linked by\n" + links);
        return;
    }
    if (TdmMain::IsUdfIdentifier(table) && TdmMain::IsUdfIdentifier(field)) {
        const int count = dm->SelectValue("SELECT COUNT(" + field + ") AS CT FROM " + table +
                                          " WHERE " + field + " IS NOT NULL")
                              .toInt();
        if (count > 0 &&
            !ConfirmYesNo(QStringLiteral("This UDF field has value(s) in %1 record(s), are you "
                                         "sure to delete?")
                              .arg(count)))
            return;
    }
    QString err;
    if (!dm->deleteUDF(id, err)) {
        ShowError("Failed deleting field, error: " + err);
        return;
    }
    const int sheet = CurrentSheet();
    Udf_CDS->Close();
    Udf_CDS->Open();
    createTabSheetCtrls(sheet);
    FUdfNeedRefresh = true;
}

void TfmUdf::reject() {
    if (!ResolveUnsaved()) return;
    // The sheets switched on or off and their names are kept on closing.
    if (!ApplyOrKeep(Tb_CDS)) return;
    QDialog::reject();
}
