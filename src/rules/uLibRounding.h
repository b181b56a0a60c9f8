#pragma once

// Decimal rounding with ten modes and a tolerance for the error that binary
// floating point brings to decimal values (2.675 is stored as 2.67499999...).
// Computed in the widest floating-point type there is.

enum TRoundingMode {
    RoundNone = 0,
    RoundHalfEven = 1,
    RoundHalfUpward = 2,
    RoundHalfDownward = 3,
    RoundHalfTowardZero = 4,
    RoundHalfAwayFromZero = 5,
    RoundFloor = 6,
    RoundCeiling = 7,
    RoundTowardZero = 8,
    RoundAwayFromZero = 9
};

// Rounds value to digits decimal places (negative: tens, hundreds, ...);
// tolerance is the largest relative error of value to forgive.
long double RoundDecimal(long double value, int digits, double tolerance, int mode);
// RoundDecimal with the standard tolerance.
long double RoundDecimalStd(int digits, int mode, double value);
// Half away from zero with the standard tolerance: the rounding of amounts.
double RoundAmount(int digits, double value);
// The standard tolerance: the double whose bits are 3CC3C0000001E5ED.
double StdRoundingTolerance();
