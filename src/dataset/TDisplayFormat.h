#pragma once

#include <QDate>
#include <QString>

#include "TMoney.h"

// Numeric display masks in the classic "FormatFloat" style: up to three
// sections "positive;negative;zero"; "0" a required digit, "#" an optional one,
// "," anywhere in the integer part turns on thousands grouping, "." the
// decimal point; other characters are copied, those between placeholders at
// their place among the digits ("000-000" shows 123456 as "123-456"). With a negative section, a
// negative value is shown by that section without a minus sign.
class TDisplayFormat {
public:
    // Money is rounded exactly (half away from zero) to the mask's decimals.
    static QString FormatMoney(const QString& mask, TMoney value);
    static QString FormatFloat(const QString& mask, double value);
    static QString FormatInteger(const QString& mask, qint64 value);
    // The system's short date format.
    static QString FormatDate(const QDate& d);

private:
    // magnitude as decimal digits: integer part and exactly `decimals` fraction digits.
    static QString Apply(const QString& mask, bool negative, bool isZero, const QString& intDigits,
                         const QString& fracDigits);
};
