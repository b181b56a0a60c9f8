#include "uDoTemplate.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QScopeGuard>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "EFbError.h"
#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDisplayFormat.h"
#include "TFbConnection.h"
#include "TReportDocument.h"
#include "TReportPreview.h"
#include "uDmMain.h"
#include "uDoTemplateField.h"
#include "uLibProc.h"
#include "uMessages.h"
#include "uSizeHandles.h"
#include "uTemplateCodes.h"
#include "uTreeView.h"

namespace {

const QString kPostalCodeTitle = QString::fromUtf8("邮编");
const QString kTickTitle = QString::fromUtf8("勾选项");
const QString kTick = QString::fromUtf8("√");
// What a select list holds when no element asks for a column of its set.
const QString kNoColumns = QStringLiteral("0 AS NO_COLUMNS");
// Below these a saved element could not be seen or grabbed again.
constexpr int kMinLeftTop = 0;
constexpr int kMinSize = 10;

// A record set of the window on the main connection.
TClientDataSet* OwnSet(QObject* owner, const char* name) {
    auto* cds = new TClientDataSet(owner);
    cds->setObjectName(QString::fromLatin1(name));
    cds->SetConnection(&dmMain()->SQLConn_Main);
    return cds;
}

// n / d rounded to the nearest integer, halves to the even neighbour.
int DivideHalfEven(int n, int d) {
    int q = n / d;
    const int r2 = 2 * (n % d);
    if (r2 > d || (r2 == d && q % 2 != 0)) ++q;
    return q;
}

// The last component of a stored path, written with either separator.
QString LastPathComponent(const QString& path) {
    const int cut = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return path.mid(cut + 1);
}

}  // namespace

TfmDoTemplate::TfmDoTemplate(QWidget* parent)
    : TfmChild(parent), FNoBand(TReportBand::TKind::Detail) {
    setObjectName(QStringLiteral("fmDoTemplate"));
    SetCaption(QStringLiteral("Invoice Templates"));
    SetChildMode(cmEditorOnly);
    Config.TableName = QStringLiteral("SO_DOTEMPLATE");
    Config.NameField = QStringLiteral("NAME");
    Config.SelectList = QStringLiteral("*");
    Config.FilterField = QStringLiteral("NOT APPLICABLE");
    Config.TVShow = true;
    Config.TVCountField.clear();
    Config.TVShowCount = false;
    Child_CDS->CommandText = QStringLiteral("SELECT * FROM SO_DOTEMPLATE");

    BuildCommands();
    BuildTreeMenu();
    BuildCanvas();

    Field_CDS = OwnSet(this, "Field_CDS");
    // Another user's change to the same element is refused, not overwritten.
    Field_CDS->UpdateMode = TUpdateMode::WhereChanged;
    Flag_CDS = OwnSet(this, "Flag_CDS");
    Tran_CDS = OwnSet(this, "Tran_CDS");
    Query_Detail = OwnSet(this, "Query_Detail");

    BuildReport();
    LoadTemplate(0);
}

TfmDoTemplate::~TfmDoTemplate() = default;

// Toolbar: New (a copy of the selected template) and Save stay.
void TfmDoTemplate::BuildCommands() {
    Child_Cancel->setVisible(false);
    Child_Delete->setVisible(false);
    btnLeftFind->setVisible(false);
    disconnect(Child_New, nullptr, this, nullptr);
    connect(Child_New, &QAction::triggered, this,
            GuardedCommand(&TfmDoTemplate::CopySelectedTemplate));
    btnPreview = ToolBar2->addAction(QStringLiteral("Preview"));
    btnPreview->setObjectName(QStringLiteral("btnPreview"));
    connect(btnPreview, &QAction::triggered, this, GuardedCommand(&TfmDoTemplate::btnPreviewClick));
    PopupFonts = new QMenu(this);
    N1 = PopupFonts->addAction(QStringLiteral("Set Fonts for Selected Field"));
    N2 = PopupFonts->addAction(QStringLiteral("Set Fonts for All Fields"));
    connect(N1, &QAction::triggered, this, GuardedCommand(&TfmDoTemplate::N1Click));
    connect(N2, &QAction::triggered, this, GuardedCommand(&TfmDoTemplate::N2Click));
    btnFonts = new QToolButton(this);
    btnFonts->setObjectName(QStringLiteral("btnFonts"));
    btnFonts->setText(QStringLiteral("Fonts"));
    btnFonts->setMenu(PopupFonts);
    btnFonts->setPopupMode(QToolButton::InstantPopup);
    ToolBar2->addWidget(btnFonts);
    btnSetup = ToolBar2->addAction(QStringLiteral("Settings"));
    btnSetup->setObjectName(QStringLiteral("btnSetup"));
    connect(btnSetup, &QAction::triggered, this, GuardedCommand(&TfmDoTemplate::btnSetupClick));
    if (QWidget* status = findChild<QWidget*>(QStringLiteral("StatusBar1"))) status->hide();
}

// The tree's menu copies and deletes templates instead of folders.
void TfmDoTemplate::BuildTreeMenu() {
    disconnect(N12, nullptr, this, nullptr);
    disconnect(N15, nullptr, this, nullptr);
    CopySelectedTemplateToNew = N12;
    CopySelectedTemplateToNew->setText(QStringLiteral("Copy Selected Template To New"));
    DeleteSelectedTemplate1 = N15;
    DeleteSelectedTemplate1->setText(QStringLiteral("Delete Selected Template"));
    N13->setVisible(false);
    connect(CopySelectedTemplateToNew, &QAction::triggered, this,
            GuardedCommand(&TfmDoTemplate::CopySelectedTemplate));
    connect(DeleteSelectedTemplate1, &QAction::triggered, this,
            GuardedCommand(&TfmDoTemplate::DeleteSelectedTemplate));
}

// The design canvas in place of the editor pages.
void TfmDoTemplate::BuildCanvas() {
    pg->hide();
    ScrollBox1 = new QScrollArea(PanelRightBottom);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PanelRightBottom->layout()->addWidget(ScrollBox1);
    PageCanvas = new QWidget;
    PageCanvas->setObjectName(QStringLiteral("PageCanvas"));
    ScrollBox1->setWidget(PageCanvas);
    auto band = [this](const char* name, const QColor& color) {
        auto* w = new QWidget(PageCanvas);
        w->setObjectName(QString::fromLatin1(name));
        w->setAutoFillBackground(true);
        QPalette p = w->palette();
        p.setColor(QPalette::Window, color);
        w->setPalette(p);
        return w;
    };
    HeaderBand = band("HeaderBand", Qt::white);
    // The item band in a light grey, so that the bands stand apart.
    DetailBand = band("DetailBand", QColor(0xE4, 0xE4, 0xE4));
    FooterBand = band("FooterBand", Qt::white);
    ImageHeader = new QLabel(HeaderBand);
    ImageHeader->setObjectName(QStringLiteral("ImageHeader"));
    ImageFooter = new QLabel(FooterBand);
    ImageFooter->setObjectName(QStringLiteral("ImageFooter"));
    // A click on the empty page lets go of the element; the arrow keys then
    // belong to the page, not to the scroll bars.
    PageCanvas->setFocusPolicy(Qt::ClickFocus);
    for (QWidget* w : {PageCanvas, HeaderBand, DetailBand, FooterBand,
                       static_cast<QWidget*>(ImageHeader), static_cast<QWidget*>(ImageFooter)})
        w->installEventFilter(this);
    CreateNodes();
}

void TfmDoTemplate::BuildReport() {
    // The report: header, a master band of height 0 that starts every
    // invoice on a new page, the item lines, and the footer.
    QuickRep1.BaseFont = QFont(QStringLiteral("Segoe UI"), 9);
    QRBandHeader = QuickRep1.AddBand(TReportBand::TKind::PageHeader);
    QRBandMaster = QuickRep1.AddBand(TReportBand::TKind::Detail);
    QRBandMaster->Height = 0;
    QRBandMaster->ForceNewPage = true;
    QRSubDetail = QuickRep1.AddBand(TReportBand::TKind::SubDetail);
    QRSubDetail->DataSet = Query_Detail;
    QRBandFooter = QuickRep1.AddBand(TReportBand::TKind::PageFooter);
    QRBandHeader->AfterPrint = [this](TReportBand&) { QRBandHeaderAfterPrint(); };
    QRImage1 = QRBandHeader->Add<TReportImage>();
    QRImage1->Name = QStringLiteral("QRImage1");
    QRImage1->Enabled = false;
    // The preview asks for its file and reports its errors through the
    // program's dialogs.
    TReportPreview::SetFileAsker([](const QString& caption, const QString& filter, QString& file) {
        return TMessageService::Instance().SaveFile(caption, filter, file);
    });
    TReportPreview::SetErrorShower([](const QString& message) { ShowGeneralError(message); });
}

int TfmDoTemplate::MasterInt(const char* field) const {
    if (!Child_CDS->Active() || Child_CDS->IsEmpty()) return 0;
    TField* f = Child_CDS->FindField(QString::fromLatin1(field));
    return f ? f->AsInteger() : 0;
}

QString TfmDoTemplate::MasterString(const char* field) const {
    if (!Child_CDS->Active() || Child_CDS->IsEmpty()) return QString();
    TField* f = Child_CDS->FindField(QString::fromLatin1(field));
    return f ? f->AsString() : QString();
}

void TfmDoTemplate::Child_CDSAfterOpen() {
    TfmChild::Child_CDSAfterOpen();
    // Save writes the canvas, which changes without the row being edited.
    Child_Save->setEnabled(true);
    FShownNodeId = Child_CDS->IsEmpty() ? -1 : MasterInt("SYS_TREEVIEW_ID");
    LoadTemplate(Child_CDS->IsEmpty() ? 0 : MasterInt("ID"));
}

void TfmDoTemplate::Child_DSStateChange() {
    TfmChild::Child_DSStateChange();
    Child_Save->setEnabled(true);
}

// ------------------------------------------------------------ loading

void TfmDoTemplate::LoadTemplate(int TId) {
    SetNodesVisible(false);
    FCanvasChanged = false;
    FCurrentTemplateId = TId;
    FFlagCDSSQL.clear();
    FInvCDSSQL = QStringLiteral("AR_TRAN.ID");
    FItemCDSSQL.clear();
    Field_CDS->Close();
    Field_CDS->CommandText =
        "SELECT * FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=" + QString::number(TId) +
        " ORDER BY TITLE,ORDERINGROUP";
    if (dmMain()->SQLConn_Main.Connected()) Field_CDS->Open();
    // The page first: the footer's copy of the picture is placed by the page height.
    SetPageSize();
    SetImage();
    CreateLabels();
}

void TfmDoTemplate::SetPageSize() {
    const QString paper = MasterString("PAPERSIZE");
    QuickRep1.CustomPaper = IsCustomPaper(paper);
    if (QuickRep1.CustomPaper)
        QuickRep1.CustomSize = QSize(MasterInt("PAGE_WIDTH"), MasterInt("PAGE_HEIGHT"));
    else
        QuickRep1.Paper = PageSizeIdOfPaper(paper);
    const bool portrait =
        !Child_CDS->Active() || Child_CDS->IsEmpty() || MasterInt("ORIENTATION") == 1;
    QuickRep1.Orientation = portrait ? QPageLayout::Portrait : QPageLayout::Landscape;
    QuickRep1.Title = MasterString("NAME");
    auto millimetres = [this](const char* field) {
        if (!Child_CDS->Active() || Child_CDS->IsEmpty()) return 0.0;
        const TField* f = Child_CDS->FindField(QString::fromLatin1(field));
        return f ? f->AsFloat() : 0.0;
    };
    QuickRep1.PrinterOffsetMm =
        QPointF(millimetres("PRINT_OFFSET_X"), millimetres("PRINT_OFFSET_Y"));
    QRBandHeader->Height = std::max(0, MasterInt("HEADER_HEIGHT"));
    QRBandFooter->Height = std::max(0, MasterInt("FOOTER_HEIGHT"));
    const QSize page = QuickRep1.PageSize();
    QRSubDetail->Height = std::max(0, page.height() - QRBandHeader->Height - QRBandFooter->Height);
    PlaceBands();
}

void TfmDoTemplate::PlaceBands() {
    const QSize page = QuickRep1.PageSize();
    PageCanvas->setFixedSize(page);
    HeaderBand->setGeometry(0, 0, page.width(), QRBandHeader->Height);
    DetailBand->setGeometry(0, QRBandHeader->Height, page.width(), QRSubDetail->Height);
    FooterBand->setGeometry(0, page.height() - QRBandFooter->Height, page.width(),
                            QRBandFooter->Height);
}

void TfmDoTemplate::SetImage() {
    ImageHeader->hide();
    ImageFooter->hide();
    FPicture = QImage();
    QString file = MasterString("FILENAME");
    if (file.isEmpty()) return;
    if (!QFileInfo::exists(file)) file = TemplateImageFolder() + LastPathComponent(file);
    if (!QFileInfo::exists(file) || !FPicture.load(file)) {
        FPicture = QImage();
        return;
    }
    const QPixmap pixmap = QPixmap::fromImage(FPicture);
    ImageHeader->setPixmap(pixmap);
    ImageHeader->setGeometry(0, 0, pixmap.width(), pixmap.height());
    ImageFooter->setPixmap(pixmap);
    ImageFooter->setGeometry(0, QRBandFooter->Height - QuickRep1.PageSize().height(),
                             pixmap.width(), pixmap.height());
    ImageHeader->show();
    ImageFooter->show();
}

void TfmDoTemplate::ClearLabels() {
    SetNodesVisible(false);
    qDeleteAll(FLabels);
    FLabels.clear();
    for (TReportText* e : FQRDbTexts) e->Band()->Remove(e);
    FQRDbTexts.clear();
}

void TfmDoTemplate::CreateLabels() {
    ClearLabels();
    if (!Field_CDS->Active()) return;
    auto append = [](QString& list, const QString& column) {
        if (!list.isEmpty()) list += ',';
        list += column;
    };
    for (Field_CDS->First(); !Field_CDS->Eof(); Field_CDS->Next()) {
        auto str = [this](const char* f) {
            return Field_CDS->FieldByName(QString::fromLatin1(f))->AsString();
        };
        auto num = [this](const char* f) {
            return Field_CDS->FieldByName(QString::fromLatin1(f))->AsInteger();
        };
        const int id = num("ID");
        const QString title = str("TITLE");
        const QString group = str("GROUPNAME");
        QWidget* designBand = nullptr;
        TReportBand* printBand = &FNoBand;
        if (group == QLatin1String("Header")) {
            designBand = HeaderBand;
            printBand = QRBandHeader;
        } else if (group == QLatin1String("Detail")) {
            designBand = DetailBand;
            printBand = QRSubDetail;
        } else if (group == QLatin1String("Footer")) {
            designBand = FooterBand;
            printBand = QRBandFooter;
        }

        auto* label = new QLabel(designBand);
        auto* text = printBand->Add<TReportText>();
        label->setObjectName("Label_" + QString::number(id));
        label->installEventFilter(this);
        label->setProperty("Tag", id);
        text->Name = "QRDbText_" + QString::number(id);
        text->Tag = id;
        if (title == kPostalCodeTitle) {
            label->setText(PutSpacingIntoCaption(QStringLiteral("123456"), num("SPACE")));
            text->Tag = num("SPACE");
            text->OnPrint = [this](TReportText& e, QString& v) { QRDBTextOnPrint(e, v); };
        } else if (title == kTickTitle) {
            label->setText(kTick);
        } else {
            label->setText(title);
        }

        // An element without a font of its own (one added for a new field)
        // takes the program's.
        QFont font = str("FONTNAME").isEmpty() ? QApplication::font() : QFont(str("FONTNAME"));
        if (num("FONTSIZE") > 0) font.setPointSize(num("FONTSIZE"));
        ApplyFontStyleName(font, str("FONTSTYLE"));
        label->setFont(font);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, ColorOfName(str("FONTCOLOR")));
        label->setPalette(pal);
        QRect place(num("LEFT"), num("TOP"), num("WIDTH"), num("HEIGHT"));
        // An element stored without a size (one added for a new field) shows
        // at its text's size, so that it can be seen and taken.
        if (place.width() < 1 || place.height() < 1) place.setSize(label->sizeHint());
        label->setGeometry(place);
        label->setVisible(designBand && num("VISIBLE") == 1);

        text->Enabled = false;  // until the print state says otherwise
        text->WordWrap = num("WORDWRAP") == 1;
        text->AutoSize = !text->WordWrap;
        text->AlignRight = num("RIGHTADJ") == 1;
        if (text->AlignRight)
            label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        else
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(text->WordWrap);
        text->Mask = str("FORMATSTR");
        text->FieldName = str("DATAFIELD");
        text->Font = font;
        text->Color = ColorOfName(str("FONTCOLOR"));

        const QString dataSet = str("DATASET");
        const QString column = str("DATATABLE") + '.' + text->FieldName;
        text->Kind = TReportText::TKind::Field;
        if (dataSet == QLatin1String("Flag_CDS")) {
            append(FFlagCDSSQL, column);
            text->DataSet = Flag_CDS;
        } else if (dataSet == QLatin1String("Tran_CDS")) {
            append(FInvCDSSQL, column);
            text->DataSet = Tran_CDS;
        } else if (dataSet == QLatin1String("Item_CDS")) {
            append(FItemCDSSQL, column);
            text->DataSet = Query_Detail;
        } else {
            // A system value: the hook gives it.
            text->Kind = TReportText::TKind::Label;
            text->OnPrint = [this](TReportText& e, QString& v) { QRDBTextOnPrint(e, v); };
        }
        FLabels.append(label);
        FQRDbTexts.push_back(text);
    }
    for (QLabel* l : FLabels) l->raise();
}

// ------------------------------------------------------------ printing

std::unique_ptr<TReportDocument> TfmDoTemplate::BeginPrint(bool withOrder) {
    CurrInvID = -9999;
    PageCount = 0;
    Flag_CDS->Close();
    Flag_CDS->CommandText = "SELECT " + (FFlagCDSSQL.isEmpty() ? kNoColumns : FFlagCDSSQL) +
                            " FROM SO_DOTEMPLATESETUP WHERE ID=(SELECT SO_DOTEMPLATE_ID FROM SYS)";
    Flag_CDS->Open();
    Tran_CDS->Close();
    Query_Detail->Close();
    QRSubDetail->OnLink = nullptr;
    if (!withOrder) {
        QuickRep1.DataSet = Flag_CDS;
    } else if (OrderInStr.isEmpty()) {
        ShowInformation(QStringLiteral("Please select at lease one record to print"));
        return nullptr;
    } else {
        Tran_CDS->CommandText = "SELECT " + FInvCDSSQL +
                                " FROM AR_TRAN LEFT JOIN AR_ACCT ON AR_TRAN.AR_ACCT_ID=AR_ACCT.ID "
                                "WHERE AR_TRAN.ID IN (" +
                                OrderInStr + ")";
        Tran_CDS->Open();
        Query_Detail->CommandText = "SELECT " + (FItemCDSSQL.isEmpty() ? kNoColumns : FItemCDSSQL) +
                                    " FROM AR_TRANITEM LEFT JOIN IC_ITEM ON AR_TRANITEM.IC_ITEM_ID "
                                    "=IC_ITEM.ID WHERE AR_TRAN_ID=:ID ORDER BY LINE";
        QRSubDetail->OnLink = [this]() {
            Query_Detail->Close();
            Query_Detail->Params[QStringLiteral("ID")] =
                Tran_CDS->FieldByName(QStringLiteral("ID"))->Value();
            Query_Detail->Open();
        };
        QuickRep1.DataSet = Tran_CDS;
    }
    ToggleDesignPreviewMode(true);
    FSavedItemHeight = QRSubDetail->Height;
    // A template stored with no line count prints one line to the band.
    const int lines = std::max(1, MasterInt("LINECOUNT"));
    QRSubDetail->Height = DivideHalfEven(FSavedItemHeight, lines);
    FPrinting = true;
    return QuickRep1.Prepare();
}

void TfmDoTemplate::EndPrint() {
    if (!FPrinting) return;
    FPrinting = false;
    QRSubDetail->Height = FSavedItemHeight;
    ToggleDesignPreviewMode(false);
}

void TfmDoTemplate::PreviewTemplate(bool withOrder) {
    const auto restore = qScopeGuard([this]() { EndPrint(); });
    std::unique_ptr<TReportDocument> doc = BeginPrint(withOrder);
    if (!doc) return;
    TReportPreview preview(*doc, QuickRep1.Title, this);
    preview.Exec();
}

void TfmDoTemplate::btnPreviewClick() {
    SetNodesVisible(false);
    if (OrderInStr.isEmpty()) {
        const int latest = dmMain()->SelectMinOrMaxIntegerWhere(
            QStringLiteral("ID"), QStringLiteral("AR_TRAN"), QStringLiteral("MAX"),
            {QStringLiteral("AR_TRANTYPE_ID"), QStringLiteral("1")});
        if (latest > 0) OrderInStr = QString::number(latest);
    }
    PreviewTemplate(!OrderInStr.isEmpty());
}

void TfmDoTemplate::ToggleDesignPreviewMode(bool SetPreviewMode) {
    QRImage1->Enabled = false;
    for (QLabel* l : FLabels) l->setEnabled(!SetPreviewMode);
    if (!SetPreviewMode) return;
    // What the canvas shows now prints, where it stands now: moves and font
    // changes not yet saved included.
    for (int i = 0; i < FLabels.size(); ++i) {
        QLabel* l = FLabels[i];
        TReportText* e = FQRDbTexts[size_t(i)];
        e->Enabled = !l->isHidden() && e->Band() != &FNoBand;
        if (!e->Enabled) continue;
        e->Geometry = l->geometry();
        e->Font = l->font();
        e->Color = l->palette().color(QPalette::WindowText);
    }
    if (MasterInt("PRINTIMG") == 1 && !FPicture.isNull()) {
        QRImage1->Picture = FPicture;
        QRImage1->Geometry = QRect(QPoint(0, 0), FPicture.size());
        QRImage1->Enabled = true;
    }
}

void TfmDoTemplate::QRDBTextOnPrint(TReportText& sender, QString& Value) {
    if (sender.Kind == TReportText::TKind::Label) {
        const QString& f = sender.FieldName;
        const QDate today = TdmMain::Today();
        if (f == QLatin1String("DATE"))
            Value = TDisplayFormat::FormatDate(today);
        else if (f == QLatin1String("YEAR"))
            Value = today.toString(QStringLiteral("yyyy"));
        else if (f == QLatin1String("MONTH"))
            Value = today.toString(QStringLiteral("MM"));
        else if (f == QLatin1String("DAY"))
            Value = today.toString(QStringLiteral("dd"));
        else if (f == QLatin1String("USER"))
            Value = dmMain()->Curr_User_Name;
        else if (f == QLatin1String("TICK"))
            Value = kTick;
        else if (f == QLatin1String("PAGENO"))
            Value = QString::number(PageCount);
        return;
    }
    if (sender.FieldName == QLatin1String("ZIPCODE") && !Value.isEmpty())
        Value = PutSpacingIntoCaption(Value, sender.Tag);
}

QString TfmDoTemplate::PutSpacingIntoCaption(const QString& Cap, int Spc) {
    if (Cap.isEmpty() || Spc <= 0) return Cap;
    const QString gap(Spc, ' ');
    QString out;
    for (int i = 0; i < Cap.size(); ++i) {
        if (i > 0) out += gap;
        out += Cap[i];
    }
    return out;
}

void TfmDoTemplate::QRBandHeaderAfterPrint() {
    // Pages printed without invoices count from 1 like an invoice's.
    const int id = Tran_CDS->Active() && !Tran_CDS->IsEmpty()
                       ? Tran_CDS->FieldByName(QStringLiteral("ID"))->AsInteger()
                       : 0;
    if (id == CurrInvID) {
        ++PageCount;
    } else {
        CurrInvID = id;
        PageCount = 1;
    }
}

void TfmDoTemplate::PrintWithTemplate(int templateId) {
    // Printing loads the chosen template into this window.
    if (!ResolveTemplateEdits()) return;
    ListRowsWhere("ID=" + QString::number(templateId));
    // The tree shows which template the window now holds.
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
        if (NodeData(*it).ID != FShownNodeId) continue;
        const QSignalBlocker blocker(TreeView1);
        TreeView1->setCurrentItem(*it);
        break;
    }
    if (Child_CDS->IsEmpty()) {
        ShowError(
            QStringLiteral("This template no longer exists; another user may have deleted it."));
        return;
    }
    PreviewTemplate(true);
}

// ------------------------------------------------------------ the tree

void TfmDoTemplate::CopySelectedTemplate() {
    QTreeWidgetItem* from = SelectedFolder();
    QTreeWidgetItem* top = RootOf(TreeView1);
    if (!from || !top) return;
    // The copy is made of the stored template.
    if (!ResolveTemplateEdits()) return;
    SetNodesVisible(false);
    const int fromId = NodeData(from).ID;
    TreeView1->blockSignals(true);
    ScrollBox1->hide();
    QTreeWidgetItem* selected = from;
    const auto restore = qScopeGuard([&]() {
        TreeView1->setCurrentItem(selected);
        TreeView1->blockSignals(false);
        ScrollBox1->show();
        TreeView1Change(selected);
    });
    TreeView1->setCurrentItem(top);
    QString name;
    if (!InputQuery(QStringLiteral("Template Name"), QStringLiteral("Template Name"), name)) return;
    if (name.isEmpty()) {
        ShowError(QStringLiteral("Invalid Folder Name"));
        return;
    }
    TTreeNodeData d;
    d.ParentID = NodeData(top).ID;
    d.Caption = name;
    // The node and the template it stands for are written together: a copy
    // that fails leaves no node without a template.
    WriteInTransaction(dmMain()->SQLConn_Main, [&](TFbTransaction& tra) {
        d.ID = dmMain()->InsertSysTreeView(tra, Config.TableName, name, d.ParentID, 0, 0, 0);
        // A source node without a template has said so; nothing is written.
        if (!dmMain()->CopyDoTemplate(tra, fromId, d.ID, name)) throw EAbort();
    });
    selected = AddFolder(top, d);
    top->setExpanded(true);
    MarkTemplateMenusStale();
}

void TfmDoTemplate::DeleteSelectedTemplate() {
    QTreeWidgetItem* item = SelectedFolder();
    if (!item) return;
    const TTreeNodeData d = NodeData(item);
    if (d.ReadOnly == 1) {
        ShowError(QStringLiteral("Selected folder is system folder, cannot delete."));
        return;
    }
    if (item->childCount() > 0) {
        ShowError(QStringLiteral("Selected folder has sub folder(s), cannot delete."));
        return;
    }
    if (!ConfirmYesNo(QStringLiteral("Are you sure to delete: ") + d.Caption + "?")) return;
    WriteInTransaction(dmMain()->SQLConn_Main, [&](TFbTransaction& tra) {
        dmMain()->DeleteSysTreeView(tra, Config.TableName, d.ID);
        dmMain()->DeleteDoTemplate(tra, d.ID);
    });
    MarkTemplateMenusStale();
    if (d.ID == FShownNodeId) {
        // Its unsaved changes went with it.
        FCanvasChanged = false;
        Field_CDS->CancelUpdates();
        FShownNodeId = -1;
    }
    delete item;  // the tree selects a neighbour, which loads its template
}

bool TfmDoTemplate::HasPendingEdits() const {
    return TfmChild::HasPendingEdits() || FCanvasChanged ||
           (Field_CDS->Active() && Field_CDS->ChangeCount() > 0);
}

void TfmDoTemplate::CancelPendingEdits() {
    const bool reload = FCanvasChanged || Field_CDS->ChangeCount() > 0;
    TfmChild::CancelPendingEdits();
    if (Field_CDS->Active()) {
        Field_CDS->Cancel();
        if (Field_CDS->ChangeCount() > 0) Field_CDS->CancelUpdates();
    }
    // The canvas shows the template as it is stored again.
    if (reload) LoadTemplate(FCurrentTemplateId);
}

bool TfmDoTemplate::ResolveTemplateEdits() {
    if (!HasPendingEdits()) return true;
    if (ConfirmYesNo(QStringLiteral("Template in editing mode, save now?")))
        return Child_SaveExecute();
    CancelPendingEdits();
    return true;
}

void TfmDoTemplate::TreeView1Change(QTreeWidgetItem* node) {
    if (!node) return;
    if (!ResolveTemplateEdits()) {
        // A refused save: the changed template stays shown and selected.
        for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
            if (NodeData(*it).ID != FShownNodeId) continue;
            const QSignalBlocker blocker(TreeView1);
            TreeView1->setCurrentItem(*it);
            break;
        }
        return;
    }
    SetNodesVisible(false);
    TfmChild::TreeView1Change(node);
    FShownNodeId = NodeData(node).ID;
}

// ------------------------------------------------------------ design

QLabel* TfmDoTemplate::LabelOfId(int id) const {
    for (QLabel* l : FLabels)
        if (l->property("Tag").toInt() == id) return l;
    return nullptr;
}

void TfmDoTemplate::CreateNodes() {
    FHandles = new TSizeHandles(PageCanvas);
    FHandles->SetGeometry = [this](QWidget* c, const QRect& r) {
        SetLabelGeometry(static_cast<QLabel*>(c), r);
    };
    FNodes = FHandles->Nodes();
}

QLabel* TfmDoTemplate::CurrentNodeControl() const {
    return qobject_cast<QLabel*>(FHandles->Current());
}

void TfmDoTemplate::PositionNodes(QWidget* AroundControl) {
    if (qobject_cast<QLabel*>(AroundControl)) FHandles->Place(AroundControl);
}

void TfmDoTemplate::SetNodesVisible(bool Visible) { FHandles->SetVisible(Visible); }

void TfmDoTemplate::ScrollBox1Click() { SetNodesVisible(false); }

void TfmDoTemplate::SetLabelGeometry(QLabel* label, const QRect& r) {
    if (label->geometry() == r) return;
    label->setGeometry(r);
    FCanvasChanged = true;
}

void TfmDoTemplate::ControlMouseDown(QLabel* label, QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    inReposition = true;
    oldPos = e->globalPosition().toPoint();
    PositionNodes(label);
    FCurrentLabel = label;
    PageCanvas->setFocus(Qt::MouseFocusReason);
}

void TfmDoTemplate::ControlMouseMove(QLabel* label, QMouseEvent* e) {
    if (!inReposition) return;
    label->setCursor(Qt::SizeAllCursor);
    const QPoint now = e->globalPosition().toPoint();
    SetLabelGeometry(label, label->geometry().translated(now - oldPos));
    oldPos = now;
    PositionNodes(label);
}

void TfmDoTemplate::ControlMouseUp(QLabel* label, QMouseEvent*) {
    if (!inReposition) return;
    inReposition = false;
    label->unsetCursor();
}

bool TfmDoTemplate::CanvasKeyPress(QKeyEvent* e) {
    QLabel* c = CurrentNodeControl();
    if (!c) return false;
    int dx = 0, dy = 0;
    switch (e->key()) {
        case Qt::Key_Left:
            dx = -1;
            break;
        case Qt::Key_Right:
            dx = 1;
            break;
        case Qt::Key_Up:
            dy = -1;
            break;
        case Qt::Key_Down:
            dy = 1;
            break;
        default:
            return false;
    }
    QRect r = c->geometry();
    if (e->modifiers() & Qt::ShiftModifier)
        r.setSize(QSize(std::max(1, r.width() + dx), std::max(1, r.height() + dy)));
    else
        r.translate(dx, dy);
    SetLabelGeometry(c, r);
    PositionNodes(c);
    return true;
}

bool TfmDoTemplate::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                       type == QEvent::MouseButtonRelease;
    if (mouse) {
        auto* e = static_cast<QMouseEvent*>(event);
        if (auto* label = qobject_cast<QLabel*>(watched); label && FLabels.contains(label)) {
            if (type == QEvent::MouseButtonPress) ControlMouseDown(label, e);
            if (type == QEvent::MouseMove) ControlMouseMove(label, e);
            if (type == QEvent::MouseButtonRelease) ControlMouseUp(label, e);
            return true;
        }
        if (type == QEvent::MouseButtonPress) {
            ScrollBox1Click();
            PageCanvas->setFocus(Qt::MouseFocusReason);
        }
        return false;
    }
    if (watched == PageCanvas && type == QEvent::KeyPress)
        return CanvasKeyPress(static_cast<QKeyEvent*>(event));
    return TfmChild::eventFilter(watched, event);
}

void TfmDoTemplate::SetFont(bool forOneFld) {
    if (forOneFld && !FCurrentLabel) {
        ShowInformation(QStringLiteral("Please select a field (click on it) first."));
        return;
    }
    QList<QLabel*> targets;
    if (forOneFld)
        targets << FCurrentLabel.data();
    else
        targets = FLabels;
    if (targets.isEmpty()) return;
    QFont font = targets.first()->font();
    const QString stored = font.family();
    const QString shown = QFontInfo(font).family();  // what stands in when it is not installed
    QString color = NameOfColor(targets.first()->palette().color(QPalette::WindowText));
    if (!TMessageService::Instance().ChooseFont(font, color, ColorNames())) return;
    // A family left as the dialog showed it is the stored one, not its stand-in.
    if (font.family() == shown) font.setFamily(stored);
    // A template keeps only the styles it has names for; any other would be
    // saved as "Normal" without a word.
    QFont named;
    ApplyFontStyleName(named, FontStyleName(font));
    if (named.bold() != font.bold() || named.italic() != font.italic() ||
        named.underline() != font.underline() || font.strikeOut()) {
        ShowInformation(
            QStringLiteral("A template keeps bold, italic and underline, one or two of "
                           "them, but not strikeout nor all three together. Please "
                           "choose another style."));
        return;
    }
    for (QLabel* l : targets) {
        l->setFont(font);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, ColorOfName(color));
        l->setPalette(p);
    }
    FCanvasChanged = true;
}

void TfmDoTemplate::SavePageSize() {
    if (!Child_CDS->Active() || Child_CDS->IsEmpty()) return;
    if (Child_CDS->State() == TDataSetState::Browse) Child_CDS->Edit();
    const QSize page = QuickRep1.PageSize();
    Child_CDS->FieldByName(QStringLiteral("PAGE_WIDTH"))->SetValue(page.width());
    Child_CDS->FieldByName(QStringLiteral("PAGE_HEIGHT"))->SetValue(page.height());
    Child_CDS->Post();
}

void TfmDoTemplate::SaveLabels() {
    if (!Field_CDS->Active()) return;
    for (QLabel* l : FLabels) {
        const int id = l->property("Tag").toInt();
        const int row = Field_CDS->RowOfKey(id);
        if (row < 0) {
            ShowError(QString::fromUtf8("SO_DOTEMPLATEFIELD 中找不到 ID:") + QString::number(id));
            continue;
        }
        Field_CDS->MoveTo(row);
        Field_CDS->Edit();
        auto set = [this](const char* f, const QVariant& v) {
            Field_CDS->FieldByName(QString::fromLatin1(f))->SetValue(v);
        };
        set("LEFT", std::max(l->x(), kMinLeftTop));
        set("TOP", std::max(l->y(), kMinLeftTop));
        set("WIDTH", std::max(l->width(), kMinSize));
        set("HEIGHT", std::max(l->height(), kMinSize));
        const QFont f = l->font();
        set("FONTNAME", f.family());
        set("FONTSIZE", f.pointSize());
        set("FONTSTYLE", FontStyleName(f));
        set("FONTCOLOR", NameOfColor(l->palette().color(QPalette::WindowText)));
        Field_CDS->Post();
    }
}

bool TfmDoTemplate::Child_SaveExecute() {
    SavePageSize();
    SaveLabels();
    // The page and every element are written together: a template is never
    // stored half moved. A refusal keeps the canvas as it is, to save again.
    try {
        WriteInTransaction(dmMain()->SQLConn_Main, [this](TFbTransaction& tra) {
            Child_CDS->ApplyUpdates(tra);
            Field_CDS->ApplyUpdates(tra);
        });
    } catch (const EFbError& e) {
        for (TClientDataSet* cds : {Child_CDS, Field_CDS}) {
            cds->Cancel();
            if (cds->ChangeCount() > 0) cds->CancelUpdates();
        }
        // The rows as they are now: another user's change has been told, and
        // a second Save stores this layout over it. The canvas stays as it is.
        RunGuarded([this]() {
            if (Child_CDS->Active() && !Child_CDS->IsEmpty()) Child_CDS->RefreshRecord();
            if (Field_CDS->Active()) Field_CDS->Refresh();
        });
        ShowError(e.Message() +
                  QStringLiteral("\rThe template was changed meanwhile, perhaps by another user. "
                                 "Save again to store this layout over that change, or choose "
                                 "the template again to see it."));
        return false;
    }
    Child_CDS->CommitUpdates();
    Field_CDS->CommitUpdates();
    // The canvas shows what is stored, minimums included.
    for (QLabel* l : FLabels) {
        const int row = Field_CDS->RowOfKey(l->property("Tag").toInt());
        if (row < 0) continue;
        Field_CDS->MoveTo(row);
        auto num = [this](const char* f) {
            return Field_CDS->FieldByName(QString::fromLatin1(f))->AsInteger();
        };
        l->setGeometry(num("LEFT"), num("TOP"), num("WIDTH"), num("HEIGHT"));
    }
    if (QLabel* c = CurrentNodeControl()) PositionNodes(c);
    FCanvasChanged = false;
    return true;
}

void TfmDoTemplate::RefreshLabels() {
    for (QLabel* l : FLabels) {
        const int id = l->property("Tag").toInt();
        const int row = Field_CDS->RowOfKey(id);
        if (row < 0) {
            ShowError(QString::fromUtf8("SO_DOTEMPLATEFIELD 中找不到 ID:") + QString::number(id));
            continue;
        }
        Field_CDS->MoveTo(row);
        auto num = [this](const char* f) {
            return Field_CDS->FieldByName(QString::fromLatin1(f))->AsInteger();
        };
        // Only elements of the three bands have a place on the canvas.
        const bool inBand = l->parentWidget() == HeaderBand || l->parentWidget() == DetailBand ||
                            l->parentWidget() == FooterBand;
        l->setVisible(inBand && num("VISIBLE") == 1);
        if (Field_CDS->FieldByName(QStringLiteral("TITLE"))->AsString() == kPostalCodeTitle)
            l->setText(PutSpacingIntoCaption(QStringLiteral("123456"), num("SPACE")));
        if (l->isHidden() && l == CurrentNodeControl()) SetNodesVisible(false);
    }
}

void TfmDoTemplate::btnSetupClick() {
    SetNodesVisible(false);
    const bool hasTemplate = Child_CDS->Active() && !Child_CDS->IsEmpty();
    if (hasTemplate) {
        if (Child_CDS->State() == TDataSetState::Browse) Child_CDS->Edit();
        const QSize page = QuickRep1.PageSize();
        Child_CDS->FieldByName(QStringLiteral("PAGE_WIDTH"))->SetValue(page.width());
        Child_CDS->FieldByName(QStringLiteral("PAGE_HEIGHT"))->SetValue(page.height());
    }

    // What the canvas holds unsaved, to be kept for elements that the
    // dialog leaves where they are stored.
    struct TKept {
        QRect Geometry;
        QFont Font;
        QColor Color;
        QString Group;
        int Left, Top;
    };
    QHash<int, TKept> kept;
    auto str = [this](const char* f) {
        return Field_CDS->FieldByName(QString::fromLatin1(f))->AsString();
    };
    auto num = [this](const char* f) {
        return Field_CDS->FieldByName(QString::fromLatin1(f))->AsInteger();
    };
    if (FCanvasChanged && Field_CDS->Active()) {
        for (QLabel* l : FLabels) {
            const int row = Field_CDS->RowOfKey(l->property("Tag").toInt());
            if (row < 0) continue;
            Field_CDS->MoveTo(row);
            kept.insert(l->property("Tag").toInt(),
                        {l->geometry(), l->font(), l->palette().color(QPalette::WindowText),
                         str("GROUPNAME"), num("LEFT"), num("TOP")});
        }
    }

    TfmDoTemplateField dialog(Child_DS, Field_CDS, this);
    if (Field_CDS->Active()) {
        for (Field_CDS->First(); !Field_CDS->Eof(); Field_CDS->Next()) {
            QListWidget* list = dialog.ListOfBand(str("GROUPNAME"));
            if (!list) continue;
            auto* item = new QListWidgetItem(str("TITLE"), list);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(num("VISIBLE") == 1 ? Qt::Checked : Qt::Unchecked);
        }
    }
    dialog.pgSettings->setTabEnabled(1, hasTemplate);
    dialog.pgSettings->setCurrentIndex(0);
    dialog.exec();
    if (!dialog.SaveBtnClicked) return;

    if (!dialog.needReload) {
        SetPageSize();
        SetImage();
        RefreshLabels();
        return;
    }
    const bool wasChanged = FCanvasChanged;
    LoadTemplate(FCurrentTemplateId);
    for (QLabel* l : FLabels) {
        const int id = l->property("Tag").toInt();
        const auto it = kept.constFind(id);
        const int row = Field_CDS->RowOfKey(id);
        if (it == kept.cend() || row < 0) continue;
        Field_CDS->MoveTo(row);
        if (str("GROUPNAME") != it->Group || num("LEFT") != it->Left || num("TOP") != it->Top)
            continue;  // moved by the dialog: its new place wins
        l->setGeometry(it->Geometry);
        l->setFont(it->Font);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, it->Color);
        l->setPalette(p);
    }
    FCanvasChanged = wasChanged;
}
