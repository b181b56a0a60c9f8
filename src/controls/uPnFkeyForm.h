#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QToolButton;
class TClientDataSet;
class TDataSource;
class TDbGrid;
class TPnFkey;

// Where the picker goes: under the control, or above it (or bottom-aligned to
// the work area) when it would run off the bottom, kept inside the work area.
QRect PlacePicker(const QRect& control, int defWidth, int defHeight, const QRect& workArea);

// Pinyin initials of a text: every first-level GB2312 hanzi becomes the
// upper-case initial of its reading, every other character stays as it is.
// Gives what the database's PY function gives for the same text.
QString PinyinInitials(const QString& text);

// The lookup picker: lists the rows of the referenced table, filters them as
// the user types, and writes the chosen row into the record being edited.
class TfmPnFKey : public QWidget {
    Q_OBJECT
public:
    explicit TfmPnFKey(TPnFkey* owner);
    ~TfmPnFKey() override;

    // Set by the control before it is shown.
    int fmKeyId = -1;
    QString fmLookupSQL;
    QString fmLookupTable;
    QStringList* fmFields = nullptr;  // the control's lists, shared
    QStringList* fmWidths = nullptr;
    TPnFkey* fmOwner = nullptr;

    // How the picker ended.
    enum TPickResult { prChosen = 1, prCancelled = 2 };
    // Places the window under wnd and runs it; returns a TPickResult.
    int ShowModalAt(QWidget* wnd, int defWidth, int defHeight);
    int ShowModal();
    void SetSearchText(const QString& text);
    // Whether the picker is running (or being built) for its control.
    bool IsOpen() const { return FOpen; }
    // A key typed into the control while the picker is open: the search box
    // gets it, in the order typed, once it is ready to take keys.
    void TypeAhead(const QKeyEvent& e);

    void OpenLookupDS();
    // A shown column whose text can hold hanzi: its index among the fields
    // and its length in characters.
    struct TPYColumn {
        int Index;
        int Chars;
    };
    // Those columns as the statement describes them; none when pinyin search
    // is off.
    QList<TPYColumn> PYColumns();
    // Adds an empty text column PY_<i> for each of columns; FillPYFields
    // puts the initials into them once the rows are read.
    QString AddPYFieldsToSQL(const QString& sql, const QList<TPYColumn>& columns) const;
    void FillPYFields(const QList<TPYColumn>& columns);
    void HideIDAndPYColumns();
    int GetColumnNames();
    void ApplyFilter(bool filterOn);
    void ReturnSelection();
    void SaveColumnWidth();
    void Close(int result);

    TDbGrid* DBGrid1;
    QLabel* Label1;
    QLineEdit* edLookFor;
    QLabel* lbCount;
    QToolButton* sbtnNew;
    QToolButton* sbtnClose;
    QWidget* PanelBtns;
    TClientDataSet* CDS;
    TDataSource* DS;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    struct TTypedKey {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        QString Text;
    };
    void SendKey(const TTypedKey& k);
    QList<TTypedKey> FTypeAhead;  // keys typed before the search box was ready
    bool FOpen = false;
    bool FReady = false;  // the rows are read and the search box takes keys
    int FModalResult = 0;
    bool FRunning = false;
    bool FSearching = false;
};
