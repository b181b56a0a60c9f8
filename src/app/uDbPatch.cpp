#include "uDbPatch.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "EFbError.h"
#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TFbConnection.h"
#include "TFbQuery.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uMessages.h"

TfmDbPatch::TfmDbPatch(QWidget* parent) : TfmDialog(parent) {
    setObjectName(QStringLiteral("fmDbPatch"));
    setWindowTitle(QStringLiteral("Upgrade"));
    lbNotes->setText(
        QStringLiteral("System has detected the following SQL commands to upgrade, "
                       "please click \"Execute\" to start."));
    BitBtn1->setText(QStringLiteral("Execute"));
    BitBtn2->setText(QStringLiteral("Close"));
    BitBtn3->hide();
    Batch_Item_CDS = new TClientDataSet(this);
    Batch_Item_CDS->setObjectName(QStringLiteral("Batch_Item_CDS"));
    Batch_Item_CDS->SetConnection(&dmMain()->SQLConn_DbPatch);
    Batch_Item_DS = new TDataSource(this);
    Batch_Item_DS->SetDataSet(Batch_Item_CDS);
    SYS_CDS = new TClientDataSet(this);
    SYS_CDS->setObjectName(QStringLiteral("SYS_CDS"));
    SYS_CDS->SetConnection(&dmMain()->SQLConn_Main);
    SYS_CDS->UpdateTableName = QStringLiteral("SYS");
    auto* split = new QSplitter(Qt::Vertical, Content);
    DBGrid1 = new TDbGrid(split);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    memoLog = new QPlainTextEdit(split);
    memoLog->setObjectName(QStringLiteral("memoLog"));
    memoLog->setReadOnly(true);
    memoLog->setAccessibleName(QStringLiteral("Log"));
    auto* v = new QVBoxLayout(Content);
    v->addWidget(split);
    SetFormSize(624, 364);
    connect(BitBtn1, &QPushButton::clicked, this,
            [this]() { RunGuarded([this]() { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this]() { BitBtn2Click(); });
}

bool TfmDbPatch::Prepare() {
    SYS_CDS->CommandText = QStringLiteral("SELECT ID,VERSION FROM SYS WHERE ID=1");
    SYS_CDS->Open();
    if (SYS_CDS->IsEmpty() || SYS_CDS->FieldByName(QStringLiteral("VERSION"))->IsNull())
        return false;
    Batch_Item_CDS->CommandText = QStringLiteral(
        "SELECT B.VERSION,B.DESCRIPTION,I.COMMAND FROM BATCH B,BATCH_ITEM I WHERE "
        "B.ID=I.BATCH_ID AND B.VERSION>:VERSION ORDER BY B.VERSION");
    Batch_Item_CDS->Params[QStringLiteral("VERSION")] =
        SYS_CDS->FieldByName(QStringLiteral("VERSION"))->AsDate();
    Batch_Item_CDS->Open();
    if (Batch_Item_CDS->IsEmpty()) return false;
    const QStringList captions = {QStringLiteral("Version"), QStringLiteral("Description"),
                                  QStringLiteral("SQL Command")};
    const QStringList fields = {QStringLiteral("VERSION"), QStringLiteral("DESCRIPTION"),
                                QStringLiteral("COMMAND")};
    for (int i = 0; i < fields.size(); ++i)
        Batch_Item_CDS->FieldByName(fields[i])->DisplayLabel = captions[i];
    DBGrid1->SetDataSource(Batch_Item_DS);
    return true;
}

void TfmDbPatch::BitBtn1Click() {
    QDate version;
    Failures = 0;
    for (int r = 0; r < Batch_Item_CDS->RecordCount(); ++r) {
        const QString command =
            Batch_Item_CDS->ValueAt(r, Batch_Item_CDS->FieldByName(QStringLiteral("COMMAND")))
                .toString();
        // Each command on its own: a failed one is logged and the next runs.
        try {
            TFbTransaction tra(dmMain()->SQLConn_Main);
            TFbQuery(tra, command).Execute();
            tra.Commit();
            memoLog->appendPlainText(QStringLiteral("Execution succeeded: %1 ").arg(command));
        } catch (const EFbError& e) {
            ++Failures;
            memoLog->appendPlainText(
                QStringLiteral("Execution failed: %1, error: %2").arg(command, e.Message()));
        }
        version = Batch_Item_CDS->ValueAt(r, Batch_Item_CDS->FieldByName(QStringLiteral("VERSION")))
                      .toDate();
    }
    SYS_CDS->Edit();
    SYS_CDS->FieldByName(QStringLiteral("VERSION"))->SetValue(version);
    SYS_CDS->Post();
    SYS_CDS->ApplyUpdates();
    BitBtn1->setEnabled(false);
    // The failures plainly, so that they can be reported.
    if (Failures > 0) {
        memoLog->appendPlainText(
            QStringLiteral("\n%1 of %2 commands failed; the lines starting with \"Execution "
                           "failed\" say which and why.")
                .arg(Failures)
                .arg(Batch_Item_CDS->RecordCount()));
        ShowWarning(QStringLiteral("The upgrade finished, but %1 of its %2 commands failed. The "
                                   "log in the window lists them; please report them.")
                        .arg(Failures)
                        .arg(Batch_Item_CDS->RecordCount()));
    }
}
