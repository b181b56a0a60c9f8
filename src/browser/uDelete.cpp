#include "uDelete.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <algorithm>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TFbConnection.h"
#include "TFbQuery.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uMessages.h"

namespace {

// Height of a section's heading, as the layout rule counts it.
constexpr int HeadingHeight = 20;

// The bar under a section's grid: dragging it makes the grid taller or
// shorter; the sections below move with it.
class TSectionSplitter : public QWidget {
public:
    TSectionSplitter(QWidget* grid, QWidget* parent) : QWidget(parent), FGrid(grid) {
        setFixedHeight(4);
        setCursor(Qt::SizeVerCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        FStartY = e->globalPosition().toPoint().y();
        FStartHeight = FGrid->height();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!(e->buttons() & Qt::LeftButton)) return;
        const int h = FStartHeight + e->globalPosition().toPoint().y() - FStartY;
        FGrid->setFixedHeight(std::max(h, FGrid->minimumSizeHint().height() / 2));
    }

private:
    QWidget* FGrid;
    int FStartY = 0;
    int FStartHeight = 0;
};

// Names from the rules go into statements as text: only plain column and
// table names are accepted.
QString CheckedName(const QVariant& value, const char* column, int ruleId, const QString& table) {
    static const QRegularExpression plain(QStringLiteral("^[A-Z][A-Z0-9_$]*$"));
    const QString name = value.toString().trimmed().toUpper();
    if (!plain.match(name).hasMatch())
        throw ERuleError(QStringLiteral("The deletion rule %1 of table %2 cannot be used: %3 "
                                        "\"%4\" is not a table or column name.")
                             .arg(ruleId)
                             .arg(table, QLatin1String(column), value.toString()));
    return name;
}

// In the select, a name holding the word ACTION is left bare: every ACTION of
// the statement is quoted afterwards. Every other name is quoted here, so
// that reserved words ("GROUP", "LEVEL") work as column names too.
QString SelectName(const QString& name) {
    return name.contains(QLatin1String("ACTION")) ? name : TClientDataSet::Quote(name);
}

struct TRule {
    int Id = 0;
    int DelType = 0;
    QString TableName, FKeyField, F1, F2, Title1, Title2, TableTitle;
    int Width1 = 0, Width2 = 0;
};

}  // namespace

TfmDelete::TfmDelete(QWidget* parent) : TfmDialog(parent) {
    setObjectName(QStringLiteral("fmDelete"));
    setWindowTitle(QStringLiteral("Delete Record"));
    setSizeGripEnabled(true);
    BitBtn1->setText(QStringLiteral("Ok"));
    BitBtn2->setText(QStringLiteral("Cancel"));
    BitBtn3->hide();
    lbNotes->setText(QStringLiteral("Deleting this record will have the following effects"));
    Panel1->hide();
    FSections = new QVBoxLayout(Content);
    FSections->setContentsMargins(4, 0, 0, 0);
    FSections->setSpacing(0);
    PanelLeft->layout()->setSpacing(0);
    SetFormSize(640, 424);
    connect(BitBtn1, &QPushButton::clicked, this, [this]() { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this]() { BitBtn2Click(); });
}

TfmDelete::~TfmDelete() { FreeAllCDS(); }

QString TfmDelete::GetDelTypeName(int aType) {
    switch (aType) {
        case 0:
            return QStringLiteral(
                "This record has the following [%d] [%s] records belonging to it, they will be "
                "deleted as well");
        case 1:
            return QStringLiteral(
                "Below [%d] records in [%s] table are referencing to this record, they will be "
                "deleted as well");
        case 2:
            return QStringLiteral(
                "Below [%d] records in [%s] table are referencing to this record, they will be "
                "kept (reference lost)");
        case 3:
            return QStringLiteral(
                "Below [%d] records in [%s] table are referencing to this record, deletion not "
                "allowed");
        default:
            return QString();
    }
}

QColor TfmDelete::GetDelTypeColor(int aType) {
    switch (aType) {
        case 0:
            return QColor(0, 128, 0);
        case 1:
            return QColor(128, 128, 0);
        case 2:
            return QColor(128, 0, 128);
        case 3:
            return QColor(255, 0, 0);
        default:
            return QColor(0, 0, 0);
    }
}

namespace {
// The heading format filled in: the row count for %d, the table title for %s.
QString FormatHeading(const QString& format, int count, const QString& title) {
    QString s = format;
    s.replace(QLatin1String("%d"), QString::number(count));
    s.replace(QLatin1String("%s"), title);
    return s;
}
}  // namespace

bool TfmDelete::PopulateSubDependenciesNeedToShowForm() {
    // The rules are read first: each rule then reads its rows with statements
    // of its own.
    std::vector<TRule> rules;
    {
        TFbTransaction tra(dmMain()->SQLConn_Main);
        TFbQuery wkQuery(tra, "SELECT * FROM SYS_DEPENDENCY WHERE PTABLE=" +
                                  TdmMain::QuotedStr(PTable) + " ORDER BY DELTYPE, ID");
        for (wkQuery.Open(); !wkQuery.Eof(); wkQuery.Next()) {
            TRule r;
            r.Id = wkQuery.AsInteger("ID");
            if (wkQuery.IsNull("DELTYPE"))
                throw ERuleError(
                    QStringLiteral("The deletion rule %1 of table %2 cannot be used: it has no "
                                   "DELTYPE.")
                        .arg(r.Id)
                        .arg(PTable));
            r.DelType = wkQuery.AsInteger("DELTYPE");
            r.TableName = CheckedName(wkQuery.Value("TABLENAME"), "TABLENAME", r.Id, PTable);
            r.FKeyField = CheckedName(wkQuery.Value("FKEYFIELD"), "FKEYFIELD", r.Id, PTable);
            r.F1 = CheckedName(wkQuery.Value("FNAMEFIELD1"), "FNAMEFIELD1", r.Id, PTable);
            r.F2 = CheckedName(wkQuery.Value("FNAMEFIELD2"), "FNAMEFIELD2", r.Id, PTable);
            r.Title1 = wkQuery.AsString("FNAMETITLE1");
            r.Title2 = wkQuery.AsString("FNAMETITLE2");
            r.Width1 = wkQuery.AsInteger("FNAMEWIDTH1");
            r.Width2 = wkQuery.AsInteger("FNAMEWIDTH2");
            r.TableTitle = wkQuery.AsString("TABLETITLE");
            rules.push_back(r);
        }
    }
    bool show = false;
    for (const TRule& r : rules) {
        if (CreateDependencyCDSNotEmpty(r.DelType, r.TableTitle, r.F1, r.F2, r.TableName,
                                        r.FKeyField, r.Title1, r.Title2, r.Width1, r.Width2) &&
            r.DelType > 0)
            show = true;
    }
    if (!FGRID.empty()) {
        FSP.back()->hide();
        FSections->setStretchFactor(FGRID.back(), 1);
        FGRID.back()->setMinimumHeight(HeadingHeight);
    }
    return show;
}

bool TfmDelete::CreateDependencyCDSNotEmpty(int aType, const QString& aDesc, const QString& f1,
                                            const QString& f2, const QString& tb,
                                            const QString& fkey, const QString& f1Title,
                                            const QString& f2Title, int f1Width, int f2Width) {
    const QString seq = QString::number(FCDS.size());
    auto* cds = new TClientDataSet(this);
    cds->setObjectName("aCDS_" + seq);
    cds->SetConnection(&dmMain()->SQLConn_Main);
    auto* ds = new TDataSource(this);
    ds->setObjectName("aDS_" + seq);
    ds->SetDataSet(cds);
    FCDS.push_back(cds);
    FDS.push_back(ds);

    const QString id = QString::number(PId);
    QString sql = "SELECT " + SelectName(QStringLiteral("ID")) + "," + SelectName(f1) + "," +
                  SelectName(f2) + " FROM " + SelectName(tb) + " WHERE " + SelectName(fkey) + "=" +
                  id + " ORDER BY " + SelectName(f1) + "," + SelectName(f2);
    sql.replace(
        QRegularExpression(QStringLiteral("ACTION"), QRegularExpression::CaseInsensitiveOption),
        QStringLiteral("\"ACTION\""));
    cds->CommandText = sql;
    cds->UpdateFieldDefs();
    // By position: the two name columns may carry any names, ID among them.
    cds->Field(0)->Visible = false;
    cds->Field(1)->DisplayLabel = f1Title;
    cds->Field(2)->DisplayLabel = f2Title;
    cds->Open();

    if (aType == 3)
        FGuards.push_back({"SELECT COUNT(*) FROM " + TClientDataSet::Quote(tb) + " WHERE " +
                               TClientDataSet::Quote(fkey) + "=" + id,
                           aDesc});
    const int n = cds->RecordCount();
    if (n == 0) return false;

    const QColor color = GetDelTypeColor(aType);
    auto* label = new QLabel(FormatHeading(GetDelTypeName(aType), n, aDesc), Content);
    label->setObjectName("aLB_" + seq);
    label->setFixedHeight(HeadingHeight);
    QPalette lp = label->palette();
    lp.setColor(QPalette::WindowText, color);
    label->setPalette(lp);

    auto* grid = new TDbGrid(Content);
    grid->setObjectName("aGRID_" + seq);
    grid->SetDataSource(ds);
    grid->horizontalHeader()->setSectionsMovable(false);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->setShowGrid(true);
    grid->verticalHeader()->show();  // the row indicator
    grid->setMinimumHeight(HeadingHeight);
    QPalette gp = grid->palette();
    gp.setColor(QPalette::Text, color);
    grid->setPalette(gp);
    QPalette hp = grid->horizontalHeader()->palette();
    hp.setColor(QPalette::ButtonText, color);
    hp.setColor(QPalette::WindowText, color);
    grid->horizontalHeader()->setPalette(hp);
    // Widths are given in characters.
    const int digit = grid->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    if (f1Width > 0) grid->setColumnWidth(0, f1Width * digit + 4);
    if (f2Width > 0) grid->setColumnWidth(1, f2Width * digit + 4);

    auto* splitter = new TSectionSplitter(grid, Content);
    splitter->setObjectName("aSP_" + seq);
    FSections->addWidget(label);
    FSections->addWidget(grid);
    FSections->addWidget(splitter);
    FLB.push_back(label);
    FGRID.push_back(grid);
    FSP.push_back(splitter);

    if (aType == 3) BitBtn1->setEnabled(false);
    if (aType == 0 || aType == 1)
        DelSQL << "DELETE FROM " + TClientDataSet::Quote(tb) + " WHERE " +
                      TClientDataSet::Quote(fkey) + "=" + id;
    return true;
}

void TfmDelete::LayoutSections() {
    const int n = int(FGRID.size());
    if (n == 0) return;
    const int h = (PanelLeft->height() - HeadingHeight * n) / n;
    for (int i = 0; i + 1 < n; ++i) FGRID[size_t(i)]->setFixedHeight(std::max(h, HeadingHeight));
}

void TfmDelete::showEvent(QShowEvent* e) {
    TfmDialog::showEvent(e);
    // The left panel has its height once the dialog is laid out for showing.
    if (!FLaidOut) {
        FLaidOut = true;
        LayoutSections();
    }
}

void TfmDelete::DeleteSubDependencies() {
    const bool done = RunGuarded([this]() {
        WriteInTransaction(dmMain()->SQLConn_Main, [this](TFbTransaction& tra) {
            // Rows that forbid the deletion may have come since they were read.
            for (const TGuard& g : FGuards) {
                TFbQuery q(tra, g.Sql);
                q.Open();
                const int n = int(q.AsInt64(0));
                if (n > 0) throw ERuleError(FormatHeading(GetDelTypeName(3), n, g.Title));
            }
            for (const QString& sql : DelSQL) {
                TFbQuery DelQuery(tra, sql);
                DelQuery.Execute();
            }
            if (FDeleteParent) FDeleteParent(tra);
        });
    });
    if (done) DependenciesDeleted = true;
}

void TfmDelete::FreeAllCDS() {
    // The grids go before the sets they show.
    qDeleteAll(FGRID);
    qDeleteAll(FLB);
    qDeleteAll(FSP);
    for (TClientDataSet* c : FCDS) c->Close();
    qDeleteAll(FDS);
    qDeleteAll(FCDS);
    FGRID.clear();
    FLB.clear();
    FSP.clear();
    FDS.clear();
    FCDS.clear();
}

void TfmDelete::BitBtn1Click() {
    DeleteSubDependencies();
    // A refused delete keeps the dialog open: the user can still cancel.
    if (DependenciesDeleted) accept();
}

void TfmDelete::BitBtn2Click() { reject(); }

bool DeleteWithDependencies(const QString& table, const QString& nameText, int id,
                            const std::function<void(TFbTransaction&)>& deleteParent,
                            QWidget* parent) {
    TfmDelete dlg(parent);
    dlg.setWindowTitle(dlg.windowTitle() + ":" + nameText);
    dlg.DependenciesDeleted = false;
    dlg.PTable = table;
    dlg.PId = id;
    dlg.DelSQL.clear();
    dlg.FDeleteParent = deleteParent;
    bool show = false;
    // A rule that cannot be read or run stops the deletion with its message.
    if (!RunGuarded([&]() { show = dlg.PopulateSubDependenciesNeedToShowForm(); })) return false;
    if (show)
        dlg.exec();
    else
        dlg.DeleteSubDependencies();
    return dlg.DependenciesDeleted;
}
