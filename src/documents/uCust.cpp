#include "uCust.h"

#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

#include "uChildForm.h"
#include "uDbRadioGroup.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"
#include "uPnFkey.h"

TfmCust::TfmCust(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmCust", "Customers", "AR_ACCT", "NAME", "CREATEDATE");
    SetQuickFilterCaptions(QStringLiteral("Today's New Customers"),
                           QStringLiteral("This Week's New Customers"),
                           QStringLiteral("This Month's New Customers"));
    Config.DeleteRight = QStringLiteral("Delete Customer");
    pg->setTabText(0, QStringLiteral("Particulars"));
    pg->setTabText(pg->indexOf(pgTs1), QStringLiteral("Groupings"));
    QGridLayout* g = TwoColumnGrid(gb0);
    pnNickName = AddField<TPnDbEdit>(this, g, 0, 0, "NICKNAME");
    pnName = AddField<TPnDbEdit>(this, g, 1, 0, "NAME");
    pnAddress = AddField<TPnDbMemo>(this, g, 2, 0, "ADDRESS", 2);
    AddField<TPnDbEdit>(this, g, 4, 0, "ZIPCODE");
    AddField<TPnDbEdit>(this, g, 5, 0, "URL");
    AddField<TPnDbEdit>(this, g, 0, 1, "PHONENO");
    AddField<TPnDbEdit>(this, g, 1, 1, "MOBILENO");
    AddField<TPnDbEdit>(this, g, 2, 1, "EMAIL");
    AddField<TPnDbEdit>(this, g, 3, 1, "MSN");
    AddField<TPnDbEdit>(this, g, 4, 1, "SKYPE");
    g->setRowStretch(6, 1);
    QGridLayout* g1 = TwoColumnGrid(gb1);
    pnGroup = AddField<TPnDictBox>(this, g1, 0, 0, "GROUP");
    pnDiscRate = AddField<TPnDbEdit>(this, g1, 1, 0, "DISCTRATE");
    pnTax = AddField<TPnFkey>(this, g1, 2, 0, "SYS_TAX_ID");
    pnTax->LookupSQL = QStringLiteral("SELECT ID,NAME,RATE FROM SYS_TAX");
    pnGrade = AddField<TPnDictBox>(this, g1, 3, 0, "GRADE");
    rgPriceNo = new TDbRadioGroup(
        QStringLiteral("Default Price"),
        {QStringLiteral("Standard Price"), QStringLiteral("Price 1"), QStringLiteral("Price 2")},
        {0, 1, 2}, gb1);
    rgPriceNo->SetDataSource(Child_DS);
    rgPriceNo->SetDataField(QStringLiteral("PRICENO"));
    g1->addWidget(rgPriceNo, 4, 0);
    pnRemarks = AddField<TPnDbMemo>(this, g1, 0, 1, "REMARKS", 5);
    LoadAllControls(this);
    // The two memos carry fixed labels.
    pnAddress->FLabelCaption->setText(QStringLiteral("Address"));
    pnRemarks->FLabelCaption->setText(QStringLiteral("Remarks"));
    Config.DefPnCtrlAftInsert = pnNickName;
}
