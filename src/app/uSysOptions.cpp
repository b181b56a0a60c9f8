#include "uSysOptions.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDbGridModel.h"
#include "uDbCheckBox.h"
#include "uDbEditGrid.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"

namespace {

const char* const kCaption = "Options";

TClientDataSet* NewSet(QObject* owner, const QString& name, const QString& sql) {
    auto* cds = new TClientDataSet(owner);
    cds->setObjectName(name);
    cds->SetConnection(&dmMain()->SQLConn_Main);
    cds->CommandText = sql;
    // Another user's change to the same column is refused, not overwritten.
    cds->UpdateMode = TUpdateMode::WhereChanged;
    return cds;
}

TDataSource* NewSource(QObject* owner, TClientDataSet* cds) {
    auto* ds = new TDataSource(owner);
    ds->SetDataSet(cds);
    return ds;
}

template <typename T>
T* AddBound(QWidget* page, TDataSource* ds, const QString& field) {
    auto* pn = new T(page);
    pn->SetDataField(field);
    pn->SetDataSource(ds);
    return pn;
}

// Typed into but not written: a value kept or refused, a posted change, or
// an edit under way.
bool Pending(const TClientDataSet* cds) {
    if (!cds->Active()) return false;
    if (cds->ChangeCount() > 0) return true;
    if (cds->State() != TDataSetState::Browse && cds->Modified()) return true;
    for (int i = 0; i < cds->FieldCount(); ++i)
        if (cds->Field(i)->Refused()) return true;
    return false;
}

}  // namespace

TfmSysOptions::TfmSysOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmSysOptions"));
    // Only a close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kCaption));
    SetStandardFont(this);
    resize(624, 424);

    SysTableNo_CDS = NewSet(this, QStringLiteral("SysTableNo_CDS"),
                            QStringLiteral("SELECT * FROM SYS_TABLENO WHERE TABLENAME='AR_TRAN'"));
    SysTableNo_DS = NewSource(this, SysTableNo_CDS);
    SysTableNo_CDS->OnFieldChange = [](TField& f) {
        // The running number is padded to this many digits: fewer than none
        // makes no number, and more would not fit the invoice number
        // (20 characters of prefix, 8 of date, 12 digits).
        if (f.FieldName.compare(QLatin1String("DIGIT"), Qt::CaseInsensitive) == 0 && !f.IsNull() &&
            (f.AsInteger() < 0 || f.AsInteger() > 12))
            throw EDataSetError('[' + f.Caption() +
                                "] The value is out of range: it must lie between 0 and 12.");
    };
    SoDoTemplateSet_CDS = NewSet(this, QStringLiteral("SoDoTemplateSet_CDS"),
                                 QStringLiteral("SELECT * FROM SO_DOTEMPLATESETUP WHERE ID=0"));
    SoDoTemplateSet_DS = NewSource(this, SoDoTemplateSet_CDS);
    Site_CDS = NewSet(this, QStringLiteral("Site_CDS"), QStringLiteral("SELECT * FROM SYS_TAX"));
    Site_DS = NewSource(this, Site_CDS);

    tvOptions = new QTreeWidget(this);
    tvOptions->setObjectName(QStringLiteral("tvOptions"));
    tvOptions->setHeaderHidden(true);
    tvOptions->setRootIsDecorated(false);
    tvOptions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvOptions->setFixedWidth(140);
    for (const char* entry : {"General", "Company", "Tax Rates"})
        tvOptions->addTopLevelItem(new QTreeWidgetItem(QStringList{QString::fromLatin1(entry)}));

    // The pages are chosen by the tree only: no tabs of their own.
    pcOptions = new QStackedWidget(this);
    pcOptions->setObjectName(QStringLiteral("pcOptions"));
    pcOptions->addWidget(BuildGeneralPage());
    pcOptions->addWidget(BuildCompanyPage());
    pcOptions->addWidget(BuildTaxPage());

    btnSave = new QPushButton(QStringLiteral("Save"), this);
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    // Enter in an edit box presses neither button.
    for (QPushButton* b : {btnSave, btnClose}) b->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(tvOptions);
    top->addWidget(pcOptions, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(btnSave);
    bottom->addWidget(btnClose);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top, 1);
    main->addLayout(bottom);

    connect(btnSave, &QPushButton::clicked, this, [this]() { Save(); });
    connect(btnClose, &QPushButton::clicked, this, &TfmSysOptions::reject);
    connect(tvOptions, &QTreeWidget::currentItemChanged, this, [this]() { PageChanged(); });

    RunGuarded([this]() {
        SysTableNo_CDS->Open();
        for (TPnBase* pn : {static_cast<TPnBase*>(pnPrefix0), static_cast<TPnBase*>(pnDigit)})
            pn->Loaded();
        DefaultCaption(pnPrefix0, QStringLiteral("Prefix"));
        DefaultCaption(pnDigit, QStringLiteral("Number of Digits"));
    });
}

QWidget* TfmSysOptions::BuildGeneralPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    lbPattern = new QLabel(QStringLiteral("Auto Invoice Numbering Pattern: Prefix (if any) + Date "
                                          "(if chosen) + Number of Digits"),
                           page);
    lbPattern->setWordWrap(true);
    v->addWidget(lbPattern);
    auto* row = new QHBoxLayout;
    pnPrefix0 = AddBound<TPnDbEdit>(page, SysTableNo_DS, QStringLiteral("PREFIX0"));
    cbPrefix0Date = new TDbCheckBox(QStringLiteral("YYYYMMDD"), page);
    cbPrefix0Date->SetDataField(QStringLiteral("PREFIX0DATE"));
    cbPrefix0Date->SetDataSource(SysTableNo_DS);
    pnDigit = AddBound<TPnDbEdit>(page, SysTableNo_DS, QStringLiteral("DIGIT"));
    row->addWidget(pnPrefix0, 2, Qt::AlignBottom);
    row->addWidget(new QLabel(QStringLiteral("+"), page), 0, Qt::AlignBottom);
    row->addWidget(cbPrefix0Date, 0, Qt::AlignBottom);
    row->addWidget(new QLabel(QStringLiteral("+"), page), 0, Qt::AlignBottom);
    row->addWidget(pnDigit, 1, Qt::AlignBottom);
    v->addLayout(row);
    memoExamples = new QPlainTextEdit(page);
    memoExamples->setObjectName(QStringLiteral("memoExamples"));
    memoExamples->setReadOnly(true);
    memoExamples->setPlainText(QStringList{
        QStringLiteral("Examples:"), QString(),
        QStringLiteral("Prefix='ABC', YYYYMMDD is checked, Digits=3 will get"),
        QStringLiteral("ABC19991101001"), QStringLiteral("ABC19991101002"),
        QStringLiteral("ABC19991101003 ... as auto running invoice numbers on Date of 01 Nov "
                       "1999 "),
        QString(), QStringLiteral("Prefix='SA', YYYYMMDD is not checked, Digits=4 will get"),
        QStringLiteral("SA0001"), QStringLiteral("SA0002"),
        QStringLiteral("SA0003 ... as auto running invoice numbers irregardless of the date")}
                                   .join('\n'));
    v->addWidget(memoExamples, 1);
    return page;
}

QWidget* TfmSysOptions::BuildCompanyPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    lbCompanyNote = new QLabel(
        QStringLiteral("(These fields will be available to be selected in invoice template)"),
        page);
    v->addWidget(lbCompanyNote);
    // The address number; hidden, so the page always edits the main address.
    cbSoDoIdx = new QComboBox(page);
    cbSoDoIdx->setObjectName(QStringLiteral("cbSoDoIdx"));
    cbSoDoIdx->addItems({QStringLiteral("Main Address"), QStringLiteral("Second Address"),
                         QStringLiteral("Third Address")});
    cbSoDoIdx->hide();
    auto* g = new QGridLayout;
    g->setColumnStretch(0, 1);
    g->setColumnStretch(1, 1);
    TDataSource* ds = SoDoTemplateSet_DS;
    pnName = AddBound<TPnDbEdit>(page, ds, QStringLiteral("NAME"));
    pnAddress = AddBound<TPnDbMemo>(page, ds, QStringLiteral("ADDRESS"));
    pnAddress->Memo()->setToolTip(QStringLiteral("Address"));
    g->addWidget(pnName, 0, 0);
    g->addWidget(pnAddress, 1, 0, 2, 1);
    g->addWidget(AddBound<TPnDbEdit>(page, ds, QStringLiteral("ZIPCODE")), 3, 0);
    g->addWidget(AddBound<TPnDbEdit>(page, ds, QStringLiteral("MOBILENO")), 0, 1);
    g->addWidget(AddBound<TPnDbEdit>(page, ds, QStringLiteral("PHONENO")), 1, 1);
    g->addWidget(AddBound<TPnDbEdit>(page, ds, QStringLiteral("NOTE1")), 2, 1);
    g->addWidget(AddBound<TPnDbEdit>(page, ds, QStringLiteral("NOTE2")), 3, 1);
    pnRemarks = AddBound<TPnDbMemo>(page, ds, QStringLiteral("REMARKS"));
    g->addWidget(pnRemarks, 4, 0, 1, 2);
    v->addLayout(g, 1);
    return page;
}

QWidget* TfmSysOptions::BuildTaxPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    gridTax = new TDbEditGrid(page);
    gridTax->setObjectName(QStringLiteral("gridTax"));
    gridTax->SetDataSource(Site_DS);
    v->addWidget(gridTax, 1);
    lbTaxNote = new QLabel(QStringLiteral("(You can directly edit the data values, set [Tax "
                                          "Inclusive] as 1 to use tax inclusive prices)"),
                           page);
    lbTaxNote->setWordWrap(true);
    v->addWidget(lbTaxNote);
    lbTaxNote2 = new QLabel(QStringLiteral("(A changed rate applies to the next calculation; "
                                           "invoices already stored keep their amounts)"),
                            page);
    lbTaxNote2->setWordWrap(true);
    v->addWidget(lbTaxNote2);
    return page;
}

void TfmSysOptions::DefaultCaption(TPnBase* pn, const QString& caption) {
    if (pn->Caption().isEmpty()) {
        pn->FLabelCaption->setText(caption);
        pn->FLabelCaption->adjustSize();
        pn->Editor()->setAccessibleName(caption);
    }
    // A refused value's message names the column as the user knows it.
    if (TClientDataSet* cds = pn->DataSource() ? pn->DataSource()->DataSet() : nullptr)
        if (TField* f = cds->FindField(pn->DataField()); f && f->DisplayLabel.isEmpty())
            f->DisplayLabel = pn->Caption();
}

void TfmSysOptions::SelectPage(int index) {
    if (QTreeWidgetItem* item = tvOptions->topLevelItem(index)) tvOptions->setCurrentItem(item);
}

int TfmSysOptions::PageIndex() const {
    return tvOptions->indexOfTopLevelItem(tvOptions->currentItem());
}

void TfmSysOptions::PageChanged() {
    const int index = PageIndex();
    if (index < 0) return;
    pcOptions->setCurrentIndex(index);
    setWindowTitle(QString::fromLatin1(kCaption) + " - " + tvOptions->currentItem()->text(0));
    RunGuarded([this, index]() {
        if (index == pgCompany) {
            cbSoDoIdx->setCurrentIndex(0);
            LoadAddress();
        } else if (index == pgTaxRates && !Site_CDS->Active()) {
            OpenTaxRates();
        }
    });
}

void TfmSysOptions::LoadAddress() {
    if (cbSoDoIdx->currentIndex() < 0) cbSoDoIdx->setCurrentIndex(0);
    if (Pending(SoDoTemplateSet_CDS)) {
        // Reloading would drop what was typed: the user decides.
        if (ConfirmYesNo(QString::fromUtf8("记录在编辑状态中,需要存盘吗?"))) {
            if (!SaveCompany()) return;  // refused: the typing stays on screen
        }
    }
    const bool first = !SoDoTemplateSet_CDS->Active() && SoDoTemplateSet_CDS->FieldCount() == 0;
    SoDoTemplateSet_CDS->Close();
    SoDoTemplateSet_CDS->CommandText =
        "SELECT * FROM SO_DOTEMPLATESETUP WHERE ID=" + QString::number(cbSoDoIdx->currentIndex());
    SoDoTemplateSet_CDS->Open();
    // An older database may lack the address row: the page makes it, and
    // "Save" writes it once something is typed.
    if (SoDoTemplateSet_CDS->IsEmpty()) SoDoTemplateSet_CDS->Append();
    const QList<QPair<QString, QString>> captions = {
        {"NAME", "Name"},       {"ADDRESS", "Address"}, {"ZIPCODE", "Zip Code"},
        {"MOBILENO", "Mobile"}, {"PHONENO", "Phone"},   {"NOTE1", "Note1"},
        {"NOTE2", "Note2"},     {"REMARKS", "Notes3"}};
    for (TPnBase* pn : pcOptions->widget(pgCompany)->findChildren<TPnBase*>()) {
        if (first) pn->Loaded();
        for (const auto& c : captions)
            if (c.first == pn->DataField()) DefaultCaption(pn, c.second);
    }
}

void TfmSysOptions::OpenTaxRates() {
    Site_CDS->Open();
    const QList<QPair<QString, QString>> titles = {
        {"ID", "ID"}, {"NAME", "Name"}, {"RATE", "Tax Rate %"}, {"INCLUSIVE", "Tax Inclusive"}};
    for (const auto& t : titles)
        if (TField* f = Site_CDS->FindField(t.first)) f->DisplayLabel = t.second;
    gridTax->GridModel()->ResetColumns();
    // The key is typed by the user; its column stands out in the info colour.
    gridTax->GridModel()->SetColumnColor(QStringLiteral("ID"),
                                         palette().color(QPalette::ToolTipBase));
    gridTax->horizontalHeader()->setStretchLastSection(true);
}

bool TfmSysOptions::HasPendingEdits() const {
    return Pending(SoDoTemplateSet_CDS) || Pending(Site_CDS) || Pending(SysTableNo_CDS);
}

void TfmSysOptions::PostSets(const QList<TClientDataSet*>& sets) {
    for (TClientDataSet* cds : sets) {
        if (!cds->Active() || cds->State() == TDataSetState::Browse) continue;
        const bool inserting = cds->State() == TDataSetState::Insert;
        if (inserting && !cds->Modified() && !Pending(cds)) {
            // Nothing typed into a new row: the company's missing address
            // stays ready to be typed into; an empty tax row is dropped.
            if (cds != SoDoTemplateSet_CDS) cds->Cancel();
            continue;
        }
        if (inserting && cds == SoDoTemplateSet_CDS)
            cds->FieldByName(QStringLiteral("ID"))->SetValue(cbSoDoIdx->currentIndex());
        cds->Post();
    }
}

bool TfmSysOptions::WriteSets(const QList<TClientDataSet*>& sets) {
    QList<TClientDataSet*> changed;
    for (TClientDataSet* cds : sets)
        if (cds->Active() && cds->ChangeCount() > 0) changed << cds;
    if (changed.isEmpty()) return true;
    try {
        WriteInTransaction(dmMain()->SQLConn_Main, [&](TFbTransaction& tra) {
            for (TClientDataSet* cds : changed) cds->ApplyUpdates(tra);
        });
    } catch (const EFbError& e) {
        // Nothing was written; every change stays pending as typed.
        ShowError(e.Message());
        return false;
    }
    for (TClientDataSet* cds : changed) cds->CommitUpdates();
    return true;
}

bool TfmSysOptions::Save() {
    bool saved = false;
    RunGuarded([this, &saved]() {
        const QList<TClientDataSet*> sets = {SoDoTemplateSet_CDS, Site_CDS, SysTableNo_CDS};
        PostSets(sets);
        saved = WriteSets(sets);
    });
    return saved;
}

bool TfmSysOptions::SaveCompany() {
    bool saved = false;
    RunGuarded([this, &saved]() {
        PostSets({SoDoTemplateSet_CDS});
        saved = WriteSets({SoDoTemplateSet_CDS});
    });
    return saved;
}

void TfmSysOptions::DiscardAll() {
    for (TClientDataSet* cds : {SoDoTemplateSet_CDS, Site_CDS, SysTableNo_CDS}) {
        if (!cds->Active()) continue;
        cds->Cancel();
        cds->CancelUpdates();
    }
}

void TfmSysOptions::reject() {
    // A cell still being typed in hands its text to the row first (the close
    // box takes no focus, so nothing else would).
    gridTax->FinishCellEdit();
    if (HasPendingEdits()) {
        bool close = false;
        switch (AskYesNoCancel("The record being edited in [" + QString::fromLatin1(kCaption) +
                               "] is not saved yet. Save it now?")) {
            case TMessageService::TAnswer::Cancel:
                break;
            case TMessageService::TAnswer::No:
                DiscardAll();
                close = true;
                break;
            case TMessageService::TAnswer::Yes:
                // A refused save has said why; the window stays with the edits.
                close = Save();
                break;
        }
        if (!close) return;
    }
    QDialog::reject();
}
