#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <limits>

#include "EFbError.h"

// An amount that money cannot hold. It is an error of the data layer like
// the engine's numeric overflow, so that a write that derives such an
// amount is refused the way the engine refuses one.
class EMoneyOverflow : public EFbError {
public:
    explicit EMoneyOverflow(const QString& message) : EFbError(message) {}
};

// An exact amount of money: a 64-bit count of ten-thousandths, as stored in the
// NUMERIC(18,4) columns. It never passes through floating point.
struct TMoney {
    static constexpr int64_t Scale = 10000;

    int64_t Value = 0;  // ten-thousandths

    constexpr TMoney() = default;
    constexpr explicit TMoney(int64_t tenThousandths) : Value(tenThousandths) {}

    static constexpr TMoney Min() { return TMoney(std::numeric_limits<int64_t>::min()); }
    static constexpr TMoney Max() { return TMoney(std::numeric_limits<int64_t>::max()); }
    // "-922337203685477.5808 and 922337203685477.5807", for messages.
    static QString RangeText();
    // The message of an amount beyond the range; what names the amount.
    static QString OutOfRangeMessage(const QString& what);

    // Checked conversions and arithmetic: false (out left unchanged) when the
    // result is not a number money can hold.
    static bool TryFromUnits(int64_t units, TMoney& out);
    // A double count of units, rounded to ten-thousandths (halves away from zero).
    static bool TryFromDouble(double units, TMoney& out);
    // A double count of ten-thousandths, rounded to a whole one (halves away from zero).
    static bool TryFromTenThousandths(double tenThousandths, TMoney& out);
    static bool TryAdd(TMoney a, TMoney b, TMoney& out);
    static bool TrySubtract(TMoney a, TMoney b, TMoney& out);

    // Whole units as money; throws EMoneyOverflow beyond the range.
    static TMoney FromUnits(int64_t units);

    // Parses "1234.5678", "-0.5", "+12" exactly; at most four decimals.
    // Returns false (and leaves out unchanged) on anything else or on overflow.
    static bool FromString(const QString& text, TMoney& out);

    // Any value the database layer hands out, as money: money as is, a
    // double rounded to ten-thousandths, text parsed, an integer as units;
    // null (and unparsable text) gives 0. A number beyond the range (or not a
    // number) throws EMoneyOverflow.
    static TMoney FromVariant(const QVariant& v);

    // "1234.5678" style: always four decimals, no grouping.
    QString ToString() const;

    friend constexpr bool operator==(TMoney a, TMoney b) { return a.Value == b.Value; }
    friend constexpr bool operator!=(TMoney a, TMoney b) { return a.Value != b.Value; }
    friend constexpr bool operator<(TMoney a, TMoney b) { return a.Value < b.Value; }
    // Throw EMoneyOverflow rather than wrap.
    friend TMoney operator+(TMoney a, TMoney b);
    friend TMoney operator-(TMoney a, TMoney b);
};

Q_DECLARE_METATYPE(TMoney)
