#include "uPnBase.h"

#include <QLabel>
#include <QResizeEvent>
#include <QScopedValueRollback>

#include "TClientDataSet.h"
#include "TSqlLexer.h"
#include "uDmMain.h"
#include "uMessages.h"

namespace {
quint64 g_created = 0;
}

QString StripSqlClauses(const QString& sql) {
    // Everything before the statement's own clauses; those of a subselect stay.
    const TSqlLexer lex(sql);
    const int cut =
        lex.Find({QStringLiteral("WHERE"), QStringLiteral("GROUP BY"), QStringLiteral("HAVING"),
                  QStringLiteral("PLAN"), QStringLiteral("ORDER BY"), QStringLiteral("ROWS"),
                  QStringLiteral("UNION")});
    return cut < 0 ? sql.trimmed() : sql.left(lex.Tokens()[cut].Pos).trimmed();
}

QString TableNameFromSql(const QString& sql) { return ParseSelect(sql).Table; }

TPnBase::TPnBase(QWidget* parent) : QWidget(parent), FOrder(++g_created) {
    setFocusPolicy(Qt::TabFocus);
    FLabelCaption = new QLabel(QStringLiteral("Caption"), this);
    FLabelCaption->setObjectName(QStringLiteral("FLabelCaption"));
    QPalette link = FLabelCaption->palette();
    link.setColor(QPalette::WindowText, link.color(QPalette::Link));
    FLabelCaption->setPalette(link);
    FLabelStar = new QLabel(QStringLiteral("*"), this);
    FLabelStar->setObjectName(QStringLiteral("FLabelStar"));
    QPalette red = FLabelStar->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    FLabelStar->setPalette(red);
    FLabelStar->hide();
    FLabelCaption->adjustSize();
    FLabelStar->adjustSize();
}

void TPnBase::SetDataSource(TDataSource* ds) {
    if (FSource) disconnect(FSource, nullptr, this, nullptr);
    FSource = ds;
    if (ds) {
        auto refresh = [this]() {
            FollowRow();
            if (!FUpdating) RefreshFromField();
        };
        connect(ds, &TDataSource::DataChanged, this, refresh);
        connect(ds, &TDataSource::ActiveRowChanged, this, refresh);
        connect(ds, &TDataSource::LayoutChanged, this, refresh);
        connect(ds, &TDataSource::StateChanged, this, refresh);
    }
    FollowRow();
}

void TPnBase::FollowRow() {
    TClientDataSet* ds = DataSet();
    const bool noRow = ds && (!ds->Active() || ds->RecNo() < 0);
    if (noRow == FNoRow) return;
    FNoRow = noRow;
    SetReadOnly(FReadOnly);
}

void TPnBase::SetDataField(const QString& field) {
    FDataField = field;
    if (objectName().isEmpty()) setObjectName("pn" + field);
}

QString TPnBase::Caption() const { return FLabelCaption->text(); }

void TPnBase::SetRequired(bool required) {
    FRequired = required;
    FLabelStar->setVisible(required);
    FLabelStar->move(FLabelCaption->width() + 10, 0);
    FLabelStar->raise();
}

void TPnBase::SetReadOnly(bool readOnly) { FReadOnly = readOnly; }

TClientDataSet* TPnBase::DataSet() const { return FSource ? FSource->DataSet() : nullptr; }

TField* TPnBase::Field() const {
    TClientDataSet* ds = DataSet();
    return (ds && ds->Active()) ? ds->FindField(FDataField) : nullptr;
}

void TPnBase::StoreValue(const QVariant& v) {
    TField* f = Field();
    if (!f) return;
    const QScopedValueRollback<bool> updating(FUpdating, true);
    f->SetValue(v);
}

bool TPnBase::ResolveTable() {
    if (!FSource) {
        ShowInformation("Datasource not set for: " + objectName());
        return false;
    }
    TClientDataSet* ds = FSource->DataSet();
    if (!ds || ds->CommandText.isEmpty())
        ShowInformation("CommandText not set for: " + objectName() + "." +
                        (ds ? ds->objectName() : QString()));
    else
        FTableName = TableNameFromSql(ds->CommandText);
    if (!ds || !ds->Connection()) {
        ShowInformation("SQLConnection not set for: " + objectName());
        return false;
    }
    return true;
}

void TPnBase::ReadFieldMeta() {
    if (FDataField.isEmpty()) {
        ShowInformation("DataSet not set for: " + objectName());
        return;
    }
    if (FTableName.isEmpty()) return;
    QString title;
    int required = 0, readOnly = 0, ctrlFlag = 0;
    dmMain()->ForEachRow(
        QStringLiteral("SELECT TITLE,REQUIRED,READONLY,CTRLFLAG,FORMATSTR FROM SYS_OBJECT WHERE "
                       "OBJECT=:OBJECT AND FIELD=:FIELD"),
        [&](const TFbQuery& q) {
            title = q.AsString("TITLE");
            required = q.AsInteger("REQUIRED");
            readOnly = q.AsInteger("READONLY");
            ctrlFlag = q.AsInteger("CTRLFLAG");
        },
        {{"OBJECT", FTableName}, {"FIELD", FDataField}});
    FLabelCaption->setText(title);
    FLabelCaption->adjustSize();
    if (Editor()) Editor()->setAccessibleName(title);
    SetRequired(required == 1);
    FCtrlFlag = ctrlFlag;
    if (readOnly == 1) SetReadOnly(true);
}

void TPnBase::Loaded() {
    if (ResolveTable()) ReadFieldMeta();
    ApplyLayout();
    RefreshFromField();
}

void TPnBase::LayoutEditor(int editorHeight, bool derivedHeight) {
    QWidget* ed = Editor();
    const int top = FLabelCaption->fontMetrics().height() + 5;
    if (derivedHeight) {
        const int h = top + editorHeight + 2;
        if (height() != h) setFixedHeight(h);
        ed->setGeometry(0, top, width(), editorHeight);
    } else {
        if (minimumHeight() < 60) setMinimumHeight(60);
        ed->setGeometry(0, top, width(), qMax(0, height() - top));
    }
}

void TPnBase::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    ApplyLayout();
}

bool TPnBase::MarkRefusal(QWidget* editor, const QString& message) {
    if (message == editor->toolTip()) return false;
    editor->setToolTip(message);
    QPalette p = editor->palette();
    p.setColor(QPalette::Text, message.isEmpty()
                                   ? editor->parentWidget()->palette().color(QPalette::Text)
                                   : QColor(Qt::red));
    editor->setPalette(p);
    return true;
}
