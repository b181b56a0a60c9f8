// The browser's sheets of user-defined fields and the way to their designer.
#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "TClientDataSet.h"
#include "TFbQuery.h"
#include "uChild.h"
#include "uDmMain.h"
#include "uMessages.h"
#include "uUdfSheet.h"

namespace {
IFieldDesigner* g_fieldDesigner = nullptr;
}

void TfmChild::SetFieldDesigner(IFieldDesigner* designer) { g_fieldDesigner = designer; }

void TfmChild::BuildUdfSheets(QBoxLayout* beside) {
    static const char* const names[5] = {"pgtsUdf1", "pgTsUdf2", "pgTsUdf3", "pgTsUdf4",
                                         "pgTsUdf5"};
    for (int i = 0; i < 5; ++i) {
        auto* ts = new QWidget(pg);
        ts->setObjectName(QLatin1String(names[i]));
        auto* l = new QVBoxLayout(ts);
        l->setContentsMargins(2, 2, 2, 2);
        // Fields sit where the designer put them: the area has no layout.
        UdfGb[i] = new QWidget(ts);
        UdfGb[i]->setObjectName("UdfGb" + QString::number(i + 1));
        l->addWidget(UdfGb[i], 1);
        pgTsUdf[i] = ts;
        pg->setTabVisible(pg->addTab(ts, QStringLiteral("UserDefined")), false);
    }
    pnUdf1 = new QWidget(PanelRightBottom);
    pnUdf1->setObjectName(QStringLiteral("pnUdf1"));
    pnUdf1->setFixedWidth(150);
    auto* pl = new QVBoxLayout(pnUdf1);
    btnDesignField = new QPushButton(QStringLiteral("Design Fields"), pnUdf1);
    btnDesignField->setObjectName(QStringLiteral("btnDesignField"));
    pl->addWidget(btnDesignField);
    auto* note = new QLabel(
        QStringLiteral("Fields of these kinds can be designed: text, memo, number, date, "
                       "check box, drop-down list, lookup and image link."),
        pnUdf1);
    note->setWordWrap(true);
    pl->addWidget(note);
    pl->addStretch(1);
    pnUdf1->hide();
    beside->addWidget(pnUdf1);
    connect(btnDesignField, &QPushButton::clicked, Child_DesignField, &QAction::trigger);
    connect(Child_DesignField, &QAction::triggered, this,
            GuardedCommand(&TfmChild::Child_DesignFieldExecute));
    connect(pg, &QTabWidget::currentChanged, this,
            [this]() { pnUdf1->setVisible(FUdfShow && CurrentUdfSheet() > 0); });
}

void TfmChild::SetUdfShow(bool show) {
    FUdfShow = show;
    Child_DesignField->setVisible(show);
}

int TfmChild::CurrentUdfSheet() const {
    for (int i = 0; i < 5; ++i)
        if (pg->currentWidget() == pgTsUdf[i]) return i + 1;
    return 0;
}

void TfmChild::clearUdfCtrls() {
    for (int i = 0; i < 5; ++i) {
        ClearUdfSheet(UdfGb[i]);
        FUdfBuilt[i] = false;
    }
}

void TfmChild::setUdfTabSheets(bool reCreateControls) {
    if (!FUdfShow || pg->isHidden()) return;
    int shown[5] = {0, 0, 0, 0, 0};
    QString names[5];
    bool found = false;
    dmMain()->ForEachRow(
        "SELECT * FROM SYS_TABLENO WHERE TABLENAME=" + TdmMain::QuotedStr(Config.TableName),
        [&](const TFbQuery& q) {
            found = true;
            for (int n = 0; n < 5; ++n) {
                const QString col = "UDF" + QString::number(n + 1);
                shown[n] = q.AsInteger(col);
                names[n] = q.AsString(col + "NAME");
            }
        });
    if (!found) {
        ShowInformation("Cannot find SYS_TABLENO record for table: " + Config.TableName);
        return;
    }
    for (int n = 0; n < 5; ++n) {
        const int index = pg->indexOf(pgTsUdf[n]);
        const bool on = shown[n] == 1;
        pg->setTabVisible(index, on);
        if (on)
            pg->setTabText(index, names[n].isEmpty() ? QStringLiteral("UserDefined") : names[n]);
        // Only the fields of shown sheets are built: a required field on a
        // sheet the user cannot see would refuse every save.
        if (on && (reCreateControls || !FUdfBuilt[n])) {
            BuildUdfSheet(Config.TableName, n + 1, UdfGb[n], Child_DS);
            FUdfBuilt[n] = true;
        } else if (!on && FUdfBuilt[n]) {
            ClearUdfSheet(UdfGb[n]);
            FUdfBuilt[n] = false;
        }
    }
    pnUdf1->setVisible(CurrentUdfSheet() > 0);
}

void TfmChild::Child_DesignFieldExecute() {
    TdmMain* dm = dmMain();
    if (dm->Curr_User_ID != 0) {
        ShowInformation(
            "Please use administrator login to perform this function, you are currently "
            "logged in as: " +
            dm->Curr_User_Name);
        return;
    }
    if (!g_fieldDesigner) return;
    // The rows are read again afterwards: what was typed is settled first.
    if (!ResolvePendingEdits()) return;
    if (!g_fieldDesigner->DesignFields(this, std::max(1, CurrentUdfSheet()))) {
        setUdfTabSheets(false);
        return;
    }
    clearUdfCtrls();
    FTableDbChanged = true;
    Child_CDS->Tag = 0;
    TreeView1Change(SelectedFolder());
    setUdfTabSheets(true);
    SaveMasterGrid();
}
