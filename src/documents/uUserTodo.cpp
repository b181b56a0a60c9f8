#include "uUserTodo.h"

#include <QEvent>
#include <QGroupBox>
#include <QTabWidget>

#include "TClientDataSet.h"
#include "uDmMain.h"
#include "uPnDbDate.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"

TfmUserTodo::TfmUserTodo(QWidget* parent) : TfmChild(parent) {
    setObjectName(QStringLiteral("fmUserTodo"));
    SetCaption(QStringLiteral("Todo List"));
    SetChildMode(cmNoTreeView);
    Config.TableName = QStringLiteral("SYS_USER_TODO");
    Config.NameField = QStringLiteral("SUBJECT");
    Config.FilterField = QStringLiteral("CREATEDATE");
    SetQuickFilterCaptions(QStringLiteral("Today's Todo List"),
                           QStringLiteral("This Week's Todo List"),
                           QStringLiteral("This Month's Todo List"));
    Child_CDS->CommandText = QStringLiteral("SELECT * FROM SYS_USER_TODO WHERE ID=-1");
    for (QWidget* ts : {pgTs1, pgTs2, pgTsItems}) pg->setTabVisible(pg->indexOf(ts), false);
    pnDueDate = new TPnDbDate(gb0);
    pnDueDate->SetDataField(QStringLiteral("DUEDATE"));
    pnDueDate->SetDataSource(Child_DS);
    pnDueDate->move(8, 16);
    pnSubject = new TPnDbEdit(gb0);
    pnSubject->SetDataField(QStringLiteral("SUBJECT"));
    pnSubject->SetDataSource(Child_DS);
    pnSubject->move(pnDueDate->x() + pnDueDate->width() + 10, 16);
    pnContent = new TPnDbMemo(gb0);
    pnContent->SetDataField(QStringLiteral("CONTENT"));
    pnContent->SetDataSource(Child_DS);
    for (TPnBase* c : {static_cast<TPnBase*>(pnDueDate), static_cast<TPnBase*>(pnSubject),
                       static_cast<TPnBase*>(pnContent)})
        c->Loaded();
    Config.DefPnCtrlAftInsert = pnSubject;
    gb0->installEventFilter(this);
    FitSubject();
}

void TfmUserTodo::ShowTasksOf(int aUserId) {
    TdmMain::ResetCDS(Child_CDS);
    Child_CDS->CommandText =
        "SELECT * FROM SYS_USER_TODO WHERE SYS_USER_ID=" + QString::number(aUserId);
    Child_CDS->Open();
}

void TfmUserTodo::Child_CDSBeforePost() {
    TfmChild::Child_CDSBeforePost();
    // A user only ever creates tasks for himself.
    Child_CDS->FieldByName(QStringLiteral("SYS_USER_ID"))->SetValue(dmMain()->Curr_User_ID);
}

void TfmUserTodo::FitSubject() {
    // The subject runs to 20 pixels short of the panel's right edge.
    pnSubject->resize(qMax(60, gb0->width() - pnSubject->x() - 20), pnSubject->height());
    const int top = pnSubject->y() + pnSubject->height() + 6;
    pnContent->setGeometry(8, top, qMax(60, gb0->width() - 16), qMax(60, gb0->height() - top - 8));
}

bool TfmUserTodo::eventFilter(QObject* o, QEvent* e) {
    // Recomputed whenever the editor panel changes size.
    if (o == gb0 && e->type() == QEvent::Resize) FitSubject();
    return TfmChild::eventFilter(o, e);
}
