#pragma once

#include <QString>
#include <QWidget>

class TfmChild;

// What a record browser asks of the main window that hosts it: the task-bar
// rules live there, and the browser may not include the main window.
class IChildHost {
public:
    virtual ~IChildHost() = default;
    virtual void BringUpChildForm(TfmChild* child) = 0;
    virtual void ShowDefaultChild() = 0;
    virtual void CloseAll() = 0;
    virtual void DestroyBottomButton(TfmChild* child) = 0;
    // 0 while a task-bar button remains, -1 when none does.
    virtual int GetNextToolbarButtonIdx() const = 0;
    virtual TfmChild* ChildOfBottomButton(int index) const = 0;
};

// The record browser window. Business windows configure it; this is the part
// the main window's navigation relies on.
class TfmChild : public QWidget {
    Q_OBJECT
public:
    explicit TfmChild(QWidget* parent = nullptr);

    // Configuration: the browsed table and its folder tree.
    QString FTableName;
    bool FTVShow = false;
    bool FTVShowCount = false;
    bool FTVSelectTwice = false;
    QString FTVCountField;

    // Folder tree: whether it holds no node yet, and loading it.
    virtual bool TreeIsEmpty() const { return true; }
    virtual void LoadTree() {}
    // Run at every bring-up; a window that must re-read its rows each time
    // (the user window) does so here.
    virtual void BringUpRefresh() {}

    // The "Close" button: the window stays alive behind the others, its
    // task-bar button goes, and the newest remaining window comes up.
    void CloseChild();
    // The "Close All" button.
    void CloseAllChildren();

    static void SetHost(IChildHost* host);
    static IChildHost* Host();
};
