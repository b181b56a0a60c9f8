// Log-out, shutdown and Ctrl+C: the real program, started as a process of its
// own in a program folder of its own, gets SIGTERM, SIGINT or SIGHUP (a closed terminal) with its
// main window up or while a modal dialog waits, and must end at once with status 0 and leave its
// database sound.
//
// The program shows its windows on Qt's VNC platform, which lets this test see
// the screen and press keys as a person would (the login needs Enter), without
// the program reading anything but its own configuration.

#include <signal.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <QtTest>

#include "TFbConnection.h"
#include "TFbQuery.h"
#include "TestSupport.h"

namespace {

// Just enough of the remote frame buffer protocol to read the screen and press
// a key.
class TScreenClient {
public:
    bool Connect(quint16 port, QDeadlineTimer deadline) {
        while (!deadline.hasExpired()) {
            FSocket.connectToHost(QHostAddress::LocalHost, port);
            if (FSocket.waitForConnected(1000)) break;
            FSocket.abort();
            // Nothing here says when the program starts listening: try again
            // a little later.
            QTest::qWait(100);
        }
        if (FSocket.state() != QAbstractSocket::ConnectedState) return false;
        if (Read(12).left(4) != "RFB ") return false;
        FSocket.write("RFB 003.003\n");
        if (Long(Read(4), 0) != 1) return false;  // no password
        FSocket.write(QByteArray(1, '\1'));       // shared
        const QByteArray init = Read(24);
        if (init.size() < 24) return false;
        FWidth = Word(init, 0);
        FHeight = Word(init, 2);
        Read(Long(init, 20));  // the name
        // 32 bits a pixel, little-endian, red at 16, green at 8, blue at 0.
        QByteArray format(4, '\0');
        format += QByteArray::fromHex(
            "20200001"
            "00ff00ff00ff"
            "100800"
            "000000");
        FSocket.write(format);
        FSocket.write(
            QByteArray::fromHex("02000001"
                                "00000000"));  // raw pixels only
        return FSocket.flush() || true;
    }

    // The whole screen as it is now.
    QImage Screen() {
        QByteArray req = QByteArray::fromHex(
            "0300"
            "00000000");
        req.append(char(FWidth >> 8))
            .append(char(FWidth))
            .append(char(FHeight >> 8))
            .append(char(FHeight));
        FSocket.write(req);
        QImage image(FWidth, FHeight, QImage::Format_RGB32);
        image.fill(Qt::black);
        const QByteArray head = Read(4);
        if (head.size() < 4 || head[0] != 0) return image;
        const int rects = Word(head, 2);
        for (int i = 0; i < rects; ++i) {
            const QByteArray r = Read(12);
            if (r.size() < 12) return image;
            const int x = Word(r, 0);
            const int y = Word(r, 2);
            const int w = Word(r, 4);
            const int h = Word(r, 6);
            const QByteArray pixels = Read(w * h * 4);
            for (int row = 0; row < h && pixels.size() == w * h * 4; ++row)
                memcpy(image.scanLine(y + row) + x * 4, pixels.constData() + row * w * 4, w * 4);
        }
        return image;
    }

    void Key(quint32 keysym) {
        for (char down : {'\1', '\0'}) {
            QByteArray ev = QByteArray::fromHex("04");
            ev.append(down).append(2, '\0');
            const quint32 k = qToBigEndian(keysym);
            ev.append(reinterpret_cast<const char*>(&k), 4);
            FSocket.write(ev);
        }
        FSocket.flush();
    }

private:
    // A big-endian 16-bit (32-bit) number at offset at. Read byte by byte: gcc under
    // the address sanitizer cannot tell that the sizes were checked, and
    // warns about a 2-byte read from the empty array's 1-byte storage.
    static int Word(const QByteArray& data, int at) {
        return (uchar(data.at(at)) << 8) | uchar(data.at(at + 1));
    }
    static quint32 Long(const QByteArray& data, int at) {
        if (data.size() < at + 4) return 0;
        return (quint32(Word(data, at)) << 16) | quint32(Word(data, at + 2));
    }

    QByteArray Read(qint64 n) {
        QByteArray data;
        QDeadlineTimer deadline(30000);
        while (data.size() < n && !deadline.hasExpired()) {
            if (FSocket.bytesAvailable() == 0 && !FSocket.waitForReadyRead(1000)) continue;
            data += FSocket.read(n - data.size());
        }
        return data;
    }

    QTcpSocket FSocket;
    int FWidth = 0;
    int FHeight = 0;
};

bool Black(QRgb p) { return (p & 0xffffff) == 0; }

quint16 FreePort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

}  // namespace

class TstShutdown : public QObject {
    Q_OBJECT

private slots:
    void signalEndsTheProgram_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("state");
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
            const char* name = sig == SIGTERM ? "SIGTERM" : sig == SIGINT ? "SIGINT" : "SIGHUP";
            QTest::addRow("%s, main window", name) << sig << "main window";
            QTest::addRow("%s, login dialog", name) << sig << "login dialog";
            QTest::addRow("%s, error box", name) << sig << "error box";
        }
        // Started not to end with its terminal: SIGHUP is no end, SIGTERM still is.
        QTest::addRow("nohup, SIGHUP then SIGTERM") << int(SIGHUP) << "nohup";
    }

    void signalEndsTheProgram() {
        QFETCH(int, signal);
        QFETCH(QString, state);
        const bool nohup = state == "nohup";
        if (nohup) state = "main window";
        // The error box: the upgrade database is missing, after the main one opened.
        TTestFolder folder(state == "error box" ? "[DB]\nMain=./Data/main.fdb\nPatch=./none.fdb\n"
                                                : QString());
        const QString exe = folder.Path() + "tallyvo";
        QVERIFY(QFile::copy(QStringLiteral(TALLYVO_PROGRAM), exe));
        QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        const quint16 port = FreePort();
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", QString("vnc:size=640x480:port=%1").arg(port));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(folder.Path());
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (nohup) program.setChildProcessModifier([]() { ::signal(SIGHUP, SIG_IGN); });
        program.start(exe, {});
        QVERIFY(program.waitForStarted());

        TScreenClient screen;
        QDeadlineTimer deadline(60000);
        QVERIFY(screen.Connect(port, deadline));
        // A dialog in the middle of the screen: the login or the error box.
        QTRY_VERIFY_WITH_TIMEOUT(!Black(screen.Screen().pixel(320, 240)),
                                 int(deadline.remainingTime()));
        if (state == "main window") {
            screen.Key(0xff0d);  // Enter: the administrator, who has no password
            // The maximised main window reaches the corners.
            QTRY_VERIFY_WITH_TIMEOUT(!Black(screen.Screen().pixel(2, 2)),
                                     int(deadline.remainingTime()));
        } else {
            QVERIFY(Black(screen.Screen().pixel(2, 2)));
        }

        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        if (nohup) {
            QVERIFY2(!program.waitForFinished(1500), "ended by a SIGHUP it was started to ignore");
            QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
        }
        const bool ended = program.waitForFinished(5000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        QVERIFY2(ended, "still running 5 s after the signal");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        // The database opens again, reads and takes a write; the login of
        // the main-window run was committed.
        TFbConnection conn;
        conn.Open(folder.MainDb());
        TFbTransaction tra(conn);
        TFbQuery q(tra,
                   "SELECT PROGNAME, (SELECT LOGINS FROM SYS_USER WHERE ID=0) AS LOGINS FROM SYS");
        q.Open();
        QVERIFY(!q.Eof());
        QCOMPARE(q.AsString("PROGNAME"), QString("Tallyvo"));
        const int loginsBefore = 0;
        QCOMPARE(q.AsInteger("LOGINS"), loginsBefore + (state == "main window" ? 1 : 0));
        TFbQuery w(tra, "UPDATE SYS_USER SET LOGINS = LOGINS + 1 WHERE ID=0");
        w.Execute();
        tra.Commit();
    }
};

QTEST_MAIN(TstShutdown)
#include "tst_shutdown.moc"
