// The record browser's saved searches (the search panel) and its quick date
// filter (the "Filter" drop-down).

#include <QActionGroup>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "EFbError.h"
#include "TClientDataSet.h"
#include "TFilter.h"
#include "uChild.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uMessages.h"

namespace {

// The first n characters of a text, never half of one made of two UTF-16
// units (the column counts characters, not units).
QString LeftChars(const QString& s, int n) {
    qsizetype units = 0;
    for (int c = 0; c < n && units < s.size(); ++c)
        units += s[units].isHighSurrogate() && units + 1 < s.size() && s[units + 1].isLowSurrogate()
                     ? 2
                     : 1;
    return s.left(units);
}

// The database compares names without their trailing blanks: so does the list.
QString NameKey(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == QLatin1Char(' ')) --n;
    return s.left(n);
}

struct TOperator {
    const char* Caption;
    const char* Sign;
};
const TOperator kOperators[] = {{"Contains", "LIKE"},
                                {"Not Contains", "NOT LIKE"},
                                {"Equals To", "="},
                                {"Not Equals To", "<>"},
                                {"Great Than", ">"},
                                {"Less Than", "<"},
                                {"Great Than or Equals To ", ">="},
                                {"Less Than or Equals To", "<="}};
const char* const kJoinCaptions[] = {"Above Condition Only", "And Below Condition",
                                     "Or Below Condition"};
const char* const kJoins[] = {"IGNORE", "AND", "OR"};

// The stored value of a drop-down's entry (its "hidden twin").
QString Stored(const QComboBox* c) {
    return c->currentIndex() < 0 ? QString() : c->currentData().toString();
}

void SelectStored(QComboBox* c, const QString& value) { c->setCurrentIndex(c->findData(value)); }

}  // namespace

// ------------------------------------------------------------ building

void TfmChild::BuildSearchPanel() {
    auto* v = new QVBoxLayout(PanelLeftBottomBottom);
    v->setContentsMargins(2, 2, 2, 2);
    lbFilter = new QListWidget(PanelLeftBottomBottom);
    lbFilter->setObjectName(QStringLiteral("lbFilter"));
    lbFilter->setAccessibleName(QStringLiteral("Saved Searches"));
    v->addWidget(lbFilter, 1);
    auto condition = [this, v](const char* con, const char* sign, const char* val, QComboBox*& c,
                               QComboBox*& s, QLineEdit*& e) {
        c = new QComboBox(PanelLeftBottomBottom);
        c->setObjectName(QString::fromLatin1(con));
        s = new QComboBox(PanelLeftBottomBottom);
        s->setObjectName(QString::fromLatin1(sign));
        for (const TOperator& o : kOperators)
            s->addItem(QString::fromLatin1(o.Caption), QString::fromLatin1(o.Sign));
        e = new QLineEdit(PanelLeftBottomBottom);
        e->setObjectName(QString::fromLatin1(val));
        e->setMaxLength(100);
        v->addWidget(c);
        v->addWidget(s);
        v->addWidget(e);
    };
    condition("cbCon1", "cbSign1", "edVal1", cbCon1, cbSign1, edVal1);
    cbAndOr = new QComboBox(PanelLeftBottomBottom);
    cbAndOr->setObjectName(QStringLiteral("cbAndOr"));
    for (int i = 0; i < 3; ++i)
        cbAndOr->addItem(QString::fromLatin1(kJoinCaptions[i]), QString::fromLatin1(kJoins[i]));
    v->addWidget(cbAndOr);
    condition("cbCon2", "cbSign2", "edVal2", cbCon2, cbSign2, edVal2);
    auto* buttons = new QHBoxLayout;
    auto button = [this, buttons](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), PanelLeftBottomBottom);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    btnFilterFind = button("btnFilterFind", "Search");
    btnFilterNew = button("btnFilterNew", "Save");
    btnFilterDel = button("btnFilterDel", "Delete");
    v->addLayout(buttons);
    cbSign1->setCurrentIndex(0);
    cbAndOr->setCurrentIndex(0);
    cbSign2->setCurrentIndex(-1);

    connect(lbFilter, &QListWidget::itemClicked, this,
            [this]() { Guarded([this]() { lbFilterClick(); }); });
    connect(lbFilter, &QListWidget::itemDoubleClicked, this,
            [this]() { Guarded([this]() { lbFilterDblClick(); }); });
    connect(cbAndOr, &QComboBox::activated, this, [this]() { cbAndOrCloseUp(); });
    connect(btnFilterFind, &QPushButton::clicked, this,
            [this]() { Guarded([this]() { btnFilterFindClick(); }); });
    connect(btnFilterNew, &QPushButton::clicked, this,
            [this]() { Guarded([this]() { btnFilterNewClick(); }); });
    connect(btnFilterDel, &QPushButton::clicked, this,
            [this]() { Guarded([this]() { btnFilterDelClick(); }); });
    for (QLineEdit* e : {edVal1, edVal2})
        connect(e, &QLineEdit::returnPressed, this,
                [this]() { Guarded([this]() { btnFilterFindClick(); }); });
}

void TfmChild::BuildQuickFilter() {
    PopupFilter = new QMenu(btnFilter);
    PopupFilter->setObjectName(QStringLiteral("PopupFilter"));
    auto* group = new QActionGroup(PopupFilter);
    auto item = [this, group](const char* name, const QString& caption, int tag) {
        QAction* a = PopupFilter->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        a->setData(tag);
        group->addAction(a);
        return a;
    };
    FilterNone = item("FilterNone", QStringLiteral("None"), QuickFilterNone);
    FilterNone->setChecked(true);
    PopupFilter->addSeparator();
    FilterToday = item("FilterToday", QStringLiteral("Today"), QuickFilterToday);
    FilterWeek = item("FilterWeek", QStringLiteral("This Week"), QuickFilterWeek);
    FilterMonth = item("FilterMonth", QStringLiteral("This Month"), QuickFilterMonth);
    btnFilter->setMenu(PopupFilter);
    connect(PopupFilter, &QMenu::triggered, this,
            [this](QAction* a) { Guarded([this, a]() { popFilterNoClick(a); }); });
}

void TfmChild::SetQuickFilterCaptions(const QString& today, const QString& week,
                                      const QString& month) {
    FilterToday->setText(today);
    FilterWeek->setText(week);
    FilterMonth->setText(month);
}

// ------------------------------------------------------------ saved searches

void TfmChild::FilterLoad() {
    if (Config.TableName.isEmpty() || lbFilter->count() > 0) return;
    cbCon2->clear();
    for (int i = 0; i < cbCon1->count(); ++i)
        cbCon2->addItem(cbCon1->itemText(i), cbCon1->itemData(i));
    cbCon2->setCurrentIndex(cbCon2->count() - 1);
    dmMain()->ForEachRow(
        "SELECT * FROM SYS_FILTER WHERE TABLENAME=" + TdmMain::QuotedStr(Config.TableName),
        [this](const TFbQuery& q) { lbFilter->addItem(q.AsString("NAME")); });
    if (lbFilter->count() > 0) {
        lbFilter->setCurrentRow(0);
        lbFilterClick();
    }
    FilterSetButtonStatus();
}

void TfmChild::FilterSetButtonStatus() {
    btnFilterDel->setEnabled(lbFilter->count() > 0);
    if (lbFilter->count() > 0) return;
    for (QComboBox* c : {cbCon1, cbCon2}) c->setCurrentIndex(c->count() > 0 ? 0 : -1);
    for (QComboBox* s : {cbSign1, cbSign2}) s->setCurrentIndex(0);
    edVal1->clear();
    edVal2->clear();
}

void TfmChild::lbFilterClick() {
    QListWidgetItem* item = lbFilter->currentItem();
    if (!item) return;
    bool found = false;
    dmMain()->ForEachRow(
        "SELECT * FROM SYS_FILTER WHERE TABLENAME=" + TdmMain::QuotedStr(Config.TableName) +
            " AND NAME=" + TdmMain::QuotedStr(item->text()),
        [&](const TFbQuery& q) {
            if (found) return;
            found = true;
            SelectStored(cbCon1, q.AsString("FIELD1"));
            SelectStored(cbSign1, q.AsString("SIGN1"));
            SelectStored(cbCon2, q.AsString("FIELD2"));
            SelectStored(cbSign2, q.AsString("SIGN2"));
            SelectStored(cbAndOr, q.AsString("ANDOR"));
            edVal1->setText(q.AsString("VALUE1_VARCHAR"));
            edVal2->setText(q.AsString("VALUE2_VARCHAR"));
        });
    if (!found) ShowError(QStringLiteral("No record found"));
}

void TfmChild::cbAndOrCloseUp() {
    if (cbAndOr->currentIndex() <= 0) {
        cbCon2->setCurrentIndex(-1);
        cbSign2->setCurrentIndex(-1);
        edVal2->clear();
    } else {
        cbCon2->setCurrentIndex(cbCon2->count() - 1);
        cbSign2->setCurrentIndex(cbSign2->count() - 1);
    }
}

bool TfmChild::FilterValidateFields(QString& Err) {
    for (QComboBox* c : {cbCon1, cbCon2, cbSign1, cbSign2, cbAndOr})
        if (c->currentIndex() < 0 && c->count() > 0) c->setCurrentIndex(0);
    Err.clear();
    if (edVal1->text().isEmpty()) {
        Err = QStringLiteral("Condition 1 cannot be empty");
        edVal1->setFocus();
    }
    if (cbAndOr->currentIndex() > 0) {
        if (edVal2->text().isEmpty()) {
            Err += QStringLiteral(" Condition 2 cannot be empty");
            edVal2->setFocus();
        }
    } else {
        edVal2->clear();
        cbCon2->setCurrentIndex(-1);
        cbSign2->setCurrentIndex(-1);
    }
    Err = Err.trimmed();
    return Err.isEmpty();
}

QString TfmChild::FilterCondition() const {
    auto one = [this](const QComboBox* con, const QComboBox* sign, const QLineEdit* val) {
        const QString c = Stored(con);
        const QString op = Stored(sign);
        QString v = val->text();
        QString escape;
        if (sign->currentIndex() <= 1) {
            // What is typed is found as typed: "%" and "_" are not wildcards.
            v.replace('\\', QStringLiteral("\\\\"))
                .replace('%', QStringLiteral("\\%"))
                .replace('_', QStringLiteral("\\_"));
            v = '%' + v + '%';
            escape = QStringLiteral(" ESCAPE '\\'");
        }
        v = TdmMain::QuotedStr(v) + escape;
        const int l = GetLookupFieldIndexByLookupFieldName(Config.TableName, c);
        if (l < 0) return c + ' ' + op + ' ' + v;
        const TLookupField& lf = FLookupFieldsArray[size_t(l)];
        QStringList terms;
        for (const QString& r : lf.LookupResultFields.split(','))
            terms << r.trimmed() + ' ' + op + ' ' + v;
        return lf.BaseFieldName + " IN (SELECT ID FROM " + lf.LookupTableName + " WHERE " +
               terms.join(QStringLiteral(" OR ")) + ')';
    };
    QString condition = one(cbCon1, cbSign1, edVal1);
    if (cbAndOr->currentIndex() > 0)
        condition += ' ' + Stored(cbAndOr) + ' ' + one(cbCon2, cbSign2, edVal2);
    return condition;
}

void TfmChild::btnFilterFindClick() {
    QString err;
    if (!FilterValidateFields(err)) {
        ShowInformation(err);
        return;
    }
    const QString sql =
        "SELECT " + Config.SelectList + " FROM " + Config.TableName + " WHERE " + FilterCondition();
    FListedFolderId = -1;
    DBGrid1->SelectedRows().Clear();
    Child_CDS->Close();
    Child_CDS->CommandText = sql;
    try {
        Child_CDS->Open();
    } catch (const EFbError& e) {
        Child_CDS->Close();
        ShowError(sql + "\r\r" +
                  QStringLiteral("Error happend due to mismatched data type provided") + ": " +
                  e.Message());
        return;
    }
    OpenSubSet();
    if (Child_CDS->IsEmpty()) ShowError(QStringLiteral("No record found"));
}

void TfmChild::btnFilterNewClick() {
    QString err;
    if (!FilterValidateFields(err)) {
        ShowInformation(err);
        return;
    }
    QString name;
    if (!InputQuery(QStringLiteral("Please enter filter name"),
                    QStringLiteral("Please enter filter name"), name) ||
        name.isEmpty())
        return;
    // Blanks around a name are not part of it: the database would not tell
    // "A" from "A " apart, and one delete would take both.
    name = LeftChars(name.trimmed(), 30).trimmed();
    if (name.isEmpty()) return;
    bool taken = false;
    for (int i = 0; i < lbFilter->count() && !taken; ++i)
        taken = NameKey(lbFilter->item(i)->text()) == name;
    // Saved meanwhile from another window or by another user.
    taken =
        taken || dmMain()->SelectValue(
                             "SELECT COUNT(*) FROM SYS_FILTER WHERE TABLENAME=:T AND NAME=:N",
                             {{QStringLiteral("T"), Config.TableName}, {QStringLiteral("N"), name}})
                         .toInt() > 0;
    if (taken) {
        ShowInformation(QString::fromUtf8("该邮件过滤器名字已经存在"));
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    dmMain()->InsertSysFilter(Config.TableName, name, Stored(cbCon1), Stored(cbSign1),
                              edVal1->text(), Stored(cbAndOr), Stored(cbCon2), Stored(cbSign2),
                              edVal2->text(), now, now, 0, 0, 0, -9999, true, true, true, 0, 0);
    lbFilter->addItem(name);
    lbFilter->setCurrentRow(lbFilter->count() - 1);
    FilterSetButtonStatus();
}

void TfmChild::btnFilterDelClick() {
    QListWidgetItem* item = lbFilter->currentItem();
    if (lbFilter->count() == 0 || !item) {
        ShowInformation(QStringLiteral("No record found"));
        return;
    }
    if (!ConfirmYesNo(QStringLiteral("Are you sure to delete:") + item->text())) return;
    const QString key = NameKey(item->text());
    dmMain()->DeleteSysFilter(Config.TableName, item->text());
    // Every listed name the delete matched is gone (names saved earlier with
    // trailing blanks).
    for (int i = lbFilter->count() - 1; i >= 0; --i)
        if (NameKey(lbFilter->item(i)->text()) == key) delete lbFilter->item(i);
    if (lbFilter->count() > 0) {
        lbFilter->setCurrentRow(0);
        lbFilterClick();
    }
    FilterSetButtonStatus();
}

// ------------------------------------------------------------ quick date filter

void TfmChild::popFilterNoClick(QAction* item) {
    if (item->data().toInt() != QuickFilterNone && !FetchAllRows())
        return;  // a filter sees every row
    item->setChecked(true);
    const int tag = item->data().toInt();
    TFilter filter;
    QString description;
    if (Config.FilterField != QLatin1String("NOT APPLICABLE") && !Config.FilterField.isEmpty()) {
        const QDate today = TdmMain::Today();
        if (tag == QuickFilterToday)
            filter = TFilter::DateEquals(Config.FilterField, today);
        else if (tag == QuickFilterWeek)
            filter =
                TFilter::DateOnOrAfter(Config.FilterField, today.addDays(1 - today.dayOfWeek()));
        else if (tag == QuickFilterMonth)
            filter =
                TFilter::DateOnOrAfter(Config.FilterField, QDate(today.year(), today.month(), 1));
        if (tag != QuickFilterNone) description = item->text();
    }
    Child_CDS->SetFilter(filter);
    Child_CDS->SetFiltered(!filter.IsEmpty());
    StatusPanels[2]->setText(QStringLiteral("Filtered By: ") + description);
    ShowRecordCount();
}
