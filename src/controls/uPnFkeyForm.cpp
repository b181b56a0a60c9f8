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

int TfmPnFKey::ShowModal() {
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
        deleteLater();
        return prCancelled;
    }
    DBGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edLookFor->setFocus();
    edLookFor->deselect();
    edLookFor->setCursorPosition(edLookFor->text().size());
    FModalResult = 0;
    {
        const QScopedValueRollback<bool> running(FRunning, true);
        // The picker's own loop: it ends when it closes itself or when another
        // window becomes active (a click anywhere outside it).
        QEventLoop loop;
        while (FModalResult == 0) loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
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

QString TfmPnFKey::AddPYFieldsToSQL(const QString& sql) const {
    if (!dmMain() || !dmMain()->PinyinSearch || !fmFields) return sql;
    const TSqlLexer lex(sql);
    const int at = lex.Find({QStringLiteral("FROM")});
    if (at <= 0) return sql;
    // The new columns follow the last one, before any space or comment ahead of FROM.
    const int from = lex.Tokens()[at - 1].End();
    QString list;
    for (int i = 1; i < fmFields->size(); ++i)
        list += ",PY(" + (*fmFields)[i] + ") AS PY_" + QString::number(i);
    return sql.left(from) + list + sql.mid(from);
}

void TfmPnFKey::OpenLookupDS() {
    CDS->Close();
    CDS->SetConnection(&dmMain()->SQLConn_Main);
    CDS->CommandText = AddPYFieldsToSQL(fmLookupSQL);
    CDS->ClearFields();
    CDS->Open();
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
