#pragma once

// What tests of the program need, on top of the database-level support.

#include <QFont>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>

#include "DbTestSupport.h"
#include "uMessages.h"

// A program folder of its own for one test: fresh copies of the pristine
// databases, a configuration file, and the program folder pointed at it.
class TTestFolder : public TDbFolder {
public:
    // config: the text of Tallyvo.txt; empty writes the usual one, and
    // withConfig=false writes none.
    explicit TTestFolder(const QString& config = QString(), bool withConfig = true);
    ~TTestFolder() override;

    void WriteConfig(const QString& text) const;

    static QString DefaultConfig();
};

// Replaces the message service: every message is recorded, and each answer
// comes from the queue of answers given in advance (Yes when none is left).
class TScriptedMessages : public TMessageService {
public:
    struct TMessage {
        TKind Kind;
        QString Text;
    };

    TScriptedMessages();
    ~TScriptedMessages() override;

    void Show(TKind kind, const QString& text) override;
    bool Confirm(const QString& text) override;
    // Answers from Choices (Yes when none is left).
    TAnswer Ask(const QString& text) override;
    bool Input(const QString& caption, const QString& prompt, QString& value) override;
    // Answers from Answers; the file name from InputValues.
    bool OpenFile(const QString& caption, const QString& filter, QString& file) override;
    // Likewise, recorded as "Save: " and the caption.
    bool SaveFile(const QString& caption, const QString& filter, QString& file) override;
    // Recorded as "Font"; answers from Fonts (cancelled when none is left).
    bool ChooseFont(QFont& font, QString& colorName, const QStringList& colorNames) override;

    // Answers to the next confirmations and input boxes, in order.
    QList<bool> Answers;
    // Answers to the next Yes/No/Cancel questions, in order.
    QList<TAnswer> Choices;
    // Texts typed into the next input boxes, in order.
    QStringList InputValues;
    // Fonts and colour names chosen in the next font dialogs, in order.
    QList<QPair<QFont, QString>> Fonts;
    QList<TMessage> Shown;

    // Texts of everything shown so far, and clears the record.
    QStringList Take();

private:
    TMessageService* FPrevious;
};

class TdmMain;
class QTreeWidget;
class QTreeWidgetItem;
class QMenu;
class QWidget;

// One test case's database: a fresh program folder with the pristine
// databases, and a data module connected to it with the administrator
// logged in. Start() in init(), Stop() in cleanup().
class TDbFixture {
public:
    void Start();
    void Stop();
    // A new data module on the same folder, as a program started again.
    void Restart();
    TdmMain& Dm() const { return *FDm; }
    TTestFolder& Folder() const { return *FFolder; }
    // The first column of the first row as text; money with its four
    // decimals, null as empty.
    QString Value(const QString& sql) const;

private:
    std::unique_ptr<TTestFolder> FFolder;
    std::unique_ptr<TdmMain> FDm;
};

class TStartup;
class TfmMain;
class TDbGrid;

// The whole program started in a program folder of its own, the
// administrator logged in. Start() in init(), Stop() in cleanup().
class TProgramFixture {
public:
    TProgramFixture();
    ~TProgramFixture();
    // config: the text of Tallyvo.txt, as TTestFolder takes it.
    bool Start(const QString& config = QString());
    void Stop();
    TfmMain* Main() const;
    TdmMain* Dm() const;
    TTestFolder& Folder() const { return *FFolder; }

private:
    std::unique_ptr<TTestFolder> FFolder;
    std::unique_ptr<TStartup> FStartup;
};

// Opens grid's pop-up menu with the right mouse button on a row (the first
// unless given), pressed and released as a mouse does, with the keys held in
// mods, and chooses path in it by keyboard.
void ChooseInGridMenu(TDbGrid* grid, QMenu* menu, const QStringList& path, int row = 0,
                      Qt::KeyboardModifiers mods = Qt::NoModifier);

// Connects dm's main connection to the test folder's database and logs the
// administrator in (the session fields only); a failure ends the test program.
void ConnectAsAdmin(TdmMain& dm);

// Creates a browser window of type W, shows it at a fixed size and loads its
// folder tree, as the main window does at its first bring-up.
template <typename W>
std::unique_ptr<W> OpenBrowser() {
    auto w = std::make_unique<W>();
    w->resize(1000, 700);
    w->show();
    w->LoadTree();
    return w;
}

// The editor of the labelled control of w bound to field (of ds when
// given), to type into as a user does; fails the test when there is none.
QWidget* EditorOf(QWidget* w, const QString& field, TDataSource* ds = nullptr);

// A record set opened on a statement of dm's database, with its data
// source, for a control under test.
struct TOpenSet : TOpenDbSet {
    TOpenSet(TdmMain& dm, const QString& sql);
};

// The folder node of a browser's tree with this caption; null when none.
QTreeWidgetItem* FolderNamed(QTreeWidget* tree, const QString& caption);

// Replaces an editor's text the way a person does: select all, then type.
void Retype(QWidget* editor, const QString& text);

// Answers the next login dialog with the user of this code and Login.
void LoginAs(const QString& code);

// Runs fn on the next modal dialog as soon as it is shown (polling the event
// loop), so that a test can answer a dialog that exec() waits on.
void OnNextModal(const std::function<void(QWidget*)>& fn);

class TDbGrid;
class TfmChild;
// Ctrl-clicks the grid row showing the row with this key, as a user marks it.
void CtrlClickRow(TDbGrid* grid, TClientDataSet* cds, qint64 key);
// Moves the marked rows of w to folder through the grid menu's command and
// the folder picker, as a user does.
void MoveMarkedTo(TfmChild* w, const QString& folder);

// Chooses path (menu entry, sub-menu entry, ...) in menu as soon as it
// opens, with the keyboard as a user does.
void ChooseInNextMenu(QMenu* menu, const QStringList& path);
