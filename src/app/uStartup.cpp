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

    fmMain = std::make_unique<TfmMain>();
    // The long-lived windows, each once; the home page last, so it is in front.
    fmMain->CreateBusinessWindows();
    fmMain->SetDefaultChild(new TfmDefault);
    fmMain->showMaximized();

    splash.hide();
    fmMain->LoginFinalize();
    // The application's title (message boxes take it). Not as the display
    // name: Qt appends that to every window title, and the main window's
    // title already starts with the program's name.
    QApplication::setApplicationName(dmMain->Curr_ProgName);
    return true;
}
