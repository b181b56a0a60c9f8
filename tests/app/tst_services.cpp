// The one-off data services of TdmMain, each against the real database.

#include <QComboBox>
#include <QtTest>

#include "TClientDataSet.h"
#include "TestSupport.h"
#include "uComboFill.h"
#include "uDmMain.h"
#include "uNumbering.h"
#include "uTemplateCopy.h"

class TstServices : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

private slots:
    void initTestCase() {
        F.Start();
        F.Dm().ExecSQL(
            "INSERT INTO SYS_TREEVIEW (TABLENAME, CAPTION, PARENTID) "
            "VALUES ('TEST_TREE', 'O''Neil''s', 0)");
        F.Dm().ExecSQL(
            "INSERT INTO SYS_TREEVIEW (ID, TABLENAME, CAPTION, PARENTID) "
            "VALUES (500, 'TEST_TREE', 'a\\b', 0)");
    }

    void cleanupTestCase() { F.Stop(); }

    void conditionList_data() {
        QTest::addColumn<QStringList>("conditions");
        QTest::addColumn<QString>("where");
        QTest::newRow("number") << QStringList{"ID", "7"} << "ID = 7";
        QTest::newRow("text and number") << QStringList{"TABLENAME", "\\AR_TRAN", "ID", "3"}
                                         << "TABLENAME = 'AR_TRAN' AND ID = 3";
        QTest::newRow("expression") << QStringList{"ID", "1+2"} << "ID = 1+2";
        // Mended: inner quotes are doubled instead of breaking the statement.
        QTest::newRow("quote") << QStringList{"CAPTION", "\\O'Neil's"} << "CAPTION = 'O''Neil''s'";
        // Mended: only a leading backslash marks text; one inside stays as written.
        QTest::newRow("inner backslash") << QStringList{"ID", "500\\"} << "ID = 500\\";
        QTest::newRow("text with backslash")
            << QStringList{"CAPTION", "\\a\\b"} << "CAPTION = 'a\\b'";
    }

    void conditionList() {
        QFETCH(QStringList, conditions);
        QFETCH(QString, where);
        QCOMPARE(TdmMain::ConditionsToWhere(conditions), where);
        QString sql;
        F.Dm().SQLSelectFieldWhere("CAPTION", "SYS_TREEVIEW", sql, conditions);
        QCOMPARE(sql, "SELECT CAPTION AS Val FROM SYS_TREEVIEW WHERE " + where);
    }

    void selectFieldWhere() {
        QVariant v;
        F.Dm().SelectFieldWhere("caption", "sys_treeview", v, {"ID", "500"});
        QCOMPARE(v.toString(), QString("a\\b"));
        F.Dm().SelectFieldWhere("ID", "SYS_TREEVIEW", v, {"CAPTION", "\\O'Neil's"});
        QVERIFY(v.toInt() > 0);
        F.Dm().SelectFieldWhere("CAPTION", "SYS_TREEVIEW", v, {"CAPTION", "\\a\\b"});
        QCOMPARE(v.toString(), QString("a\\b"));
        // No row: a null value, not an error.
        v = 1;
        F.Dm().SelectFieldWhere("CAPTION", "SYS_TREEVIEW", v, {"ID", "-42"});
        QVERIFY(!v.isValid());
        // A database error reaches the caller with the engine's text.
        try {
            F.Dm().SelectFieldWhere("NOPE", "SYS_TREEVIEW", v, {"ID", "500"});
            QFAIL("unknown column accepted");
        } catch (const EFbError& e) {
            QVERIFY2(e.Message().contains("NOPE"), qPrintable(e.Message()));
        }
    }

    void minOrMax() {
        QCOMPARE(F.Dm().SelectMinOrMaxIntegerWhere("id", "sys_treeview", "MAX",
                                                   {"TABLENAME", "\\TEST_TREE"}),
                 500);
        QCOMPARE(F.Dm().SelectMinOrMaxIntegerWhere("ID", "AR_TRAN", "MAX", {"ID", "ID"}), 0);
        QCOMPARE(F.Dm().SelectMinOrMaxIntegerWhere("ID", "SYS_USER", "MIN", {"1", "1"}), 0);
    }

    void stringFieldById() {
        QCOMPARE(F.Dm().SelectStringFieldById("CODE", "SYS_USER", 0), QString("ADMIN"));
        QCOMPARE(F.Dm().SelectStringFieldById("CODE", "SYS_USER", 999), QString());
    }

    // Keys are consecutive, and one drawn for a failed insert stays used.
    void nextKeys() {
        const int a = F.Dm().GetTableNextKey("AR_ACCT");
        const int b = F.Dm().GetTableNextKey("AR_ACCT");
        QCOMPARE(b, a + 1);
        const int c = F.Dm().GetTableNextKey("SYS_USER");
        QVERIFY_THROWS_EXCEPTION(
            EFbError,
            F.Dm().ExecSQL(QString("INSERT INTO SYS_USER (ID, CODE) VALUES (%1, 'ADMIN')").arg(c)));
        QCOMPARE(F.Dm().GetTableNextKey("SYS_USER"), c + 1);
        QCOMPARE(TdmMain::GetTableNextKeyConn(F.Dm().SQLConn_Main, "AR_ACCT"), b + 1);
        QVERIFY_THROWS_EXCEPTION(EFbError, F.Dm().GetTableNextKey("NO_SUCH_TABLE"));
        // Every generator the schema promises exists.
        for (const char* t : {"CB_TRAN", "IC_BATCH", "SO_DO", "SO_DOTEMPLATE", "SYS_DICT",
                              "SYS_OBJECT", "SYS_TABLEFLAG", "SYS_USER_ACCESS", "AR_TRAN",
                              "IC_ITEM", "AP_ACCT", "CB_ACCT", "SYS_USER_TODO"})
            QVERIFY(F.Dm().GetTableNextKey(t) > 0);
    }

    void fillUserList() {
        F.Dm().ExecSQL("INSERT INTO SYS_USER (ID, CODE, NAME) VALUES (20, 'ZED', 'Zed')");
        F.Dm().ExecSQL("INSERT INTO SYS_USER (ID, CODE, NAME) VALUES (10, 'BOB', 'Bob')");
        QComboBox cb;
        cb.addItem("stale");
        FillComboBoxWithData(3, &cb);
        QCOMPARE(cb.count(), 3);
        QCOMPARE(cb.itemText(0), QString("ADMIN"));
        QCOMPARE(cb.itemText(1), QString("BOB"));
        QCOMPARE(cb.itemText(2), QString("ZED"));
        F.Dm().ExecSQL("DELETE FROM SYS_USER WHERE ID IN (10, 20)");
    }

    void fillFolderList() {
        F.Dm().ExecSQL(
            "INSERT INTO SYS_TREEVIEW (ID, TABLENAME, CAPTION) VALUES (0, 'SO_ORDER', 'Orders')");
        QComboBox cb;
        FillComboBoxWithData(1, &cb);
        QCOMPARE(cb.count(), 1);
        QCOMPARE(cb.itemText(0), QString("0 Orders"));
    }

    void sysObjectServices() {
        F.Dm().ExecSQL(
            "INSERT INTO SYS_OBJECT (ID, OBJECT, FIELD, UDF, UDFTYPE) VALUES "
            "(900, 'AR_ACCT', 'UDF_B', 1, 0)");
        F.Dm().ExecSQL(
            "INSERT INTO SYS_OBJECT (ID, OBJECT, FIELD, UDF, UDFTYPE) VALUES "
            "(901, 'AR_ACCT', 'UDF_A', 1, 0)");
        F.Dm().ExecSQL(
            "INSERT INTO SYS_OBJECT (ID, OBJECT, FIELD, UDF, UDFTYPE) VALUES "
            "(902, 'AR_ACCT', 'UDF_N', 1, 2)");
        QComboBox cb;
        cb.setEditable(true);
        cb.setEditText("typed");
        FillComboBoxWithSysObject(&cb, "AR_ACCT");
        QCOMPARE(cb.count(), 2);
        QCOMPARE(cb.itemText(0), QString("UDF_A"));
        QCOMPARE(cb.currentIndex(), 0);

        QString err = "unchanged";
        QVERIFY(F.Dm().validateLookupField("AR_ACCT", "UDF_A", err));
        QVERIFY(!F.Dm().validateLookupField("AR_ACCT", "udf_a", err));
        QVERIFY(!F.Dm().validateLookupField("AR_ACCT", "", err));
        QVERIFY(!F.Dm().validateLookupField("NO_TABLE", "", err));
        QCOMPARE(err, QString("unchanged"));
    }

    void resetCds() {
        TClientDataSet cds;
        cds.SetConnection(&F.Dm().SQLConn_Main);
        cds.CommandText = "SELECT * FROM SYS_USER";
        cds.SetFilter(TFilter::AnyContains({"CODE"}, "x"));
        cds.SetFiltered(true);
        cds.Open();
        TdmMain::ResetCDS(&cds);
        QVERIFY(!cds.Active());
        QVERIFY(!cds.Filtered());
        QVERIFY(cds.Filter().IsEmpty());
    }

    void templateId() {
        QCOMPARE(F.Dm().SelectSysSoDoTemplateId(), 0);
        F.Dm().UpdateSysSoDoTemplateId(3);
        QCOMPARE(F.Dm().SelectSysSoDoTemplateId(), 3);
        F.Dm().UpdateSysSoDoTemplateId(0);
    }

    // The database function behind pinyin search.
    void pinyinInitials_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("initials");
        QTest::newRow("hanzi") << QString::fromUtf8("张三") << "ZS";
        QTest::newRow("mixed") << QString::fromUtf8("北京 Trading 公司") << "BJ Trading GS";
        QTest::newRow("latin") << QString::fromUtf8("Café 42") << QString::fromUtf8("Café 42");
        QTest::newRow("boundaries") << QString::fromUtf8("啊座") << "AZ";
        QTest::newRow("empty") << ""
                               << "";
    }

    void pinyinInitials() {
        QFETCH(QString, text);
        QFETCH(QString, initials);
        QCOMPARE(F.Dm().SelectValue("SELECT PY(:T) FROM SYS", {{"T", text}}).toString(), initials);
    }

    // The business rules run on any connection and refuse by throwing the
    // database error type with the user's message: they show nothing, write
    // nothing.
    void rulesRefuseByThrowing_data() {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("message");
        QTest::newRow("number of a table without numbering")
            << "number" << Numbering::NoTableNoMessage("NO_SUCH");
        QTest::newRow("copy of a node without template")
            << "copy" << TemplateCopy::CopyFailedMessage(987654);
        QTest::newRow("field of an unknown type") << "create"
                                                  << "Invalid data type specified.";
        QTest::newRow("field not there") << "delete"
                                         << "Cannot find field id in SYS_OBJECT.";
    }

    void rulesRefuseByThrowing() {
        QFETCH(QString, rule);
        QFETCH(QString, message);
        TScriptedMessages msgs;
        TFbConnection conn;
        conn.Open(F.Folder().MainDb());
        const QString before = F.Value("SELECT COUNT(*) FROM SO_DOTEMPLATE") + "/" +
                               F.Value("SELECT COUNT(*) FROM SYS_OBJECT");
        try {
            if (rule == "number") Numbering::GetNextTableNo(conn, "NO_SUCH", 0);
            if (rule == "copy")
                WriteInTransaction(conn, [](TFbTransaction& tra) {
                    TemplateCopy::CopyDoTemplate(tra, 987654, 1, "Copy");
                });
            if (rule == "create") {
                TUdfField f;
                f.Table = "AR_ACCT";
                f.Field = "UDF_X";
                f.Type = UdfImageLink + 1;
                UdfSchema::CreateField(conn, f, "", "", TUdfPrint(), nullptr);
            }
            if (rule == "delete") UdfSchema::DeleteField(conn, 987654);
            QFAIL("not refused");
        } catch (const ERuleRefused& e) {
            QCOMPARE(e.Message(), message);
        }
        QVERIFY(msgs.Take().isEmpty());
        QCOMPARE(F.Value("SELECT COUNT(*) FROM SO_DOTEMPLATE") + "/" +
                     F.Value("SELECT COUNT(*) FROM SYS_OBJECT"),
                 before);
    }

    // Keys of the tables whose rows are saved without one come from the database.
    void databaseAssignedKeys() {
        F.Dm().ExecSQL("INSERT INTO SYS_DICTVAL (DICTID, DICTVAL) VALUES (1, 'x')");
        F.Dm().ExecSQL("INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE) VALUES (1, 1)");
        F.Dm().ExecSQL("INSERT INTO IC_BATCHITEM (IC_BATCH_ID, LINE) VALUES (1, 1)");
        F.Dm().ExecSQL("INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID, \"LEFT\") VALUES (1, 2)");
        QVERIFY(F.Dm().SelectValue("SELECT ID FROM SYS_DICTVAL").toInt() > 0);
        QVERIFY(F.Dm().SelectValue("SELECT ID FROM AR_TRANITEM").toInt() > 0);
        QVERIFY(F.Dm().SelectValue("SELECT ID FROM IC_BATCHITEM").toInt() > 0);
        QVERIFY(F.Dm().SelectValue("SELECT ID FROM SO_DOTEMPLATEFIELD").toInt() > 0);
        // The reference rows of a new database.
        QCOMPARE(F.Dm().SelectValue("SELECT COUNT(*) FROM SYS").toInt(), 1);
        QCOMPARE(F.Dm().SelectValue("SELECT PROGNAME FROM SYS WHERE ID=1").toString(),
                 QString("Tallyvo"));
    }
};

QTEST_MAIN(TstServices)
#include "tst_services.moc"
