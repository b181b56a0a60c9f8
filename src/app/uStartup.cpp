#include "uStartup.h"

#include <fcntl.h>
#include <ibase.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#include "TClientDataSet.h"
#include "uDefault.h"
#include "uDmMain.h"
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
    ISC_STATUS_ARRAY status;
    fb_shutdown_callback(status, VetoSignalShutdown, fb_shut_confirmation, nullptr);
}

bool SignalExitRequested() { return g_signalExit; }

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
