#include "uDefault.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include "EFbError.h"
#include "TDisplayFormat.h"
#include "TFbConnection.h"
#include "TFbQuery.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"
#include "uPaidAmounts.h"

namespace {

const QString kMoneyMask = QStringLiteral("#,###,##0.00");
const QString kChartMask = QStringLiteral("#,##0.00;(#,##0.00)");
constexpr int kNoticeSlots = 8;
constexpr int kNoticesShown = 3;
constexpr int kTasksPerList = 4;

QToolButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

// A heading in the system's highlight colour.
QLabel* Heading(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::Highlight));
    l->setPalette(p);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

}  // namespace

int TfmDefault::DownloadTimeoutMs = 5000;

std::function<void(const QUrl&)>& TfmDefault::UrlOpener() {
    static std::function<void(const QUrl&)> opener = [](const QUrl& url) {
        QDesktopServices::openUrl(url);
    };
    return opener;
}

QString TfmDefault::NoticeAddress() {
    const QString configured = ReadIniValue(ProgramFolder() + TdmMain::ConfigFileName(),
                                            QStringLiteral("Web"), QStringLiteral("Notices"));
    return configured.isEmpty() ? QStringLiteral("https://tallyvo.example.com/Announcement.txt")
                                : configured;
}

QString TfmDefault::SupportEmail() {
    const QString configured = ReadIniValue(ProgramFolder() + TdmMain::ConfigFileName(),
                                            QStringLiteral("Web"), QStringLiteral("Support"));
    return configured.isEmpty() ? QStringLiteral("support@tallyvo.example.com") : configured;
}

TfmDefault::TfmDefault(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fmDefault"));
    setWindowTitle(QStringLiteral("Welcome"));
    SetStandardFont(this);
    auto* layout = new QVBoxLayout(this);
    BuildTitleStrip(layout);
    BuildRefreshStrip(layout);
    auto* body = new QHBoxLayout;
    BuildTaskPanels(body);
    BuildNoticesAndChart(body);
    layout->addLayout(body, 1);
    ConnectCommands();
}

void TfmDefault::BuildTitleStrip(QBoxLayout* layout) {
    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("PanelTitle"));
    strip->setAutoFillBackground(true);
    QPalette pal = strip->palette();
    pal.setColor(QPalette::Window, QColor(0x2b, 0x57, 0x9a));
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::ButtonText, Qt::white);
    strip->setPalette(pal);
    auto* stripLayout = new QHBoxLayout(strip);
    lbChildName = new QLabel(strip);
    lbChildName->setObjectName(QStringLiteral("lbChildName"));
    QFont f = lbChildName->font();
    f.setPointSize(14);
    f.setBold(true);
    lbChildName->setFont(f);
    stripLayout->addWidget(lbChildName);
    stripLayout->addStretch(1);
    btnHelp = Button(strip, "btnHelp", QStringLiteral("Help"));
    PopupHowTo = new QMenu(btnHelp);
    PopupHowTo->setObjectName(QStringLiteral("PopupHowTo"));
    btnHelp->setMenu(PopupHowTo);
    btnHelp->setPopupMode(QToolButton::InstantPopup);
    connect(PopupHowTo, &QMenu::aboutToShow, this,
            [this]() { RunGuarded([this]() { PopupHowToPopup(); }); });
    stripLayout->addWidget(btnHelp);
    // On the home page these do nothing: there is nothing to close.
    stripLayout->addWidget(Button(strip, "btnCloseAll", QStringLiteral("Close All")));
    stripLayout->addWidget(Button(strip, "btnClose", QStringLiteral("Close")));
    for (QToolButton* b : strip->findChildren<QToolButton*>()) b->setAutoRaise(true);
    layout->addWidget(strip);
}

void TfmDefault::BuildRefreshStrip(QBoxLayout* layout) {
    auto* refresh = new QHBoxLayout;
    sbRefreshToDo = Button(this, "sbRefreshToDo", QStringLiteral("Refresh Statistical Data"));
    lbDate = new QLabel(this);
    lbDate->setObjectName(QStringLiteral("lbDate"));
    QPalette datePal = lbDate->palette();
    datePal.setColor(QPalette::WindowText, datePal.color(QPalette::Highlight));
    lbDate->setPalette(datePal);
    refresh->addWidget(sbRefreshToDo);
    refresh->addWidget(lbDate, 1);
    layout->addLayout(refresh);
}

// Four panels down the left, each folded away by its heading.
void TfmDefault::BuildTaskPanels(QBoxLayout* body) {
    auto* left = new QVBoxLayout;
    auto panel = [&](const char* name, const QString& caption) {
        auto* head = Button(this, "", caption);
        head->setObjectName(QString::fromLatin1(name) + QStringLiteral("Heading"));
        head->setCheckable(true);
        head->setChecked(true);
        head->setArrowType(Qt::DownArrow);
        head->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        QPalette hp = head->palette();
        hp.setColor(QPalette::ButtonText, hp.color(QPalette::Highlight));
        head->setPalette(hp);
        auto* list = new QListWidget(this);
        list->setObjectName(QString::fromLatin1(name));
        list->setAccessibleName(caption);
        list->setSelectionMode(QAbstractItemView::NoSelection);
        list->setFixedHeight(list->fontMetrics().lineSpacing() * 4 + 10);
        connect(head, &QToolButton::toggled, list, [head, list](bool open) {
            list->setVisible(open);
            head->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        });
        left->addWidget(head);
        left->addWidget(list);
        return list;
    };
    lb1 = panel("lb1", QStringLiteral("Record Counts"));
    lb2 = panel("lb2", QStringLiteral("Sales Values"));
    lb3 = panel("lb3", QStringLiteral("Today's Task"));
    lb4 = panel("lb4", QStringLiteral("Recent Task"));
    left->addStretch(1);
    auto* leftBox = new QWidget(this);
    leftBox->setLayout(left);
    leftBox->setFixedWidth(260);
    body->addWidget(leftBox);
}

void TfmDefault::BuildNoticesAndChart(QBoxLayout* body) {
    auto* centre = new QVBoxLayout;
    auto* noticeStrip = new QHBoxLayout;
    sbAnnouncements = Button(this, "sbAnnouncements", QStringLiteral("Refresh Notices"));
    noticeStrip->addWidget(sbAnnouncements);
    noticeStrip->addWidget(Heading(this, QStringLiteral("Important Notices")), 1);
    centre->addLayout(noticeStrip);
    lvA = new QTableWidget(0, 1, this);
    lvA->setObjectName(QStringLiteral("lvA"));
    lvA->setAccessibleName(QStringLiteral("Important Notices"));
    lvA->horizontalHeader()->hide();
    lvA->verticalHeader()->hide();
    lvA->horizontalHeader()->setStretchLastSection(true);
    lvA->setShowGrid(true);
    lvA->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvA->setSelectionMode(QAbstractItemView::SingleSelection);
    lvA->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvA->viewport()->setCursor(Qt::PointingHandCursor);
    lvA->setFixedHeight(lvA->verticalHeader()->defaultSectionSize() * kNoticesShown +
                        2 * lvA->frameWidth());
    lvA->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    centre->addWidget(lvA);
    auto* chartStrip = new QHBoxLayout;
    SpeedButton2 = Button(this, "SpeedButton2", QStringLiteral("Refresh Chart"));
    chartStrip->addWidget(SpeedButton2);
    chartStrip->addWidget(Heading(this, QStringLiteral("Monthly Sales Value Chart")), 1);
    centre->addLayout(chartStrip);
    DBChart1 = new QChartView(this);
    DBChart1->setObjectName(QStringLiteral("DBChart1"));
    DBChart1->setRenderHint(QPainter::Antialiasing);
    DBChart1->chart()->legend()->hide();
    // The marks follow the bars whenever the chart lays itself out.
    connect(DBChart1->chart(), &QChart::plotAreaChanged, this, [this]() { PlaceValueMarks(); });
    centre->addWidget(DBChart1, 1);
    body->addLayout(centre, 1);
}

void TfmDefault::ConnectCommands() {
    connect(sbRefreshToDo, &QToolButton::clicked, this,
            [this]() { RunGuarded([this]() { sbRefreshToDoClick(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this]() { RunGuarded([this]() { SpeedButton2Click(); }); });
    connect(sbAnnouncements, &QToolButton::clicked, this,
            [this]() { RunGuarded([this]() { refreshAnnounceMents(true); }); });
    // A click opens a notice, and Enter the current one: once each.
    connect(lvA, &QTableWidget::cellClicked, this, [this](int row) { lvASelectItem(row); });
    lvA->installEventFilter(this);
}

void TfmDefault::SetWelcome(const QString& text) { lbChildName->setText(text); }

void TfmDefault::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (FShown) return;
    FShown = true;
    // The stored notices, no download, and the chart.
    RunGuarded([this]() {
        refreshAnnounceMents(false);
        SpeedButton2Click();
    });
}

// ------------------------------------------------------------ statistics

namespace {

// The home page's figures: counts of customers, products, invoices and unpaid
// invoices, then the invoices' sums. One pass over the invoices: years of
// invoices take a second a pass.
QVariantList HomeFigures(TFbConnection& conn) {
    TFbTransaction tra(conn);
    TFbQuery q(tra, QStringLiteral(
                        "SELECT (SELECT COUNT(*) FROM AR_ACCT), (SELECT COUNT(*) FROM IC_ITEM), "
                        "COUNT(*), COUNT(IIF(AMTTOTAL>AMTPAID, 1, NULL)), SUM(AMTTOTAL), "
                        "SUM(AMTPAID), SUM(AMTTOTAL-AMTPAID), SUM(AMTTAX) FROM AR_TRAN"));
    QVariantList values;
    q.Open();
    for (int i = 0; !q.Eof() && i < q.FieldCount(); ++i) values << q.Value(i);
    return values;
}

}  // namespace

void TfmDefault::sbRefreshToDoClick() {
    QPointer<TfmDefault> self(this);
    auto show = [self](const QVariant& figures) {
        if (!self) return;
        const QVariantList values = figures.toList();
        FillStatsBox(values.mid(0, 4),
                     {QStringLiteral("Customers"), QStringLiteral("Products"),
                      QStringLiteral("Invoices"), QStringLiteral("Unpaid Invoices")},
                     false, self->lb1);
        FillStatsBox(values.mid(4, 4),
                     {QStringLiteral("Value Sold"), QStringLiteral("Value Paid"),
                      QStringLiteral("Value UnPaid"), QStringLiteral("Value Tax")},
                     true, self->lb2);
    };
    if (dmMain()->ManyRows(QStringLiteral("AR_TRAN"))) {
        // Years of invoices: the paid amounts and the figures are worked out
        // on a connection of their own and shown when they come; until then,
        // and when they cannot be worked out, the figures of before stay.
        // A newer refresh replaces one still on its way.
        dmMain()->RunWriterInBackground(
            QStringLiteral("HomeFigures"),
            [](TFbConnection& conn) {
                PaidAmounts::Recalculate(conn);
                return QVariant(HomeFigures(conn));
            },
            show, nullptr, [self]() { return !self.isNull(); });
    } else {
        {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            const auto restore = qScopeGuard([]() { QGuiApplication::restoreOverrideCursor(); });
            dmMain()->RecalculatePaidAmounts();
        }
        show(HomeFigures(dmMain()->SQLConn_Main));
    }
    FillTodoList(lb3, lb4);
    const QDate today = TdmMain::Today();
    const QLocale locale = QLocale::system();
    // The long date without its weekday, which follows it.
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("d{4}[,\\s]*")));
    lbDate->setText(QStringLiteral("Today is ") + locale.toString(today, format.trimmed()) + ' ' +
                    locale.dayName(today.dayOfWeek()) +
                    QStringLiteral(", for support please email to: ") + SupportEmail());
}

void TfmDefault::FillStatsBox(const QVariantList& values, const QStringList& captions, bool money,
                              QListWidget* list) {
    list->clear();
    for (int i = 0; i < captions.size(); ++i) {
        const QVariant v = values.value(i);
        QString text;
        if (money)
            text =
                TDisplayFormat::FormatMoney(kMoneyMask, v.isNull() ? TMoney(0) : v.value<TMoney>());
        else
            text = v.isNull() ? QStringLiteral("0") : v.toString();
        list->addItem(captions.value(i) + " (" + text + ") ");
    }
}

void TfmDefault::FillTodoList(QListWidget* today, QListWidget* recent) {
    today->clear();
    recent->clear();
    const QDate day = TdmMain::Today();
    dmMain()->ForEachRow(
        "SELECT SUBJECT,DUEDATE,SYS_USER_ID FROM SYS_USER_TODO WHERE SYS_USER_ID=" +
            QString::number(dmMain()->Curr_User_ID) + "  ORDER BY DUEDATE DESC",
        [&](const TFbQuery& q) {
            const QString text = q.AsString(QStringLiteral("SUBJECT")).left(10) + "...";
            if (today->count() < kTasksPerList && q.AsDate(QStringLiteral("DUEDATE")) == day)
                today->addItem(text);
            else if (recent->count() < kTasksPerList)
                recent->addItem(text);
        });
}

// ------------------------------------------------------------ chart

void TfmDefault::SpeedButton2Click() {
    ChartPeriods.clear();
    ChartValues.clear();
    QList<double> amounts;
    // The twelve latest months with invoices, shown oldest first. The twelve
    // calendar months up to the newest invoice are those when each of them
    // has invoices; only otherwise are older months looked for, through
    // every invoice.
    const QString latest = QStringLiteral(
        "SELECT PERIOD,AMT FROM (SELECT FIRST 12 EXTRACT(YEAR FROM "
        "INVOICEDATE)*100+EXTRACT(MONTH FROM INVOICEDATE) AS PERIOD,SUM(AMTTOTAL) "
        "AS AMT FROM AR_TRAN %1 GROUP BY 1 ORDER BY 1 DESC) ORDER BY 1");
    const QDate newest = dmMain()->SelectValue("SELECT MAX(INVOICEDATE) FROM AR_TRAN").toDate();
    const QString recent =
        newest.isValid()
            ? "WHERE INVOICEDATE >= '" +
                  QDate(newest.year(), newest.month(), 1).addMonths(-11).toString(Qt::ISODate) + "'"
            : QString();
    QList<std::pair<QString, TMoney>> months;
    for (const QString& where : {recent, QString()}) {
        months.clear();
        dmMain()->ForEachRow(latest.arg(where), [&](const TFbQuery& q) {
            months.append(
                {q.AsString(QStringLiteral("PERIOD")),
                 q.IsNull(QStringLiteral("AMT")) ? TMoney(0) : q.AsMoney(QStringLiteral("AMT"))});
        });
        if (months.size() >= 12 || where.isEmpty()) break;
    }
    for (const auto& [period, amount] : months) {
        ChartPeriods << period;
        ChartValues << TDisplayFormat::FormatMoney(kChartMask, amount);
        amounts << double(amount.Value) / TMoney::Scale;
    }
    QChart* chart = DBChart1->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* a : chart->axes()) {
        chart->removeAxis(a);
        delete a;
    }
    for (QGraphicsItem* i : chart->childItems())
        if (i->data(0).toString() == QLatin1String("mark")) delete i;
    // One colour per bar: one stacked set per month, its value in its own slot.
    auto* series = new QStackedBarSeries;
    static const QColor colors[] = {
        QColor(0x4e, 0x79, 0xa7), QColor(0xf2, 0x8e, 0x2b), QColor(0xe1, 0x57, 0x59),
        QColor(0x76, 0xb7, 0xb2), QColor(0x59, 0xa1, 0x4f), QColor(0xed, 0xc9, 0x48),
        QColor(0xb0, 0x7a, 0xa1), QColor(0xff, 0x9d, 0xa7), QColor(0x9c, 0x75, 0x5f),
        QColor(0xba, 0xb0, 0xac), QColor(0x2f, 0x4b, 0x7c), QColor(0x8c, 0xd1, 0x7d)};
    for (int i = 0; i < amounts.size(); ++i) {
        auto* set = new QBarSet(ChartPeriods[i]);
        for (int j = 0; j < amounts.size(); ++j) *set << (i == j ? amounts[i] : 0.0);
        QColor c = colors[i % 12];
        c.setAlphaF(0.65);  // 35 % transparent
        QLinearGradient g(0, 0, 0, 1);
        g.setCoordinateMode(QGradient::ObjectBoundingMode);
        g.setColorAt(0, c.lighter(140));
        g.setColorAt(1, c);
        set->setBrush(g);
        set->setPen(QPen(c.darker(120)));
        series->append(set);
    }
    chart->addSeries(series);
    auto* axis = new QBarCategoryAxis;
    axis->append(ChartPeriods);
    chart->addAxis(axis, Qt::AlignBottom);
    series->attachAxis(axis);
    // No value axis is shown; a hidden one leaves room above the tallest
    // bar for its mark.
    auto* values = new QValueAxis;
    double top = 0, bottom = 0;
    for (double v : amounts) {
        top = std::max(top, v);
        bottom = std::min(bottom, v);  // a month of credit notes
    }
    values->setRange(bottom * 1.12, top > 0 ? top * 1.12 : 1);
    values->setVisible(false);
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    // The value marks, with the chart's mask.
    for (int i = 0; i < amounts.size(); ++i) {
        auto* mark = new QGraphicsSimpleTextItem(ChartValues[i], chart);
        mark->setData(0, QStringLiteral("mark"));
        mark->setData(1, i);
        mark->setData(2, amounts[i]);
    }
    PlaceValueMarks();
}

void TfmDefault::PlaceValueMarks() {
    QChart* chart = DBChart1->chart();
    const auto series = chart->series();
    if (series.isEmpty()) return;
    for (QGraphicsItem* i : chart->childItems()) {
        if (i->data(0).toString() != QLatin1String("mark")) continue;
        const QPointF top =
            chart->mapToPosition(QPointF(i->data(1).toInt(), i->data(2).toDouble()), series[0]);
        const QRectF r = i->boundingRect();
        i->setPos(top.x() - r.width() / 2, top.y() - r.height() - 2);
    }
}

// ------------------------------------------------------------ notices

bool TfmDefault::GetInetFile(const QString& fileURL, const QString& FileName) {
    QNetworkAccessManager net;
    QNetworkRequest request{QUrl(fileURL)};
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QFileInfo(QApplication::applicationFilePath()).fileName());
    request.setTransferTimeout(DownloadTimeoutMs);
    QNetworkReply* reply = net.get(request);
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timeout.start(DownloadTimeoutMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    const auto done = qScopeGuard([reply]() { reply->deleteLater(); });
    if (reply->error() != QNetworkReply::NoError) return false;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0 && (status < 200 || status >= 300)) return false;
    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EFbError(QStringLiteral("Cannot write %1: %2").arg(FileName, file.errorString()));
    const QByteArray body = reply->readAll();
    if (file.write(body) != body.size() || !file.flush())
        throw EFbError(QStringLiteral("Cannot write %1: %2").arg(FileName, file.errorString()));
    return true;
}

void TfmDefault::refreshAnnounceMents(bool reloadUrl) {
    if (reloadUrl) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        bool got = false;
        {
            const auto restore = qScopeGuard([]() { QApplication::restoreOverrideCursor(); });
            const QString file = ProgramFolder() + QStringLiteral("Announcement.txt");
            got = GetInetFile(NoticeAddress(), file);
            if (got) StoreNotices(file);
        }
        if (!got) ShowInformation(QStringLiteral("Failed downloading announcements."));
    }
    lvA->setRowCount(0);
    dmMain()->ForEachRow(
        "SELECT FIRST " + QString::number(kNoticesShown) + " * FROM SYS_HELP WHERE TABLENAME=" +
            TdmMain::QuotedStr(QStringLiteral("SYS")) + " ORDER BY CREATEDATE DESC",
        [this](const TFbQuery& q) {
            const int row = lvA->rowCount();
            lvA->insertRow(row);
            const QDate date = q.AsDate(QStringLiteral("CREATEDATE"));
            auto* item = new QTableWidgetItem(date.toString(QStringLiteral("yyyy-MM-dd")) + ' ' +
                                              q.AsString(QStringLiteral("CAPTION")));
            item->setData(Qt::UserRole, q.AsInteger(QStringLiteral("ID")));
            item->setData(Qt::UserRole + 1, q.AsString(QStringLiteral("CAPTION")));
            item->setData(Qt::UserRole + 2, q.AsString(QStringLiteral("URL")));
            item->setData(Qt::UserRole + 3, date);
            lvA->setItem(row, 0, item);
        });
}

void TfmDefault::StoreNotices(const QString& file) {
    struct TSlot {
        int Id;
        QString Title, Url;
        QDate Date;
    };
    std::vector<TSlot> notices;
    // Every slot is checked before any is written: a bad line changes nothing.
    for (int n = 1; n <= kNoticeSlots; ++n) {
        const QString title =
            ReadIniValue(file, QStringLiteral("Title"), "Title" + QString::number(n));
        const QString url = ReadIniValue(file, QStringLiteral("Url"), "Url" + QString::number(n));
        const QString date =
            ReadIniValue(file, QStringLiteral("Date"), "Date" + QString::number(n));
        if (title.isEmpty() || url.isEmpty() || date.isEmpty()) continue;
        static const QRegularExpression eight(QStringLiteral("^\\d{8}$"));
        const QDate d(date.left(4).toInt(), date.mid(4, 2).toInt(), date.mid(6, 2).toInt());
        if (!eight.match(date).hasMatch() || !d.isValid()) {
            throw EFbError(
                QStringLiteral("The downloaded notices were not stored: Date%1=%2 is not "
                               "a date written as eight digits (yyyymmdd).")
                    .arg(n)
                    .arg(date));
        }
        notices.push_back({n, title, url, d});
    }
    WriteInTransaction(dmMain()->SQLConn_Main, [&](TFbTransaction& tra) {
        TFbQuery q(tra,
                   QStringLiteral(
                       "UPDATE SYS_HELP SET CAPTION=:CAP, URL=:URL, CREATEDATE=:CD WHERE ID=:ID"));
        for (const TSlot& s : notices) {
            q.SetParam(QStringLiteral("CAP"), s.Title);
            q.SetParam(QStringLiteral("URL"), s.Url);
            q.SetParam(QStringLiteral("CD"), s.Date);
            q.SetParam(QStringLiteral("ID"), s.Id);
            q.Execute();
        }
    });
}

bool TfmDefault::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvA && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lvASelectItem(lvA->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfmDefault::lvASelectItem(int row) {
    const QTableWidgetItem* item = lvA->item(row, 0);
    if (!item) return;
    const QString url = item->data(Qt::UserRole + 2).toString();
    if (!url.isEmpty() && UrlOpener()) UrlOpener()(QUrl(url));
}

// ------------------------------------------------------------ help

void TfmDefault::PopupHowToPopup() {
    if (!PopupHowTo->isEmpty()) return;
    dmMain()->ForEachRow("SELECT * FROM SYS_HELP WHERE TABLENAME=" +
                             TdmMain::QuotedStr(QStringLiteral("SYS_DEFAULT")) +
                             " ORDER BY SORTORDER",
                         [this](const TFbQuery& q) {
                             const int id = q.AsInteger(QStringLiteral("ID"));
                             // No accelerators: an "&" in a caption is shown as it is.
                             QString caption = q.AsString(QStringLiteral("CAPTION"));
                             caption.replace('&', QStringLiteral("&&"));
                             QAction* a = PopupHowTo->addAction(caption);
                             a->setData(id);
                             connect(a, &QAction::triggered, this, [this, id]() {
                                 if (OnHelpItem) OnHelpItem(id);
                             });
                         });
}
