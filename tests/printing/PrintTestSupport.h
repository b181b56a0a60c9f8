#pragma once

// What the printing tests share: reading a preview, choosing in menus as a
// user does, and a small template with two invoices to print.

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

#include "TReport.h"
#include "TestSupport.h"

class QMenu;
class QToolButton;
class QWidget;
class TdmMain;

// What a preview showed: the texts of each page and the PDF saved from it.
struct TPreviewSeen {
    QList<QStringList> Pages;
    QList<std::vector<TPageItem>> Items;
    QString PdfText;
};

// The text of a PDF file, laid out as on its pages.
QString PdfText(const QString& file);
// The visible tool button of w with that text; nullptr when none.
QToolButton* ButtonNamed(QWidget* w, const QString& text);
// Reads every page of the next preview, saves it as PDF with the "Save"
// button when pdf is given, and closes it.
void ReadNextPreview(TPreviewSeen& seen, TScriptedMessages& msgs, const QString& pdf = {});
// The item of a page printed from the element titled by its text.
const TPageItem* ItemWithText(const std::vector<TPageItem>& items, const QString& text);

// Template "Lines" (ID 100) of lines 30 pixels high: an item band of 300 (a
// 500 pixel page less a header and a footer of 100) with ten lines. Returns
// its tree node.
int AddLinesTemplate(TdmMain& dm);
// Invoice 1 (3 lines, customer with postal code 123456) and invoice 2 (25
// lines, customer without one).
void AddInvoices(TdmMain& dm);
