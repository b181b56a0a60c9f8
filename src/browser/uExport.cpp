#include "uExport.h"

#include <xlsxwriter.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QToolButton>
#include <QVBoxLayout>

#include "TBookmarkList.h"
#include "TClientDataSet.h"
#include "uDbGrid.h"
#include "uMessages.h"

namespace {

constexpr int kFormattedColumns = 10;  // A to J

// A value as text, without the column's display format.
QString PlainText(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QString();
    if (v.userType() == qMetaTypeId<TMoney>()) return v.value<TMoney>().ToString();
    if (v.userType() == QMetaType::QDate) return v.toDate().toString(Qt::ISODate);
    if (v.userType() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (v.userType() == QMetaType::QTime) return v.toTime().toString(QStringLiteral("hh:mm:ss"));
    return v.toString();
}

// A text as the workbook format stores it: there "_xHHHH_" stands for the
// character HHHH, so an underscore that begins such a sequence in the text
// itself is written as its own escape, "_x005F_". Every reader then shows the
// text as it was.
QString WorkbookText(const QString& text) {
    if (!text.contains(QLatin1String("_x"))) return text;
    const auto isHex = [](QChar c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    QString out;
    out.reserve(text.size() + 14);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' &&
                            isHex(text[i + 2]) && isHex(text[i + 3]) && isHex(text[i + 4]) &&
                            isHex(text[i + 5]) && text[i + 6] == '_';
        if (escape)
            out += QLatin1String("_x005F_");
        else
            out += text[i];
    }
    return out;
}

}  // namespace

std::function<void(const QUrl&)>& TfmExport::FileOpener() {
    static std::function<void(const QUrl&)> opener = [](const QUrl& url) {
        QDesktopServices::openUrl(url);
    };
    return opener;
}

QString TfmExport::SheetName(const QString& tableName) {
    QString name = tableName;
    name.remove(QRegularExpression(QStringLiteral("[\\[\\]:*?/\\\\]")));
    // The format also refuses a quote at either end of the name.
    const QRegularExpression quotes(QStringLiteral("^'+|'+$"));
    name = name.remove(quotes).left(31).remove(quotes);
    return name.isEmpty() ? QStringLiteral("Sheet1") : name;
}

TfmExport::TfmExport(QWidget* parent) : TfmDialog(parent) {
    setObjectName(QStringLiteral("fmExport"));
    setWindowTitle(QStringLiteral("Data Export"));
    lbNotes->setText(QStringLiteral("This process will export selected records to Excel"));
    BitBtn1->setText(QStringLiteral("Execute"));
    BitBtn2->setText(QStringLiteral("Close"));
    BitBtn3->hide();
    auto* fileLabel = new QLabel(QStringLiteral("To File"), Content);
    Edit1 = new QLineEdit(Content);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    fileLabel->setBuddy(Edit1);
    SpeedButton1 = new QToolButton(Content);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("..."));
    SpeedButton1->setToolTip(QStringLiteral("Select File"));
    SpeedButton1->setAccessibleName(QStringLiteral("Select File"));
    rbSelected = new QRadioButton(QStringLiteral("Only export selected records"), Content);
    rbAll = new QRadioButton(QStringLiteral("Export all records under selected folder"), Content);
    rbSelected->setChecked(true);
    auto* file = new QHBoxLayout;
    file->addWidget(fileLabel);
    file->addWidget(Edit1, 1);
    file->addWidget(SpeedButton1);
    auto* v = new QVBoxLayout(Content);
    v->addLayout(file);
    v->addWidget(rbSelected);
    v->addWidget(rbAll);
    v->addStretch(1);
    SetFormSize(520, 220);
    connect(SpeedButton1, &QToolButton::clicked, this, [this]() { SpeedButton1Click(); });
    connect(BitBtn1, &QPushButton::clicked, this,
            [this]() { RunGuarded([this]() { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this]() { BitBtn2Click(); });
}

void TfmExport::SpeedButton1Click() {
    QString file = Edit1->text().trimmed();
    if (TMessageService::Instance().SaveFile(QStringLiteral("Select File"),
                                             QStringLiteral("Microsoft Excel File (*.xlsx)"), file))
        Edit1->setText(file);
}

void TfmExport::BitBtn1Click() {
    QString file = Edit1->text().trimmed();
    if (file.isEmpty()) {
        ShowInformation(QStringLiteral("Please enter the Excel file name you want to export to."));
        Edit1->setFocus();
        return;
    }
    if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".xlsx");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString reason;
    bool written = false;
    {
        const auto restore = qScopeGuard([]() { QApplication::restoreOverrideCursor(); });
        written = WriteWorkbook(file, reason);
    }
    if (!written) {
        ShowInformation(QStringLiteral("Cannot create Excel file (%1)").arg(reason));
        return;
    }
    Edit1->setText(file);
    if (ConfirmYesNo(QStringLiteral("The records were exported to %1. Open it now?")
                         .arg(QDir::toNativeSeparators(file))) &&
        FileOpener())
        FileOpener()(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
}

bool TfmExport::WriteWorkbook(const QString& file, QString& reason) const {
    const QFileInfo target(file);
    if (target.isDir()) {
        reason = QStringLiteral("%1 is a folder").arg(QDir::toNativeSeparators(file));
        return false;
    }
    if (!target.absoluteDir().exists()) {
        reason = QStringLiteral("the folder %1 does not exist")
                     .arg(QDir::toNativeSeparators(target.absolutePath()));
        return false;
    }
    // Written beside the target first and moved over it at the end: a failed
    // export leaves no half-written file, and an old file stays as it was.
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.export-XXXXXX.xlsx"));
    if (!temp.open()) {
        reason = temp.errorString();
        return false;
    }
    const QByteArray tempName = QFile::encodeName(temp.fileName());
    temp.close();

    lxw_workbook* book = workbook_new(tempName.constData());
    if (!book) {
        reason = QStringLiteral("the file cannot be written");
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, SheetName(eTableName).toUtf8().constData());
    // Should the format refuse the name still, the default one rather than
    // no sheet at all.
    if (!sheet) sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* column = workbook_add_format(book);
    format_set_font_name(column, "Arial");
    format_set_font_size(column, 10);
    format_set_align(column, LXW_ALIGN_CENTER);
    lxw_format* header = workbook_add_format(book);
    format_set_font_name(header, "Arial");
    format_set_font_size(header, 10);
    format_set_align(header, LXW_ALIGN_CENTER);
    format_set_bold(header);
    format_set_num_format(header, "@");
    lxw_format* headerRest = workbook_add_format(book);
    format_set_num_format(headerRest, "@");
    worksheet_set_column(sheet, 0, kFormattedColumns - 1, 13, column);

    for (int c = 0; c < eCDS->FieldCount(); ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c),
                               WorkbookText(eCDS->Field(c)->FieldName).toUtf8().constData(),
                               c < kFormattedColumns ? header : headerRest);
    auto writeRow = [&](int row, int sheetRow) {
        for (int c = 0; c < eCDS->FieldCount(); ++c) {
            const QString text = PlainText(eCDS->ValueAt(row, eCDS->Field(c)));
            if (text.isEmpty()) continue;
            // The columns' own format written on the cells too, so that every
            // reader shows it.
            worksheet_write_string(sheet, lxw_row_t(sheetRow), lxw_col_t(c),
                                   WorkbookText(text).toUtf8().constData(),
                                   c < kFormattedColumns ? column : nullptr);
        }
    };
    int sheetRow = 1;
    if (rbAll->isChecked()) {
        for (int r = 0; r < eCDS->RecordCount(); ++r) writeRow(r, sheetRow++);
    } else if (eDbGrid) {
        for (qint64 key : eDbGrid->SelectedRows().Items()) {
            const int r = eCDS->RowOfKey(key);
            if (r >= 0) writeRow(r, sheetRow++);
        }
    }
    const lxw_error err = workbook_close(book);
    if (err != LXW_NO_ERROR) {
        reason = QString::fromUtf8(lxw_strerror(err));
        QFile::remove(temp.fileName());
        return false;
    }
    if (QFile::exists(file) && !QFile::remove(file)) {
        reason = QStringLiteral("%1 cannot be replaced").arg(QDir::toNativeSeparators(file));
        QFile::remove(temp.fileName());
        return false;
    }
    if (!QFile::rename(temp.fileName(), file)) {
        reason = QStringLiteral("%1 cannot be written").arg(QDir::toNativeSeparators(file));
        QFile::remove(temp.fileName());
        return false;
    }
    return true;
}
