#include "uStartup.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    // Before the first connection, so that no signal finds the program
    // without its own handling.
    InstallSignalExit();
    TStartup startup;
    // A signal during the start sequence ends the program here, before the
    // message loop would start afresh.
    if (!startup.Start() || SignalExitRequested()) return 0;
    return app.exec();
}
