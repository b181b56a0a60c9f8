#pragma once

#include <QColor>
#include <QFont>
#include <QPageSize>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

// The names under which a print template stores its fonts, colours and
// paper: reading turns a stored name into what it stands for, writing turns
// a font, colour or paper back into its name.

// ---- FONTSTYLE: "Normal", "Bold", "Italic", "Underline", "Bold Italic",
// "Bold Underline", "Italic Underline".
// Sets bold, italic and underline of font from name (strike-out off); an
// unknown name sets none of them.
void ApplyFontStyleName(QFont& font, const QString& name);
// The name of the font's style set; a set without a name (all three, or any
// with strike-out) is "Normal".
QString FontStyleName(const QFont& font);
// Every style name, in the order above.
const QStringList& FontStyleNames();

// ---- FONTCOLOR: fixed colours and the system colours of the application's
// palette.
// An unknown or empty name gives the window-text colour.
QColor ColorOfName(const QString& name);
// The name of a colour: a fixed colour first, then a system colour; the
// window-background colour is "None". A colour of no name is "Black".
QString NameOfColor(const QColor& c);
// Every colour name, in the designer's order.
const QStringList& ColorNames();
// True when the name stands for a colour of the palette, not a fixed one.
bool IsSystemColorName(const QString& name);

// ---- PAPERSIZE
// The paper names in the designer's order, "Custom" last.
const QStringList& PaperNames();
// The printer paper code of a name (the Windows DMPAPER number); "Custom"
// is -1; an unknown or empty name is A4's 9.
int PaperCode(const QString& name);
bool IsCustomPaper(const QString& name);
// The page size of a paper name: "Default" and unknown names are A4,
// "Custom" is QPageSize::Custom (the page size then comes from the template).
QPageSize::PageSizeId PageSizeIdOfPaper(const QString& name);
// Width and height of the paper in millimetres, portrait as the paper is
// named (a ledger is wider than high); an invalid size for "Custom".
QSizeF PaperSizeMm(const QString& name);
// The same in template pixels (96 per inch, rounded), as PAGE_WIDTH and
// PAGE_HEIGHT hold it; an invalid size for "Custom".
QSize PaperSizePixels(const QString& name);
