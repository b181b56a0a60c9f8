#include "uWizardUdf.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "EFbError.h"
#include "TClientDataSet.h"
#include "uComboFill.h"
#include "uDmMain.h"
#include "uMessages.h"

namespace {

QLabel* Note(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::Dark));
    l->setPalette(p);
    return l;
}

// A labelled row of a form with its note below.
template <typename W>
W* Row(QFormLayout* form, const QString& caption, W* w, const QString& note = QString()) {
    auto* label = new QLabel(caption, w->parentWidget());
    label->setBuddy(w);
    form->addRow(label, w);
    if (!note.isEmpty()) form->addRow(QString(), Note(note, w->parentWidget()));
    return w;
}

// The longest text a column of the database's UTF8 holds.
constexpr int kMaxText = 8191;

QSpinBox* Spin(QWidget* parent, const QString& name, int max) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(0, max);
    return s;
}

}  // namespace

QString TfmWizardUdf::TypeChoice(int udfType) {
    static const char* const choices[] = {
        "String Edit - Used for single-line free text edit",
        "Memo Edit - Used for multiple-line free text edit",
        "Numeric Edit - Used for numbers, values, money figures etc.",
        "Date Picker - Used for date selection",
        "Check Box - Used for true-or-false option selection",
        "Drop Down Box - Used for single value selection from a drop-down selection list",
        "Lookup Control - Used for value lookup from another table",
        "Image Link - Used to display an image of a linked image file"};
    return udfType >= UdfText && udfType <= UdfImageLink ? QString::fromLatin1(choices[udfType])
                                                         : QString();
}

TfmWizardUdf::TfmWizardUdf(QWidget* parent) : TfmWizard(parent) {
    setObjectName(QStringLiteral("fmWizardUdf"));
    setWindowTitle(QStringLiteral("Fields Designer"));
    resize(640, 480);
    BuildDataSet();
    BuildNamePage();
    BuildTypePage();
    BuildAttributesPage();
    BuildGridAndPrintPage();
    BuildDonePage();
}

void TfmWizardUdf::BuildDataSet() {
    Udf_CDS = new TClientDataSet(this);
    Udf_CDS->setObjectName(QStringLiteral("Udf_CDS"));
    Udf_CDS->SetConnection(&dmMain()->SQLConn_Main);
    Udf_CDS->UpdateMode = TUpdateMode::WhereKeyOnly;
}

void TfmWizardUdf::BuildNamePage() {
    QWidget* p1 = AddPage(QStringLiteral(
        "This wizard will guide you through the process of creating UDF (User Defined Field), "
        "to create field, please enter a field name and caption."));
    auto* f1 = new QFormLayout(p1);
    edFieldName = new QLineEdit(p1);
    edFieldName->setObjectName(QStringLiteral("edFieldName"));
    edFieldName->setMaxLength(31);
    Row(f1, QStringLiteral("Field Name"), edFieldName,
        QStringLiteral("(Field name is used internally by the system to identify the table "
                       "field it must be unique within") +
            QStringLiteral(" one table, enter something meaningful like\"ORDER_NO\", or "
                           "\"DO_DATE\" etc. please only use") +
            QStringLiteral(" alpha character \"A\"~\"Z\", or number \"0\"~\"9\", or underscore "
                           "sign \"_\")"));
    edCaption = new QLineEdit(p1);
    edCaption->setObjectName(QStringLiteral("edCaption"));
    edCaption->setMaxLength(100);
    Row(f1, QStringLiteral("Caption"), edCaption,
        QStringLiteral("(Specify what caption / title you want this field to display, can use "
                       "any characters)"));
}

void TfmWizardUdf::BuildTypePage() {
    QWidget* p2 =
        AddPage(QStringLiteral("Different data type stores data differently, please chose a most "
                               "related data type for your field."));
    auto* l2 = new QVBoxLayout(p2);
    auto* group = new QButtonGroup(p2);
    for (int t = UdfText; t <= UdfImageLink; ++t) {
        auto* rb = new QRadioButton(TypeChoice(t), p2);
        rb->setObjectName("rbType" + QString::number(t));
        group->addButton(rb, t);
        l2->addWidget(rb);
        rbTypes << rb;
    }
    l2->addStretch(1);
    rbTypes[0]->setChecked(true);
}

// The chosen type's own attributes, then those every type has.
void TfmWizardUdf::BuildAttributesPage() {
    QWidget* p3 = AddPage(QStringLiteral("Please set specific data field type attributes."));
    auto* l3 = new QVBoxLayout(p3);
    lbAttrTitle = new QLabel(p3);
    lbAttrTitle->setObjectName(QStringLiteral("lbAttrTitle"));
    l3->addWidget(lbAttrTitle);
    pgAttr = new QStackedWidget(p3);
    l3->addWidget(pgAttr);
    const QString sizeNote =
        QStringLiteral("(The maximum text characters or maximum number of digits)");
    BuildTextAttributes(sizeNote);
    BuildNumberAttributes(sizeNote);
    BuildLookupAttributes();
    pgAttr->addWidget(new QWidget(pgAttr));  // the others: only the tab order
    auto* common = new QFormLayout;
    edTabOrder = Row(common, QStringLiteral("Tab Order"), Spin(p3, "edTabOrder", 999));
    cbRequired = new QCheckBox(QStringLiteral("Required"), p3);
    cbRequired->setObjectName(QStringLiteral("cbRequired"));
    common->addRow(cbRequired);
    lbRequiredNote = Note(QStringLiteral("(Field is mandatory where user must enter a value)"), p3);
    common->addRow(lbRequiredNote);
    l3->addLayout(common);
    l3->addStretch(1);
}

void TfmWizardUdf::BuildTextAttributes(const QString& sizeNote) {
    auto* page = new QWidget(pgAttr);
    auto* f = new QFormLayout(page);
    edTextSize = Row(f, QStringLiteral("Field Size"), Spin(page, "edTextSize", kMaxText), sizeNote);
    pgAttr->addWidget(page);
}

void TfmWizardUdf::BuildNumberAttributes(const QString& sizeNote) {
    auto* page = new QWidget(pgAttr);
    auto* f = new QFormLayout(page);
    edNumSize = Row(f, QStringLiteral("Field Size"), Spin(page, "edNumSize", 18), sizeNote);
    edNumDecimal = Row(f, QStringLiteral("Decimal Points"), Spin(page, "edNumDecimal", 18),
                       QStringLiteral("(For example, it is usually set monetary field to 2 decimal "
                                      "points)"));
    edFormat = Row(f, QStringLiteral("Display Format"), new QLineEdit(page),
                   QStringLiteral("(For example, it is usually set monetary field to display "
                                  "as  #,##0.00)"));
    edFormat->setObjectName(QStringLiteral("edFormat"));
    edFormat->setMaxLength(50);
    edDefault = Row(f, QStringLiteral("Default Value"), new QLineEdit(page),
                    QStringLiteral("(Field will be filled with this value if user do not "
                                   "fill the field)"));
    edDefault->setObjectName(QStringLiteral("edDefault"));
    edDefault->setMaxLength(100);
    pgAttr->addWidget(page);
}

void TfmWizardUdf::BuildLookupAttributes() {
    auto* page = new QWidget(pgAttr);
    auto* f = new QFormLayout(page);
    cbTable = Row(f, QStringLiteral("Lookup Table"), new QComboBox(page));
    cbTable->setObjectName(QStringLiteral("cbTable"));
    cbTable->addItems(TdmMain::UdfLookupTables());
    cbTable->setCurrentIndex(-1);
    cbLookupField = Row(f, QStringLiteral("Lookup Field"), new QComboBox(page));
    cbLookupField->setObjectName(QStringLiteral("cbLookupField"));
    connect(cbTable, &QComboBox::currentIndexChanged, this,
            [this]() { RunGuarded([this]() { cbTableChange(); }); });
    pgAttr->addWidget(page);
}

void TfmWizardUdf::BuildGridAndPrintPage() {
    QWidget* p4 = AddPage(
        QStringLiteral("Set the following attributes of your data field based on your needs."));
    auto* l4 = new QVBoxLayout(p4);
    cbVisible = new QCheckBox(QStringLiteral("Visible in Grid"), p4);
    cbVisible->setObjectName(QStringLiteral("cbVisible"));
    l4->addWidget(cbVisible);
    l4->addWidget(Note(QStringLiteral("(Tick this if you will also need to search or sort by "
                                      "this field in its data grid)"),
                       p4));
    pnPrint = new QWidget(p4);
    pnPrint->setObjectName(QStringLiteral("pnPrint"));
    auto* fp = new QFormLayout(pnPrint);
    cbNeedPrint = new QCheckBox(QStringLiteral("Need Print"), pnPrint);
    cbNeedPrint->setObjectName(QStringLiteral("cbNeedPrint"));
    fp->addRow(cbNeedPrint);
    fp->addRow(Note(QStringLiteral("(Tick this if you need this field to be in Template "
                                   "Designer for printing in invoice)"),
                    pnPrint));
    fp->addRow(Note(QStringLiteral("(You need to set it to be Visible in Template Designer "
                                   "after the field is created)"),
                    pnPrint));
    for (auto [edit, caption] :
         {std::pair{&edBand, "Band Name:"}, std::pair{&edDataTable, "Data Table:"},
          std::pair{&edDataSet, "Data Set:"}}) {
        *edit = Row(fp, QString::fromLatin1(caption), new QLineEdit(pnPrint));
        (*edit)->setReadOnly(true);
    }
    l4->addWidget(pnPrint);
    l4->addStretch(1);
}

void TfmWizardUdf::BuildDonePage() {
    QWidget* p5 = AddPage(
        QStringLiteral("Field creation complete, please click 'Finish' to exit this widzard."));
    auto* l5 = new QVBoxLayout(p5);
    l5->addWidget(new QLabel(QStringLiteral("Field has been created successfully, you can use "
                                            "your mouse drag and drop to change its position."),
                             p5));
    l5->addStretch(1);
}

void TfmWizardUdf::SetRow(const QString& field, const QVariant& value) {
    if (Udf_CDS->State() == TDataSetState::Browse) Udf_CDS->Edit();
    Udf_CDS->FieldByName(field)->SetValue(value);
}

void TfmWizardUdf::NewField(int sheetNo, int hCeiling) {
    TdmMain* dm = dmMain();
    const int id = dm->GetTableNextKey(QStringLiteral("SYS_OBJECT"));
    int tabNo = 1, left = 16, top = 13;
    dm->getUDFPosition(FWizardTbName, sheetNo, hCeiling, tabNo, left, top);
    Udf_CDS->Close();
    Udf_CDS->CommandText = "SELECT * FROM SYS_OBJECT WHERE ID=" + QString::number(id);
    Udf_CDS->Open();
    Udf_CDS->Append();
    const QString n = QString::number(id);
    const QList<QPair<const char*, QVariant>> values = {
        {"ID", id},
        {"OBJECT", FWizardTbName},
        {"FIELD", "FIELD" + n},
        {"TITLE", "Field" + n},
        {"UDF", 1},
        {"UDFTYPE", int(UdfText)},
        {"VISIBLE", 1},
        {"READONLY", 0},
        {"REQUIRED", 0},
        {"UDFPRINT", 1},
        {"UDFSHEETNO", sheetNo},
        {"UDFTABNO", tabNo},
        {"UDFLEFT", left},
        {"UDFTOP", top},
        {"UDFWIDTH", 120},
        // The height the field is built with, so that the next new field
        // goes below it rather than onto it.
        {"UDFHEIGHT", 45}};
    for (const auto& [field, value] : values) SetRow(QLatin1String(field), value);
    Udf_CDS->Post();
    edFieldName->setText("FIELD" + n);
    edCaption->setText("Field" + n);
    edTabOrder->setValue(tabNo);
    cbVisible->setChecked(true);
    cbNeedPrint->setChecked(true);
    constructFlow();
}

bool TfmWizardUdf::UdfFieldValidate(const QString& fldName, QString& Err) {
    if (fldName.trimmed().isEmpty()) {
        Err = QStringLiteral("Field name cannot be empty");
        return false;
    }
    if (fldName.contains(QLatin1Char(' '))) {
        Err = QStringLiteral("Field name cannot contain any space");
        return false;
    }
    if (!TdmMain::IsUdfIdentifier(fldName)) {
        Err = QStringLiteral(
            "Field name contains invaid characters, please only use upper case \"A\"~\"Z\" or "
            "\"0\"~\"9\" or \"_\"");
        return false;
    }
    if (dmMain()
            ->SelectValue(QStringLiteral("SELECT ID FROM SYS_OBJECT WHERE OBJECT=:T AND FIELD=:F"),
                          {{QStringLiteral("T"), FWizardTbName}, {QStringLiteral("F"), fldName}})
            .isValid()) {
        Err = QStringLiteral("Field name already exists");
        return false;
    }
    // Names the database takes only in quotes (a word of its language such
    // as ORDER, a leading digit or "_") would fail only at the last page.
    try {
        TWorkQuery probe(dmMain()->SQLConn_Main,
                         "SELECT NULL AS " + fldName + " FROM RDB$DATABASE");
    } catch (const EFbError&) {
        Err = QStringLiteral(
            "Field name must start with a letter \"A\"~\"Z\" and cannot be a reserved word of the "
            "database");
        return false;
    }
    return true;
}

void TfmWizardUdf::cbTableChange() {
    if (cbTable->currentIndex() < 0) return;
    FillComboBoxWithSysObject(cbLookupField, cbTable->currentText());
}

int TfmWizardUdf::ChosenType() const {
    for (int t = 0; t < rbTypes.size(); ++t)
        if (rbTypes[t]->isChecked()) return t;
    return UdfText;
}

bool TfmWizardUdf::CheckNamePage() {
    const QString name = edFieldName->text();
    QString err;
    if (!UdfFieldValidate(name, err)) {
        ShowInformation("Invalid field name: " + name + ", error: " + err +
                        ", please enter a valid field name and try again.");
        edFieldName->setFocus();
        return false;
    }
    if (edCaption->text().trimmed().isEmpty()) {
        ShowInformation(QStringLiteral("Caption cannot be empty"));
        edCaption->setFocus();
        return false;
    }
    SetRow(QStringLiteral("FIELD"), name);
    SetRow(QStringLiteral("TITLE"), edCaption->text());
    return true;
}

void TfmWizardUdf::PrepareAttributes() {
    const int t = ChosenType();
    SetRow(QStringLiteral("UDFTYPE"), t);
    lbAttrTitle->setText(TypeChoice(t));
    edNumSize->setValue(0);
    edNumDecimal->setValue(0);
    edTextSize->setValue(0);
    edFormat->clear();
    edDefault->clear();
    cbTable->setCurrentIndex(-1);
    cbLookupField->clear();
    cbRequired->setChecked(false);
    switch (t) {
        case UdfText:
        case UdfMemo:
        case UdfDropDown:
            edTextSize->setValue(t == UdfMemo ? 300 : 30);
            pgAttr->setCurrentIndex(0);
            break;
        case UdfNumeric:
            edNumSize->setValue(10);
            edNumDecimal->setValue(2);
            edFormat->setText(QStringLiteral("#,##0.00"));
            edDefault->setText(QStringLiteral("0"));
            pgAttr->setCurrentIndex(1);
            break;
        case UdfLookup:
            pgAttr->setCurrentIndex(2);
            break;
        default:
            pgAttr->setCurrentIndex(3);
    }
    // Check boxes, dates and pictures have no required mark.
    // The page takes the room of its own boxes, not of the largest page.
    for (int i = 0; i < pgAttr->count(); ++i)
        pgAttr->widget(i)->setSizePolicy(QSizePolicy::Preferred, i == pgAttr->currentIndex()
                                                                     ? QSizePolicy::Preferred
                                                                     : QSizePolicy::Ignored);
    pgAttr->adjustSize();
    // Only edits and lookups are checked for a value when a record is saved.
    const bool canRequire = t == UdfText || t == UdfNumeric || t == UdfLookup;
    cbRequired->setVisible(canRequire);
    lbRequiredNote->setVisible(canRequire);
}

bool TfmWizardUdf::CheckAttributes() {
    const int t = ChosenType();
    bool ok = true;
    if (t == UdfText || t == UdfMemo || t == UdfDropDown) {
        if (edTextSize->value() < 1) {
            ShowInformation(QStringLiteral("Field size cannot be smaller than 0"));
            ok = false;
        }
    } else if (t == UdfNumeric) {
        if (edNumSize->value() <= 0) {
            ShowInformation(QStringLiteral("Field size cannot be smaller than 0"));
            ok = false;
        }
        if (edNumDecimal->value() >= edNumSize->value()) {
            ShowInformation(
                QStringLiteral("Field decimal points cannot be greater than field size"));
            ok = false;
        }
        // As a number is typed into the field's boxes: plain digits, no
        // exponent or grouping, no more decimals than the field keeps.
        static const QRegularExpression plain(
            QStringLiteral("^[+-]?([0-9]+([.][0-9]*)?|[.][0-9]+)$"));
        const QString typed = edDefault->text().trimmed();
        const qsizetype dot = typed.indexOf(QLatin1Char('.'));
        const bool number = plain.match(typed).hasMatch() &&
                            (dot < 0 || typed.size() - dot - 1 <= edNumDecimal->value());
        if (!number) {
            ShowInformation(QStringLiteral("Default value is not a valid numeric value"));
            ok = false;
        }
    } else if (t == UdfLookup) {
        QString err;
        if (cbTable->currentIndex() < 0 || cbTable->currentText().isEmpty()) {
            ShowInformation(QStringLiteral("Invalid lookup table"));
            ok = false;
        } else if (!dmMain()->validateLookupField(cbTable->currentText(),
                                                  cbLookupField->currentText(), err)) {
            ShowInformation(QStringLiteral("Invalid lookup field"));
            ok = false;
        }
    }
    QString dataSet, band;
    const bool printable =
        dmMain()->udfDataTableValidInSoDoTemplateField(FWizardTbName, dataSet, band);
    pnPrint->setVisible(printable);
    edBand->setText(printable ? band : QString());
    edDataTable->setText(printable ? FWizardTbName : QString());
    edDataSet->setText(printable ? dataSet : QString());
    if (!ok) return false;
    const bool text = t == UdfText || t == UdfMemo || t == UdfDropDown;
    SetRow(QStringLiteral("UDFSIZE"), text              ? edTextSize->value()
                                      : t == UdfNumeric ? edNumSize->value()
                                                        : 0);
    SetRow(QStringLiteral("UDFSIZEDECIMAL"), t == UdfNumeric ? edNumDecimal->value() : 0);
    SetRow(QStringLiteral("FORMATSTR"), t == UdfNumeric ? QVariant(edFormat->text()) : QVariant());
    SetRow(QStringLiteral("DEFAULTVAL"),
           t == UdfNumeric ? QVariant(edDefault->text().trimmed()) : QVariant());
    SetRow(QStringLiteral("LOOKUPTABLE"),
           t == UdfLookup ? QVariant(cbTable->currentText()) : QVariant());
    SetRow(QStringLiteral("RESULTFIELD"),
           t == UdfLookup ? QVariant(cbLookupField->currentText()) : QVariant());
    SetRow(QStringLiteral("UDFTABNO"), edTabOrder->value());
    SetRow(QStringLiteral("REQUIRED"), !cbRequired->isHidden() && cbRequired->isChecked() ? 1 : 0);
    return true;
}

void TfmWizardUdf::CreateField() {
    const bool needPrint = !pnPrint->isHidden() && cbNeedPrint->isChecked();
    SetRow(QStringLiteral("VISIBLE"), cbVisible->isChecked() ? 1 : 0);
    SetRow(QStringLiteral("UDFPRINT"), needPrint ? 1 : 0);
    Udf_CDS->Post();
    QString err;
    if (!dmMain()->createUDF(Udf_CDS, err, FWizardDropDownDesc, FWizardTbDesc, needPrint,
                             edBand->text(), edDataTable->text(), edDataSet->text())) {
        ShowInformation("Failed creating field, error: " + err +
                        ", please click the \"Back\" button to fix your settings and re-try "
                        "again.");
        return;
    }
    FWizardNeedRefresh = true;
    btnPrior->hide();
    btnCancel->setEnabled(false);
    Advance();
}

void TfmWizardUdf::Advance() { TfmWizard::btnNextClick(); }

void TfmWizardUdf::btnNextClick() {
    switch (pgMain->currentIndex()) {
        case 0:
            if (CheckNamePage()) Advance();
            break;
        case 1:
            PrepareAttributes();
            Advance();
            break;
        case 2:
            if (CheckAttributes()) Advance();
            break;
        case 3:
            CreateField();
            break;
        default:
            Advance();
    }
}
