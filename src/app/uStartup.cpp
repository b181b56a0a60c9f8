#include "uStartup.h"

#include "TClientDataSet.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uMain.h"
#include "uMessages.h"
#include "uSplash.h"

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
    QApplication::setApplicationDisplayName(dmMain->Curr_ProgName);
    return true;
}
