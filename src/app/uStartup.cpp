#include "uStartup.h"

#include "TClientDataSet.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uMain.h"
#include "uMessages.h"
#include "uSplash.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const EAbort&) {
        // A silent stop: the handler that threw it has said why.
    } catch (const EFbError& e) {
        ShowGeneralError(e.Message());
    } catch (const EDataSetError& e) {
        ShowGeneralError(e.Message());
    } catch (const std::exception& e) {
        ShowGeneralError(QString::fromUtf8(e.what()));
    }
    return false;
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
    QApplication::setApplicationDisplayName(dmMain->Curr_ProgName);
    return true;
}
