#include "uTemplateCodes.h"

#include <QGuiApplication>
#include <QPalette>
#include <cmath>

// ------------------------------------------------------------ font styles

namespace {
struct TStyleName {
    const char* Name;
    bool Bold, Italic, Underline;
};

const TStyleName kStyles[] = {
    {"Normal", false, false, false},         {"Bold", true, false, false},
    {"Italic", false, true, false},          {"Underline", false, false, true},
    {"Bold Italic", true, true, false},      {"Bold Underline", true, false, true},
    {"Italic Underline", false, true, true},
};
}  // namespace

void ApplyFontStyleName(QFont& font, const QString& name) {
    TStyleName styles = kStyles[0];
    for (const TStyleName& s : kStyles)
        if (name == QLatin1String(s.Name)) styles = s;
    font.setBold(styles.Bold);
    font.setItalic(styles.Italic);
    font.setUnderline(styles.Underline);
    font.setStrikeOut(false);
}

QString FontStyleName(const QFont& font) {
    if (!font.strikeOut())
        for (const TStyleName& s : kStyles)
            if (font.bold() == s.Bold && font.italic() == s.Italic &&
                font.underline() == s.Underline)
                return QLatin1String(s.Name);
    return QStringLiteral("Normal");
}

const QStringList& FontStyleNames() {
    static const QStringList names = [] {
        QStringList l;
        for (const TStyleName& s : kStyles) l << QLatin1String(s.Name);
        return l;
    }();
    return names;
}

// ------------------------------------------------------------ colours

namespace {
// A fixed colour has an RGB value; a system colour a palette group and role.
struct TColorName {
    const char* Name;
    QRgb Rgb;
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;  // NoRole: fixed
};

// In the designer's order. The palette has no menu role: menus draw on the
// base colour, as they do on the desktops this program came from.
const TColorName kColors[] = {
    {"None", 0, QPalette::Active, QPalette::Window},
    {"White", 0xFFFFFF, QPalette::Active, QPalette::NoRole},
    {"Silver", 0xC0C0C0, QPalette::Active, QPalette::NoRole},
    {"Gray", 0x808080, QPalette::Active, QPalette::NoRole},
    {"GrayText", 0, QPalette::Disabled, QPalette::Text},
    {"Menu", 0, QPalette::Active, QPalette::Base},
    {"3DLight", 0, QPalette::Active, QPalette::Midlight},
    {"BtnFace", 0, QPalette::Active, QPalette::Button},
    {"BtnShadow", 0, QPalette::Active, QPalette::Dark},
    {"InfoBk", 0, QPalette::Active, QPalette::ToolTipBase},
    {"Black", 0x000000, QPalette::Active, QPalette::NoRole},
    {"Green", 0x008000, QPalette::Active, QPalette::NoRole},
    {"Maroon", 0x800000, QPalette::Active, QPalette::NoRole},
    {"Navy", 0x000080, QPalette::Active, QPalette::NoRole},
    {"Purple", 0x800080, QPalette::Active, QPalette::NoRole},
    {"Teal", 0x008080, QPalette::Active, QPalette::NoRole},
    {"Red", 0xFF0000, QPalette::Active, QPalette::NoRole},
    {"Lime", 0x00FF00, QPalette::Active, QPalette::NoRole},
    {"Yellow", 0xFFFF00, QPalette::Active, QPalette::NoRole},
    {"Blue", 0x0000FF, QPalette::Active, QPalette::NoRole},
};

QColor ColorOf(const TColorName& c) {
    if (c.Role == QPalette::NoRole) return QColor(c.Rgb);
    return QGuiApplication::palette().color(c.Group, c.Role);
}
}  // namespace

QColor ColorOfName(const QString& name) {
    for (const TColorName& c : kColors)
        if (name == QLatin1String(c.Name)) return ColorOf(c);
    return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

QString NameOfColor(const QColor& color) {
    // A palette colour may equal a fixed one or another palette colour; the
    // fixed name wins, as it prints the same on every desktop, then the
    // first palette name ("None" before the others).
    const QRgb rgba = color.rgba();
    for (const TColorName& c : kColors)
        if (c.Role == QPalette::NoRole && ColorOf(c).rgba() == rgba) return QLatin1String(c.Name);
    for (const TColorName& c : kColors)
        if (c.Role != QPalette::NoRole && ColorOf(c).rgba() == rgba) return QLatin1String(c.Name);
    return QStringLiteral("Black");
}

const QStringList& ColorNames() {
    static const QStringList names = [] {
        QStringList l;
        for (const TColorName& c : kColors) l << QLatin1String(c.Name);
        return l;
    }();
    return names;
}

bool IsSystemColorName(const QString& name) {
    for (const TColorName& c : kColors)
        if (name == QLatin1String(c.Name)) return c.Role != QPalette::NoRole;
    return false;
}

// ------------------------------------------------------------ paper

namespace {
struct TPaper {
    const char* Name;
    int Code;
    QPageSize::PageSizeId Id;
    double WidthMm, HeightMm;
};

constexpr double kInch = 25.4;

// The printer paper codes and their sheets. B4 and B5 are the JIS sizes, as
// the Windows codes 12 and 13 are; the small and note papers are letter sheets.
const TPaper kPapers[] = {
    {"Default", 0, QPageSize::A4, 210, 297},
    {"Letter", 1, QPageSize::Letter, 8.5 * kInch, 11 * kInch},
    {"LetterSmall", 2, QPageSize::Letter, 8.5 * kInch, 11 * kInch},
    {"Tabloid", 3, QPageSize::Tabloid, 11 * kInch, 17 * kInch},
    {"Ledger", 4, QPageSize::Ledger, 17 * kInch, 11 * kInch},
    {"Legal", 5, QPageSize::Legal, 8.5 * kInch, 14 * kInch},
    {"Statement", 6, QPageSize::Statement, 5.5 * kInch, 8.5 * kInch},
    {"Executive", 7, QPageSize::ExecutiveStandard, 7.25 * kInch, 10.5 * kInch},
    {"A3", 8, QPageSize::A3, 297, 420},
    {"A4", 9, QPageSize::A4, 210, 297},
    {"A4Small", 10, QPageSize::A4, 210, 297},
    {"A5", 11, QPageSize::A5, 148, 210},
    {"B4", 12, QPageSize::JisB4, 257, 364},
    {"B5", 13, QPageSize::JisB5, 182, 257},
    {"Folio", 14, QPageSize::FanFoldGermanLegal, 8.5 * kInch, 13 * kInch},
    {"Quarto", 15, QPageSize::Quarto, 215, 275},
    {"qr10X14", 16, QPageSize::Imperial10x14, 10 * kInch, 14 * kInch},
    {"qr11X17", 17, QPageSize::Tabloid, 11 * kInch, 17 * kInch},
    {"Note", 18, QPageSize::Note, 8.5 * kInch, 11 * kInch},
    {"Env9", 19, QPageSize::Envelope9, 3.875 * kInch, 8.875 * kInch},
    {"Env10", 20, QPageSize::Envelope10, 4.125 * kInch, 9.5 * kInch},
    {"Env11", 21, QPageSize::Envelope11, 4.5 * kInch, 10.375 * kInch},
    {"Env12", 22, QPageSize::Envelope12, 4.75 * kInch, 11 * kInch},
    {"Env14", 23, QPageSize::Envelope14, 5 * kInch, 11.5 * kInch},
    {"CSheet", 24, QPageSize::AnsiC, 17 * kInch, 22 * kInch},
    {"DSheet", 25, QPageSize::AnsiD, 22 * kInch, 34 * kInch},
    {"ESheet", 26, QPageSize::AnsiE, 34 * kInch, 44 * kInch},
    {"Custom", -1, QPageSize::Custom, 0, 0},
};

const TPaper& PaperOf(const QString& name) {
    for (const TPaper& p : kPapers)
        if (name == QLatin1String(p.Name)) return p;
    return kPapers[9];  // A4
}
}  // namespace

const QStringList& PaperNames() {
    static const QStringList names = [] {
        QStringList l;
        for (const TPaper& p : kPapers) l << QLatin1String(p.Name);
        return l;
    }();
    return names;
}

int PaperCode(const QString& name) { return PaperOf(name).Code; }

bool IsCustomPaper(const QString& name) { return name == QLatin1String("Custom"); }

QPageSize::PageSizeId PageSizeIdOfPaper(const QString& name) { return PaperOf(name).Id; }

QSizeF PaperSizeMm(const QString& name) {
    const TPaper& p = PaperOf(name);
    if (p.Code < 0) return QSizeF();
    return QSizeF(p.WidthMm, p.HeightMm);
}

QSize PaperSizePixels(const QString& name) {
    const QSizeF mm = PaperSizeMm(name);
    if (!mm.isValid()) return QSize();
    return QSize(int(std::lround(mm.width() * 96 / kInch)),
                 int(std::lround(mm.height() * 96 / kInch)));
}
