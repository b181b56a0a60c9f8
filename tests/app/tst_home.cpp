// The home page as a user sees it after logging in: counts and sums, the
// tasks, the notices (served by a small HTTP server of the test's own on the
// loopback address), the help drop-down and the monthly chart.

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolButton>
#include <QtTest>

#include "TestSupport.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"

namespace {

QStringList Items(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

QStringList Rows(const QTableWidget* t) {
    QStringList out;
    for (int i = 0; i < t->rowCount(); ++i) out << t->item(i, 0)->text();
    return out;
}

// Answers every GET with body, or, silent, never answers.
class TNoticeServer : public QTcpServer {
public:
    explicit TNoticeServer(const QByteArray& body, bool silent = false)
        : FBody(body), FSilent(silent) {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s]() {
                    s->readAll();
                    ++Requests;
                    if (FSilent) return;
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                             QByteArray::number(FBody.size()) + "\r\nConnection: close\r\n\r\n" +
                             FBody);
                    s->disconnectFromHost();
                });
            }
        });
    }
    QString Address() const {
        return QString("http://127.0.0.1:%1/Announcement.txt").arg(serverPort());
    }
    int Requests = 0;

private:
    QByteArray FBody;
    bool FSilent;
};

}  // namespace

class TstHome : public QObject {
    Q_OBJECT

private:
    TProgramFixture FProgram;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;
    TfmDefault* FHome = nullptr;

    void Start(const QString& config = QString()) {
        QVERIFY(FProgram.Start(config));
        FMain = FProgram.Main();
        FDm = FProgram.Dm();
        FHome = FMain->fmDefault();
    }

    void Refresh() { QTest::mouseClick(FHome->sbRefreshToDo, Qt::LeftButton); }

private slots:
    void cleanup() {
        TdmMain::SetToday(QDate());
        TfmDefault::UrlOpener() = nullptr;
        FProgram.Stop();
    }

    // An empty database shows 0 and 0.00; after invoices and a receipt,
    // "Refresh Statistical Data" recalculates what is paid and shows it.
    void statistics() {
        TScriptedMessages msgs;
        Start();
        QCOMPARE(Items(FHome->lb1), (QStringList{"Customers (0) ", "Products (0) ", "Invoices (0) ",
                                                 "Unpaid Invoices (0) "}));
        QCOMPARE(Items(FHome->lb2), (QStringList{"Value Sold (0.00) ", "Value Paid (0.00) ",
                                                 "Value UnPaid (0.00) ", "Value Tax (0.00) "}));
        QVERIFY(FHome->lbDate->text().startsWith("Today is "));
        QVERIFY(FHome->lbDate->text().contains(", for support please email to: "));

        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'a', 'A')");
        FDm->ExecSQL("INSERT INTO IC_ITEM (ID, ITEMNO, NAME) VALUES (1, 'P1', 'P')");
        FDm->ExecSQL("INSERT INTO IC_ITEM (ID, ITEMNO, NAME) VALUES (2, 'P2', 'Q')");
        FDm->ExecSQL("INSERT INTO CB_ACCT (ID, NAME) VALUES (1, 'Cheque')");
        for (int i = 1; i <= 3; ++i)
            FDm->ExecSQL(QString("INSERT INTO AR_TRAN (ID, INVOICENO, AR_ACCT_ID, AR_TRANTYPE_ID, "
                                 "SYS_TREEVIEW_ID, AMTGOODS, AMTTAX, AMTTOTAL, AMTPAID) VALUES "
                                 "(%1, 'I%1', 1, 1, 10, 1000, 100, 1100, 0)")
                             .arg(i));
        // Invoice 1 paid in full, invoice 2 in part; a stale paid amount on 3.
        FDm->ExecSQL(
            "INSERT INTO CB_TRAN (ID, CB_ACCT_ID, AR_TRAN_ID, TRANAMT, "
            "CB_TRANTYPE_FACTOR, SYS_TREEVIEW_ID) VALUES (1, 1, 1, 1100, 1, 10)");
        FDm->ExecSQL(
            "INSERT INTO CB_TRAN (ID, CB_ACCT_ID, AR_TRAN_ID, TRANAMT, "
            "CB_TRANTYPE_FACTOR, SYS_TREEVIEW_ID) VALUES (2, 1, 2, 200.25, 1, 10)");
        FDm->ExecSQL("UPDATE AR_TRAN SET AMTPAID=50 WHERE ID=3");
        Refresh();
        QCOMPARE(Items(FHome->lb1), (QStringList{"Customers (1) ", "Products (2) ", "Invoices (3) ",
                                                 "Unpaid Invoices (2) "}));
        QCOMPARE(Items(FHome->lb2),
                 (QStringList{"Value Sold (3,300.00) ", "Value Paid (1,300.25) ",
                              "Value UnPaid (1,999.75) ", "Value Tax (300.00) "}));
        QCOMPARE(msgs.Take(), QStringList());
    }

    // Today's four tasks, then the rest into "Recent Task" up to four; only
    // the user's own; subjects cut to ten characters and "..." added.
    void tasks() {
        TScriptedMessages msgs;
        Start();
        const QDate today(2026, 12, 10);
        TdmMain::SetToday(today);
        const struct {
            const char* Subject;
            int DaysAhead, User;
        } rows[] = {{"Call", 0, 0},         {"Ship the order", 0, 0}, {"Bank", 0, 0},
                    {"Pay rent", 0, 0},     {"Fifth today", 0, 0},    {"Next week", 7, 0},
                    {"Yesterday's", -1, 0}, {"Old one", -30, 0},      {"Not mine", 0, 1},
                    {"Long ago", -90, 0}};
        int id = 1;
        for (const auto& r : rows)
            FDm->ExecSQL(QString("INSERT INTO SYS_USER_TODO (ID, SYS_USER_ID, SUBJECT, DUEDATE) "
                                 "VALUES (%1, %2, '%3', '%4')")
                             .arg(id++)
                             .arg(r.User)
                             .arg(QString(r.Subject).replace("'", "''"))
                             .arg(today.addDays(r.DaysAhead).toString(Qt::ISODate)));
        Refresh();
        // Latest due first: next week's task, then today's five (four to
        // "Today's Task", the fifth to "Recent Task"), then older ones until
        // the recent list holds four.
        const QStringList todays = Items(FHome->lb3);
        const QStringList recent = Items(FHome->lb4);
        QCOMPARE(todays.size(), 4);
        QCOMPARE(recent.size(), 4);
        const QStringList dueToday = {"Call...", "Ship the o...", "Bank...", "Pay rent...",
                                      "Fifth toda..."};
        QStringList seenToday = todays;
        seenToday << recent[1];
        seenToday.sort();
        QStringList expected = dueToday;
        expected.sort();
        QCOMPARE(seenToday, expected);
        QCOMPARE(recent[0], QString("Next week..."));
        QCOMPARE(recent.mid(2), (QStringList{"Yesterday'...", "Old one..."}));
        QCOMPARE(msgs.Take(), QStringList());
    }

    // Notices from the publisher: slots with a title, address and date are
    // stored (Title2 without Url2 keeps slot 2), the three newest listed; a
    // click opens the address.
    void notices() {
        TScriptedMessages msgs;
        TNoticeServer server(
            "[Title]\nTitle1=Price list 2027\nTitle2=Half a notice\nTitle4=Holiday hours\n"
            "Title5=Oldest\n[Url]\nUrl1=https://example.org/prices\nUrl2=\n"
            "Url4=https://example.org/hours\nUrl5=https://example.org/old\n"
            "[Date]\nDate1=20270105\nDate2=20270301\nDate4=20261224\nDate5=20200101\n");
        Start(TTestFolder::DefaultConfig() + "\n[Web]\nNotices=" + server.Address() + "\n");
        QCOMPARE(FHome->lvA->rowCount(), 3);
        QTest::mouseClick(FHome->sbAnnouncements, Qt::LeftButton);
        QCOMPARE(server.Requests, 1);
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(FDm->SelectValue("SELECT CAPTION FROM SYS_HELP WHERE ID=2").toString(),
                 QString("Lay out your invoice on your own pre-printed paper in Templates"));
        QCOMPARE(Rows(FHome->lvA),
                 (QStringList{"2027-01-05 Price list 2027", "2026-12-24 Holiday hours",
                              "2026-11-20 Lay out your invoice on your own pre-printed paper in "
                              "Templates"}));
        QList<QUrl> opened;
        TfmDefault::UrlOpener() = [&opened](const QUrl& u) { opened << u; };
        QTest::mouseClick(FHome->lvA->viewport(), Qt::LeftButton, {},
                          FHome->lvA->visualItemRect(FHome->lvA->item(1, 0)).center());
        QCOMPARE(opened, QList<QUrl>{QUrl("https://example.org/hours")});
    }

    // A date that is not eight digits stores no slot at all and says which
    // line is wrong; a server that does not answer fails within the time.
    void noticeFailures() {
        TScriptedMessages msgs;
        TNoticeServer bad(
            "[Title]\nTitle1=Good\nTitle3=Bad\n[Url]\nUrl1=https://example.org/a\n"
            "Url3=https://example.org/b\n[Date]\nDate1=20270105\nDate3=2027-1-5\n");
        TNoticeServer silent(QByteArray(), true);
        Start(TTestFolder::DefaultConfig() + "\n[Web]\nNotices=" + bad.Address() + "\n");
        QTest::mouseClick(FHome->sbAnnouncements, Qt::LeftButton);
        QCOMPARE(msgs.Take(),
                 QStringList{"The downloaded notices were not stored: Date3=2027-1-5 is not a "
                             "date written as eight digits (yyyymmdd)."});
        QCOMPARE(FDm->SelectValue("SELECT COUNT(*) FROM SYS_HELP WHERE CAPTION IN ('Good', 'Bad')")
                     .toInt(),
                 0);

        FProgram.Folder().WriteConfig(TTestFolder::DefaultConfig() +
                                      "\n[Web]\nNotices=" + silent.Address() + "\n");
        const int was = TfmDefault::DownloadTimeoutMs;
        TfmDefault::DownloadTimeoutMs = 300;
        QTest::mouseClick(FHome->sbAnnouncements, Qt::LeftButton);
        TfmDefault::DownloadTimeoutMs = was;
        QCOMPARE(silent.Requests, 1);
        QCOMPARE(msgs.Take(), QStringList{"Failed downloading announcements."});
        QCOMPARE(FHome->lvA->rowCount(), 3);  // the stored notices, listed again
    }

    // The chart: the twelve latest of fourteen months with invoices, oldest
    // first, each with its sum; "Refresh Chart" reads them again.
    void chart() {
        TScriptedMessages msgs;
        Start();
        QDate month(2025, 11, 1);
        QStringList periods, sums;
        for (int m = 0; m < 14; ++m, month = month.addMonths(1)) {
            for (int i = 0; i < 2; ++i)
                FDm->ExecSQL(
                    QString("INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, "
                            "AR_TRANTYPE_ID, SYS_TREEVIEW_ID, AMTTOTAL) VALUES (%1, 'I%1', "
                            "'%2', 1, 10, %3)")
                        .arg(m * 10 + i + 1)
                        .arg(month.addDays(i * 10).toString(Qt::ISODate))
                        .arg(1000 + m));
            if (m >= 2) {
                periods << month.toString("yyyyMM");
                sums << QString("2,%1.00").arg(2 * m, 3, 10, QChar('0'));
            }
        }
        QTest::mouseClick(FHome->SpeedButton2, Qt::LeftButton);
        QCOMPARE(FHome->ChartPeriods, periods);
        QCOMPARE(FHome->ChartValues, sums);
        QCOMPARE(msgs.Take(), QStringList());
    }

    // Years of invoices: the figures come from a connection of their own
    // after the page shows, with the paid amounts recalculated; the chart
    // finds the latest months with invoices however far apart they are.
    void yearsOfInvoices() {
        TScriptedMessages msgs;
        Start();
        FDm->SQLConn_Main.ExecuteImmediate(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 20001) DO BEGIN "
            "INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_TRANTYPE_ID, SYS_TREEVIEW_ID, "
            "AMTTOTAL, AMTPAID) VALUES (:I, 'I' || :I, DATEADD(-MOD(:I, 3) YEAR TO DATE "
            "'2026-06-15'), 1, 10, 1, 0); I = I + 1; END END");
        FDm->ExecSQL("UPDATE AR_TRAN SET AMTPAID=1 WHERE ID=7");  // no receipt says so
        const QStringList before = Items(FHome->lb1);
        Refresh();
        QCOMPARE(Items(FHome->lb1), before);  // not yet: the page does not wait for it
        QTRY_COMPARE_WITH_TIMEOUT(Items(FHome->lb1),
                                  (QStringList{"Customers (0) ", "Products (0) ",
                                               "Invoices (20001) ", "Unpaid Invoices (20001) "}),
                                  60000);
        QCOMPARE(Items(FHome->lb2).first(), QString("Value Sold (20,001.00) "));
        QCOMPARE(FDm->SelectValue("SELECT AMTPAID FROM AR_TRAN WHERE ID=7").value<TMoney>(),
                 TMoney(0));
        QTest::mouseClick(FHome->SpeedButton2, Qt::LeftButton);
        QCOMPARE(FHome->ChartPeriods, (QStringList{"202406", "202506", "202606"}));
        QCOMPARE(msgs.Take(), QStringList());

        // A pass the database refuses says why, and the figures the user saw stay.
        const QStringList shown = Items(FHome->lb1), sums = Items(FHome->lb2);
        FDm->ExecSQL("UPDATE AR_TRAN SET AMTPAID=1 WHERE ID=7");
        FDm->SQLConn_Main.ExecuteImmediate("CREATE EXCEPTION E_PAID 'paid amounts are locked'");
        FDm->SQLConn_Main.ExecuteImmediate(
            "CREATE TRIGGER AR_TRAN_PAID_LOCKED FOR AR_TRAN BEFORE UPDATE AS BEGIN "
            "IF (NEW.AMTPAID IS DISTINCT FROM OLD.AMTPAID) THEN EXCEPTION E_PAID; END");
        FDm->ExecSQL("DELETE FROM AR_TRAN WHERE ID=20001");  // figures that would differ
        Refresh();
        QTRY_VERIFY_WITH_TIMEOUT(!msgs.Shown.isEmpty(), 60000);
        const QStringList said = msgs.Take();
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().contains("paid amounts are locked"), qPrintable(said.first()));
        QCOMPARE(Items(FHome->lb1), shown);
        QCOMPARE(Items(FHome->lb2), sums);
    }

    // The help drop-down lists the home page's help rows in their order.
    void helpMenu() {
        TScriptedMessages msgs;
        Start();
        int asked = -1;
        FHome->OnHelpItem = [&asked](int id) { asked = id; };
        QMenu* menu = FHome->PopupHowTo;
        bool seen = false;
        QTimer::singleShot(0, [&]() {
            QTRY_VERIFY(menu->isVisible());
            QStringList captions;
            for (QAction* a : menu->actions()) captions << a->text();
            QCOMPARE(captions,
                     (QStringList{"Getting started", "Entering an invoice", "Recording a receipt",
                                  "Printing invoices && reports"}));
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
            seen = true;
        });
        QTest::mouseClick(FHome->btnHelp, Qt::LeftButton);
        QTRY_VERIFY(seen);
        QCOMPARE(asked, 102);
    }
};

QTEST_MAIN(TstHome)
#include "tst_home.moc"
