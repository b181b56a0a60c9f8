// Start-up configuration: reading Tallyvo.txt, the "./" substitution, and
// every failure message of the connection step, against the real engine.

#include <QFile>
#include <QtTest>

#include "TFbConnection.h"
#include "TestSupport.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uLogin.h"

class TstConfig : public QObject {
    Q_OBJECT

private slots:
    void replaceAll() {
        QCOMPARE(ReplaceAll("a.b.c", ".", "::"), QString("a::b::c"));
        // Inserted text is not scanned again.
        QCOMPARE(ReplaceAll("xx", "x", "xx"), QString("xxxx"));
        QCOMPARE(ReplaceAll("Abc", "a", "z"), QString("Abc"));  // case-sensitive
    }

    void resolvePath_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const QString app = "/opt/App/";
        QTest::newRow("backslash form") << ".\\main.fdb" << app + "main.fdb";
        QTest::newRow("slash form") << "./Data/main.fdb" << app + "Data/main.fdb";
        QTest::newRow("windows subfolder") << ".\\Data\\main.fdb" << app + "Data/main.fdb";
        QTest::newRow("absolute") << "/srv/db/main.fdb"
                                  << "/srv/db/main.fdb";
        QTest::newRow("twice") << "./a/./b.fdb" << app + "a/" + app + "b.fdb";
        // The second dot and the separator of "..\" form ".\" too.
        QTest::newRow("climbing") << "..\\db.fdb"
                                  << "." + app + "db.fdb";
        QTest::newRow("server") << "dbhost:/srv/main.fdb"
                                << "dbhost:/srv/main.fdb";
        QTest::newRow("server port") << "dbhost/3051:C:\\db\\main.fdb"
                                     << "dbhost/3051:C:\\db\\main.fdb";
    }

    void resolvePath() {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(ResolveConfigPath(value, "/opt/App/"), expected);
    }

    void iniReading() {
        TTestFolder folder(
            "; comment\n[db]\n MAIN = ./Data/main.fdb \n[Other]\nPatch=x\n"
            "[DB]\npatch=./Data/patch.fdb\n");
        const QString ini = folder.Path() + "Tallyvo.txt";
        QCOMPARE(ReadIniValue(ini, "DB", "Main"), QString("./Data/main.fdb"));
        QCOMPARE(ReadIniValue(ini, "DB", "Patch"), QString("./Data/patch.fdb"));
        QCOMPARE(ReadIniValue(ini, "Pinyin", "Pinyin"), QString());
        QCOMPARE(ReadIniValue(folder.Path() + "missing.txt", "DB", "Main"), QString());
    }

    // Both databases open; the last one connected names Curr_DbFile.
    void connectsBothDatabases() {
        TTestFolder folder;
        TScriptedMessages msgs;
        TdmMain dm;
        bool loginAsked = false;
        const auto result = dm.DataModuleCreate([&]() {
            loginAsked = true;
            return true;
        });
        QCOMPARE(result, TdmMain::TCreateResult::LoggedIn);
        QVERIFY(loginAsked);
        QVERIFY(dm.SQLConn_Main.Connected());
        QVERIFY(dm.SQLConn_DbPatch.Connected());
        QCOMPARE(dm.SQLConn_Main.Database(), folder.MainDb());
        QCOMPARE(dm.Curr_DbFile, "Database: " + folder.PatchDb());
        QVERIFY(msgs.Shown.isEmpty());
        // Already open: no second attempt, no error.
        QString err = "x";
        QVERIFY(dm.ConnectDb(dm.SQLConn_Main, "Main", err));
        QVERIFY(err.isEmpty());
    }

    void failures_data() {
        QTest::addColumn<QString>("config");   // "-" for no file at all
        QTest::addColumn<QString>("message");  // %1 program folder
        const QString term =
            "\r\rSystem is about to terminate, please fix the problem and "
            "restart this application again";
        QTest::newRow("no configuration file")
            << "-"
            << "Cannot find system configuration(ini) file:\r\r%1Tallyvo.txt\r" + term;
        // The main file is missing: one message, naming it; Patch is not looked at.
        QTest::newRow("main missing")
            << "[DB]\nMain=./Data/nope.fdb\nPatch=./Data/nope2.fdb\n"
            << "In system configuration(ini) file \r%1Tallyvo.txt\r, cannot find database "
               "file:\r\r%1Data/nope.fdb" +
                   term;
        QTest::newRow("patch key missing")
            << "[DB]\nMain=./Data/main.fdb\n"
            << "In system configuration(ini) file \r%1Tallyvo.txt\r, cannot find database "
               "file:\r\r" +
                   term;
        QTest::newRow("damaged database")
            << "[DB]\nMain=./Data/damaged.fdb\nPatch=./Data/patch.fdb\n"
            << "Connect to database failed (possible causes: Firebird database engin not "
               "installed or not started, please check [Control Panel -> Administration Tools "
               "-> Services]): ";
    }

    void failures() {
        QFETCH(QString, config);
        QFETCH(QString, message);
        TTestFolder folder(config == "-" ? QString() : config, config != "-");
        QFile damaged(folder.Path() + "Data/damaged.fdb");
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(8192, 'x'));
        damaged.close();

        TScriptedMessages msgs;
        TdmMain dm;
        bool loginAsked = false;
        const auto result = dm.DataModuleCreate([&]() {
            loginAsked = true;
            return true;
        });
        QCOMPARE(result, TdmMain::TCreateResult::ConnectFailed);
        QVERIFY(!loginAsked);
        QCOMPARE(msgs.Shown.size(), 1);
        QCOMPARE(msgs.Shown[0].Kind, TMessageService::TKind::Error);
        const QString expected = message.arg(folder.Path());
        if (QTest::currentDataTag() == QString("damaged database")) {
            // The engine's own words follow, then the termination sentence.
            QVERIFY2(msgs.Shown[0].Text.startsWith(expected), qPrintable(msgs.Shown[0].Text));
            QVERIFY(msgs.Shown[0].Text.length() > expected.length() + 100);
            QVERIFY(msgs.Shown[0].Text.endsWith("restart this application again"));
        } else {
            QCOMPARE(msgs.Shown[0].Text, expected);
        }
    }

    // A file that the engine opens but that is damaged, or that lacks this
    // program's tables, gives one message and ends the start; the login's
    // own reading of the users never runs into it.
    void unusableDatabase_data() {
        QTest::addColumn<QString>("db");   // main or patch
        QTest::addColumn<int>("percent");  // of the size kept; 0: an empty database
        QTest::newRow("main cut to 50%") << "main" << 50;
        QTest::newRow("main cut to 62%") << "main" << 62;
        QTest::newRow("main cut to 75%") << "main" << 75;
        QTest::newRow("main without tables") << "main" << 0;
        QTest::newRow("patch without tables") << "patch" << 0;
    }

    void unusableDatabase() {
        QFETCH(QString, db);
        QFETCH(int, percent);
        TTestFolder folder;
        const QString file = db == "main" ? folder.MainDb() : folder.PatchDb();
        if (percent > 0) {
            QFile f(file);
            QVERIFY(f.resize(f.size() * percent / 100));
        } else {
            QVERIFY(QFile::remove(file));
            TFbConnection::CreateDatabase(file);
        }
        TScriptedMessages msgs;
        TdmMain dm;
        const auto result = dm.DataModuleCreate([]() {
            TfmLogin dlg;
            dlg.Prepare();
            return true;
        });
        QCOMPARE(result, TdmMain::TCreateResult::ConnectFailed);
        QVERIFY(!dm.SQLConn_Main.Connected());
        QVERIFY(!dm.SQLConn_DbPatch.Connected());
        QCOMPARE(msgs.Shown.size(), 1);
        QCOMPARE(msgs.Shown[0].Kind, TMessageService::TKind::Error);
        const QString text = msgs.Shown[0].Text;
        QVERIFY2(text.startsWith("Connect to database failed (possible causes: Firebird database "
                                 "engin not installed or not started, please check [Control "
                                 "Panel -> Administration Tools -> Services]): "),
                 qPrintable(text));
        QVERIFY2(text.contains(percent > 0 ? "I/O error" : "Table unknown"), qPrintable(text));
        QVERIFY(
            text.endsWith("\r\rSystem is about to terminate, please fix the problem and "
                          "restart this application again"));
    }

    // A path of megabytes is shown cut, so that the message stays readable.
    void hugePathIsCut() {
        const QString value = "./" + QString(3 * 1024 * 1024, 'x');
        TTestFolder folder("[DB]\nMain=" + value + "\nPatch=./Data/patch.fdb\n");
        TScriptedMessages msgs;
        TdmMain dm;
        QCOMPARE(dm.DataModuleCreate([]() { return true; }), TdmMain::TCreateResult::ConnectFailed);
        QCOMPARE(msgs.Shown.size(), 1);
        const QString path = folder.Path() + value.mid(2);
        QCOMPARE(msgs.Shown[0].Text,
                 "In system configuration(ini) file \r" + folder.Path() +
                     "Tallyvo.txt\r, cannot find database file:\r\r" + path.left(200) +
                     QChar(0x2026) +
                     "\r\rSystem is about to terminate, please fix the problem and restart "
                     "this application again");
    }

    // A server path is not checked as a local file: the client tries it and
    // its failure is a connection failure, not "cannot find".
    void serverPathSkipsFileCheck() {
        TTestFolder folder("[DB]\nMain=127.0.0.1/1:/nowhere/main.fdb\n");
        TdmMain dm;
        QString err;
        QVERIFY(!dm.ConnectDb(dm.SQLConn_Main, "Main", err));
        QVERIFY2(err.startsWith("Connect to database failed"), qPrintable(err));
    }

    void pinyinSwitch_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<bool>("on");
        QTest::newRow("1") << "[Pinyin]\nPinyin=1\n" << true;
        QTest::newRow("any case") << "[PINYIN]\npinyin=1\n" << true;
        QTest::newRow("0") << "[Pinyin]\nPinyin=0\n" << false;
        QTest::newRow("yes") << "[Pinyin]\nPinyin=yes\n" << false;
        QTest::newRow("empty") << "[Pinyin]\nPinyin=\n" << false;
        QTest::newRow("no section") << "" << false;
    }

    void pinyinSwitch() {
        QFETCH(QString, section);
        QFETCH(bool, on);
        TTestFolder folder(TTestFolder::DefaultConfig() + section);
        TdmMain dm;
        QString err;
        QVERIFY(dm.ConnectDb(dm.SQLConn_Main, "Main", err));
        QCOMPARE(dm.PinyinSearch, on);
    }
};

QTEST_MAIN(TstConfig)
#include "tst_config.moc"
