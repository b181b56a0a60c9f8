// Searching a browser's rows as a user does: the search panel's two
// conditions, saved searches, and the "Filter" drop-down of the date column.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "TClientDataSet.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"

namespace {

QStringList Column(TClientDataSet* cds, const char* field) {
    QStringList out;
    for (int r = 0; r < cds->RecordCount(); ++r)
        out << cds->ValueAt(r, cds->FieldByName(field)).toString();
    out.sort();
    return out;
}

// Chooses the entry captioned text of a drop-down with the keyboard.
void Choose(QComboBox* box, const QString& text) {
    const int target = box->findText(text);
    QVERIFY2(target >= 0, qPrintable(text));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    while (box->currentIndex() < target) QTest::keyClick(box, Qt::Key_Down);
}

}  // namespace

class TstSearch : public QObject {
    Q_OBJECT

private:
    TProgramFixture FProgram;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;

    void Customer(int id, const QString& nick, const QString& name, const QDate& created) {
        FDm->ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, CREATEDATE, SYS_TREEVIEW_ID) "
            "VALUES (:ID, :NICK, :NAME, :D, 2)",
            {{"ID", id}, {"NICK", nick}, {"NAME", name}, {"D", created}});
    }

    TfmCust* Customers() {
        FMain->Command("CustRelation_Cust")->trigger();
        return FMain->fmCust;
    }

    // The search panel, by its button on the navigation pane.
    void OpenSearch(TfmChild* w) {
        QTest::mouseClick(w->Part<QToolButton>("btnLeftFind"), Qt::LeftButton);
    }

    void Condition1(TfmChild* w, const QString& column, const QString& op, const QString& value) {
        Choose(w->Part<QComboBox>("cbCon1"), column);
        Choose(w->Part<QComboBox>("cbSign1"), op);
        Retype(w->Part<QLineEdit>("edVal1"), value);
    }

private slots:
    void init() {
        QVERIFY(FProgram.Start());
        FMain = FProgram.Main();
        FDm = FProgram.Dm();
    }

    void cleanup() {
        TdmMain::SetToday(QDate());
        FProgram.Stop();
    }

    // A typed quote or percent sign is found as typed; both conditions with
    // "Or"; nothing found says so; letters for a number say why.
    void valuesAsTyped() {
        TScriptedMessages msgs;
        const QDate d(2026, 12, 1);
        Customer(1, "obrien", "O'Brien 50% Ltd", d);
        Customer(2, "obrien2", "O Brien 500 Ltd", d);
        Customer(3, "under", "Under_score", d);
        Customer(4, "undertaker", "Underwood", d);
        TfmCust* w = Customers();
        OpenSearch(w);
        Condition1(w, "Name", "Contains", "50%");
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        QCOMPARE(Column(w->Child_CDS, "NAME"), QStringList{"O'Brien 50% Ltd"});
        QCOMPARE(w->Part<QComboBox>("cbCon1")->currentText(),
                 QString("Name"));  // kept after the search
        Condition1(w, "Name", "Contains", "O'Brien");
        QTest::keyClick(w->Part<QLineEdit>("edVal1"), Qt::Key_Return);
        QCOMPARE(Column(w->Child_CDS, "NAME"), QStringList{"O'Brien 50% Ltd"});
        Condition1(w, "Name", "Contains", "r_s");
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        QCOMPARE(Column(w->Child_CDS, "NAME"), QStringList{"Under_score"});
        QCOMPARE(msgs.Take(), QStringList());

        // Two conditions joined with "Or"; "Equals To" finds the whole text.
        Condition1(w, "Name", "Equals To", "Underwood");
        Choose(w->Part<QComboBox>("cbAndOr"), "Or Below Condition");
        w->Part<QComboBox>("cbAndOr")->activated(w->Part<QComboBox>("cbAndOr")->currentIndex());
        QCOMPARE(w->Part<QComboBox>("cbSign2")->currentText(), QString("Less Than or Equals To"));
        Choose(w->Part<QComboBox>("cbCon2"), "Name");
        Choose(w->Part<QComboBox>("cbSign2"), "Contains");
        Retype(w->Part<QLineEdit>("edVal2"), "Brien 5");
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        QCOMPARE(Column(w->Child_CDS, "NAME"),
                 (QStringList{"O Brien 500 Ltd", "O'Brien 50% Ltd", "Underwood"}));

        Condition1(w, "Name", "Equals To", "Nobody");
        Choose(w->Part<QComboBox>("cbAndOr"), "Above Condition Only");
        w->Part<QComboBox>("cbAndOr")->activated(0);
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"No record found"});

        Retype(w->Part<QLineEdit>("edVal1"), "");
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"Condition 1 cannot be empty"});
    }

    // A lookup column is searched by the text it shows: invoices by their
    // customer's short name.
    void lookupByText() {
        TScriptedMessages msgs;
        const QDate d(2026, 12, 1);
        Customer(1, "acme", "Acme Ltd", d);
        Customer(2, "bolt", "Bolt Co", d);
        for (int i = 1; i <= 3; ++i)
            FDm->ExecSQL(QString("INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, "
                                 "AR_TRANTYPE_ID, SYS_TREEVIEW_ID) VALUES (%1, 'INV-%1', "
                                 "'2026-12-01', %2, 1, 10)")
                             .arg(i)
                             .arg(i == 2 ? 2 : 1));
        FMain->Command("Ar_Tran")->trigger();
        TfmArTran* w = FMain->fmArTran;
        OpenSearch(w);
        Condition1(w, "Customer", "Contains", "ACM");
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"No record found"});  // case matters as stored
        Condition1(w, "Customer", "Equals To", "bolt");
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        QCOMPARE(Column(w->Child_CDS, "INVOICENO"), QStringList{"INV-2"});
        // A value the column cannot take says why.
        Condition1(w, "Date", "Equals To", "not a date");
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("Error happend due to mismatched data type provided: "),
                 qPrintable(shown[0]));
    }

    // A search saved under a name (cut to 30 characters), recalled from the
    // list, refused under a name already listed, deleted.
    void savedSearches() {
        TScriptedMessages msgs;
        Customer(1, "acme", "Acme Ltd", QDate(2026, 12, 1));
        TfmCust* w = Customers();
        OpenSearch(w);
        QVERIFY(!w->Part<QPushButton>("btnFilterDel")->isEnabled());
        Condition1(w, "Name", "Contains", "Acme");
        const QString longName = "Customers named like Acme, saved";  // 32 characters
        msgs.InputValues << longName;
        QTest::mouseClick(w->Part<QPushButton>("btnFilterNew"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"Please enter filter name: Please enter filter name"});
        QCOMPARE(w->Part<QListWidget>("lbFilter")->count(), 1);
        QCOMPARE(w->Part<QListWidget>("lbFilter")->item(0)->text(), longName.left(30));
        QCOMPARE(FDm->SelectValue("SELECT FIELD1 || '|' || SIGN1 || '|' || VALUE1_VARCHAR || '|' "
                                  "|| ANDOR FROM SYS_FILTER WHERE TABLENAME='AR_ACCT'")
                     .toString(),
                 QString("NAME|LIKE|Acme|IGNORE"));
        msgs.InputValues << longName;
        QTest::mouseClick(w->Part<QPushButton>("btnFilterNew"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), (QStringList{"Please enter filter name: Please enter filter name",
                                           QString::fromUtf8("该邮件过滤器名字已经存在")}));

        // Recalled: the conditions come back; a double click searches.
        Condition1(w, "Short Name", "Equals To", "zzz");
        QListWidget* list = w->Part<QListWidget>("lbFilter");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QCOMPARE(w->Part<QComboBox>("cbCon1")->currentText(), QString("Name"));
        QCOMPARE(w->Part<QComboBox>("cbSign1")->currentText(), QString("Contains"));
        QCOMPARE(w->Part<QLineEdit>("edVal1")->text(), QString("Acme"));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                           list->visualItemRect(list->item(0)).center());
        QCOMPARE(Column(w->Child_CDS, "NAME"), QStringList{"Acme Ltd"});

        msgs.Answers << true;
        QTest::mouseClick(w->Part<QPushButton>("btnFilterDel"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete:" + longName.left(30)});
        QCOMPARE(w->Part<QListWidget>("lbFilter")->count(), 0);
        QVERIFY(!w->Part<QPushButton>("btnFilterDel")->isEnabled());
        QCOMPARE(FDm->SelectValue("SELECT COUNT(*) FROM SYS_FILTER").toInt(), 0);
    }

    // A name is saved without the blanks around it and cut to 30 whole
    // characters; a name the database would not tell apart from a saved one
    // is refused, so a delete removes exactly the row listed.
    void savedSearchNames_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");  // typed for a second save; empty: none
        QTest::addColumn<QString>("saved");
        const QString refused = QString::fromUtf8("该邮件过滤器名字已经存在");
        QTest::newRow("trailing blanks") << "Mine"
                                         << "Mine  "
                                         << "Mine";
        QTest::newRow("blanks around") << "  Mine "
                                       << "Mine"
                                       << "Mine";
        const QString a29(29, QLatin1Char('a'));
        QTest::newRow("emoji at the cut") << a29 + QString::fromUtf8("\U0001F600") + "x"
                                          << QString() << a29 + QString::fromUtf8("\U0001F600");
    }

    void savedSearchNames() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, saved);
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        OpenSearch(w);
        Condition1(w, "Name", "Contains", "Acme");
        const QString prompt = "Please enter filter name: Please enter filter name";
        msgs.InputValues << first;
        QTest::mouseClick(w->Part<QPushButton>("btnFilterNew"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{prompt});
        if (!second.isEmpty()) {
            msgs.InputValues << second;
            QTest::mouseClick(w->Part<QPushButton>("btnFilterNew"), Qt::LeftButton);
            QCOMPARE(msgs.Take(),
                     (QStringList{prompt, QString::fromUtf8("该邮件过滤器名字已经存在")}));
        }
        QCOMPARE(w->Part<QListWidget>("lbFilter")->count(), 1);
        QCOMPARE(w->Part<QListWidget>("lbFilter")->item(0)->text(), saved);
        QCOMPARE(FDm->SelectValue("SELECT COUNT(*) FROM SYS_FILTER").toInt(), 1);
        QCOMPARE(FDm->SelectValue("SELECT NAME || '|' FROM SYS_FILTER").toString(), saved + "|");

        msgs.Answers << true;
        QTest::mouseClick(w->Part<QPushButton>("btnFilterDel"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete:" + saved});
        QCOMPARE(w->Part<QListWidget>("lbFilter")->count(), 0);
        QCOMPARE(FDm->SelectValue("SELECT COUNT(*) FROM SYS_FILTER").toInt(), 0);
    }

    // The "Filter" drop-down on the date column: today, this week from
    // Monday (on a Sunday, six days back), this month from the first.
    void quickDateFilter() {
        TScriptedMessages msgs;
        const QDate sunday(2026, 11, 29);
        TdmMain::SetToday(sunday);
        Customer(1, "a", "Sunday", sunday);
        Customer(2, "b", "Monday", QDate(2026, 11, 23));
        Customer(3, "c", "Last Sunday", QDate(2026, 11, 22));
        Customer(4, "d", "First", QDate(2026, 11, 1));
        Customer(5, "e", "October", QDate(2026, 10, 31));
        TfmCust* w = Customers();
        QTRY_VERIFY(w->Part<QToolButton>("btnFilter")
                        ->isVisible());  // once the tool bar has laid itself out
        auto filter = [&](const QString& item) {
            ChooseInNextMenu(w->Part<QMenu>("PopupFilter"), {item});
            QTest::mouseClick(w->Part<QToolButton>("btnFilter"), Qt::LeftButton);
            return Column(w->Child_CDS, "NAME");
        };
        QCOMPARE(filter("Today's New Customers"), QStringList{"Sunday"});
        QCOMPARE(w->StatusPanel(2)->text(), QString("Filtered By: Today's New Customers"));
        QCOMPARE(filter("This Week's New Customers"), (QStringList{"Monday", "Sunday"}));
        QCOMPARE(filter("This Month's New Customers"),
                 (QStringList{"First", "Last Sunday", "Monday", "Sunday"}));
        QCOMPARE(filter("None").size(), 5);
        QCOMPARE(w->StatusPanel(2)->text(), QString("Filtered By: "));
        // On a Monday, only that day on.
        TdmMain::SetToday(QDate(2026, 11, 23));
        QCOMPARE(filter("This Week's New Customers"), (QStringList{"Monday", "Sunday"}));
        QCOMPARE(msgs.Take(), QStringList());
    }
};

QTEST_MAIN(TstSearch)
#include "tst_search.moc"
