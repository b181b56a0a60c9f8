#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <vector>

#include "uDialog.h"

class QLabel;
class QVBoxLayout;
class TClientDataSet;
class TDataSource;
class TDbGrid;
class TFbTransaction;

// Deleting a master row with regard to the rows of other tables that refer to
// it, by the rules of SYS_DEPENDENCY (one rule per referring table):
//   0  deleted with the row, shown only when the dialog opens for another rule
//   1  deleted with the row, after being shown
//   2  kept, their reference to the deleted row stays as it is
//   3  the row cannot be deleted while they exist
// The dependent deletes and the row's own delete are written in one
// transaction: either all of them happen or none.
class TfmDelete : public TfmDialog {
    Q_OBJECT
public:
    explicit TfmDelete(QWidget* parent = nullptr);
    ~TfmDelete() override;

    QString PTable;
    int PId = 0;
    // DELETE statements of the rules of kinds 0 and 1 that found rows, in rule order.
    QStringList DelSQL;
    // Set once the dependent rows and the row itself are deleted and committed.
    bool DependenciesDeleted = false;
    // Writes the delete of the row itself in the transaction given.
    std::function<void(TFbTransaction&)> FDeleteParent;

    // Reads the rules of PTable and the rows each finds; true when the dialog
    // must be shown (a rule of a kind above 0 found rows). A rule the program
    // cannot use throws ERuleError.
    bool PopulateSubDependenciesNeedToShowForm();
    // One rule: reads its referring rows and, when there are some, adds a
    // section for them and collects its delete; true when it found rows.
    bool CreateDependencyCDSNotEmpty(int aType, const QString& aDesc, const QString& f1,
                                     const QString& f2, const QString& tb, const QString& fkey,
                                     const QString& f1Title, const QString& f2Title, int f1Width,
                                     int f2Width);
    static QString GetDelTypeName(int aType);
    static QColor GetDelTypeColor(int aType);
    // Runs the collected deletes and the row's own delete in one transaction;
    // a refusal rolls everything back and shows the database's message.
    void DeleteSubDependencies();
    void FreeAllCDS();
    void BitBtn1Click();  // Ok
    void BitBtn2Click();  // Cancel

    // Heights of the sections in the left panel as it is now: every grid but
    // the last gets an equal share, the last takes the rest.
    void LayoutSections();

    // Per rule read (owned by the dialog).
    std::vector<TClientDataSet*> FCDS;
    std::vector<TDataSource*> FDS;
    // Per rule that found rows.
    std::vector<QLabel*> FLB;
    std::vector<QWidget*> FSP;
    std::vector<TDbGrid*> FGRID;

protected:
    void showEvent(QShowEvent* e) override;

private:
    // Statements that must find no row at the moment of deleting: rules of
    // kind 3, which may have gained rows since they were read.
    struct TGuard {
        QString Sql, Title;
    };
    std::vector<TGuard> FGuards;
    QVBoxLayout* FSections = nullptr;
    bool FLaidOut = false;
};

// A rule of SYS_DEPENDENCY that cannot be turned into a statement.
class ERuleError : public std::runtime_error {
public:
    explicit ERuleError(const QString& m) : std::runtime_error(m.toStdString()), FMessage(m) {}
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};

// The deletion check of a browser: row id of table, named nameText in the
// dialog's caption. Shows the dialog when rules other than kind 0 found rows;
// on Ok (or at once when no dialog is needed) deletes the dependent rows and,
// through deleteParent, the row itself in one transaction. True when all of
// it is committed.
bool DeleteWithDependencies(const QString& table, const QString& nameText, int id,
                            const std::function<void(TFbTransaction&)>& deleteParent,
                            QWidget* parent = nullptr);
