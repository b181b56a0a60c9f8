#include "uPnFkeyForm.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QStringDecoder>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDbGridModel.h"
#include "TSqlLexer.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"
#include "uPnFkey.h"

QRect PlacePicker(const QRect& control, int defWidth, int defHeight, const QRect& workArea) {
    int w = defWidth ? defWidth : qMax(60, control.width());
    int h = defHeight ? defHeight : w * 10 / 16;
    w = qMin(w, workArea.width());
    h = qMin(h, workArea.height());
    QRect r(control.left(), control.bottom() + 1, w, h);
    if (r.bottom() > workArea.bottom()) {
        if (control.top() - h > workArea.top())
            r.moveBottom(control.top() - 1);  // opens above the control
        else
            r.moveBottom(workArea.bottom());  // no room above: bottom-aligned
    }
    if (r.left() < workArea.left()) r.moveLeft(workArea.left());
    if (r.right() > workArea.right()) r.moveRight(workArea.right());
    return r;
}

namespace {

// The initial of each first-level GB2312 hanzi, indexed by its UTF-16 code
// unit (0 for every other character). Built once from the GB2312 codes, so
// it follows the same ranges as the database's PY function.
const QByteArray& InitialsByChar() {
    static const QByteArray table = []() {
        // Where each initial's run of codes starts, in GB2312 order; the last
        // run ends at 55289 (0xD7F9), the last first-level hanzi.
        static const struct {
            int From;
            char Letter;
        } runs[] = {{45217, 'A'}, {45253, 'B'}, {45761, 'C'}, {46318, 'D'}, {46826, 'E'},
                    {47010, 'F'}, {47297, 'G'}, {47614, 'H'}, {48119, 'J'}, {49062, 'K'},
                    {49324, 'L'}, {49896, 'M'}, {50371, 'N'}, {50614, 'O'}, {50622, 'P'},
                    {50906, 'Q'}, {51387, 'R'}, {51446, 'S'}, {52218, 'T'}, {52698, 'W'},
                    {52980, 'X'}, {53689, 'Y'}, {54481, 'Z'}};
        QByteArray t(0x10000, '\0');
        QStringDecoder gb("GB2312");
        for (int code = 45217; code <= 55289; ++code) {
            const int low = code & 0xFF;
            if (low < 0xA1 || low > 0xFE) continue;
            const char bytes[2] = {char(code >> 8), char(low)};
            const QString c = gb.decode(QByteArrayView(bytes, 2));
            if (c.size() != 1 || c[0] == QChar::ReplacementCharacter) continue;
            char letter = 'A';
            for (const auto& r : runs)
                if (code >= r.From) letter = r.Letter;
            t[c[0].unicode()] = letter;
        }
        return t;
    }();
    return table;
}

}  // namespace

QString PinyinInitials(const QString& text) {
    const QByteArray& table = InitialsByChar();
    QString out = text;
    QChar* d = nullptr;  // detached at the first hanzi only
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char letter = table[text[i].unicode()];
        if (!letter) continue;
        if (!d) d = out.data();
        d[i] = QLatin1Char(letter);
    }
    return out;
}

TfmPnFKey::TfmPnFKey(TPnFkey* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), fmOwner(owner) {
    setObjectName(QStringLiteral("fmPnFKey"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    SetStandardFont(this);
    resize(300, 160);
    CDS = new TClientDataSet(this);
    CDS->setObjectName(QStringLiteral("CDS"));
    DS = new TDataSource(this);
    DS->SetDataSet(CDS);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    DBGrid1 = new TDbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->SetDataSource(DS);
    DBGrid1->installEventFilter(this);
    layout->addWidget(DBGrid1, 1);
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(34);
    auto* pl = new QHBoxLayout(panel);
    pl->setContentsMargins(4, 2, 2, 2);
    Label1 = new QLabel(QStringLiteral("Srch"), panel);
    edLookFor = new QLineEdit(panel);
    edLookFor->setObjectName(QStringLiteral("edLookFor"));
    edLookFor->installEventFilter(this);
    Label1->setBuddy(edLookFor);
    PanelBtns = new QWidget(panel);
    PanelBtns->setFixedWidth(100);
    auto* bl = new QHBoxLayout(PanelBtns);
    bl->setContentsMargins(0, 0, 0, 0);
    lbCount = new QLabel(QStringLiteral("Count"), PanelBtns);
    lbCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sbtnNew = new QToolButton(PanelBtns);
    sbtnNew->setText(QStringLiteral("+"));
    sbtnClose = new QToolButton(PanelBtns);
    sbtnClose->setText(QStringLiteral("X"));
    sbtnClose->setToolTip(QStringLiteral("Close Search"));
    bl->addWidget(lbCount, 1);
    bl->addWidget(sbtnNew);
    bl->addWidget(sbtnClose);
    pl->addWidget(Label1);
    pl->addWidget(edLookFor, 1);
    pl->addWidget(PanelBtns);
    layout->addWidget(panel);
    connect(sbtnClose, &QToolButton::clicked, this, [this]() { Close(prCancelled); });
    connect(edLookFor, &QLineEdit::textChanged, this, [this]() {
        if (!FSearching) ApplyFilter(true);
    });
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, [this]() { ReturnSelection(); });
}

TfmPnFKey::~TfmPnFKey() = default;

void TfmPnFKey::SetSearchText(const QString& text) {
    const QScopedValueRollback<bool> searching(FSearching, true);
    edLookFor->setText(text);
}

int TfmPnFKey::ShowModalAt(QWidget* wnd, int defWidth, int defHeight) {
    const QRect control(wnd->mapToGlobal(QPoint(0, 0)), wnd->size());
    QScreen* screen = wnd->screen() ? wnd->screen() : QApplication::primaryScreen();
    setGeometry(PlacePicker(control, defWidth, defHeight, screen->availableGeometry()));
    return ShowModal();
}

void TfmPnFKey::TypeAhead(const QKeyEvent& e) {
    const TTypedKey k{e.key(), e.modifiers(), e.text()};
    if (FReady)
        SendKey(k);
    else
        FTypeAhead.append(k);
}

void TfmPnFKey::SendKey(const TTypedKey& k) {
    QKeyEvent press(QEvent::KeyPress, k.Key, k.Modifiers, k.Text);
    QCoreApplication::sendEvent(edLookFor, &press);
    QKeyEvent release(QEvent::KeyRelease, k.Key, k.Modifiers, k.Text);
    QCoreApplication::sendEvent(edLookFor, &release);
}

int TfmPnFKey::ShowModal() {
    FOpen = true;
    show();
    raise();
    activateWindow();
    // A statement the database refuses: its message once, and the picker goes.
    const bool opened = RunGuarded([this]() {
        try {
            OpenLookupDS();
        } catch (...) {
            hide();  // gone before the message shows
            throw;
        }
    });
    if (!opened) {
        FOpen = false;
        deleteLater();
        return prCancelled;
    }
    DBGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edLookFor->setFocus();
    edLookFor->deselect();
    edLookFor->setCursorPosition(edLookFor->text().size());
    FModalResult = 0;
    // Keys a quick typist sent before the window took the focus follow the
    // first one, in order (Return among them picks the row they found).
    FReady = true;
    while (!FTypeAhead.isEmpty() && FModalResult == 0) SendKey(FTypeAhead.takeFirst());
    FTypeAhead.clear();
    {
        const QScopedValueRollback<bool> running(FRunning, true);
        // The picker's own loop: it ends when it closes itself or when another
        // window becomes active (a click anywhere outside it).
        QEventLoop loop;
        while (FModalResult == 0) loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    FOpen = false;
    SaveColumnWidth();
    hide();
    const int result = FModalResult;
    deleteLater();
    return result;
}

void TfmPnFKey::Close(int result) {
    if (FModalResult == 0) FModalResult = result;
    QCoreApplication::postEvent(this, new QEvent(QEvent::User));  // wakes the loop
}

bool TfmPnFKey::event(QEvent* e) {
    // Another window became active, or the picker was closed: it ends.
    if ((e->type() == QEvent::WindowDeactivate || e->type() == QEvent::Close) && FRunning)
        Close(prCancelled);
    return QWidget::event(e);
}

QList<TfmPnFKey::TPYColumn> TfmPnFKey::PYColumns() {
    QList<TPYColumn> columns;
    if (!dmMain() || !dmMain()->PinyinSearch || !fmFields) return columns;
    // The statement's own description of its columns, without reading rows.
    CDS->CommandText = fmLookupSQL;
    CDS->ClearFields();
    CDS->UpdateFieldDefs();
    for (int i = 1; i < fmFields->size() && i < CDS->FieldCount(); ++i) {
        const TField* f = CDS->Field(i);
        // Numbers, dates and money have no hanzi; nor has text in NONE (0),
        // OCTETS (1) or ASCII (2).
        if (f->SqlCharSet <= 2) continue;
        if (f->DataType == TFbType::Memo) {
            columns.append({i, 2000});
        } else if (f->DataType == TFbType::Text) {
            // Bytes per character: 4 in UTF8, 3 in UNICODE_FSS; one is enough
            // to hold the text in any other set.
            const unsigned per = f->SqlCharSet == 4 ? 4 : f->SqlCharSet == 3 ? 3 : 1;
            columns.append({i, qMax(1, int(f->SqlLength / per))});
        }
    }
    CDS->ClearFields();
    return columns;
}

QString TfmPnFKey::AddPYFieldsToSQL(const QString& sql, const QList<TPYColumn>& columns) const {
    if (columns.isEmpty()) return sql;
    const TSqlLexer lex(sql);
    const int at = lex.Find({QStringLiteral("FROM")});
    if (at <= 0) return sql;
    // The new columns follow the last one, before any space or comment ahead
    // of FROM. They are only places: computing the initials in the statement
    // would run over every row of the table at every open. Each is as wide as
    // its text (one initial per character): the engine moves every row at the
    // declared width.
    const int from = lex.Tokens()[at - 1].End();
    QString list;
    for (const TPYColumn& c : columns)
        list += ",CAST(NULL AS VARCHAR(" + QString::number(c.Chars) +
                ") CHARACTER SET UTF8) AS PY_" + QString::number(c.Index);
    return sql.left(from) + list + sql.mid(from);
}

void TfmPnFKey::FillPYFields(const QList<TPYColumn>& columns) {
    for (const TPYColumn& c : columns) {
        const TField* text = CDS->Field(c.Index);
        const TField* py = CDS->FieldByName("PY_" + QString::number(c.Index));
        // Where the initials are the text itself, the search finds the row by
        // the text column already; a memo column is not searched by itself.
        const bool keepNull = text->DataType == TFbType::Text;
        for (int row = 0; row < CDS->RecordCount(); ++row) {
            const QVariant v = CDS->ValueAt(row, text);
            if (v.isNull()) continue;
            const QString s = v.toString();
            const QString initials = PinyinInitials(s);
            if (keepNull && initials == s) continue;
            CDS->SetValueAsRead(CDS->BookmarkOfRow(row), py, initials);
        }
    }
}

void TfmPnFKey::OpenLookupDS() {
    CDS->Close();
    CDS->SetConnection(&dmMain()->SQLConn_Main);
    const QList<TPYColumn> py = PYColumns();
    CDS->CommandText = AddPYFieldsToSQL(fmLookupSQL, py);
    CDS->ClearFields();
    CDS->Open();
    FillPYFields(py);
    DBGrid1->GridModel()->ResetColumns();
    HideIDAndPYColumns();
    lbCount->setText("(" + QString::number(CDS->RecordCount()) + ")");
    if (fmKeyId >= 0 && !CDS->IsEmpty() && fmFields && !fmFields->isEmpty())
        CDS->Locate((*fmFields)[0], fmKeyId);
    const int total = GetColumnNames();
    if (fmKeyId < 0) ApplyFilter(true);
    resize(total, height());
    const int search = total - edLookFor->x() - PanelBtns->width();
    if (search <= 20) {
        Label1->hide();
        edLookFor->setToolTip(Label1->text());
    }
}

void TfmPnFKey::HideIDAndPYColumns() {
    QHeaderView* h = DBGrid1->horizontalHeader();
    const int n = fmFields ? int(fmFields->size()) : 0;
    for (int i = 0; i < DBGrid1->ColumnCount(); ++i) h->setSectionHidden(i, i == 0 || i >= n);
}

int TfmPnFKey::GetColumnNames() {
    int total = 0;
    if (!fmFields || fmFields->isEmpty()) return total;
    QHash<QString, QPair<QString, int>> meta;
    dmMain()->ForEachRow(
        "SELECT FIELD,TITLE,LOOKUPWIDTH FROM SYS_OBJECT WHERE OBJECT=" +
            TdmMain::QuotedStr(fmLookupTable),
        [&](const TFbQuery& q) {
            meta.insert(q.AsString("FIELD"), {q.AsString("TITLE"), q.AsInteger("LOOKUPWIDTH")});
        });
    QHeaderView* h = DBGrid1->horizontalHeader();
    for (int i = 0; i < fmFields->size() && i < DBGrid1->ColumnCount(); ++i) {
        const auto it = meta.constFind((*fmFields)[i]);
        if (it != meta.cend()) {
            DBGrid1->SetTitle(i, it->first);
            const int w = it->second;
            h->resizeSection(i, w >= 640 || w <= 0 ? 100 : w);
        }
        if (!h->isSectionHidden(i)) total += h->sectionSize(i) + 2;
        (*fmWidths)[i] = QString::number(h->sectionSize(i));
    }
    total += style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 11;
    return total;
}

void TfmPnFKey::ApplyFilter(bool filterOn) {
    if (!filterOn) {
        CDS->SetFilter(TFilter());
        CDS->SetFiltered(false);
        return;
    }
    // The letters match whatever their case: "jasmine" finds "Jasmine Rice".
    const QString text = edLookFor->text();
    QStringList fields, conditions;
    for (int i = 1; i < CDS->FieldCount(); ++i) {
        TField* f = CDS->Field(i);
        if (f->DataType != TFbType::Text) continue;
        fields << f->FieldName;
        conditions << "UPPER(" + f->FieldName + ") LIKE " +
                          TdmMain::QuotedStr('%' + text.toUpper() + '%');
    }
    CDS->SetFilter(text.isEmpty() ? TFilter() : TFilter::AnyContainsNoCase(fields, text));
    CDS->SetFiltered(true);
    lbCount->setText("(" + QString::number(CDS->RecordCount()) + ")");
    edLookFor->setToolTip(text.isEmpty() ? QString() : conditions.join(QStringLiteral(" OR ")));
}

void TfmPnFKey::ReturnSelection() {
    if (CDS->IsEmpty() || !fmOwner) return;
    QVariantList row;
    for (int i = 0; i < CDS->FieldCount(); ++i) row << CDS->Field(i)->Value();
    fmOwner->ReturnSelection(row);
    Close(prChosen);
}

void TfmPnFKey::SaveColumnWidth() {
    if (!fmFields || !fmWidths) return;
    QHeaderView* h = DBGrid1->horizontalHeader();
    for (int i = 0; i < fmFields->size() && i < DBGrid1->ColumnCount(); ++i) {
        const int w = h->sectionSize(i);
        if (QString::number(w) == (*fmWidths)[i]) continue;
        dmMain()->ExecSQL("UPDATE SYS_OBJECT SET LOOKUPWIDTH=" + QString::number(w) +
                          " WHERE OBJECT=" + TdmMain::QuotedStr(fmLookupTable) +
                          " AND FIELD=" + TdmMain::QuotedStr((*fmFields)[i]));
        (*fmWidths)[i] = QString::number(w);
    }
}

bool TfmPnFKey::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (o == edLookFor) {
            switch (k->key()) {
                case Qt::Key_Escape:
                    Close(prCancelled);
                    return true;
                case Qt::Key_Down:
                    CDS->Next();
                    return true;
                case Qt::Key_Up:
                    CDS->Prior();
                    return true;
                case Qt::Key_Return:
                case Qt::Key_Enter:
                    ReturnSelection();
                    return true;
                default:
                    break;
            }
        } else if (o == DBGrid1) {
            if (k->key() == Qt::Key_Escape) {
                Close(prCancelled);
                return true;
            }
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                ReturnSelection();
                return true;
            }
        }
    }
    return QWidget::eventFilter(o, e);
}
