#pragma once

#include <QDialog>
#include <QList>
#include <QPoint>

class QBoxLayout;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TClientDataSet;
class TSizeHandles;
class IFieldDesigner;

// The fields designer: the administrator switches a table's five sheets of
// user-defined fields on and off and names them, creates and deletes fields,
// changes a field's caption, format, tab order and flags, and drags and
// sizes the fields into place.
class TfmUdf : public QDialog {
    Q_OBJECT
public:
    explicit TfmUdf(QWidget* parent = nullptr);

    QString FUdfTbName;
    QString FUdfTbDesc;
    QString FUdfDropdownDesc;
    int FCurrentUdfId = 0;
    bool FUdfNeedRefresh = false;
    TClientDataSet* Tb_CDS;   // the table's SYS_TABLENO row: the sheets
    TClientDataSet* Udf_CDS;  // the table's fields, changed until "Save"

    // Reads the sheets and fields of FUdfTbName; false, after the error, when
    // the table has no SYS_TABLENO row.
    bool OpenTable();
    void SetStatus();
    // Builds sheet tsNo (1-5) anew.
    void createTabSheetCtrls(int tsNo);
    QWidget* getGb(int tsNo) const { return FAreas[tsNo - 1]; }
    void ShowSheet(int tsNo);
    int CurrentSheet() const;
    void SetNodesVisible(bool visible);
    void cb1Click(int tsNo);
    void edChange(int tsNo);
    void btnNewClick();
    void btnDeleteClick();
    // Writes the field changes and every field's place; false when refused.
    bool btnSaveClick();

    QCheckBox* cbSheet[5];
    QLineEdit* edSheet[5];
    QPushButton* btnClose;
    QTabWidget* pgCtrl;
    QPushButton* btnNew;
    QPushButton* btnDelete;
    QLabel* lbType;
    QLineEdit* edCaption;
    QLineEdit* edFormat;
    QSpinBox* edTabOrder;
    QCheckBox* cbInGrid;
    QCheckBox* cbRequired;
    QPushButton* btnSave;
    TSizeHandles* FNodes;

    // The designer behind the browsers' "Design Fields".
    static IFieldDesigner* Designer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void BuildDataSets();
    void BuildSheetStrip(QBoxLayout* outer);
    void BuildSheetPages(QBoxLayout* body);
    void BuildFieldPanel(QBoxLayout* body);
    void ConnectFieldEditors();
    void ControlMouseDown(QWidget* c, QMouseEvent* e);
    void ControlMouseMove(QWidget* c, QMouseEvent* e);
    void ControlMouseUp(QWidget* c);
    void SelectField(QWidget* c);
    void Udf_CDSAfterEdit();
    // Field changes not saved: Yes saves, No drops them, Cancel keeps
    // them; false for Cancel or a refused save.
    bool ResolveUnsaved();
    bool Unsaved() const;
    void SetField(const QString& field, const QVariant& value);
    QWidget* FAreas[5];
    bool inReposition = false;
    bool FShowing = false;  // filling the field's boxes: no change of the user's
    QPoint oldPos;
};
