// The Firebird client layer against the real embedded engine: typed
// parameters and results, exact money, text blobs, the engine's error texts,
// and the script splitter the database builder relies on.

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "EFbError.h"
#include "TFbConnection.h"
#include "TFbQuery.h"
#include "TMoney.h"
#include "TSqlScript.h"

class TstFbClient : public QObject {
    Q_OBJECT

private:
    QTemporaryDir FDir;
    TFbConnection FConn;

    void Exec(const QString& sql) { FConn.ExecuteImmediate(sql); }

private slots:
    void initTestCase() {
        const QString path = FDir.path() + "/t.fdb";
        TFbConnection::CreateDatabase(path);
        FConn.Open(path);
        Exec(
            "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, AMT NUMERIC(18,4), "
            "AMT2 NUMERIC(18,2), F DOUBLE PRECISION, S VARCHAR(50), C CHAR(10), "
            "D DATE, TM TIME, TS TIMESTAMP, B BOOLEAN, M BLOB SUB_TYPE TEXT, BI BIGINT)");
    }

    void cleanup() { Exec("DELETE FROM T"); }

    void moneyText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qlonglong>("value");
        QTest::newRow("max") << "922337203685477.5807" << true << qlonglong(INT64_MAX);
        QTest::newRow("min") << "-922337203685477.5808" << true << qlonglong(INT64_MIN);
        QTest::newRow("overflow") << "922337203685477.5808" << false << 0LL;
        QTest::newRow("plain") << "12.3456" << true << 123456LL;
        QTest::newRow("short fraction") << "-0.5" << true << -5000LL;
        QTest::newRow("integer") << "+7" << true << 70000LL;
        QTest::newRow("five decimals") << "1.23456" << false << 0LL;
        QTest::newRow("letters") << "12a" << false << 0LL;
        QTest::newRow("two points") << "1.2.3" << false << 0LL;
        QTest::newRow("empty") << "" << false << 0LL;
        QTest::newRow("sign only") << "-" << false << 0LL;
    }

    void moneyText() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(qlonglong, value);
        TMoney m(-1);
        QCOMPARE(TMoney::FromString(text, m), ok);
        if (ok) {
            QCOMPARE(qlonglong(m.Value), value);
            TMoney back;
            QVERIFY(TMoney::FromString(m.ToString(), back));
            QCOMPARE(back, m);
        } else {
            QCOMPARE(m.Value, int64_t(-1));  // left unchanged
        }
    }

    // Conversions and arithmetic that would leave the range say so instead
    // of wrapping; inside it they round as before (halves away from zero).
    void checkedMoney() {
        TMoney m(-1);
        QVERIFY(TMoney::TryFromDouble(2.675, m) && m == TMoney(26750));
        QVERIFY(TMoney::TryFromDouble(-0.00005, m) && m == TMoney(-1));
        QVERIFY(TMoney::TryFromDouble(1e14, m) && m == TMoney(1000000000000000000));
        m = TMoney(-1);
        for (double bad : {1e15, -1e15, 9223372036854775808.0 / 10000, std::nan(""), HUGE_VAL})
            QVERIFY2(!TMoney::TryFromDouble(bad, m) && m == TMoney(-1),
                     qPrintable(QString::number(bad)));
        QVERIFY(!TMoney::TryFromTenThousandths(9223372036854775808.0, m));
        QVERIFY(TMoney::TryFromTenThousandths(-9223372036854775808.0, m) && m == TMoney::Min());
        QVERIFY(TMoney::TryFromUnits(922337203685477, m) && m == TMoney(9223372036854770000));
        QVERIFY(!TMoney::TryFromUnits(922337203685478, m));
        QVERIFY(!TMoney::TryFromUnits(INT64_MIN, m));
        QVERIFY_THROWS_EXCEPTION(EMoneyOverflow, TMoney::FromUnits(-922337203685478));
        QVERIFY_THROWS_EXCEPTION(EMoneyOverflow, TMoney::FromVariant(QVariant(1e16)));
        QVERIFY(!TMoney::TryAdd(TMoney::Max(), TMoney(1), m));
        QVERIFY(!TMoney::TrySubtract(TMoney::Min(), TMoney(1), m));
        QVERIFY(TMoney::TryAdd(TMoney::Max(), TMoney(-1), m) && m == TMoney(INT64_MAX - 1));
        QVERIFY_THROWS_EXCEPTION(EMoneyOverflow, TMoney::Max() + TMoney(1));
        QVERIFY_THROWS_EXCEPTION(EMoneyOverflow, TMoney(0) - TMoney::Min());
    }

    // Money goes in and out of NUMERIC(18,4) exactly, at the edges too.
    void moneyRoundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("issue value") << "92233720368547.7580";
        QTest::newRow("negative") << "-92233720368547.7580";
        QTest::newRow("cent") << "0.0001";
        QTest::newRow("twelve") << "12.3456";
    }

    void moneyRoundTrip() {
        QFETCH(QString, text);
        TMoney m;
        QVERIFY(TMoney::FromString(text, m));
        {
            TFbTransaction tra(FConn);
            TFbQuery ins(tra, "INSERT INTO T (ID, AMT) VALUES (1, :AMT)");
            ins.SetParam("AMT", QVariant::fromValue(m));
            ins.Execute();
            tra.Commit();
        }
        TFbTransaction tra(FConn);
        TFbQuery q(tra, "SELECT AMT, CAST(AMT AS VARCHAR(30)) AS TXT FROM T");
        q.Open();
        QCOMPARE(q.AsMoney("AMT"), m);
        QCOMPARE(q.AsString("TXT"), text);  // the engine stored exactly that
        QCOMPARE(q.Value("AMT").value<TMoney>().ToString(), text);
    }

    // Every parameter kind reaches its column and comes back as typed.
    void typedParamsAndResults() {
        const QDate d(2026, 2, 28);
        const QTime t(13, 45, 59, 120);
        const QDateTime ts(QDate(1999, 12, 31), QTime(23, 59, 58));
        const QString memo =
            QString::fromUtf8("第一行\nsecond line — ünïcode ") + QString(70000, 'x');
        {
            TFbTransaction tra(FConn);
            TFbQuery q(tra,
                       "INSERT INTO T (ID, AMT2, F, S, C, D, TM, TS, B, M, BI) VALUES "
                       "(:ID, :A2, :F, :S, :C, :D, :TM, :TS, :B, :M, :BI)");
            q.SetParam("ID", 5);
            q.SetParam("A2", QVariant::fromValue(TMoney(123400)));  // 12.34
            q.SetParam("F", 0.1);
            q.SetParam("S", QString::fromUtf8("O'Brien 张三"));
            q.SetParam("C", "ab");
            q.SetParam("D", d);
            q.SetParam("TM", t);
            q.SetParam("TS", ts);
            q.SetParam("B", true);
            q.SetParam("M", memo);
            q.SetParam("BI", qlonglong(1) << 40);
            q.Execute();
            tra.Commit();
        }
        TFbTransaction tra(FConn);
        TFbQuery q(tra, "SELECT * FROM T WHERE ID = :ID");
        q.SetParam("ID", 5);
        q.Open();
        QVERIFY(!q.Eof());
        QCOMPARE(q.AsInteger("id"), 5);  // names match without regard to case
        QCOMPARE(q.AsMoney("AMT2"), TMoney(123400));
        QVERIFY(q.IsNull("AMT"));
        QCOMPARE(q.AsDouble("F"), 0.1);
        QCOMPARE(q.AsString("S"), QString::fromUtf8("O'Brien 张三"));
        QCOMPARE(q.AsString("C"), QString("ab"));  // CHAR padding is not data
        QCOMPARE(q.AsDate("D"), d);
        QCOMPARE(q.AsTime("TM"), t);
        QCOMPARE(q.AsDateTime("TS"), ts);
        QCOMPARE(q.AsBoolean("B"), true);
        QCOMPARE(q.AsString("M"), memo);
        QCOMPARE(q.AsInt64("BI"), qlonglong(1) << 40);
        QCOMPARE(q.Column(q.FieldIndex("AMT")).Kind, TFbType::Money);
        QCOMPARE(q.Column(q.FieldIndex("M")).Kind, TFbType::Memo);
        QCOMPARE(q.Column(q.FieldIndex("S")).Relation, QString("T"));
        QVERIFY(!q.Next());
        QVERIFY(q.Eof());
    }

    void nullsAndRepeatedNames() {
        TFbTransaction tra(FConn);
        TFbQuery ins(tra, "INSERT INTO T (ID, S, D, M) VALUES (:ID, :S, :D, :M)");
        ins.SetParam("ID", 1);
        ins.SetParam("S", QVariant());
        ins.SetParam("D", QVariant());
        ins.SetParam("M", QVariant());
        ins.Execute();
        TFbQuery q(tra, "SELECT ID FROM T WHERE ID = :X OR ID = :X + 100 OR S = ':NOT_A_PARAM'");
        QCOMPARE(q.ParamCount(), 2);
        q.SetParam("X", 1);
        q.Open();
        QCOMPARE(q.AsInteger("ID"), 1);
        TFbQuery all(tra, "SELECT S, D, M FROM T");
        all.Open();
        QVERIFY(all.IsNull("S") && all.IsNull("D") && all.IsNull("M"));
        QVERIFY(!all.Value("S").isValid());
        QCOMPARE(all.AsString("S"), QString());
        // A forgotten parameter is an error, not a silent null.
        TFbQuery missing(tra, "SELECT ID FROM T WHERE ID = :ID");
        QVERIFY_THROWS_EXCEPTION(EFbError, missing.Open());
        QVERIFY_THROWS_EXCEPTION(EFbError, missing.SetParam("NOPE", 1));
    }

    // The engine's own message reaches the caller, and the failed statement
    // leaves nothing behind.
    void engineErrorTexts() {
        Exec("INSERT INTO T (ID) VALUES (1)");
        try {
            Exec("INSERT INTO T (ID) VALUES (1)");
            QFAIL("duplicate key accepted");
        } catch (const EFbError& e) {
            QVERIFY2(e.Message().contains("violation of PRIMARY or UNIQUE KEY constraint"),
                     qPrintable(e.Message()));
            QVERIFY(e.Message().contains("Problematic key value is (\"ID\" = 1)"));
            QVERIFY(e.Code() != 0);
        }
        try {
            TFbTransaction tra(FConn);
            TFbQuery q(tra, "SELECT NOPE FROM T");
            QFAIL("unknown column accepted");
        } catch (const EFbError& e) {
            QVERIFY2(e.Message().contains("Column unknown"), qPrintable(e.Message()));
        }
        {
            TFbTransaction tra(FConn);
            TFbQuery q(tra, "INSERT INTO T (ID) VALUES (2)");
            q.Execute();
            // not committed: rolled back with the transaction
        }
        TFbTransaction tra(FConn);
        TFbQuery q(tra, "SELECT COUNT(*) FROM T");
        q.Open();
        QCOMPARE(q.AsInt64(0), 1LL);
    }

    void openingAMissingDatabaseFails() {
        TFbConnection c;
        try {
            c.Open(FDir.path() + "/nope.fdb");
            QFAIL("opened a missing file");
        } catch (const EFbError& e) {
            QVERIFY2(!e.Message().isEmpty(), "no engine text");
        }
        QVERIFY(!c.Connected());
    }

    void scriptSplitting() {
        const QString script =
            "-- a comment; with a semicolon\n"
            "CREATE TABLE A (X VARCHAR(10) DEFAULT ';');\n"
            "/* block; comment */ INSERT INTO A VALUES ('it''s;');\n"
            "SET TERM ^ ;\n"
            "CREATE PROCEDURE P AS DECLARE V INTEGER; BEGIN V = 1; END^\n"
            "SET TERM ; ^\n"
            "COMMIT;\n"
            "SELECT \"a;b\" FROM A";
        const QStringList parts = TSqlScript::Split(script);
        QCOMPARE(parts.size(), 4);
        QCOMPARE(parts[0], QString("CREATE TABLE A (X VARCHAR(10) DEFAULT ';')"));
        QCOMPARE(parts[1], QString("INSERT INTO A VALUES ('it''s;')"));
        QCOMPARE(parts[2], QString("CREATE PROCEDURE P AS DECLARE V INTEGER; BEGIN V = 1; END"));
        QCOMPARE(parts[3], QString("SELECT \"a;b\" FROM A"));
    }

    // A text longer than any VARCHAR (its length does not fit the 16 bits of
    // one) is stored whole in a text blob, and refused by the engine for a
    // short column, never cut.
    void longTextParameters() {
        QString text;
        for (int i = 0; text.size() < 70000; ++i) text += QString::number(i % 10);
        {
            TFbTransaction tra(FConn);
            TFbQuery ins(tra, "INSERT INTO T (ID, M) VALUES (1, :M)");
            ins.SetParam("M", text);
            ins.Execute();
            TFbQuery upd(tra, "UPDATE T SET M = ? || 'x' WHERE ID = 1", false);
            upd.SetParam(0, text.left(65536));
            upd.Execute();
            tra.Commit();
        }
        {
            TFbTransaction tra(FConn);
            TFbQuery q(tra, "SELECT M, CHAR_LENGTH(M) AS N FROM T");
            q.Open();
            QCOMPARE(q.AsInteger("N"), 65537);
            QVERIFY(q.AsString("M") == text.left(65536) + 'x');
        }
        for (int length : {65536, 66036}) {
            TFbTransaction tra(FConn);
            TFbQuery q(tra, "UPDATE T SET S = :S WHERE ID = 1");
            q.SetParam("S", text.left(length));
            try {
                q.Execute();
                QFAIL("a text too long for the column was accepted");
            } catch (const EFbError& e) {
                QVERIFY2(e.Message().contains("string truncation"), qPrintable(e.Message()));
            }
        }
        TFbTransaction tra(FConn);
        TFbQuery q(tra, "SELECT COUNT(*) FROM T WHERE S IS NULL");
        q.Open();
        QCOMPARE(q.AsInt64(0), 1LL);
    }

    void paramTranslation() {
        QStringList names;
        const QString sql = TFbQuery::TranslateParams(
            "UPDATE X SET A=:a, B='10:30', \"C:D\"=? WHERE ID=:ID -- :no\n", names);
        QCOMPARE(sql, QString("UPDATE X SET A=?, B='10:30', \"C:D\"=? WHERE ID=? -- :no\n"));
        QCOMPARE(names, QStringList({"A", QString(), "ID"}));
    }
};

QTEST_GUILESS_MAIN(TstFbClient)
#include "tst_fbclient.moc"
