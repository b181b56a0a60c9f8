// Laying out a template as a user does: click an element on the canvas, drag
// it and its handles with the mouse, nudge it with the arrow keys, give it a
// font, save; the layout dialog's bands, ticks, properties and page; a
// changed template when another is chosen; the printer offset.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
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
#include "TReportPreview.h"
#include "TestSupport.h"
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
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>%1</word>")
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
        QTreeWidgetItem* node = FolderNamed(t->TreeView1, caption);
        QVERIFY(node);
        QTest::mouseClick(t->TreeView1->viewport(), Qt::LeftButton, {},
                          t->TreeView1->visualItemRect(node).center());
    }

    void ClickSave(TfmDoTemplate* t) {
        QTest::mouseClick(t->ToolBar2->widgetForAction(t->Child_Save), Qt::LeftButton);
    }

    // Opens "Settings" and runs fn in the layout dialog, which fn closes.
    void InSettings(TfmDoTemplate* t, const std::function<void(TfmDoTemplateField*)>& fn) {
        bool ran = false;
        OnNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TfmDoTemplateField*>(w);
            QVERIFY2(dlg, "the layout dialog opened");
            fn(dlg);
            ran = true;
            if (dlg->isVisible()) QTest::mouseClick(dlg->btnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(t->ToolBar2->widgetForAction(t->btnSetup), Qt::LeftButton);
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
        QTest::addColumn<QPoint>("at");  // handle's top left, from the element's (L, T, W 150, H 20)
        QTest::addColumn<QRect>("change");  // left, top, width, height added by a (7, 5) drag
        QTest::newRow("0 top left") << 0 << int(Qt::SizeFDiagCursor) << QPoint(-2, -2) << QRect(7, 5, -7, -5);
        QTest::newRow("1 top") << 1 << int(Qt::SizeVerCursor) << QPoint(73, -2) << QRect(0, 5, 0, -5);
        QTest::newRow("2 top right") << 2 << int(Qt::SizeBDiagCursor) << QPoint(148, -2) << QRect(0, 5, 7, -5);
        QTest::newRow("3 right") << 3 << int(Qt::SizeHorCursor) << QPoint(148, 8) << QRect(0, 0, 7, 0);
        QTest::newRow("4 bottom right") << 4 << int(Qt::SizeFDiagCursor) << QPoint(148, 18) << QRect(0, 0, 7, 5);
        QTest::newRow("5 bottom") << 5 << int(Qt::SizeVerCursor) << QPoint(73, 18) << QRect(0, 0, 0, 5);
        QTest::newRow("6 bottom left") << 6 << int(Qt::SizeBDiagCursor) << QPoint(-2, 18) << QRect(7, 0, -7, 5);
        QTest::newRow("7 left") << 7 << int(Qt::SizeHorCursor) << QPoint(-2, 8) << QRect(7, 0, -7, 0);
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
        const QPoint point(part(at.x() + 2, 150, after.width()), part(at.y() + 2, 20, after.height()));
        QCOMPARE(handle->pos(), label->mapTo(t->PageCanvas, point - QPoint(2, 2)));
        // A click on the empty page lets the element go.
        QTest::mouseClick(t->DetailBand, Qt::LeftButton, {}, QPoint(500, 150));
        QVERIFY(!handle->isVisible());
        QCOMPARE(msgs.Take(), QStringList());
    }
};

QTEST_MAIN(TstDesigner)
#include "tst_designer.moc"
