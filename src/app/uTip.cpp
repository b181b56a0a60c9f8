#include "uTip.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "EFbError.h"
#include "TClientDataSet.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"

namespace {

// The small picture beside a tip: a light bulb.
QPixmap Bulb() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xb0, 0x8a, 0x00), 1.5));
    p.setBrush(QColor(0xff, 0xd8, 0x4a));
    p.drawEllipse(QRectF(7, 2, 18, 18));
    p.setBrush(QColor(0x9a, 0x9a, 0x9a));
    p.drawRect(QRectF(12, 20, 8, 7));
    return pm;
}

}  // namespace

TfmTip::TfmTip(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmTip"));
    setWindowTitle(QStringLiteral("Daily Tips"));
    SetStandardFont(this);
    resize(390, 255);
    auto* box = new QGroupBox(this);
    lbSubject = new QLabel(box);
    lbSubject->setObjectName(QStringLiteral("lbSubject"));
    lbSubject->setWordWrap(true);
    QFont f = lbSubject->font();
    f.setBold(true);
    lbSubject->setFont(f);
    auto* picture = new QLabel(box);
    picture->setPixmap(Bulb());
    memoMsg = new QPlainTextEdit(box);
    memoMsg->setObjectName(QStringLiteral("memoMsg"));
    memoMsg->setReadOnly(true);
    auto* head = new QHBoxLayout;
    head->addWidget(picture);
    head->addWidget(lbSubject, 1);
    auto* inBox = new QVBoxLayout(box);
    inBox->addLayout(head);
    inBox->addWidget(memoMsg, 1);
    cbShowTip = new QCheckBox(QStringLiteral("Display daily tips after login"), this);
    cbShowTip->setObjectName(QStringLiteral("cbShowTip"));
    BitBtn1 = new QPushButton(QStringLiteral("Next >>"), this);
    BitBtn2 = new QPushButton(QStringLiteral("Close"), this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cbShowTip, 1);
    bottom->addWidget(BitBtn1);
    bottom->addWidget(BitBtn2);
    auto* v = new QVBoxLayout(this);
    v->addWidget(box, 1);
    v->addLayout(bottom);
    User_CDS = new TClientDataSet(this);
    User_CDS->setObjectName(QStringLiteral("User_CDS"));
    User_CDS->UpdateTableName = QStringLiteral("SYS_USER");
    Tip_CDS = new TClientDataSet(this);
    Tip_CDS->setObjectName(QStringLiteral("Tip_CDS"));
    connect(BitBtn1, &QPushButton::clicked, this, [this]() { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this]() { BitBtn2Click(); });
}

void TfmTip::OpenFor(int userId) {
    for (TClientDataSet* cds : {User_CDS, Tip_CDS}) cds->SetConnection(&dmMain()->SQLConn_Main);
    User_CDS->CommandText =
        "SELECT ID, SHOWTIP, SYS_TIP_ID FROM SYS_USER WHERE ID=" + QString::number(userId);
    User_CDS->Open();
    Tip_CDS->CommandText = QStringLiteral("SELECT * FROM SYS_TIP ORDER BY ID");
    Tip_CDS->Open();
    // The tip seen last; the first when it is gone.
    const int row =
        User_CDS->IsEmpty()
            ? -1
            : Tip_CDS->RowOfKey(User_CDS->FieldByName(QStringLiteral("SYS_TIP_ID"))->Value());
    if (row >= 0)
        Tip_CDS->MoveTo(row);
    else
        Tip_CDS->First();
    // Opening the window turns the tips after login on again.
    if (!User_CDS->IsEmpty()) {
        User_CDS->Edit();
        User_CDS->FieldByName(QStringLiteral("SHOWTIP"))->SetValue(1);
    }
    cbShowTip->setChecked(true);
    ShowTip();
}

void TfmTip::ShowTip() {
    const bool any = Tip_CDS->Active() && !Tip_CDS->IsEmpty();
    lbSubject->setText(any ? Tip_CDS->FieldByName(QStringLiteral("SUBJECT"))->AsString()
                           : QString());
    memoMsg->setPlainText(any ? Tip_CDS->FieldByName(QStringLiteral("MSG"))->AsString()
                              : QString());
}

void TfmTip::BitBtn1Click() {
    if (!Tip_CDS->Active() || Tip_CDS->IsEmpty()) return;
    Tip_CDS->Next();
    if (Tip_CDS->Eof()) Tip_CDS->First();  // after the last, the first again
    ShowTip();
}

void TfmTip::done(int r) {
    // Where the user left off and the choice of the box, kept together.
    if (User_CDS->Active() && !User_CDS->IsEmpty()) {
        if (User_CDS->State() == TDataSetState::Browse) User_CDS->Edit();
        User_CDS->FieldByName(QStringLiteral("SHOWTIP"))->SetValue(cbShowTip->isChecked() ? 1 : 0);
        User_CDS->FieldByName(QStringLiteral("SYS_TIP_ID"))
            ->SetValue(
                Tip_CDS->IsEmpty() ? 0 : Tip_CDS->FieldByName(QStringLiteral("ID"))->AsInteger());
        try {
            User_CDS->ApplyUpdates();
        } catch (const EFbError& e) {
            User_CDS->CancelUpdates();
            ShowError(e.Message());
        }
    }
    QDialog::done(r);
}
