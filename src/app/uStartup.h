#pragma once

#include <QApplication>
#include <QStringList>
#include <memory>

class TdmMain;
class TfmMain;

// The application object: errors that no code handles reach the general
// error box, and the window they happened in stays as it was.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// SIGTERM and SIGINT (log-out, shutdown, Ctrl+C in a terminal) end the
// program as closing the main window does, without asking, also while a modal
// dialog waits: open dialogs return, pending edits are dropped, the windows
// close and the connections close with the data module; the exit status is 0.
// The database client's own reaction to these signals, which would shut the
// connections down and leave the program running without them, is vetoed.
void InstallSignalExit();
// Whether one of those signals has been taken up by the message loop.
bool SignalExitRequested();

// Starting the program again (after its database was restored): asked for
// while it runs, done by main() once this program has let go of its
// databases. The new one waits until this one has ended: the embedded
// engine opens a database file for one program at a time.
void RequestRestart();
bool RestartRequested();
void StartAgain();
// "--after=<pid>" on the command line: waits until that program has ended.
void WaitForPreviousInstance(const QStringList& arguments);

// The start sequence: connections, login, windows, login completion.
class TStartup {
public:
    TStartup();
    ~TStartup();
    // Runs everything before the message loop; false when the program is to
    // end (a connection failed or the login was cancelled).
    bool Start();

    // Destroyed in reverse order: the windows before the data module.
    std::unique_ptr<TdmMain> dmMain;
    std::unique_ptr<TfmMain> fmMain;
};
