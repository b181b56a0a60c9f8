#pragma once

#include <QApplication>
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
