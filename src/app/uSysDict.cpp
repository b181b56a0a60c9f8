#include "uSysDict.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"

TfmSysDict::TfmSysDict(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmSysDict"));
    setWindowTitle(QStringLiteral("Data Dictionary"));
    SetStandardFont(this);
    resize(634, 373);
    Dict_CDS = new TClientDataSet(this);
    Dict_CDS->setObjectName(QStringLiteral("Dict_CDS"));
    Dict_CDS->SetConnection(&dmMain()->SQLConn_Main);
    Dict_CDS->CommandText = QStringLiteral("SELECT * FROM SYS_DICT");
    Dict_DS = new TDataSource(this);
    Dict_DS->SetDataSet(Dict_CDS);
    Val_CDS = new TClientDataSet(this);
    Val_CDS->setObjectName(QStringLiteral("Val_CDS"));
    Val_CDS->SetConnection(&dmMain()->SQLConn_Main);
    Val_CDS->CommandText = QStringLiteral("SELECT * FROM SYS_DICTVAL");
    Val_CDS->SetMasterLink(Dict_CDS, QStringLiteral("ID"), QStringLiteral("DICTID"));
    Val_DS = new TDataSource(this);
    Val_DS->SetDataSet(Val_CDS);

    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("Dictionary Type"), this), 0, 0);
    g->addWidget(new QLabel(QStringLiteral("Values"), this), 0, 1);
    gridDict = new TDbGrid(this);
    gridDict->SetDataSource(Dict_DS);
    gridDict->horizontalHeader()->hide();
    gridVal = new TDbGrid(this);
    gridVal->SetDataSource(Val_DS);
    gridVal->horizontalHeader()->hide();
    g->addWidget(gridDict, 1, 0, 3, 1);
    g->addWidget(gridVal, 1, 1);
    Edit1 = new QLineEdit(this);
    Edit1->setAccessibleName(QStringLiteral("Value"));
    g->addWidget(Edit1, 2, 1);
    auto* buttons = new QHBoxLayout;
    btnModify = new QPushButton(QStringLiteral("Modify"), this);
    btnNew = new QPushButton(QStringLiteral("New"), this);
    btnDelete = new QPushButton(QStringLiteral("Delete"), this);
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    buttons->addWidget(btnModify);
    buttons->addWidget(btnNew);
    buttons->addWidget(btnDelete);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    g->addLayout(buttons, 3, 1);
    g->setColumnStretch(0, 1);
    g->setColumnStretch(1, 2);
    // Enter in the edit box must not press a button: it would overwrite the
    // current value (or close the window) when the user only meant to confirm
    // what was typed.
    for (QPushButton* b : {btnModify, btnNew, btnDelete, btnClose}) b->setAutoDefault(false);
    connect(btnModify, &QPushButton::clicked, this, &TfmSysDict::ModifyClick);
    connect(btnNew, &QPushButton::clicked, this, &TfmSysDict::NewClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfmSysDict::DeleteClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    // The values grid shows the current value in the edit box.
    connect(Val_DS, &TDataSource::ActiveRowChanged, this, [this]() {
        if (Val_CDS->Active() && !Val_CDS->IsEmpty())
            Edit1->setText(Val_CDS->FieldByName(QStringLiteral("DICTVAL"))->AsString());
    });
}

void TfmSysDict::OpenSets() {
    Dict_CDS->Close();
    Val_CDS->Close();
    Dict_CDS->Open();
    Val_CDS->Open();
    Val_CDS->FieldByName(QStringLiteral("DICTVAL"))->DisplayLabel = QStringLiteral("Value");
    // One column each: the dictionary's name and the value.
    for (int i = 0; i < gridDict->ColumnCount(); ++i)
        gridDict->setColumnHidden(i, gridDict->ColumnField(i)->FieldName != "NAME");
    for (int i = 0; i < gridVal->ColumnCount(); ++i)
        gridVal->setColumnHidden(i, gridVal->ColumnField(i)->FieldName != "DICTVAL");
    gridDict->horizontalHeader()->setStretchLastSection(true);
    gridVal->horizontalHeader()->setStretchLastSection(true);
}

bool TfmSysDict::FoundName(const QString& newN) {
    bool refuse = false;
    if (newN.isEmpty()) {
        ShowInformation(QStringLiteral("Newcannot be empty"));
        refuse = true;
    }
    TField* f = Val_CDS->FindField(QStringLiteral("DICTVAL"));
    for (int row = 0; f && row < Val_CDS->RecordCount(); ++row) {
        if (Val_CDS->ValueAt(row, f).toString() == newN) {
            ShowInformation(newN + " " + "already exists");
            return true;
        }
    }
    return refuse;
}

bool TfmSysDict::WriteKeepingText(const QString& typed, TBookmark current,
                                  const std::function<void()>& write) {
    try {
        write();
        return true;
    } catch (const std::runtime_error& e) {
        // Refused by the column or by the database: the grid goes back to
        // the values as stored, on the row the user was on; the edit box
        // shows the text again, as typed.
        const auto* db = dynamic_cast<const EFbError*>(&e);
        const auto* ds = dynamic_cast<const EDataSetError*>(&e);
        if (!db && !ds) throw;
        Val_CDS->Cancel();
        Val_CDS->CancelUpdates();
        if (Val_CDS->BookmarkValid(current)) Val_CDS->GotoBookmark(current);
        Edit1->setText(typed);
        ShowError(db ? db->Message() : ds->Message());
        return false;
    }
}

void TfmSysDict::ModifyClick() {
    const QString text = Edit1->text();
    if (FoundName(text) || Val_CDS->IsEmpty()) return;
    const TBookmark current = Val_CDS->GetBookmark();
    WriteKeepingText(text, current, [this, &text]() {
        Val_CDS->Edit();
        Val_CDS->FieldByName(QStringLiteral("DICTVAL"))->SetValue(text);
        Val_CDS->Post();
        Val_CDS->ApplyUpdates();
    });
}

void TfmSysDict::NewClick() {
    // Taken first: the new row becomes current and shows its empty value.
    const QString text = Edit1->text();
    if (FoundName(text) || Dict_CDS->IsEmpty()) return;
    const TBookmark current = Val_CDS->IsEmpty() ? TBookmark(-1) : Val_CDS->GetBookmark();
    const bool written = WriteKeepingText(text, current, [this, &text]() {
        Val_CDS->Append();
        Val_CDS->FieldByName(QStringLiteral("DICTID"))
            ->SetValue(Dict_CDS->FieldByName(QStringLiteral("ID"))->AsInteger());
        Val_CDS->FieldByName(QStringLiteral("DICTVAL"))->SetValue(text);
        Val_CDS->Post();
        Val_CDS->ApplyUpdates();
    });
    if (written) Val_CDS->Refresh();
}

void TfmSysDict::DeleteClick() {
    if (Val_CDS->IsEmpty()) return;
    if (!ConfirmYesNo("Are you sure to delete " +
                      Val_CDS->FieldByName(QStringLiteral("DICTVAL"))->AsString()))
        return;
    Val_CDS->Delete();
    // A refused delete is simply undone: the value stays, as stored.
    ApplyOrUndo(Val_CDS);
}
