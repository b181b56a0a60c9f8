#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <cstdint>

// An exact amount of money: a 64-bit count of ten-thousandths, as stored in the
// NUMERIC(18,4) columns. It never passes through floating point.
struct TMoney {
    static constexpr int64_t Scale = 10000;

    int64_t Value = 0;  // ten-thousandths

    constexpr TMoney() = default;
    constexpr explicit TMoney(int64_t tenThousandths) : Value(tenThousandths) {}

    static constexpr TMoney FromUnits(int64_t units) { return TMoney(units * Scale); }

    // Parses "1234.5678", "-0.5", "+12" exactly; at most four decimals.
    // Returns false (and leaves out unchanged) on anything else or on overflow.
    static bool FromString(const QString& text, TMoney& out);

    // Any value the database layer hands out, as money: money as is, a
    // double rounded to ten-thousandths, text parsed, an integer as units;
    // null (and unparsable text) gives 0.
    static TMoney FromVariant(const QVariant& v);

    // "1234.5678" style: always four decimals, no grouping.
    QString ToString() const;

    friend constexpr bool operator==(TMoney a, TMoney b) { return a.Value == b.Value; }
    friend constexpr bool operator!=(TMoney a, TMoney b) { return a.Value != b.Value; }
    friend constexpr bool operator<(TMoney a, TMoney b) { return a.Value < b.Value; }
    friend constexpr TMoney operator+(TMoney a, TMoney b) { return TMoney(a.Value + b.Value); }
    friend constexpr TMoney operator-(TMoney a, TMoney b) { return TMoney(a.Value - b.Value); }
};

Q_DECLARE_METATYPE(TMoney)
