// Laying out a template as a user does: click an element on the canvas, drag
// it and its handles with the mouse, nudge it with the arrow keys, give it a
// font, save; the layout dialog's bands, ticks, properties and page; a
// changed template when another is chosen; the printer offset.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "PrintTestSupport.h"
#include "TClientDataSet.h"
#include "TFbConnection.h"
#include "TReportDocument.h"
#include "TReportPreview.h"
#include "TestSupport.h"
#include "uDbCheckBox.h"
#include "uDbRadioGroup.h"
#include "uDmMain.h"
#include "uDoTemplate.h"
#include "uDoTemplateField.h"
#include "uLogin.h"
#include "uMain.h"
#include "uPnDbEdit.h"
#include "uStartup.h"
#include "uTemplateCodes.h"
#include "uTreeView.h"

namespace {

QLabel* LabelTitled(TfmDoTemplate* t, const QString& text) {
    for (QLabel* l : t->FLabels)
        if (l->text() == text) return l;
    return nullptr;
}

// Press at from, move to to, release there: a drag with the left button.
// Each point is in the coordinates of its own widget, as a person's mouse
// moves from one widget to another while the first holds the mouse.
void Drag(QWidget* fromWidget, QPoint from, QWidget* toWidget, QPoint to) {
    QTest::mousePress(fromWidget, Qt::LeftButton, {}, from);
    QTest::mouseMove(toWidget, to);
    QTest::mouseRelease(toWidget, Qt::LeftButton, {}, to);
}

void Drag(QWidget* w, QPoint from, QPoint to) { Drag(w, from, w, to); }

// The top left corner of the first word of a PDF's text equal to word, in
// points from the page's top left.
[[maybe_unused]] QPointF WordAt(const QString& pdf, const QString& word) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression re(
        QStringLiteral("<word xMin=\"(-?[0-9.]+)\" yMin=\"(-?[0-9.]+)\"[^>]*>%1</word>")
            .arg(QRegularExpression::escape(word)));
    const auto m = re.match(html);
    if (!m.hasMatch()) return QPointF(-1, -1);
    return QPointF(m.captured(1).toDouble(), m.captured(2).toDouble());
}

}  // namespace

class TstDesigner : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestFolder> FFolder;
    std::unique_ptr<TStartup> FStartup;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;
    QTemporaryDir FOut;

    QString Value(const QString& sql) { return FDm->SelectValue(sql).toString(); }
    QString Element(const QString& title, const QString& column) {
        return Value("SELECT \"" + column + "\" FROM SO_DOTEMPLATEFIELD WHERE TITLE='" + title +
                     "' AND SO_DOTEMPLATE_ID=100");
    }

    void Start() {
        OnNextModal([](QWidget* w) {
            if (auto* dlg = qobject_cast<TfmLogin*>(w)) dlg->BitBtn1->click();
        });
        FStartup = std::make_unique<TStartup>();
        QVERIFY(FStartup->Start());
        FMain = FStartup->fmMain.get();
        FDm = FStartup->dmMain.get();
        // Room for the whole of a small page on the screen.
        FMain->resize(1600, 1200);
    }

    // The template window with the template of that node shown.
    TfmDoTemplate* TemplateWindowAt(const QString& caption) {
        FMain->Command("Template_Do")->trigger();
        TfmDoTemplate* t = FMain->fmDoTemplate;
        ClickNode(t, caption);
        return t;
    }

    void ClickNode(TfmDoTemplate* t, const QString& caption) {
        QTreeWidgetItem* node = FolderNamed(t->Tree(), caption);
        QVERIFY(node);
        QTest::mouseClick(t->Tree()->viewport(), Qt::LeftButton, {},
                          t->Tree()->visualItemRect(node).center());
    }

    void ClickSave(TfmDoTemplate* t) {
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->Command("Child_Save")),
                          Qt::LeftButton);
    }

    // Opens "Settings" and runs fn in the layout dialog, which fn closes.
    void InSettings(TfmDoTemplate* t, const std::function<void(TfmDoTemplateField*)>& fn) {
        bool ran = false;
        OnNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TfmDoTemplateField*>(w);
            QVERIFY2(dlg, "the layout dialog opened");
            // Focus moves between its boxes only in the active window.
            dlg->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(dlg));
            fn(dlg);
            ran = true;
            if (dlg->isVisible()) QTest::mouseClick(dlg->btnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnSetup),
                          Qt::LeftButton);
        QTRY_VERIFY(ran);
    }

    static QPoint ItemCenter(QListWidget* list, const QString& text) {
        const auto found = list->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? QPoint() : list->visualItemRect(found.first()).center();
    }

    static void ShowPageSettings(TfmDoTemplateField* dlg) {
        QTabBar* bar = dlg->pgSettings->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    }

private slots:
    void init() {
        FFolder = std::make_unique<TTestFolder>();
        Start();
    }

    void cleanup() {
        FStartup.reset();
        FFolder.reset();
    }

    // A click puts the eight handles around the element, each with its
    // cursor; a drag of the element moves it; a drag of each handle moves
    // only the edges it owns.
    void handles_data() {
        QTest::addColumn<int>("node");
        QTest::addColumn<int>("cursor");
        // The handle's top left from the element's (L, T, W 150, H 20), and
        // what a (7, 5) drag adds to left, top, width and height.
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QRect>("change");
        // clang-format off
        QTest::newRow("0 top left")     << 0 << int(Qt::SizeFDiagCursor) << QPoint(-2, -2)  << QRect(7, 5, -7, -5);
        QTest::newRow("1 top")          << 1 << int(Qt::SizeVerCursor)   << QPoint(73, -2)  << QRect(0, 5, 0, -5);
        QTest::newRow("2 top right")    << 2 << int(Qt::SizeBDiagCursor) << QPoint(148, -2) << QRect(0, 5, 7, -5);
        QTest::newRow("3 right")        << 3 << int(Qt::SizeHorCursor)   << QPoint(148, 8)  << QRect(0, 0, 7, 0);
        QTest::newRow("4 bottom right") << 4 << int(Qt::SizeFDiagCursor) << QPoint(148, 18) << QRect(0, 0, 7, 5);
        QTest::newRow("5 bottom")       << 5 << int(Qt::SizeVerCursor)   << QPoint(73, 18)  << QRect(0, 0, 0, 5);
        QTest::newRow("6 bottom left")  << 6 << int(Qt::SizeBDiagCursor) << QPoint(-2, 18)  << QRect(7, 0, -7, 5);
        QTest::newRow("7 left")         << 7 << int(Qt::SizeHorCursor)   << QPoint(-2, 8)   << QRect(7, 0, -7, 0);
        // clang-format on
    }

    void handles() {
        QFETCH(int, node);
        QFETCH(int, cursor);
        QFETCH(QPoint, at);
        QFETCH(QRect, change);
        TScriptedMessages msgs;
        AddLinesTemplate(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        QLabel* label = LabelTitled(t, "Reference");
        QVERIFY(label);
        label->show();  // a hidden element in the data; shown here to be grabbed
        QCOMPARE(label->geometry(), QRect(10, 70, 150, 20));

        // The element moves by the mouse's movement and takes the handles along.
        Drag(label, QPoint(20, 10), QPoint(20 + 30, 10 + 40));
        QCOMPARE(label->geometry(), QRect(40, 110, 150, 20));
        QVERIFY(t->CanvasChanged());
        QWidget* handle = t->FNodes[node];
        QVERIFY(handle->isVisible());
        QCOMPARE(handle->objectName(), "Node" + QString::number(node));
        QCOMPARE(int(handle->cursor().shape()), cursor);
        QCOMPARE(handle->size(), QSize(5, 5));
        QCOMPARE(handle->pos(), label->mapTo(t->PageCanvas, at));

        // The handle's centre lies on the edges it owns.
        const QRect before = label->geometry();
        Drag(handle, QPoint(2, 2), QPoint(2 + 7, 2 + 5));
        const QRect after = label->geometry();
        QCOMPARE(QRect(after.x() - before.x(), after.y() - before.y(),
                       after.width() - before.width(), after.height() - before.height()),
                 change);
        // The handles follow the new bounds: the same point of the element.
        auto part = [](int offset, int whole, int size) {
            return offset == 0 ? 0 : offset == whole ? size : size / 2;
        };
        const QPoint point(part(at.x() + 2, 150, after.width()),
                           part(at.y() + 2, 20, after.height()));
        QCOMPARE(handle->pos(), label->mapTo(t->PageCanvas, point - QPoint(2, 2)));
        // A click on the empty page lets the element go.
        QTest::mouseClick(t->DetailBand, Qt::LeftButton, {}, QPoint(500, 150));
        QVERIFY(!handle->isVisible());
        QCOMPARE(msgs.Take(), QStringList());
    }

    // Dragged past the band's top left and shrunk below 10 pixels, an
    // element is saved at 0 and at 10; the arrow keys move the element one
    // pixel, Shift with an arrow resizes it.
    void saveMinimumsAndKeys() {
        TScriptedMessages msgs;
        AddLinesTemplate(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        QLabel* number = LabelTitled(t, "Invoice No");  // at (10, 10), 150 × 20
        QLabel* company = LabelTitled(t, "Company");    // at (200, 10) in the footer
        QVERIFY(number && company);
        Drag(number, QPoint(5, 5), QPoint(5 - 30, 5 - 25));
        QCOMPARE(number->pos(), QPoint(-20, -15));
        QTest::mouseClick(company, Qt::LeftButton, {}, QPoint(5, 5));
        Drag(t->FNodes[4], QPoint(2, 2), QPoint(2 - 146, 2 - 16));  // to 4 × 4
        QCOMPARE(company->size(), QSize(4, 4));
        QTest::mouseClick(LabelTitled(t, "Page No"), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::keyClick(t->PageCanvas, Qt::Key_Right);
        QTest::keyClick(t->PageCanvas, Qt::Key_Right);
        QTest::keyClick(t->PageCanvas, Qt::Key_Down);
        QTest::keyClick(t->PageCanvas, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(t->PageCanvas, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(LabelTitled(t, "Page No")->geometry(), QRect(12, 11, 149, 21));
        ClickSave(t);
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Element("Invoice No", "LEFT") + "," + Element("Invoice No", "TOP"),
                 QString("0,0"));
        QCOMPARE(Element("Company", "WIDTH") + "," + Element("Company", "HEIGHT"),
                 QString("10,10"));
        QCOMPARE(Element("Company", "LEFT") + "," + Element("Company", "TOP"), QString("200,10"));
        QCOMPARE(Element("Page No", "LEFT") + "," + Element("Page No", "TOP") + "," +
                     Element("Page No", "WIDTH") + "," + Element("Page No", "HEIGHT"),
                 QString("12,11,149,21"));
        // The canvas shows what was stored, and nothing is left to save.
        QCOMPARE(number->pos(), QPoint(0, 0));
        QCOMPARE(company->size(), QSize(10, 10));
        QVERIFY(!t->HasPendingEdits());
        // The page size is written back as the page has it.
        QCOMPARE(Value("SELECT PAGE_WIDTH || 'x' || PAGE_HEIGHT FROM SO_DOTEMPLATE WHERE ID=100"),
                 QString("600x500"));
    }

    // "Set Fonts for Selected Field" needs a clicked element; "Set Fonts
    // for All Fields" and "Save" store one font for every element.
    void fonts() {
        TScriptedMessages msgs;
        AddLinesTemplate(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        ChooseInNextMenu(t->PopupFonts, {"Set Fonts for Selected Field"});
        QTest::mouseClick(t->btnFonts, Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"Please select a field (click on it) first."});

        // A style that a template cannot keep is refused, not saved as "Normal".
        for (const char* style : {"strikeout", "all three"}) {
            QFont f(QStringLiteral("DejaVu Serif"), 14);
            if (QByteArray(style) == "strikeout") {
                f.setStrikeOut(true);
            } else {
                f.setBold(true);
                f.setItalic(true);
                f.setUnderline(true);
            }
            msgs.Fonts << qMakePair(f, QStringLiteral("Navy"));
            ChooseInNextMenu(t->PopupFonts, {"Set Fonts for All Fields"});
            QTest::mouseClick(t->btnFonts, Qt::LeftButton);
            QCOMPARE(msgs.Take(),
                     (QStringList{"Font",
                                  "A template keeps bold, italic and underline, one or two "
                                  "of them, but not strikeout nor all three together. "
                                  "Please choose another style."}));
            QVERIFY(!t->CanvasChanged());
        }

        QFont serif(QStringLiteral("DejaVu Serif"), 14);
        serif.setBold(true);
        serif.setItalic(true);
        msgs.Fonts << qMakePair(serif, QStringLiteral("Navy"));
        ChooseInNextMenu(t->PopupFonts, {"Set Fonts for All Fields"});
        QTest::mouseClick(t->btnFonts, Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"Font"});
        QCOMPARE(LabelTitled(t, "Company")->font().family(), QString("DejaVu Serif"));
        ClickSave(t);
        QCOMPARE(Value("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=100 AND "
                       "FONTNAME='DejaVu Serif' AND FONTSIZE=14 AND FONTSTYLE='Bold Italic' AND "
                       "FONTCOLOR='Navy'"),
                 QString("6"));

        // One element, clicked, takes its own font.
        QTest::mouseClick(LabelTitled(t, "Company"), Qt::LeftButton, {}, QPoint(5, 5));
        msgs.Fonts << qMakePair(QFont(QStringLiteral("DejaVu Sans"), 8), QStringLiteral("Red"));
        ChooseInNextMenu(t->PopupFonts, {"Set Fonts for Selected Field"});
        QTest::mouseClick(t->btnFonts, Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"Font"});
        ClickSave(t);
        QCOMPARE(Element("Company", "FONTNAME") + "," + Element("Company", "FONTSIZE") + "," +
                     Element("Company", "FONTSTYLE") + "," + Element("Company", "FONTCOLOR"),
                 QString("DejaVu Sans,8,Normal,Red"));
        QCOMPARE(Element("Page No", "FONTCOLOR"), QString("Navy"));

        // A family not installed shows as its stand-in; choosing only a size
        // keeps the stored family.
        QLabel* number = LabelTitled(t, "Invoice No");
        number->setFont(QFont(QStringLiteral("Segoe UI"), 9));
        QTest::mouseClick(number, Qt::LeftButton, {}, QPoint(5, 5));
        msgs.Fonts << qMakePair(QFont(QFontInfo(number->font()).family(), 12),
                                QStringLiteral("Black"));
        ChooseInNextMenu(t->PopupFonts, {"Set Fonts for Selected Field"});
        QTest::mouseClick(t->btnFonts, Qt::LeftButton);
        msgs.Take();
        ClickSave(t);
        QCOMPARE(Element("Invoice No", "FONTNAME") + "," + Element("Invoice No", "FONTSIZE"),
                 QString("Segoe UI,12"));
    }

    // The layout dialog: an element dragged from "Fields in Detail" to
    // "Fields in Footer" and "Ok" rebuild the canvas with it in the footer
    // at its stored place; an unticked element is hidden on the canvas and
    // in the preview.
    void layoutDialogBandsAndTicks() {
        TScriptedMessages msgs;
        AddLinesTemplate(*FDm);
        AddInvoices(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        InSettings(t, [&](TfmDoTemplateField* dlg) {
            QCOMPARE(dlg->windowTitle(), QString("Invoice Layout Design"));
            QCOMPARE(dlg->clbHeader->count(), 3);
            QCOMPARE(dlg->clbDetail->count(), 1);
            QCOMPARE(dlg->clbFooter->count(), 2);
            // A drop on the list it came from is no move.
            const QPoint description = ItemCenter(dlg->clbDetail, "Description");
            Drag(dlg->clbDetail->viewport(), description, dlg->clbDetail->viewport(),
                 description + QPoint(0, 30));
            QCOMPARE(dlg->clbDetail->count(), 1);
            msgs.Answers << true;
            Drag(dlg->clbDetail->viewport(), description, dlg->clbFooter->viewport(),
                 QPoint(20, 60));
            QCOMPARE(msgs.Take(), QStringList{"Are you sure to move: Description?"});
            QCOMPARE(dlg->clbDetail->count(), 0);
            QCOMPARE(dlg->clbFooter->findItems("Description", Qt::MatchExactly).size(), 1);
            // Untick by the keyboard.
            QListWidget* header = dlg->clbHeader;
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              ItemCenter(header, "Invoice No") + QPoint(40, 0));
            QTest::keyClick(header, Qt::Key_Space);
            QCOMPARE(header->findItems("Invoice No", Qt::MatchExactly)[0]->checkState(),
                     Qt::Unchecked);
            // An empty list has nothing to move or edit.
            QTest::mouseDClick(dlg->clbDetail->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
            QCOMPARE(msgs.Take(), QStringList{"No items to move"});
            QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
            QVERIFY(!dlg->isVisible());
        });
        QCOMPARE(Element("Description", "GROUPNAME"), QString("Footer"));
        QCOMPARE(Element("Invoice No", "VISIBLE"), QString("0"));
        QLabel* description = LabelTitled(t, "Description");
        QCOMPARE(description->parentWidget(), t->FooterBand);
        QCOMPARE(description->pos(), QPoint(10, 0));
        QVERIFY(!description->isHidden());
        QVERIFY(LabelTitled(t, "Invoice No")->isHidden());

        TPreviewSeen seen;
        ReadNextPreview(seen, msgs);
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnPreview),
                          Qt::LeftButton);
        QTRY_VERIFY(!seen.Pages.isEmpty());
        for (const QStringList& page : seen.Pages) QVERIFY(!page.contains("INV-2"));
        // The item description now prints in the footer band, at 400.
        bool inFooter = false;
        for (const TPageItem& i : seen.Items[0])
            if (i.Text().startsWith("Item 2-") && i.Rect.top() == 400.0) inFooter = true;
        QVERIFY2(inFooter, qPrintable(seen.Pages[0].join('|')));
    }

    // A double-click opens "Field Property"; a negative place is refused
    // there; "Ok" of both dialogs stores and shows the new place.
    void fieldProperty() {
        TScriptedMessages msgs;
        AddLinesTemplate(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        InSettings(t, [&](TfmDoTemplateField* dlg) {
            bool edited = false;
            OnNextModal([&](QWidget* w) {
                auto* prop = qobject_cast<TfmDoTemplateFieldProperty*>(w);
                QVERIFY2(prop, "Field Property opened");
                QCOMPARE(prop->windowTitle(), QString("Field Property"));
                QCOMPARE(prop->lbTitle->text(), QString("Description"));
                Retype(prop->pnLeft->Edit(), "-5");
                QTest::mouseClick(prop->btnOk, Qt::LeftButton);
                QCOMPARE(msgs.Take(), QStringList{"Left cannot be negative."});
                QVERIFY(prop->isVisible());
                Retype(prop->pnLeft->Edit(), "25");
                Retype(prop->pnFormat->Edit(), "#,##0.00");
                QTest::mouseClick(prop->cbRightAdj, Qt::LeftButton, {},
                                  QPoint(5, prop->cbRightAdj->height() / 2));
                QTest::mouseClick(prop->btnOk, Qt::LeftButton);
                QVERIFY(!prop->isVisible());
                edited = true;
            });
            QTest::mouseDClick(dlg->clbDetail->viewport(), Qt::LeftButton, {},
                               ItemCenter(dlg->clbDetail, "Description"));
            QTRY_VERIFY(edited);
            QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
        });
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Element("Description", "LEFT") + "," + Element("Description", "RIGHTADJ") + "," +
                     Element("Description", "FORMATSTR"),
                 QString("25,1,#,##0.00"));
        QLabel* description = LabelTitled(t, "Description");
        QCOMPARE(description->pos(), QPoint(25, 0));
        QVERIFY(description->alignment() & Qt::AlignRight);
    }

    // Page settings that no page can have are refused as typed, with a
    // clear message, and nothing is written.
    void pageSettingsRefused_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("no item lines")
            << "LINECOUNT"
            << "0"
            << "How many item lines to print within the Detail area: at least 1.";
        QTest::newRow("negative lines")
            << "LINECOUNT"
            << "-3"
            << "How many item lines to print within the Detail area: at least 1.";
        QTest::newRow("lines thinner than a pixel")
            << "LINECOUNT"
            << "100000"
            << "The Detail area (300 pixels high) cannot hold 100000 item lines of at least 1 "
               "pixel each.";
        QTest::newRow("negative header") << "HEADER_HEIGHT"
                                         << "-1"
                                         << "Header Height cannot be negative.";
        QTest::newRow("negative footer") << "FOOTER_HEIGHT"
                                         << "-20"
                                         << "Footer Height cannot be negative.";
        QTest::newRow("negative custom width")
            << "PAGE_WIDTH"
            << "-600"
            << "Paper Width of a \"Custom\" paper must be at least 1 pixel.";
        QTest::newRow("zero custom height")
            << "PAGE_HEIGHT"
            << "0"
            << "Paper Height of a \"Custom\" paper must be at least 1 pixel.";
        QTest::newRow("offset off the paper")
            << "PRINT_OFFSET_X"
            << "123456"
            << "Printer Offset Right (mm) must be between -100 and 100.";
        QTest::newRow("bands over the page")
            << "HEADER_HEIGHT"
            << "450"
            << "Header Height and Footer Height together are more than the Paper Height (500).";
    }

    void pageSettingsRefused() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TScriptedMessages msgs;
        AddLinesTemplate(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        InSettings(t, [&](TfmDoTemplateField* dlg) {
            ShowPageSettings(dlg);
            TPnDbEdit* pn = dlg->findChild<TPnDbEdit*>("pn" + field);
            QVERIFY(pn);
            Retype(pn->Edit(), typed);
            QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
            QCOMPARE(msgs.Take(), QStringList{message});
            QVERIFY(dlg->isVisible());
            QCOMPARE(pn->Edit()->text(), typed);  // kept, to be corrected
            // Leaving the box says the same.
            if (!message.contains("together")) {
                QTest::keyClick(pn->Edit(), Qt::Key_Tab);
                QCOMPARE(msgs.Take(), QStringList{message});
                QVERIFY(pn->Edit()->hasFocus());
            }
        });
        QCOMPARE(Value("SELECT LINECOUNT || ',' || HEADER_HEIGHT || ',' || FOOTER_HEIGHT || ',' || "
                       "PAGE_WIDTH || ',' || PAGE_HEIGHT FROM SO_DOTEMPLATE WHERE ID=100"),
                 QString("10,100,100,600,500"));
    }

    // Page settings as a user sets them: the paper names in their order, a
    // paper and orientation chosen, the picture cleared; "Ok" redraws the page.
    void pageSettingsApplied() {
        TScriptedMessages msgs;
        TfmDoTemplate* t = TemplateWindowAt("Invoice A4");
        QCOMPARE(t->PageCanvas->size(), QSize(794, 1123));
        InSettings(t, [&](TfmDoTemplateField* dlg) {
            ShowPageSettings(dlg);
            QStringList offered;
            for (int i = 0; i < dlg->cbPaperSize->count(); ++i)
                offered << dlg->cbPaperSize->itemText(i);
            QCOMPARE(offered, PaperNames());
            QCOMPARE(offered.first(), QString("Default"));
            QCOMPARE(offered.last(), QString("Custom"));
            QCOMPARE(dlg->cbPaperSize->currentText(), QString("A4"));
            dlg->cbPaperSize->setFocus();
            for (int i = 0; i < 8; ++i)
                QTest::keyClick(dlg->cbPaperSize, Qt::Key_Up);  // A4 → Letter
            QCOMPARE(dlg->cbPaperSize->currentText(), QString("Letter"));
            QCOMPARE(dlg->pnPageWidth->Edit()->text(), QString("816"));
            QRadioButton* landscape = nullptr;
            for (QRadioButton* r : dlg->rgOrientation->findChildren<QRadioButton*>())
                if (r->text() == "Landscape") landscape = r;
            QVERIFY(landscape);
            QTest::mouseClick(landscape, Qt::LeftButton, {}, QPoint(5, landscape->height() / 2));
            QTest::mouseClick(dlg->btnClearImage, Qt::LeftButton);
            QCOMPARE(dlg->pnFileName->Edit()->text(), QString());
            QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
            QVERIFY(!dlg->isVisible());
        });
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Value("SELECT PAPERSIZE || ',' || ORIENTATION || ',' || COALESCE(FILENAME, '') "
                       "FROM SO_DOTEMPLATE WHERE ID=1"),
                 QString("Letter,0,"));
        QCOMPARE(t->PageCanvas->size(), QSize(1056, 816));
        QVERIFY(!t->ImageHeader->isVisibleTo(t));
    }

    // Save and "Settings" edit the template row, which greys the tree out
    // meanwhile; the focus in the tree must not wander into another window,
    // which would then come to the front.
    void templateWindowStaysInFront() {
        TScriptedMessages msgs;
        FMain->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FMain));
        TfmDoTemplate* t = TemplateWindowAt("Invoice A4");
        QVERIFY(t->Tree()->hasFocus());
        Drag(LabelTitled(t, "Terms"), QPoint(5, 5), QPoint(9, 5));
        t->Tree()->setFocus();
        ClickSave(t);
        auto focusStaysHere = [this, t]() {
            QWidget* f = FMain->focusWidget();
            return f && (f == t || t->isAncestorOf(f));
        };
        QVERIFY(focusStaysHere());
        QCOMPARE(FMain->MdiArea()->activeSubWindow()->widget(), t);
        QVERIFY(t->isVisible());
        t->Tree()->setFocus();
        InSettings(t,
                   [&](TfmDoTemplateField* dlg) { QTest::mouseClick(dlg->btnOk, Qt::LeftButton); });
        QVERIFY(focusStaysHere());
        QCOMPARE(FMain->MdiArea()->activeSubWindow()->widget(), t);
        QCOMPARE(msgs.Take(), QStringList());
        // Saving at the question that choosing another template asks.
        Drag(LabelTitled(t, "Terms"), QPoint(5, 5), QPoint(9, 5));
        t->Tree()->setFocus();
        msgs.Answers << true;
        ClickNode(t, "Templates");
        QCOMPARE(msgs.Take(), QStringList{"Template in editing mode, save now?"});
        QVERIFY(focusStaysHere());
        QCOMPARE(FMain->MdiArea()->activeSubWindow()->widget(), t);
    }

    // A template with changes asks before another is shown: Yes saves, No
    // drops; a save refused because another user changed the same element
    // keeps the template and its changes on the screen.
    void anotherTemplateAsks() {
        TScriptedMessages msgs;
        AddLinesTemplate(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        const QString ask = "Template in editing mode, save now?";
        Drag(LabelTitled(t, "Invoice No"), QPoint(5, 5), QPoint(5 + 20, 5));
        msgs.Answers << true;
        ClickNode(t, "Invoice A4");
        QCOMPARE(msgs.Take(), QStringList{ask});
        QCOMPARE(Element("Invoice No", "LEFT"), QString("30"));
        QCOMPARE(t->Child_CDS->FieldByName("NAME")->AsString(), QString("Invoice A4"));

        ClickNode(t, "Lines");
        Drag(LabelTitled(t, "Invoice No"), QPoint(5, 5), QPoint(5 + 20, 5));
        msgs.Answers << false;
        ClickNode(t, "Invoice A4");
        QCOMPARE(msgs.Take(), QStringList{ask});
        QCOMPARE(Element("Invoice No", "LEFT"), QString("30"));
        QVERIFY(!t->HasPendingEdits());

        ClickNode(t, "Lines");
        QLabel* number = LabelTitled(t, "Invoice No");
        Drag(number, QPoint(5, 5), QPoint(5 + 20, 5));
        FDm->ExecSQL("UPDATE SO_DOTEMPLATEFIELD SET \"LEFT\"=77 WHERE TITLE='Invoice No'");
        msgs.Answers << true;
        ClickNode(t, "Invoice A4");
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], ask);
        QVERIFY2(shown[1].contains("changed by another user"), qPrintable(shown[1]));
        QCOMPARE(Element("Invoice No", "LEFT"), QString("77"));
        QCOMPARE(t->Child_CDS->FieldByName("NAME")->AsString(), QString("Lines"));
        QCOMPARE(NodeData(t->Tree()->currentItem()).Caption, QString("Lines"));
        QCOMPARE(number->pos(), QPoint(50, 10));
        QVERIFY(t->HasPendingEdits());
        // The change was told: a second Save stores this layout over it.
        ClickSave(t);
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Element("Invoice No", "LEFT"), QString("50"));
        Drag(number, QPoint(5, 5), QPoint(5 + 1, 5));
        // Closing the window asks too.
        msgs.Choices << TMessageService::TAnswer::Cancel;
        QTest::mouseClick(t->Part<QToolButton>("btnClose"), Qt::LeftButton);
        QCOMPARE(msgs.Take(),
                 QStringList{"The record being edited in [Invoice Templates] is not saved yet. "
                             "Save it now?"});
        QCOMPARE(number->pos(), QPoint(51, 10));
    }

    // The top node holds no template: the page defaults (A4, no picture)
    // with the elements of template 0.
    void topNodeShowsDefaults() {
        TScriptedMessages msgs;
        FDm->ExecSQL(
            "INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID, GROUPNAME, TITLE, DATASET, "
            "DATAFIELD, VISIBLE, \"LEFT\", TOP, WIDTH, HEIGHT) VALUES (0, 'Header', 'Zero', "
            "'System', 'DATE', 1, 5, 5, 80, 16)");
        QImage form(200, 100, QImage::Format_RGB32);
        form.fill(Qt::gray);
        const QString picture = FOut.filePath("form.png");
        QVERIFY(form.save(picture));
        FDm->ExecSQL("UPDATE SO_DOTEMPLATE SET FILENAME=:F WHERE ID=1", {{"F", picture}});
        TfmDoTemplate* t = TemplateWindowAt("Invoice A4");
        QVERIFY(t->ImageHeader->isVisibleTo(t));
        ClickNode(t, "Templates");
        QVERIFY(t->Child_CDS->IsEmpty());
        QCOMPARE(t->PageCanvas->size(), PaperSizePixels("A4"));
        QVERIFY(!t->ImageHeader->isVisibleTo(t));
        QCOMPARE(t->FLabels.size(), 1);
        QCOMPARE(t->FLabels[0]->text(), QString("Zero"));
        QCOMPARE(msgs.Take(), QStringList());
    }

    // The printer offset, typed on "Page Settings", moves everything on the
    // printer's page, and nothing on the screen or in a PDF file.
    void printerOffset() {
        TScriptedMessages msgs;
        AddLinesTemplate(*FDm);
        AddInvoices(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        InSettings(t, [&](TfmDoTemplateField* dlg) {
            ShowPageSettings(dlg);
            QVERIFY(dlg->pnOffsetX && dlg->pnOffsetY);
            Retype(dlg->pnOffsetX->Edit(), "-5.5");
            Retype(dlg->pnOffsetY->Edit(), "10");
            QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
        });
        QCOMPARE(
            Value("SELECT PRINT_OFFSET_X || ';' || PRINT_OFFSET_Y FROM SO_DOTEMPLATE WHERE ID=100"),
            QString("-5.5;10.0"));
        QCOMPARE(LabelTitled(t, "Invoice No")->pos(), QPoint(10, 10));

        const QString pdf = FOut.filePath("screen.pdf");
        const QString printed = FOut.filePath("printed.pdf");
        TReportPreview::SetPrinterAsker([printed](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            return true;
        });
        TPreviewSeen seen;
        OnNextModal([&](QWidget* w) {
            auto* preview = qobject_cast<TReportPreview*>(w);
            QVERIFY(preview);
            seen.Pages << preview->Document().Page(0).Texts();
            seen.Items << preview->Document().Page(0).Items;
            msgs.InputValues << pdf;
            QTest::mouseClick(ButtonNamed(preview, "Save"), Qt::LeftButton);
            QTest::mouseClick(ButtonNamed(preview, "Print"), Qt::LeftButton);
            preview->close();
        });
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnPreview),
                          Qt::LeftButton);
        QTRY_VERIFY(!seen.Pages.isEmpty());
        TReportPreview::SetPrinterAsker({});
        // On the screen's page the element is where it stands.
        const TPageItem* number = ItemWithText(seen.Items[0], "INV-2");
        QVERIFY(number);
        QCOMPARE(number->Rect.topLeft(), QPointF(10, 10));
        // The sender's name, in the footer at (200, 410) pixels.
        const QPointF inPdf = WordAt(pdf, "Your");
        const QPointF onPrinter = WordAt(printed, "Your");
        QVERIFY2(inPdf.x() >= 0 && onPrinter.x() >= 0, "the sender is in both files");
        QVERIFY(qAbs(inPdf.x() - 200 * 0.75) < 1);
        const QPointF shift = onPrinter - inPdf;
        QVERIFY2(qAbs(shift.x() + 5.5 / 25.4 * 72) < 0.5 && qAbs(shift.y() - 10 / 25.4 * 72) < 0.5,
                 qPrintable(QString("shifted by %1, %2 points").arg(shift.x()).arg(shift.y())));
    }

    // As a new user: the shipped template, its invoice number dragged 2 cm
    // to the right, saved, previewed.
    void demoTemplateInvoiceNumberMoved() {
        TScriptedMessages msgs;
        AddInvoices(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Invoice A4");
        QLabel* number = LabelTitled(t, "Invoice No");
        QVERIFY(number);
        const QPoint was = number->pos();
        const int twoCm = qRound(20 / 25.4 * 96);  // 76 pixels
        Drag(number, QPoint(10, 5), QPoint(10 + twoCm, 5));
        ClickSave(t);
        QCOMPARE(Value("SELECT \"LEFT\" FROM SO_DOTEMPLATEFIELD WHERE TITLE='Invoice No' AND "
                       "SO_DOTEMPLATE_ID=1"),
                 QString::number(was.x() + twoCm));
        TPreviewSeen seen;
        ReadNextPreview(seen, msgs);
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnPreview),
                          Qt::LeftButton);
        QTRY_VERIFY(!seen.Pages.isEmpty());
        const TPageItem* printed = ItemWithText(seen.Items[0], "INV-2");
        QVERIFY(printed);
        QCOMPARE(printed->Rect.topLeft(), QPointF(was.x() + twoCm, was.y()));
        QCOMPARE(msgs.Take(), QStringList());
    }

    // A database made before the printer offset: the window, its dialog,
    // printing and copying work without the two columns.
    void databaseWithoutOffset() {
        FStartup.reset();
        {
            TFbConnection conn;
            conn.Open(FFolder->MainDb());
            TFbTransaction tra(conn);
            TFbQuery(tra, "ALTER TABLE SO_DOTEMPLATE DROP PRINT_OFFSET_X, DROP PRINT_OFFSET_Y")
                .Execute();
            tra.Commit();
        }
        Start();
        TScriptedMessages msgs;
        AddInvoices(*FDm);
        TfmDoTemplate* t = TemplateWindowAt("Invoice A4");
        InSettings(t, [&](TfmDoTemplateField* dlg) {
            QVERIFY(!dlg->pnOffsetX && !dlg->pnOffsetY);
            QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
        });
        TPreviewSeen seen;
        ReadNextPreview(seen, msgs);
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnPreview),
                          Qt::LeftButton);
        QTRY_VERIFY(!seen.Pages.isEmpty());
        QVERIFY(FDm->CopyDoTemplate(NodeData(FolderNamed(t->Tree(), "Invoice A4")).ID,
                                    FDm->InsertSysTreeView("SO_DOTEMPLATE", "Copy", 20, 0, 0, 0),
                                    "Copy"));
        QCOMPARE(Value("SELECT COUNT(*) FROM SO_DOTEMPLATE WHERE NAME='Copy'"), QString("1"));
        QCOMPARE(msgs.Take(), QStringList());
    }
};

QTEST_MAIN(TstDesigner)
#include "tst_designer.moc"
