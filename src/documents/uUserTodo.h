#pragma once

#include "uChild.h"

class TPnDbDate;
class TPnDbEdit;
class TPnDbMemo;

// The to-do list: the logged-in user's own tasks.
class TfmUserTodo : public TfmChild {
    Q_OBJECT
public:
    explicit TfmUserTodo(QWidget* parent = nullptr);
    // Points the window at the tasks of user aUserId.
    void ShowTasksOf(int aUserId);

    TPnDbDate* pnDueDate;
    TPnDbEdit* pnSubject;
    TPnDbMemo* pnContent;

protected:
    void Child_CDSBeforePost() override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void FitSubject();
};
