// Draws the picture of the pre-printed invoice form that the shipped
// template prints on:
//   tallyvo-mkform OUT.png
// An A4 page at 96 dpi (794 x 1123 pixels): ruled boxes and printed captions
// in light colours, so that the data printed over them stands out. The boxes
// sit where the elements of the template "Invoice A4" (main_data.sql) print:
// header 0-410, twenty item lines of 24 pixels from 410 to 890, footer
// 890-1123. Change the two together.

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <cstdio>

namespace {
const QColor kRule(0x9d, 0xb4, 0xc8);     // box lines
const QColor kGrid(0xd5, 0xdf, 0xe8);     // item-line rules
const QColor kFill(0xec, 0xf1, 0xf6);     // heading strips
const QColor kCaption(0x6f, 0x8a, 0xa3);  // printed captions

constexpr int kLeft = 40, kRight = 754;
constexpr int kHeadTop = 380, kDetailTop = 410, kLineHeight = 24, kLines = 20;
constexpr int kDetailBottom = kDetailTop + kLineHeight * kLines;  // 890
// Column edges of the item lines.
constexpr int kCols[] = {kLeft, 140, 400, 470, 560, 630, kRight};

QFont Font(int pixels, bool bold = false) {
    QFont f(QStringLiteral("Segoe UI"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void Caption(QPainter& p, const QRect& r, const QString& text, int flags = Qt::AlignLeft,
             int pixels = 11, bool bold = false) {
    p.setFont(Font(pixels, bold));
    p.setPen(kCaption);
    p.drawText(r, int(flags) | Qt::AlignVCenter, text);
}

void Box(QPainter& p, const QRect& r) {
    p.setPen(QPen(kRule, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

// A two-column box of rows: captions left of x = 580, the values right of it.
void LabelledRows(QPainter& p, int top, const QStringList& captions, int rowHeight,
                  bool lastBold = false) {
    const QRect box(480, top, kRight - 480, rowHeight * int(captions.size()));
    p.fillRect(QRect(480, top, 100, box.height()), kFill);
    Box(p, box);
    p.setPen(QPen(kRule, 1));
    p.drawLine(580, top, 580, box.bottom());
    for (int i = 0; i < captions.size(); ++i) {
        const int y = top + rowHeight * i;
        if (i > 0) p.drawLine(480, y, kRight - 1, y);
        Caption(p, QRect(488, y, 90, rowHeight), captions[i], Qt::AlignLeft, 11,
                lastBold && i == captions.size() - 1);
        p.setPen(QPen(kRule, 1));
    }
}
}  // namespace

int main(int argc, char** argv) {
    // Runs in the build, where there is no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tallyvo-mkform OUT.png\n");
        return 2;
    }

    QImage img(794, 1123, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setDotsPerMeterX(3780);  // 96 dpi
    img.setDotsPerMeterY(3780);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // ---- header: title, invoice number and date, terms, the customer
    Caption(p, QRect(480, 30, kRight - 480, 48), QStringLiteral("INVOICE"), Qt::AlignRight, 34,
            true);
    LabelledRows(p, 96, {QStringLiteral("Invoice No."), QStringLiteral("Date")}, 30);
    LabelledRows(p, 176, {QStringLiteral("Terms")}, 30);

    const QRect billTo(kLeft, 176, 400, 140);
    p.fillRect(QRect(kLeft, 176, 400, 22), kFill);
    Box(p, billTo);
    p.setPen(QPen(kRule, 1));
    p.drawLine(kLeft, 198, kLeft + 399, 198);
    Caption(p, QRect(kLeft + 8, 176, 200, 22), QStringLiteral("Bill To"), Qt::AlignLeft, 11, true);

    // ---- column heads and the item lines
    p.fillRect(QRect(kLeft, kHeadTop, kRight - kLeft, kDetailTop - kHeadTop), kFill);
    const char* heads[] = {"Item No.", "Description", "Qty", "Price", "Disc %", "Amount"};
    for (int i = 0; i < 6; ++i) {
        const bool number = i >= 2;
        Caption(p, QRect(kCols[i] + 6, kHeadTop, kCols[i + 1] - kCols[i] - 12, 30),
                QString::fromLatin1(heads[i]), number ? Qt::AlignRight : Qt::AlignLeft, 11, true);
    }
    p.setPen(QPen(kGrid, 1));
    for (int k = 1; k < kLines; ++k)
        p.drawLine(kLeft, kDetailTop + kLineHeight * k, kRight - 1, kDetailTop + kLineHeight * k);
    p.setPen(QPen(kRule, 1));
    for (int i = 1; i < 6; ++i) p.drawLine(kCols[i], kHeadTop, kCols[i], kDetailBottom - 1);
    p.drawLine(kLeft, kDetailTop, kRight - 1, kDetailTop);
    Box(p, QRect(kLeft, kHeadTop, kRight - kLeft, kDetailBottom - kHeadTop));

    // ---- footer: totals, a thank-you line, print date, user and page
    LabelledRows(p, 900,
                 {QStringLiteral("Sub Total"), QStringLiteral("Tax"), QStringLiteral("Total")}, 30,
                 true);
    Caption(p, QRect(kLeft, 900, 420, 30), QStringLiteral("Thank you for your business."),
            Qt::AlignLeft, 13, true);
    p.setPen(QPen(kRule, 1));
    p.drawLine(kLeft, 1070, kRight - 1, 1070);
    Caption(p, QRect(kLeft, 1074, 54, 24), QStringLiteral("Printed"));
    Caption(p, QRect(250, 1074, 24, 24), QStringLiteral("By"));
    Caption(p, QRect(620, 1074, 40, 24), QStringLiteral("Page"));
    p.end();

    if (!img.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
