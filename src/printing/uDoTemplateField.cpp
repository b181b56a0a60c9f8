#include "uDoTemplateField.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>
#include <vector>

#include "EFbError.h"
#include "TClientDataSet.h"
#include "TDataSource.h"
#include "uDbCheckBox.h"
#include "uDbRadioGroup.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"
#include "uPnDbEdit.h"
#include "uTemplateCodes.h"

namespace {

const QString kHeader = QStringLiteral("Header");
const QString kDetail = QStringLiteral("Detail");
const QString kFooter = QStringLiteral("Footer");

TPnDbEdit* BoundEdit(QWidget* parent, TDataSource* ds, const QString& field,
                     const QString& caption) {
    auto* pn = new TPnDbEdit(parent);
    pn->setObjectName("pn" + field);
    pn->SetDataField(field);
    pn->SetDataSource(ds);
    pn->Loaded();
    // The dialog's own wording, whatever the column's metadata calls it.
    pn->FLabelCaption->setText(caption);
    pn->FLabelCaption->adjustSize();
    pn->setMinimumWidth(pn->FLabelCaption->width() + 16);
    pn->Edit()->setAccessibleName(caption);
    return pn;
}

// A printer feeds paper a few millimetres off at most; more is a typing slip.
constexpr int kMaxOffsetMm = 100;

// The caption of a page setting, for the messages that refuse its value.
QString CaptionOfPageField(const QString& field) {
    if (field == QLatin1String("PAGE_WIDTH")) return QStringLiteral("Paper Width");
    if (field == QLatin1String("PAGE_HEIGHT")) return QStringLiteral("Paper Height");
    if (field == QLatin1String("HEADER_HEIGHT")) return QStringLiteral("Header Height");
    if (field == QLatin1String("FOOTER_HEIGHT")) return QStringLiteral("Footer Height");
    if (field == QLatin1String("PRINT_OFFSET_X"))
        return QStringLiteral("Printer Offset Right (mm)");
    if (field == QLatin1String("PRINT_OFFSET_Y")) return QStringLiteral("Printer Offset Down (mm)");
    return field;
}

// Puts the row into edit mode unless it is already being edited.
void EnsureEditing(TClientDataSet* cds) {
    if (cds->State() == TDataSetState::Browse) cds->Edit();
}

}  // namespace

// ------------------------------------------------------------ the dialog

TfmDoTemplateField::TfmDoTemplateField(TDataSource* master, TClientDataSet* fields, QWidget* parent)
    : QDialog(parent), FMasterDS(master), FMaster(master->DataSet()), FFields(fields) {
    setObjectName(QStringLiteral("fmDoTemplateField"));
    setWindowTitle(QStringLiteral("Invoice Layout Design"));
    SetStandardFont(this);
    pgSettings = new QTabWidget(this);
    pgSettings->setObjectName(QStringLiteral("pgSettings"));
    pgSettings->addTab(BuildFieldsPage(), QStringLiteral("Fields Settings"));
    pgSettings->addTab(BuildPagePage(), QStringLiteral("Page Settings"));
    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    // Enter in a box presses neither button: a number typed is not yet checked.
    // Nor do they take the focus: a box is checked as it is left, and the
    // buttons check it themselves.
    for (QPushButton* b : {btnOk, btnCancel}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }
    connect(btnOk, &QPushButton::clicked, this, [this]() { RunGuarded([this]() { OkClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &TfmDoTemplateField::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(pgSettings, 1);
    main->addLayout(buttons);
    resize(720, 560);
}

QWidget* TfmDoTemplateField::BuildFieldsPage() {
    auto* page = new QWidget(this);
    auto* lists = new QHBoxLayout;
    auto list = [&](const char* name, const QString& caption) {
        auto* box = new QGroupBox(caption, page);
        auto* l = new QListWidget(box);
        l->setObjectName(QString::fromLatin1(name));
        l->setAccessibleName(caption);
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        l->viewport()->installEventFilter(this);
        auto* v = new QVBoxLayout(box);
        v->addWidget(l);
        lists->addWidget(box);
        return l;
    };
    clbHeader = list("clbHeader", QStringLiteral("Fields in Header"));
    clbDetail = list("clbDetail", QStringLiteral("Fields in Detail"));
    clbFooter = list("clbFooter", QStringLiteral("Fields in Footer"));
    auto* v = new QVBoxLayout(page);
    v->addLayout(lists, 1);
    for (const char* note :
         {"1. You can tick (untick) the field to print (hide) the field",
          "2. You can drag and drop to move field to other bands",
          "3. You can double click a field to set it's properties (ie. word wrap / right "
          "adjustment / format)"})
        v->addWidget(new QLabel(QString::fromLatin1(note), page));
    return page;
}

QWidget* TfmDoTemplateField::BuildPagePage() {
    auto* page = new QWidget(this);
    auto* paper = new QGroupBox(QStringLiteral("Paper Size"), page);
    auto* g = new QGridLayout(paper);

    cbPaperSize = new QComboBox(paper);
    cbPaperSize->setObjectName(QStringLiteral("cbPaperSize"));
    cbPaperSize->addItems(PaperNames());
    auto* paperLabel = new QLabel(QStringLiteral("Paper Size"), paper);
    paperLabel->setBuddy(cbPaperSize);
    g->addWidget(paperLabel, 0, 0);
    g->addWidget(cbPaperSize, 1, 0);

    pnPageWidth =
        BoundEdit(paper, FMasterDS, QStringLiteral("PAGE_WIDTH"), QStringLiteral("Paper Width"));
    pnPageHeight =
        BoundEdit(paper, FMasterDS, QStringLiteral("PAGE_HEIGHT"), QStringLiteral("Paper Height"));
    g->addWidget(pnPageWidth, 2, 0);
    g->addWidget(new QLabel(QStringLiteral("(\"Custom\" paper size needs to manuall set this width "
                                           "in pixels)"),
                            paper),
                 2, 1);
    g->addWidget(pnPageHeight, 3, 0);
    g->addWidget(new QLabel(QStringLiteral("(\"Custom\" paper size needs to manuall set this "
                                           "height in pixels)"),
                            paper),
                 3, 1);
    rgOrientation = new TDbRadioGroup(
        QString(), {QStringLiteral("Portrait"), QStringLiteral("Landscape")}, {1, 0}, paper);
    rgOrientation->setObjectName(QStringLiteral("rgOrientation"));
    rgOrientation->SetDataSource(FMasterDS);
    rgOrientation->SetDataField(QStringLiteral("ORIENTATION"));
    g->addWidget(rgOrientation, 0, 1, 2, 1);
    pnHeaderHeight = BoundEdit(paper, FMasterDS, QStringLiteral("HEADER_HEIGHT"),
                               QStringLiteral("Header Height"));
    pnFooterHeight = BoundEdit(paper, FMasterDS, QStringLiteral("FOOTER_HEIGHT"),
                               QStringLiteral("Footer Height"));
    pnLineCount = BoundEdit(paper, FMasterDS, QStringLiteral("LINECOUNT"),
                            QStringLiteral("How many item lines to print within the Detail area"));
    g->addWidget(pnHeaderHeight, 4, 0);
    g->addWidget(pnFooterHeight, 5, 0);
    g->addWidget(pnLineCount, 6, 0, 1, 2);
    // A database made before the printer offset existed has no columns for it.
    pnOffsetX = pnOffsetY = nullptr;
    if (FMaster->FindField(QStringLiteral("PRINT_OFFSET_X")) &&
        FMaster->FindField(QStringLiteral("PRINT_OFFSET_Y"))) {
        pnOffsetX = BoundEdit(paper, FMasterDS, QStringLiteral("PRINT_OFFSET_X"),
                              QStringLiteral("Printer Offset Right (mm)"));
        pnOffsetY = BoundEdit(paper, FMasterDS, QStringLiteral("PRINT_OFFSET_Y"),
                              QStringLiteral("Printer Offset Down (mm)"));
        g->addWidget(pnOffsetX, 7, 0);
        g->addWidget(pnOffsetY, 8, 0);
        g->addWidget(new QLabel(QStringLiteral("(Moves everything printed on a printer, not the "
                                               "screen or a PDF file; negative: left or up)"),
                                paper),
                     7, 1, 2, 1);
    }

    auto* image = new QGroupBox(page);
    auto* ig = new QGridLayout(image);
    auto* note = new QPlainTextEdit(image);
    note->setReadOnly(true);
    note->setPlainText(
        QStringLiteral("Note: If you have pre-printed invoice paper, you can scan (96 dpi) it into "
                       "a .jpg file\nand use here as a backgroud image, which will help you in "
                       "adjusting the positions of\ndata fields. Otherwise you can use Windows "
                       "Paint Program (or any graphic software\nlike PhotoShop etc.) to draw an "
                       "invoice form and use it here with \"Print Background Image\" \n"
                       "selected."));
    note->setFixedHeight(note->fontMetrics().lineSpacing() * 5 + 16);
    ig->addWidget(note, 0, 0, 1, 3);
    pnFileName = BoundEdit(image, FMasterDS, QStringLiteral("FILENAME"),
                           QStringLiteral("Background Image File"));
    ig->addWidget(pnFileName, 1, 0);
    btnBrowse = new QPushButton(QStringLiteral("Browse"), image);
    btnClearImage = new QPushButton(QStringLiteral("Clear Image"), image);
    ig->addWidget(btnBrowse, 1, 1, Qt::AlignBottom);
    ig->addWidget(btnClearImage, 1, 2, Qt::AlignBottom);
    cbPrintImage = new TDbCheckBox(QStringLiteral("Print Backgroud Image"), image);
    cbPrintImage->setObjectName(QStringLiteral("cbPrintImage"));
    cbPrintImage->SetDataSource(FMasterDS);
    cbPrintImage->SetDataField(QStringLiteral("PRINTIMG"));
    ig->addWidget(cbPrintImage, 2, 0);

    auto* v = new QVBoxLayout(page);
    v->addWidget(paper);
    v->addWidget(image);
    v->addStretch(1);

    // The paper: a standard one sets width and height as the page will have them.
    const QString current = FMaster->FieldByName(QStringLiteral("PAPERSIZE"))->AsString();
    cbPaperSize->setCurrentIndex(std::max(
        0, int(PaperNames().indexOf(IsCustomPaper(current) || PaperNames().contains(current)
                                        ? current
                                        : QStringLiteral("A4")))));
    connect(cbPaperSize, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        EnsureEditing(FMaster);
        FMaster->FieldByName(QStringLiteral("PAPERSIZE"))->SetValue(name);
        if (IsCustomPaper(name)) return;
        QSize size = PaperSizePixels(name);
        const bool portrait = FMaster->FieldByName(QStringLiteral("ORIENTATION"))->AsInteger() == 1;
        if (!portrait) size.transpose();  // as the page will be laid out
        FMaster->FieldByName(QStringLiteral("PAGE_WIDTH"))->SetValue(size.width());
        FMaster->FieldByName(QStringLiteral("PAGE_HEIGHT"))->SetValue(size.height());
    });
    connect(btnBrowse, &QPushButton::clicked, this, [this]() {
        QString file = FMaster->FieldByName(QStringLiteral("FILENAME"))->AsString();
        if (file.isEmpty()) file = TemplateImageFolder();
        if (!TMessageService::Instance().OpenFile(
                QStringLiteral("Background Image File"),
                QStringLiteral("Pictures (*.jpg *.jpeg *.png *.bmp *.gif)"), file))
            return;
        EnsureEditing(FMaster);
        FMaster->FieldByName(QStringLiteral("FILENAME"))
            ->SetValue(QFileInfo(file).absoluteFilePath());
    });
    connect(btnClearImage, &QPushButton::clicked, this, [this]() {
        EnsureEditing(FMaster);
        FMaster->FieldByName(QStringLiteral("FILENAME"))->SetValue(QString());
    });
    // A number that the page cannot take is refused as the box is left.
    std::vector<TPnDbEdit*> checked = {pnPageWidth, pnPageHeight, pnHeaderHeight, pnFooterHeight,
                                       pnLineCount};
    if (pnOffsetX) checked.insert(checked.end(), {pnOffsetX, pnOffsetY});
    for (TPnDbEdit* pn : checked) {
        connect(pn->Edit(), &QLineEdit::editingFinished, this, [this, pn]() {
            if (FTelling || !isVisible()) return;
            const QString problem = PageValueProblem(pn->DataField());
            if (!problem.isEmpty()) Refuse(pn, problem);
        });
    }
    return page;
}

QString TfmDoTemplateField::PageValueProblem(const QString& field) const {
    TField* f = FMaster->FindField(field);
    if (!f || f->Refused()) return QString();  // the box itself tells of a refused value
    const bool custom =
        IsCustomPaper(FMaster->FieldByName(QStringLiteral("PAPERSIZE"))->AsString());
    const int v = f->AsInteger();
    if (field == QLatin1String("LINECOUNT") && (f->IsNull() || v < 1))
        return QStringLiteral("How many item lines to print within the Detail area: at least 1.");
    if (field == QLatin1String("LINECOUNT")) {
        // Each line gets its share of the Detail area; less than a pixel
        // prints nothing.
        const int detail = PageHeightPixels() -
                           FMaster->FieldByName(QStringLiteral("HEADER_HEIGHT"))->AsInteger() -
                           FMaster->FieldByName(QStringLiteral("FOOTER_HEIGHT"))->AsInteger();
        if (detail >= 0 && v > detail)
            return QStringLiteral(
                       "The Detail area (%1 pixels high) cannot hold %2 item lines of at "
                       "least 1 pixel each.")
                .arg(detail)
                .arg(v);
    }
    if ((field == QLatin1String("HEADER_HEIGHT") || field == QLatin1String("FOOTER_HEIGHT")) &&
        v < 0)
        return CaptionOfPageField(field) + QStringLiteral(" cannot be negative.");
    if ((field == QLatin1String("PRINT_OFFSET_X") || field == QLatin1String("PRINT_OFFSET_Y")) &&
        std::abs(f->AsFloat()) > kMaxOffsetMm)
        return CaptionOfPageField(field) +
               QStringLiteral(" must be between -%1 and %1.").arg(kMaxOffsetMm);
    if (custom && (field == QLatin1String("PAGE_WIDTH") || field == QLatin1String("PAGE_HEIGHT")) &&
        v < 1)
        return CaptionOfPageField(field) +
               QStringLiteral(" of a \"Custom\" paper must be at least 1 pixel.");
    return QString();
}

int TfmDoTemplateField::PageHeightPixels() const {
    const QString paper = FMaster->FieldByName(QStringLiteral("PAPERSIZE"))->AsString();
    if (IsCustomPaper(paper))
        return FMaster->FieldByName(QStringLiteral("PAGE_HEIGHT"))->AsInteger();
    const QSize size = PaperSizePixels(paper);
    const bool portrait = FMaster->FieldByName(QStringLiteral("ORIENTATION"))->AsInteger() == 1;
    return portrait ? size.height() : size.width();
}

bool TfmDoTemplateField::CheckPageValues() {
    std::vector<TPnDbEdit*> checked = {pnPageWidth, pnPageHeight, pnHeaderHeight, pnFooterHeight,
                                       pnLineCount};
    if (pnOffsetX) checked.insert(checked.end(), {pnOffsetX, pnOffsetY});
    for (TPnDbEdit* pn : checked) {
        const QString problem = PageValueProblem(pn->DataField());
        if (problem.isEmpty()) continue;
        Refuse(pn, problem);
        return false;
    }
    // The item lines need a band of their own between header and footer.
    const int header = FMaster->FieldByName(QStringLiteral("HEADER_HEIGHT"))->AsInteger();
    const int footer = FMaster->FieldByName(QStringLiteral("FOOTER_HEIGHT"))->AsInteger();
    const int page = PageHeightPixels();
    if (header + footer > page) {
        Refuse(pnHeaderHeight, QStringLiteral("Header Height and Footer Height together are more "
                                              "than the Paper Height (%1).")
                                   .arg(page));
        return false;
    }
    return true;
}

void TfmDoTemplateField::Refuse(TPnDbEdit* pn, const QString& message) {
    pgSettings->setCurrentIndex(1);
    {
        // The message box takes the focus from the box, which is then left:
        // that is no second refusal.
        const QScopedValueRollback<bool> telling(FTelling, true);
        ShowError(message);
    }
    pn->Edit()->setFocus();
    pn->Edit()->selectAll();
}

void TfmDoTemplateField::OkClick() {
    if (!CheckPageValues()) return;
    for (const QString& band : {kHeader, kDetail, kFooter}) {
        QListWidget* list = ListOfBand(band);
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            if (!LocateItem(band, item->text())) continue;
            const int visible = item->checkState() == Qt::Checked ? 1 : 0;
            TField* f = FFields->FieldByName(QStringLiteral("VISIBLE"));
            if (f->AsInteger() == visible && !f->IsNull()) continue;
            FFields->Edit();
            f->SetValue(visible);
            FFields->Post();
        }
    }
    if (FMaster->State() != TDataSetState::Browse) FMaster->Post();
    // The page and the elements are written together; a refusal keeps the
    // dialog open with everything as it was set.
    try {
        WriteInTransaction(*FFields->Connection(), [this](TFbTransaction& tra) {
            FMaster->ApplyUpdates(tra);
            FFields->ApplyUpdates(tra);
        });
    } catch (const EFbError& e) {
        ShowError(e.Message());
        return;
    }
    FMaster->CommitUpdates();
    FFields->CommitUpdates();
    SaveBtnClicked = true;
    accept();
}

void TfmDoTemplateField::reject() {
    for (TClientDataSet* cds : {FMaster, FFields}) {
        if (!cds->Active()) continue;
        cds->Cancel();
        if (cds->ChangeCount() > 0) cds->CancelUpdates();
    }
    QDialog::reject();
}

QListWidget* TfmDoTemplateField::ListOfBand(const QString& band) const {
    if (band == kHeader) return clbHeader;
    if (band == kDetail) return clbDetail;
    if (band == kFooter) return clbFooter;
    return nullptr;
}

QString TfmDoTemplateField::BandOfList(const QListWidget* list) const {
    if (list == clbHeader) return kHeader;
    if (list == clbDetail) return kDetail;
    if (list == clbFooter) return kFooter;
    return QString();
}

QListWidget* TfmDoTemplateField::ListAt(const QPoint& globalPos) const {
    for (QListWidget* l : {clbHeader, clbDetail, clbFooter})
        if (l->isVisible() && l->rect().contains(l->mapFromGlobal(globalPos))) return l;
    return nullptr;
}

bool TfmDoTemplateField::LocateItem(const QString& grpName, const QString& aTitle) {
    for (FFields->First(); !FFields->Eof(); FFields->Next())
        if (FFields->FieldByName(QStringLiteral("GROUPNAME"))->AsString() == grpName &&
            FFields->FieldByName(QStringLiteral("TITLE"))->AsString() == aTitle)
            return true;
    return false;
}

void TfmDoTemplateField::MoveItem(QListWidget* clbFrom, QListWidget* clbTo, const QString& grpFrom,
                                  const QString& grpTo) {
    if (clbFrom->count() == 0) {
        ShowInformation(QStringLiteral("No items to move"));
        return;
    }
    if (clbFrom->selectedItems().isEmpty()) clbFrom->setCurrentRow(0);
    QListWidgetItem* item = clbFrom->currentItem();
    const QString title = item->text();
    if (!ConfirmYesNo(QStringLiteral("Are you sure to move: %1?").arg(title))) return;
    if (!LocateItem(grpFrom, title)) {
        ShowInformation(QStringLiteral("Cannot find %1 in group %2").arg(title, grpFrom));
        return;
    }
    FFields->Edit();
    FFields->FieldByName(QStringLiteral("GROUPNAME"))->SetValue(grpTo);
    FFields->Post();
    auto* moved = new QListWidgetItem(title, clbTo);
    moved->setFlags(item->flags());
    moved->setCheckState(item->checkState());
    delete item;
}

void TfmDoTemplateField::EditItem(const QString& grpName, const QString& aTitle) {
    if (!LocateItem(grpName, aTitle)) {
        ShowInformation(QStringLiteral("Cannot find %1 in group %2").arg(aTitle, grpName));
        return;
    }
    FFields->Edit();
    TDataSource ds;
    ds.SetDataSet(FFields);
    TfmDoTemplateFieldProperty property(&ds, aTitle, this);
    property.exec();
    needReload = true;
}

void TfmDoTemplateField::clbDblClick(QListWidget* list, const QPoint& pos) {
    if (list->count() == 0) {
        ShowInformation(QStringLiteral("No items to move"));
        return;
    }
    QListWidgetItem* item = list->itemAt(pos);
    if (!item) item = list->currentItem();
    if (!item) item = list->item(0);
    list->setCurrentItem(item);
    EditItem(BandOfList(list), item->text());
}

bool TfmDoTemplateField::eventFilter(QObject* watched, QEvent* event) {
    auto* list = qobject_cast<QListWidget*>(watched->parent());
    if (!list || BandOfList(list).isEmpty()) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            clbDragFrom = nullptr;
            if (e->button() == Qt::LeftButton && list->itemAt(e->position().toPoint())) {
                clbDragFrom = list;
                clbGrpFrom = BandOfList(list);
                FPressPos = e->globalPosition().toPoint();
            }
            return false;
        }
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (!clbDragFrom || !(e->buttons() & Qt::LeftButton)) return false;
            const QPoint global = e->globalPosition().toPoint();
            if (!FDragging) {
                if ((global - FPressPos).manhattanLength() < QApplication::startDragDistance())
                    return false;
                FDragging = true;
                QApplication::setOverrideCursor(Qt::ForbiddenCursor);
            }
            QListWidget* target = ListAt(global);
            QApplication::changeOverrideCursor(
                target && target != clbDragFrom ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
            return true;  // the selection stays on the item dragged
        }
        case QEvent::MouseButtonRelease: {
            if (!FDragging) {
                clbDragFrom = nullptr;
                return false;
            }
            auto* e = static_cast<QMouseEvent*>(event);
            FDragging = false;
            QApplication::restoreOverrideCursor();
            QListWidget* from = clbDragFrom;
            clbDragFrom = nullptr;
            QListWidget* target = ListAt(e->globalPosition().toPoint());
            const QString clbGrpTo = target ? BandOfList(target) : QString();
            if (target && clbGrpTo != clbGrpFrom) {
                RunGuarded([&]() { MoveItem(from, target, clbGrpFrom, clbGrpTo); });
                needReload = true;
            }
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            auto* e = static_cast<QMouseEvent*>(event);
            const QPoint pos = e->position().toPoint();
            RunGuarded([&]() { clbDblClick(list, pos); });
            return true;
        }
        default:
            return false;
    }
}

// ------------------------------------------------------------ Field Property

TfmDoTemplateFieldProperty::TfmDoTemplateFieldProperty(TDataSource* fields, const QString& title,
                                                       QWidget* parent)
    : QDialog(parent), FFieldsDS(fields) {
    setObjectName(QStringLiteral("fmDoTemplateFieldProperty"));
    setWindowTitle(QStringLiteral("Field Property"));
    SetStandardFont(this);
    lbTitle = new QLabel(title, this);
    lbTitle->setObjectName(QStringLiteral("lbTitle"));
    QFont bold = lbTitle->font();
    bold.setBold(true);
    lbTitle->setFont(bold);
    pnLeft = BoundEdit(this, fields, QStringLiteral("LEFT"), QStringLiteral("Left"));
    pnTop = BoundEdit(this, fields, QStringLiteral("TOP"), QStringLiteral("Top"));
    pnFormat =
        BoundEdit(this, fields, QStringLiteral("FORMATSTR"), QStringLiteral("Display Format"));
    cbWordWrap = new TDbCheckBox(QStringLiteral("Wrap Words"), this);
    cbWordWrap->setObjectName(QStringLiteral("cbWordWrap"));
    cbWordWrap->SetDataSource(fields);
    cbWordWrap->SetDataField(QStringLiteral("WORDWRAP"));
    cbRightAdj = new TDbCheckBox(QStringLiteral("Right Adjustment"), this);
    cbRightAdj->setObjectName(QStringLiteral("cbRightAdj"));
    cbRightAdj->SetDataSource(fields);
    cbRightAdj->SetDataField(QStringLiteral("RIGHTADJ"));
    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setAutoDefault(false);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    auto* g = new QGridLayout(this);
    g->addWidget(lbTitle, 0, 0, 1, 2);
    g->addWidget(pnLeft, 1, 0);
    g->addWidget(pnTop, 1, 1);
    g->addWidget(pnFormat, 2, 0, 1, 2);
    g->addWidget(cbWordWrap, 3, 0);
    g->addWidget(cbRightAdj, 3, 1);
    g->addWidget(btnOk, 4, 1, Qt::AlignRight);
    resize(360, 220);
}

void TfmDoTemplateFieldProperty::done(int r) {
    TClientDataSet* cds = FFieldsDS->DataSet();
    // A place left of or above its band would print outside it.
    for (TPnDbEdit* pn : {pnLeft, pnTop}) {
        TField* f = cds->FieldByName(pn->DataField());
        if (f->Refused() || f->AsInteger() >= 0) continue;
        ShowError(pn->FLabelCaption->text() + QStringLiteral(" cannot be negative."));
        pn->Edit()->setFocus();
        return;
    }
    if (!RunGuarded([cds]() { cds->Post(); })) return;
    QDialog::done(r);
}
