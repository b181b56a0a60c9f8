// The dictionary window driven by keyboard and mouse: a value the database
// refuses stays in the edit box to be put right, and Enter in the edit box
// writes nothing.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "TClientDataSet.h"
#include "TestSupport.h"
#include "uDmMain.h"
#include "uSysDict.h"

class TstDictionary : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

    // The values of the "Customer Grade" dictionary as stored.
    QStringList StoredGrades() {
        QStringList values;
        F.Dm().ForEachRow("SELECT DICTVAL FROM SYS_DICTVAL WHERE DICTID=2 ORDER BY ID",
                          [&](const TFbQuery& q) { values << q.AsString("DICTVAL"); });
        return values;
    }

    // The window, shown, on value "B" of "Customer Grade".
    std::unique_ptr<TfmSysDict> OpenOnGradeB() {
        auto d = std::make_unique<TfmSysDict>();
        d->OpenSets();
        d->show();
        if (!d->Dict_CDS->Locate("NAME", "Customer Grade") || !d->Val_CDS->Locate("DICTVAL", "B"))
            qFatal("no grade B");
        return d;
    }

    // Replaces the edit box's text by typing.
    static void TypeValue(TfmSysDict& d, const QString& text) {
        QTest::mouseClick(d.Edit1, Qt::LeftButton);
        QTest::keyClick(d.Edit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(d.Edit1, Qt::Key_Delete);
        QTest::keyClicks(d.Edit1, text);
    }

private slots:
    void init() { F.Start(); }

    void cleanup() { F.Stop(); }

    void refusedValueStaysTyped_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("corrected");  // stored once put right
        QTest::newRow("Modify") << "Modify" << QStringList{"A", "Gold", "C"};
        QTest::newRow("New") << "New" << QStringList{"A", "B", "C", "Gold"};
    }

    void refusedValueStaysTyped() {
        QFETCH(QString, button);
        QFETCH(QStringList, corrected);
        TScriptedMessages msgs;
        auto d = OpenOnGradeB();
        QPushButton* b = button == "Modify" ? d->btnModify : d->btnNew;

        // Longer than the column holds.
        const QString tooLong = "Gold" + QString(120, 'x');
        TypeValue(*d, tooLong);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(msgs.Shown.size(), 1);
        QCOMPARE(msgs.Shown[0].Kind, TMessageService::TKind::Error);
        QCOMPARE(msgs.Shown[0].Text,
                 QString("[Value] The text is too long: at most 100 characters fit, 124 were "
                         "given."));
        msgs.Shown.clear();
        QCOMPARE(d->Edit1->text(), tooLong);
        QCOMPARE(StoredGrades(), (QStringList{"A", "B", "C"}));
        // The grid shows what is stored, still on the row the user was on.
        QCOMPARE(d->Val_CDS->ChangeCount(), 0);
        QCOMPARE(d->Val_CDS->RecordCount(), 3);
        QCOMPARE(d->Val_CDS->FieldByName("DICTVAL")->AsString(), QString("B"));

        // Put right: the surplus typed away, then the same button again.
        d->Edit1->setFocus();
        QTest::keyClick(d->Edit1, Qt::Key_End);
        for (int i = 0; i < 120; ++i) QTest::keyClick(d->Edit1, Qt::Key_Backspace);
        QCOMPARE(d->Edit1->text(), QString("Gold"));
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(StoredGrades(), corrected);
    }

    void enterInValueBoxWritesNothing() {
        TScriptedMessages msgs;
        auto d = OpenOnGradeB();
        TypeValue(*d, "Bronze");
        QTest::keyClick(d->Edit1, Qt::Key_Return);
        QTest::keyClick(d->Edit1, Qt::Key_Enter);
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(StoredGrades(), (QStringList{"A", "B", "C"}));
        QCOMPARE(d->Val_CDS->ChangeCount(), 0);
        QCOMPARE(d->Edit1->text(), QString("Bronze"));
        QVERIFY(d->isVisible());
        // The buttons still write.
        QTest::mouseClick(d->btnModify, Qt::LeftButton);
        QCOMPARE(StoredGrades(), (QStringList{"A", "Bronze", "C"}));
    }
};

QTEST_MAIN(TstDictionary)
#include "tst_dictionary.moc"
