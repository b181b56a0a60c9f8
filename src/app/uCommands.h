#pragma once

#include <QString>

// The main window's commands, by the object names of their actions. Menus,
// tool bars, rights and the task bar all refer to them through these ids.
namespace Cmd {
inline constexpr char Help_About[] = "Help_About";
inline constexpr char System_Option[] = "System_Option";
inline constexpr char System_Exit[] = "System_Exit";
inline constexpr char System_Dictionary[] = "System_Dictionary";
inline constexpr char System_User[] = "System_User";
inline constexpr char System_Login[] = "System_Login";
inline constexpr char System_Default[] = "System_Default";
inline constexpr char System_Tip[] = "System_Tip";
inline constexpr char System_Backup[] = "System_Backup";
inline constexpr char System_Restore[] = "System_Restore";
inline constexpr char System_ChangePasswd[] = "System_ChangePasswd";
inline constexpr char System_UserTodo[] = "System_UserTodo";
inline constexpr char CustRelation_Cust[] = "CustRelation_Cust";
inline constexpr char CustRelation_Supplier[] = "CustRelation_Supplier";
inline constexpr char Prod_Product[] = "Prod_Product";
inline constexpr char IC_Batch[] = "IC_Batch";
inline constexpr char Ar_Tran[] = "Ar_Tran";
inline constexpr char Sales_CBAcct[] = "Sales_CBAcct";
inline constexpr char Sales_CBTran[] = "Sales_CBTran";
inline constexpr char Template_Do[] = "Template_Do";
inline constexpr char Rpt_Sales[] = "Rpt_Sales";
inline constexpr char Rpt_SalesDetail[] = "Rpt_SalesDetail";
inline constexpr char Rpt_SalesAging[] = "Rpt_SalesAging";
inline constexpr char Rpt_CB[] = "Rpt_CB";
inline constexpr char Rpt_ProdRpt[] = "Rpt_ProdRpt";
inline constexpr char OnlineHelp[] = "OnlineHelp";
inline constexpr char OnlineTutorial[] = "OnlineTutorial";
inline constexpr char OnlineUpdate[] = "OnlineUpdate";
}  // namespace Cmd

// Which command brings up which child window (by the window's object name).
struct TChildCommand {
    const char* Child;
    const char* Command;
};

inline constexpr TChildCommand ChildCommands[] = {
    {"fmCust", Cmd::CustRelation_Cust},   {"fmSupplier", Cmd::CustRelation_Supplier},
    {"fmProd", Cmd::Prod_Product},        {"fmICBatch", Cmd::IC_Batch},
    {"fmArTran", Cmd::Ar_Tran},           {"fmCBAcct", Cmd::Sales_CBAcct},
    {"fmCBTran", Cmd::Sales_CBTran},      {"fmUser", Cmd::System_User},
    {"fmUserTodo", Cmd::System_UserTodo}, {"fmDoTemplate", Cmd::Template_Do}};

// The command of a child window; empty when it has none.
inline QString CommandOfChild(const QString& childName) {
    for (const TChildCommand& c : ChildCommands)
        if (childName == QLatin1String(c.Child)) return QString::fromLatin1(c.Command);
    return QString();
}
