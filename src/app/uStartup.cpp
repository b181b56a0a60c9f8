#include "uStartup.h"

#include <fcntl.h>
#include <ibase.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <csignal>

#include "TClientDataSet.h"
#include "uBackup.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMain.h"
#include "uMessages.h"
#include "uSplash.h"

namespace {
// The signal handler only writes a byte here; the message loop reads it.
int g_signalPipe[2] = {-1, -1};
bool g_signalExit = false;

void OnExitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (::write(g_signalPipe[1], &byte, 1) < 0) {
        // The pipe is full: a byte is already waiting, which is enough.
    }
    errno = saved;
}

// The database client asks before it shuts its connections down on a signal;
// the answer is no, since the program ends by itself and closes them.
int VetoSignalShutdown(const int reason, const int, void*) {
    return reason == fb_shutrsn_signal ? 1 : 0;
}

void ExitOnSignal() {
    char buf[64];
    while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
    }
    g_signalExit = true;
    // Ends the message loop and every modal loop inside it; a dialog opened
    // while unwinding returns at once.
    QCoreApplication::exit(0);
}
}  // namespace

void InstallSignalExit() {
    if (g_signalPipe[0] >= 0) return;
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, &ExitOnSignal);
    struct sigaction sa = {};
    sa.sa_handler = OnExitSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    // The client installs its handlers at the first attach and keeps calling
    // these as well.
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    // A closed terminal: the same clean end as an interrupt, unless the
    // program was started not to end with its terminal (nohup).
    struct sigaction hup = {};
    if (sigaction(SIGHUP, nullptr, &hup) == 0 && hup.sa_handler != SIG_IGN)
        sigaction(SIGHUP, &sa, nullptr);
    ISC_STATUS_ARRAY status;
    fb_shutdown_callback(status, VetoSignalShutdown, fb_shut_confirmation, nullptr);
}

bool SignalExitRequested() { return g_signalExit; }

namespace {
bool g_restart = false;
}

void RequestRestart() { g_restart = true; }
bool RestartRequested() { return g_restart; }

void StartAgain() {
    QStringList args;
    for (const QString& a : QCoreApplication::arguments().mid(1))
        if (!a.startsWith(QLatin1String("--after="))) args << a;
    args << "--after=" + QString::number(QCoreApplication::applicationPid());
    QProcess::startDetached(QCoreApplication::applicationFilePath(), args, QDir::currentPath());
}

namespace {
// A program that has ended, though its parent may not have collected it yet.
bool Ended(pid_t pid) {
    if (::kill(pid, 0) != 0) return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) == "Z";
}
}  // namespace

void WaitForPreviousInstance(const QStringList& arguments) {
    for (const QString& a : arguments) {
        if (!a.startsWith(QLatin1String("--after="))) continue;
        const pid_t pid = pid_t(a.mid(8).toLongLong());
        // At most half a minute: a program that does not end by then will
        // not, and the start reports the database it cannot open.
        for (int i = 0; pid > 0 && i < 300 && !Ended(pid); ++i) QThread::msleep(100);
    }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&]() { handled = QApplication::notify(receiver, event); });
    return handled;
}

TStartup::TStartup() = default;

TStartup::~TStartup() {
    fmMain.reset();
    dmMain.reset();
}

bool TStartup::Start() {
    TfmSplash splash;  // hidden until the login succeeded
    {
        // Before the database is opened: a restore cut off while it switched
        // the files is put right first.
        const QString ini = ProgramFolder() + TdmMain::ConfigFileName();
        if (QFileInfo(ini).isFile())
            Backup::RecoverInterruptedRestore(ResolveConfigPath(
                ReadIniValue(ini, QStringLiteral("DB"), QStringLiteral("Main")), ProgramFolder()));
    }
    dmMain = std::make_unique<TdmMain>();
    if (dmMain->DataModuleCreate(&TfmMain::LoginOk) != TdmMain::TCreateResult::LoggedIn)
        return false;
    splash.ShowNow();

    try {
        fmMain = std::make_unique<TfmMain>();
        // The long-lived windows, each once; the home page last, so it is in front.
        fmMain->CreateBusinessWindows();
        fmMain->SetDefaultChild(new TfmDefault);
        fmMain->showMaximized();

        splash.hide();
        fmMain->LoginFinalize();
    } catch (const EFbError& e) {
        // A damaged database can fail on any page the start reads: one
        // message, and the program ends without windows.
        splash.hide();
        fmMain.reset();
        ShowError(TdmMain::ConnectFailedMessage(e.Message()) + "\r\r" +
                  TdmMain::TerminateMessage());
        return false;
    }
    // Message boxes take the product's title. It is not made the display
    // name: Qt would append that to every window title, which already starts
    // with it; nor the application name, by which the desktop and its
    // accessibility tools know the program from its start.
    SetMessageTitle(dmMain->Curr_ProgName);
    return true;
}
