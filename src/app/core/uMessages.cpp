#include "uMessages.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>
#include <algorithm>

#include "EFbError.h"
#include "TClientDataSet.h"

namespace {

TDialogMessageService& Interactive() {
    static TDialogMessageService service;
    return service;
}

TMessageService*& Current() {
    static TMessageService* current = nullptr;
    return current;
}

// "\r" is how the program's texts break lines; a box shows it as a new line.
QString Displayed(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace('\r', '\n');
    return t;
}

QString& TitleText() {
    static QString title = QStringLiteral("Tallyvo");
    return title;
}

QString Title() { return MessageTitle(); }

}  // namespace

TMessageService& TMessageService::Instance() { return Current() ? *Current() : Interactive(); }

TMessageService* TMessageService::SetInstance(TMessageService* service) {
    TMessageService* previous = Current();
    Current() = service;
    return previous;
}

void TDialogMessageService::Show(TKind kind, const QString& text) {
    QMessageBox::Icon icon = QMessageBox::Information;
    if (kind == TKind::Warning) icon = QMessageBox::Warning;
    if (kind == TKind::Error) icon = QMessageBox::Critical;
    QMessageBox box(icon, Title(), Displayed(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool TDialogMessageService::Confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, Title(), Displayed(text),
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

TMessageService::TAnswer TDialogMessageService::Ask(const QString& text) {
    QMessageBox box(QMessageBox::Question, Title(), Displayed(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return TAnswer::Yes;
        case QMessageBox::No:
            return TAnswer::No;
        default:
            return TAnswer::Cancel;
    }
}

bool TDialogMessageService::Input(const QString& caption, const QString& prompt, QString& value) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), caption,
                                               Displayed(prompt), QLineEdit::Normal, value, &ok);
    if (ok) value = text;
    return ok;
}

bool TDialogMessageService::OpenFile(const QString& caption, const QString& filter, QString& file) {
    const QString chosen =
        QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, file, filter);
    if (chosen.isEmpty()) return false;
    file = chosen;
    return true;
}

bool TDialogMessageService::SaveFile(const QString& caption, const QString& filter, QString& file) {
    const QString chosen =
        QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, file, filter);
    if (chosen.isEmpty()) return false;
    file = chosen;
    return true;
}

bool TDialogMessageService::ChooseFont(QFont& font, QString& colorName,
                                       const QStringList& colorNames) {
    // Qt's font dialog has no colour: it sits in a dialog of ours beside a
    // list of the colours that can be kept.
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* fonts = new QFontDialog(font, &dialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    auto* colors = new QComboBox(&dialog);
    colors->addItems(colorNames);
    colors->setCurrentIndex(std::max(0, int(colorNames.indexOf(colorName))));
    auto* colorLabel = new QLabel(QStringLiteral("Colour"), &dialog);
    colorLabel->setBuddy(colors);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(colorLabel);
    row->addWidget(colors, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts, 1);
    layout->addLayout(row);
    layout->addWidget(buttons);
    colorLabel->setVisible(!colorNames.isEmpty());
    colors->setVisible(!colorNames.isEmpty());
    if (dialog.exec() != QDialog::Accepted) return false;
    font = fonts->currentFont();
    if (!colorNames.isEmpty()) colorName = colors->currentText();
    return true;
}

void ShowInformation(const QString& text) {
    TMessageService::Instance().Show(TMessageService::TKind::Information, text);
}

void ShowWarning(const QString& text) {
    TMessageService::Instance().Show(TMessageService::TKind::Warning, text);
}

void ShowError(const QString& text) {
    TMessageService::Instance().Show(TMessageService::TKind::Error, text);
}

QString MessageTitle() { return TitleText(); }

void SetMessageTitle(const QString& title) {
    if (!title.isEmpty()) TitleText() = title;
}

bool ConfirmYesNo(const QString& text) { return TMessageService::Instance().Confirm(text); }

TMessageService::TAnswer AskYesNoCancel(const QString& text) {
    return TMessageService::Instance().Ask(text);
}

bool InputQuery(const QString& caption, const QString& prompt, QString& value) {
    return TMessageService::Instance().Input(caption, prompt, value);
}

void ShowGeneralError(const QString& message) { ShowError(message); }

QString CurrentErrorMessage(const QString& otherwise) {
    try {
        throw;
    } catch (const EFbError& e) {
        return e.Message();
    } catch (const EDataSetError& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return otherwise;
    }
}

bool RunGuarded(const std::function<void()>& f) {
    try {
        f();
        return true;
    } catch (const EAbort&) {
        // The handler that stopped has said why.
    } catch (const EFbError& e) {
        ShowGeneralError(e.Message());
    } catch (const EDataSetError& e) {
        ShowGeneralError(e.Message());
    } catch (const std::exception& e) {
        ShowGeneralError(QString::fromUtf8(e.what()));
    }
    return false;
}
