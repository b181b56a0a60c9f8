#pragma once

#include <QPointer>
#include <QWidget>

#include "TDataSource.h"

class QLabel;
class TClientDataSet;
class TField;

// What every labelled control shares: the caption and the red required
// marker above one editor bound to a column, and the metadata of that column
// read from SYS_OBJECT when the control is loaded.
class TPnBase : public QWidget {
    Q_OBJECT
public:
    explicit TPnBase(QWidget* parent = nullptr);

    virtual void SetDataSource(TDataSource* ds);
    TDataSource* DataSource() const { return FSource; }
    virtual void SetDataField(const QString& field);
    const QString& DataField() const { return FDataField; }

    // Reads the table behind the data source and the column's caption,
    // required, read-only and insert-time flags. Forms call it once their
    // controls are bound.
    virtual void Loaded();

    QString Caption() const;
    bool Required() const { return FRequired; }
    void SetRequired(bool required);
    int CtrlFlag() const { return FCtrlFlag; }
    virtual bool ReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool readOnly);
    const QString& TableName() const { return FTableName; }
    // The editor's text, as the required check sees it.
    virtual QString Text() const = 0;
    virtual QWidget* Editor() const = 0;
    // Order of creation among all labelled controls (the required check walks it).
    quint64 CreationOrder() const { return FOrder; }

    QLabel* FLabelStar;
    QLabel* FLabelCaption;

protected:
    // Shows on editor that the column refused what is in it (red, with the
    // reason as its tip); an empty message shows it did not. A message box
    // at a keystroke would take the keys that follow. True when it changed.
    static bool MarkRefusal(QWidget* editor, const QString& message);
    // Makes editor read-only (or not) and shows it greyed as such.
    template <typename E>
    void ShowEditorReadOnly(E* editor, bool readOnly) {
        if (editor->isReadOnly() == readOnly) return;
        editor->setReadOnly(readOnly);
        QPalette p = editor->palette();
        p.setColor(QPalette::Base, palette().color(readOnly ? QPalette::Button : QPalette::Base));
        editor->setPalette(p);
    }
    // The bound column of the current row; null when there is none.
    TField* Field() const;
    TClientDataSet* DataSet() const;
    // Stores a value into the bound column, starting to edit when browsing.
    void StoreValue(const QVariant& v);
    // Shows the bound value in the editor.
    virtual void RefreshFromField() = 0;
    // Places the editor under the caption with the panel's width.
    void LayoutEditor(int editorHeight, bool derivedHeight);
    void resizeEvent(QResizeEvent* e) override;
    virtual void ApplyLayout() = 0;
    // Runs f with the control's own change handling off.
    bool FUpdating = false;
    // Bound to a record set that has no current row (closed or empty): there
    // is nothing to type into, so the editor takes no input meanwhile.
    bool NoRow() const { return FNoRow; }
    // What the editor shows: read-only by metadata or property, or no row.
    bool EditorReadOnly() const { return FReadOnly || FNoRow; }

    QString FTableName;
    bool FRequired = false;
    int FCtrlFlag = 0;
    bool FReadOnly = false;

private:
    bool ResolveTable();
    void ReadFieldMeta();
    // Re-applies the read-only state when the set gains or loses its current row.
    void FollowRow();
    bool FNoRow = false;

    QPointer<TDataSource> FSource;
    QString FDataField;
    quint64 FOrder;
};

// Parts of a SELECT statement, as the controls read them.
QString StripSqlClauses(const QString& sql);
QString TableNameFromSql(const QString& sql);
