#include "uPnDbDate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScopedValueRollback>

#include "TClientDataSet.h"
#include "uMessages.h"

TDbDate::TDbDate(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setMinimumDate(QDate(1753, 1, 1));
    // Four-digit years, so that what is typed is what is stored.
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy"))) format.replace(QStringLiteral("yy"), "yyyy");
    setDisplayFormat(format);
    // While typing, the value follows the text whenever it is a whole date
    // (so a Save from the tool bar takes what is shown); half a date typed is
    // no date and changes nothing.
    // The box's own caret handling selects and rewrites whole sections as the
    // caret moves; typed text is taken as it stands instead.
    disconnect(lineEdit(), &QLineEdit::cursorPositionChanged, this, nullptr);
    resize(100, height());
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* from, QWidget* to) {
        if (!FToldOnClick) return;
        if (from == this && !FToldTo)
            FToldTo = to;
        else
            FToldOnClick = false;  // the click is over
    });
    connect(this, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        if (!FUpdating) Store(d);
    });
}

void TDbDate::Store(const QDate& d) {
    TField* f = Field();
    if (!f) return;
    const QScopedValueRollback<bool> updating(FUpdating, true);
    // Whole days only.
    f->SetValue(f->DataType == TFbType::TimeStamp ? QVariant(QDateTime(d, QTime(0, 0)))
                                                  : QVariant(d));
}

QDate ParseTypedDate(const QString& text, const QString& displayFormat) {
    const QString t = text.simplified();
    if (t.isEmpty()) return QDate();
    QDate d = QLocale::system().toDate(t, displayFormat);
    if (!d.isValid()) d = QDate::fromString(t, displayFormat);
    if (d.isValid()) return d;
    // Day, month and year in the order the display format has them.
    const qsizetype dayAt = displayFormat.indexOf(QLatin1Char('d'));
    const qsizetype monthAt = displayFormat.indexOf(QLatin1Char('M'));
    const qsizetype yearAt = displayFormat.indexOf(QLatin1Char('y'));
    const bool monthFirst = monthAt >= 0 && dayAt >= 0 && monthAt < dayAt;
    const bool yearFirst = yearAt >= 0 && (dayAt < 0 || yearAt < dayAt);
    // Numbers only, between any of the usual separators: the year in four
    // digits (or first, as in 2026-12-01), so that no century is guessed.
    static const QRegularExpression numeric(
        QStringLiteral("^(\\d{1,4})\\s*[-/.\\s]\\s*(\\d{1,2})\\s*[-/.\\s]\\s*(\\d{1,4})$"));
    const QRegularExpressionMatch m = numeric.match(t);
    if (m.hasMatch()) {
        const QString a = m.captured(1), b = m.captured(2), c = m.captured(3);
        if (a.size() == 4) return QDate(a.toInt(), b.toInt(), c.toInt());
        if (c.size() != 4 || yearFirst) return QDate();
        return monthFirst ? QDate(c.toInt(), a.toInt(), b.toInt())
                          : QDate(c.toInt(), b.toInt(), a.toInt());
    }
    // The month by its name, short or long, before or after the day.
    const QLocale locales[] = {QLocale::system(), QLocale::c()};
    for (const QLocale& l : locales)
        for (const char* f : {"d MMM yyyy", "d MMMM yyyy", "MMM d yyyy", "MMMM d yyyy",
                              "d-MMM-yyyy", "MMM d, yyyy", "MMMM d, yyyy"}) {
            d = l.toDate(t, QString::fromLatin1(f));
            if (d.isValid()) return d;
        }
    return QDate();
}

QDate TDbDate::ParseTyped(const QString& text) const {
    const QDate d = ParseTypedDate(text, displayFormat());
    if (!d.isValid() || d < minimumDate() || d > maximumDate()) return QDate();
    return d;
}

QValidator::State TDbDate::validate(QString& input, int& pos) const {
    Q_UNUSED(pos);
    // Anything may stand in the box while it is typed; it is judged whole.
    return ParseTyped(input).isValid() ? QValidator::Acceptable : QValidator::Intermediate;
}

QDateTime TDbDate::dateTimeFromText(const QString& text) const {
    const QDate d = ParseTyped(text);
    return d.isValid() ? QDateTime(d, QTime(0, 0)) : QDateEdit::dateTimeFromText(text);
}

void TDbDate::fixup(QString& input) const {
    // No guessing: a text that is no date is refused, never turned into another date.
    Q_UNUSED(input);
}

bool TDbDate::Refuse() {
    FToldOnClick = false;
    if (ParseTyped(text()).isValid()) return true;
    // The typed text stays for a correction; the stored date is unchanged.
    const QScopedValueRollback<bool> telling(FTelling, true);
    ShowError("\"" + text().simplified() + "\" is not a valid date.");
    return false;
}

bool TDbDate::CheckTyped() {
    if (FToldOnClick && FToldTo && QApplication::focusWidget() == FToldTo &&
        !ParseTyped(text()).isValid()) {
        FToldOnClick = false;
        return false;
    }
    return Refuse();
}

void TDbDate::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (!Refuse()) {
            selectAll();
            return;
        }
        QDateEdit::keyPressEvent(e);
        return;
    }
    // Typing edits the text as in any box; the date box's own section
    // handling would drop digits and jump between day, month and year.
    const bool typing = (!e->text().isEmpty() && e->text().at(0).isPrint() &&
                         !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) ||
                        e->matches(QKeySequence::SelectAll) || e->key() == Qt::Key_Backspace ||
                        e->key() == Qt::Key_Delete || e->key() == Qt::Key_Left ||
                        e->key() == Qt::Key_Right || e->key() == Qt::Key_Home ||
                        e->key() == Qt::Key_End;
    if (typing && !isReadOnly()) {
        QCoreApplication::sendEvent(lineEdit(), e);
        return;
    }
    QDateEdit::keyPressEvent(e);
}

bool TDbDate::focusNextPrevChild(bool next) {
    // Tab leaves the box rather than stepping through its sections.
    return QWidget::focusNextPrevChild(next);
}

void TDbDate::focusInEvent(QFocusEvent* e) {
    FToldOnClick = false;
    QDateEdit::focusInEvent(e);
    // Coming in by keyboard, the whole date is selected, ready to be typed over.
    if (e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason ||
        e->reason() == Qt::ShortcutFocusReason)
        lineEdit()->selectAll();
}

void TDbDate::focusOutEvent(QFocusEvent* e) {
    // The date box's own handling would put a valid date over what was typed
    // (also when the message box takes the focus).
    if (FTelling || !Refuse()) {
        // A click elsewhere that checks the dates itself need not say it again.
        if (!FTelling && e->reason() == Qt::MouseFocusReason) {
            FToldOnClick = true;
            FToldTo = nullptr;
        }
        QWidget::focusOutEvent(e);
        return;
    }
    QDateEdit::focusOutEvent(e);
}

void TDbDate::SetDataSource(TDataSource* ds) {
    if (FSource) disconnect(FSource, nullptr, this, nullptr);
    FSource = ds;
    if (!ds) return;
    auto refresh = [this]() {
        if (!FUpdating) Refresh();
    };
    connect(ds, &TDataSource::DataChanged, this, refresh);
    connect(ds, &TDataSource::ActiveRowChanged, this, refresh);
    connect(ds, &TDataSource::LayoutChanged, this, refresh);
}

TField* TDbDate::Field() const {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    return (ds && ds->Active()) ? ds->FindField(FDataField) : nullptr;
}

void TDbDate::Refresh() {
    TField* f = Field();
    const QVariant v = f ? f->Value() : QVariant();
    QDate d = v.userType() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
    if (!d.isValid()) d = ZeroDate();
    // Writing the same date again would throw away what is being typed.
    if (d == date() && ParseTyped(text()) == d) return;
    const QScopedValueRollback<bool> updating(FUpdating, true);
    setDate(d);
}

TPnDbDate::TPnDbDate(QWidget* parent) : TPnBase(parent) {
    FDbDate = new TDbDate(this);
    FDbDate->setObjectName(QStringLiteral("FDbDate"));
    FLabelCaption->setBuddy(FDbDate);
    setFocusProxy(FDbDate);
    resize(120, 0);
    ApplyLayout();
}

void TPnDbDate::SetReadOnly(bool readOnly) {
    TPnBase::SetReadOnly(readOnly);
    FDbDate->setEnabled(!EditorReadOnly());
}

QString TPnDbDate::Text() const { return FDbDate->text(); }
QWidget* TPnDbDate::Editor() const { return FDbDate; }
void TPnDbDate::ApplyLayout() { LayoutEditor(FDbDate->sizeHint().height(), true); }
