#include <fcntl.h>
#include <unistd.h>

#include "uStartup.h"

int main(int argc, char** argv) {
    // The embedded engine asks on standard input for the rest of a backup
    // file that ends early; no one answers there, and a terminal or a pipe
    // would hold the restore until someone did. The program reads nothing else
    // from it.
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nothing >= 0) {
        ::dup2(nothing, STDIN_FILENO);
        ::close(nothing);
    }
    TApplication app(argc, argv);
    // A program that was started again waits for the one before to end.
    WaitForPreviousInstance(QCoreApplication::arguments());
    // Before the first connection, so that no signal finds the program
    // without its own handling.
    InstallSignalExit();
    int status = 0;
    {
        TStartup startup;
        // A signal during the start sequence ends the program here, before
        // the message loop would start afresh.
        if (!startup.Start() || SignalExitRequested()) return 0;
        status = app.exec();
    }
    // The windows and connections are gone: the next program may open the files.
    if (RestartRequested()) StartAgain();
    return status;
}
