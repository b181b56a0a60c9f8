#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QFont;
class QWidget;

// Every message box, confirmation and input box of the program goes through
// this one service. Texts are passed exactly as the program words them ("\r"
// marks a line break); the interactive implementation shows them, tests put
// in their own implementation that checks each text and gives the answer.
class TMessageService {
public:
    enum class TKind { Information, Warning, Error, Confirmation };
    enum class TAnswer { Yes, No, Cancel };

    virtual ~TMessageService() = default;

    // Information, warning and error boxes have one OK button.
    virtual void Show(TKind kind, const QString& text) = 0;
    // A Yes/No confirmation; true for Yes.
    virtual bool Confirm(const QString& text) = 0;
    // A question with Yes, No and Cancel (Cancel when the box is closed).
    virtual TAnswer Ask(const QString& text) = 0;
    // An input box; false when cancelled. value holds the initial text.
    virtual bool Input(const QString& caption, const QString& prompt, QString& value) = 0;
    // An open-file dialog; false when cancelled.
    virtual bool OpenFile(const QString& caption, const QString& filter, QString& file) = 0;
    // A save-file dialog; false when cancelled. file holds the proposed name.
    virtual bool SaveFile(const QString& caption, const QString& filter, QString& file) = 0;
    // A font dialog that also offers the colours named in colorNames; false
    // when cancelled. font and colorName hold the initial choice.
    virtual bool ChooseFont(QFont& font, QString& colorName, const QStringList& colorNames) = 0;

    // The service in use (the interactive one unless replaced).
    static TMessageService& Instance();
    // Replaces the service; returns the previous one. nullptr restores the
    // interactive service.
    static TMessageService* SetInstance(TMessageService* service);
};

// The interactive service: Qt's standard boxes, parented to the active window.
class TDialogMessageService : public TMessageService {
public:
    void Show(TKind kind, const QString& text) override;
    bool Confirm(const QString& text) override;
    TAnswer Ask(const QString& text) override;
    bool Input(const QString& caption, const QString& prompt, QString& value) override;
    bool OpenFile(const QString& caption, const QString& filter, QString& file) override;
    bool SaveFile(const QString& caption, const QString& filter, QString& file) override;
    bool ChooseFont(QFont& font, QString& colorName, const QStringList& colorNames) override;
};

// The caption of every message box: the product's title once it is known.
QString MessageTitle();
void SetMessageTitle(const QString& title);

// Short forms used all over the program.
void ShowInformation(const QString& text);
void ShowWarning(const QString& text);
void ShowError(const QString& text);
bool ConfirmYesNo(const QString& text);
TMessageService::TAnswer AskYesNoCancel(const QString& text);
bool InputQuery(const QString& caption, const QString& prompt, QString& value);

// The general error box for errors that no code handles: the database's (or
// the system's) own message.
void ShowGeneralError(const QString& message);

// The message of the error being handled (call it inside a catch): the
// database's or the record set's own text, what any other standard error
// says, and otherwise for anything else.
QString CurrentErrorMessage(const QString& otherwise);

// Runs f; an error it throws reaches the general error box (a silent stop,
// EAbort, shows nothing). False when f did not complete.
bool RunGuarded(const std::function<void()>& f);
