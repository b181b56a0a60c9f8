#pragma once

#include <QDialog>

#include "uChild.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenuBar;
class QPushButton;
class QStackedWidget;
class TDbCheckBox;
class TPnDbEdit;
class TPnDbMemo;

// "User Management": the user accounts, their passwords and, through
// "权限管理", what each one may not do.
class TfmUser : public TfmChild {
    Q_OBJECT
public:
    explicit TfmUser(QWidget* parent = nullptr);
    // The administrator cannot be deleted; others as every record.
    void Child_DeleteExecute();
    // "权限管理": the rights editor for the current user.
    void ToolButton4Click();
    void BringUpRefresh() override;
    // Where the rights editor finds the menus whose entries it offers.
    QMenuBar* MainMenu = nullptr;

    TPnDbEdit* pnCode;
    TPnDbEdit* pnName;
    QLineEdit* edPassword;  // a new password; the stored one is never shown
    QCheckBox* cbNoPassword;
    TPnDbMemo* pnRemarks;
    TDbCheckBox* cbDisabled;
    QAction* ToolButton4;

protected:
    void Child_CDSBeforePost() override;
    void Child_CDSAfterOpen() override;
};

// "用户权限": what a user may not use. A ticked entry is allowed; each
// unticked one is a row of SYS_USER_ACCESS.
class TfmUserAccess : public QDialog {
    Q_OBJECT
public:
    TfmUserAccess(QMenuBar* mainMenu, QWidget* parent = nullptr);
    void Initialize();
    void clbMenuClick();
    void BitBtn1Click();
    void BitBtn2Click() { reject(); }

    int TheUserId = -1;
    QListWidget* clbMenu;
    QStackedWidget* FLists;  // the check list of each menu, "clb_" + its caption
    QListWidget* clbBtn;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    TClientDataSet* Access_CDS;

    // The four delete rights and the windows they belong to.
    static const QStringList& DeleteRights();

private:
    QListWidget* ListOf(int menuRow) const;
    QMenuBar* FMainMenu;
};
