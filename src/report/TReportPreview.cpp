#include "TReportPreview.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "TReportDocument.h"

namespace {

// The preview lays out the rest of the pages in slices of at most this long
// while it is open, so that the window answers between them.
constexpr int LayoutSliceMs = 20;

TReportPreview::TFileAsker& FileAsker() {
    static TReportPreview::TFileAsker asker;
    return asker;
}
TReportPreview::TPrinterAsker& PrinterAsker() {
    static TReportPreview::TPrinterAsker asker;
    return asker;
}
TReportPreview::TErrorShower& ErrorShower() {
    static TReportPreview::TErrorShower shower;
    return shower;
}

// One page, painted from the document when it is shown.
class TPageView : public QWidget {
public:
    TPageView(TReportDocument& doc, QWidget* parent) : QWidget(parent), FDoc(doc) {
        setObjectName(QStringLiteral("PageView"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    int Page = 0;
    double Scale = 1;
    void Resize() {
        const QSize s = FDoc.PageSize();
        setFixedSize(int(s.width() * Scale) + 16, int(s.height() * Scale) + 16);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Dark));
        const QSize s = FDoc.PageSize();
        const QRectF page(8, 8, s.width() * Scale, s.height() * Scale);
        p.fillRect(page, Qt::white);
        FDoc.Render(Page, p, page);
    }

private:
    TReportDocument& FDoc;
};

}  // namespace

struct TReportPreview::TPrivate {
    TReportDocument* Doc = nullptr;
    QScrollArea* Scroll = nullptr;
    TPageView* View = nullptr;
    QLabel* PageLabel = nullptr;
    bool Fit = true;
    bool Failed = false;
};

void TReportPreview::SetFileAsker(TFileAsker asker) { FileAsker() = std::move(asker); }
void TReportPreview::SetPrinterAsker(TPrinterAsker asker) { PrinterAsker() = std::move(asker); }
void TReportPreview::SetErrorShower(TErrorShower shower) { ErrorShower() = std::move(shower); }

TReportPreview::TReportPreview(TReportDocument& doc, const QString& title, QWidget* parent)
    // Modal and owned by the program's window, it stays above the program's
    // windows; above every window of the desktop it would hide the file and
    // printer dialogs it opens.
    : QDialog(parent, Qt::Window | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowMinimizeButtonHint),
      d(std::make_unique<TPrivate>()) {
    d->Doc = &doc;
    setObjectName(QStringLiteral("fmPreview"));
    setWindowTitle(title);
    setFont(QFont(QStringLiteral("Segoe UI"), 9));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto button = [this, bar](const QString& text, auto slot) {
        auto* b = new QToolButton(bar);
        b->setText(text);
        b->setAccessibleName(text);
        b->setObjectName("btn" + QString(text).remove(' ').remove('%'));
        bar->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, slot]() { Guarded(slot); });
        return b;
    };
    button(QStringLiteral("First"), [this]() { ShowPage(0); });
    button(QStringLiteral("Prior"), [this]() { ShowPage(CurrentPage() - 1); });
    d->PageLabel = new QLabel(bar);
    d->PageLabel->setObjectName(QStringLiteral("PageLabel"));
    d->PageLabel->setContentsMargins(8, 0, 8, 0);
    bar->addWidget(d->PageLabel);
    button(QStringLiteral("Next"), [this]() { ShowPage(CurrentPage() + 1); });
    button(QStringLiteral("Last"), [this]() { ShowPage(d->Doc->TotalPages() - 1); });
    bar->addSeparator();
    button(QStringLiteral("Zoom to Fit"), [this]() {
        d->Fit = true;
        Zoom();
    });
    button(QStringLiteral("100%"), [this]() {
        d->Fit = false;
        Zoom();
    });
    bar->addSeparator();
    button(QStringLiteral("Print"), [this]() { PrintAll(); });
    button(QStringLiteral("Save"), [this]() { SavePdf(); });
    bar->addSeparator();
    button(QStringLiteral("Close"), [this]() { close(); });
    layout->addWidget(bar);
    d->Scroll = new QScrollArea(this);
    d->Scroll->setAlignment(Qt::AlignCenter);
    d->Scroll->setBackgroundRole(QPalette::Dark);
    d->View = new TPageView(doc, d->Scroll);
    d->Scroll->setWidget(d->View);
    layout->addWidget(d->Scroll, 1);
    d->Scroll->viewport()->installEventFilter(this);
    doc.LayoutUntil(1);
    UpdateLabel();
    Zoom();
    // The rest is laid out a little at a time, so that the window answers.
    QTimer::singleShot(0, this, [this]() { LayoutMore(); });
}

TReportPreview::~TReportPreview() = default;

TReportDocument& TReportPreview::Document() const { return *d->Doc; }

int TReportPreview::CurrentPage() const { return d->View->Page; }

void TReportPreview::ShowPage(int index) {
    d->Doc->LayoutUntil(index + 1);
    const int count = std::max(1, d->Doc->PageCount());
    d->View->Page = std::clamp(index, 0, count - 1);
    d->View->update();
    UpdateLabel();
}

void TReportPreview::UpdateLabel() {
    d->PageLabel->setText(QStringLiteral("Page %1 of %2%3")
                              .arg(d->View->Page + 1)
                              .arg(std::max(1, d->Doc->PageCount()))
                              .arg(d->Doc->Complete() ? QString() : QStringLiteral("+")));
}

void TReportPreview::LayoutMore() {
    if (d->Failed) return;
    QElapsedTimer t;
    t.start();
    if (!Guarded([&]() {
            while (!d->Doc->Complete() && t.elapsed() < LayoutSliceMs) d->Doc->LayoutStep();
        }))
        return;
    UpdateLabel();
    if (!d->Doc->Complete()) QTimer::singleShot(0, this, [this]() { LayoutMore(); });
}

// The rest of a report is read while the window is open: a failure then (the
// connection lost, say) is shown, and the preview closes, since its pages
// would be incomplete.
bool TReportPreview::Guarded(const std::function<void()>& f) {
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        d->Failed = true;
        const QString message = QString::fromUtf8(e.what());
        if (ErrorShower())
            ErrorShower()(message);
        else
            QMessageBox::critical(this, windowTitle(), message);
        close();
        return false;
    }
}

void TReportPreview::Zoom() {
    const QSize s = d->Doc->PageSize();
    if (d->Fit) {
        const QSize room = d->Scroll->viewport()->size() - QSize(16, 16);
        d->View->Scale = std::max(
            0.05, std::min(double(room.width()) / s.width(), double(room.height()) / s.height()));
    } else {
        d->View->Scale = logicalDpiX() / 96.0;
    }
    d->View->Resize();
}

bool TReportPreview::eventFilter(QObject* watched, QEvent* e) {
    // The page fits the room it is shown in, which has its size only after
    // the window's own (at the first show, and without a window manager,
    // later than the window's resize).
    if (watched == d->Scroll->viewport() && e->type() == QEvent::Resize && d->Fit) Zoom();
    return QDialog::eventFilter(watched, e);
}

void TReportPreview::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_PageDown:
            Guarded([this]() { ShowPage(CurrentPage() + 1); });
            return;
        case Qt::Key_PageUp:
            Guarded([this]() { ShowPage(CurrentPage() - 1); });
            return;
        case Qt::Key_Home:
            Guarded([this]() { ShowPage(0); });
            return;
        case Qt::Key_End:
            Guarded([this]() { ShowPage(d->Doc->TotalPages() - 1); });
            return;
        default:
            QDialog::keyPressEvent(e);
    }
}

int TReportPreview::Exec() {
    // The whole screen even where no window manager maximises it.
    if (QScreen* s = screen()) setGeometry(s->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    return exec();
}

bool TReportPreview::SavePdf() {
    QString file = windowTitle().isEmpty() ? QStringLiteral("Report.pdf") : windowTitle() + ".pdf";
    const QString filter = QStringLiteral("PDF files (*.pdf)");
    const QString caption = QStringLiteral("Save");
    bool chosen;
    if (FileAsker()) {
        chosen = FileAsker()(caption, filter, file);
    } else {
        file = QFileDialog::getSaveFileName(this, caption, file, filter);
        chosen = !file.isEmpty();
    }
    if (!chosen || file.isEmpty()) return false;
    if (!file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) file += QStringLiteral(".pdf");
    if (d->Doc->SaveToPdf(file)) return true;
    const QString message = QStringLiteral("Cannot write the file %1.").arg(file);
    if (ErrorShower())
        ErrorShower()(message);
    else
        QMessageBox::critical(this, windowTitle(), message);
    return false;
}

bool TReportPreview::PrintAll() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(windowTitle());
    printer.setFullPage(true);
    bool chosen;
    if (PrinterAsker()) {
        chosen = PrinterAsker()(printer);
    } else {
        QPrintDialog dialog(&printer, this);
        chosen = dialog.exec() == QDialog::Accepted;
    }
    if (!chosen) return false;
    if (d->Doc->PrintOnPrinter(printer)) return true;
    const QString message = QStringLiteral("The printer did not take the pages.");
    if (ErrorShower())
        ErrorShower()(message);
    else
        QMessageBox::critical(this, windowTitle(), message);
    return false;
}
