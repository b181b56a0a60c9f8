#include "uLibRounding.h"

#include <cmath>
#include <cstdint>
#include <cstring>

double StdRoundingTolerance() {
    const uint64_t bits = 0x3CC3C0000001E5EDull;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

namespace {
// Nearest integer, halves to even (the default rounding of the FPU).
long double Nearest(long double x) { return std::nearbyintl(x); }
}  // namespace

long double RoundDecimal(long double value, int digits, double tolerance, int mode) {
    const double asDouble = double(value);
    if (std::isnan(asDouble) || std::isinf(asDouble) || mode == RoundNone) return value;
    long double p = 1;
    for (int i = 0; i < std::abs(digits); ++i) p *= 10;
    const long double v = value;
    const long double err = std::fabs(v * static_cast<long double>(tolerance));
    const long double x = digits >= 0 ? v * p : v / p;
    const long double e = digits >= 0 ? err * p : err / p;
    const long double a = std::fabs(x);
    const long double h = e - 0.5L;
    long double n;
    switch (mode) {
        case RoundHalfEven: {
            const long double n1 = Nearest(x - e);
            n = std::fmod(n1, 2.0L) != 0 ? Nearest(x + e) : n1;
            break;
        }
        case RoundHalfUpward:
            n = Nearest(x + e);
            break;
        case RoundHalfDownward:
            n = Nearest(x - e);
            break;
        case RoundHalfTowardZero:
            n = Nearest(a - e);
            break;
        case RoundHalfAwayFromZero:
            n = Nearest(a + e);
            break;
        case RoundFloor:
            n = Nearest(x + h);
            break;
        case RoundCeiling:
            n = Nearest(x - h);
            break;
        case RoundTowardZero:
            n = Nearest(a + h);
            break;
        case RoundAwayFromZero:
            n = Nearest(a - h);
            break;
        default:
            n = Nearest(x);
            break;
    }
    long double r = digits >= 0 ? n / p : n * p;
    // These modes worked on the magnitude.
    if ((mode == RoundHalfTowardZero || mode == RoundHalfAwayFromZero || mode == RoundTowardZero ||
         mode == RoundAwayFromZero) &&
        v < 0)
        r = -r;
    return r;
}

long double RoundDecimalStd(int digits, int mode, double value) {
    return RoundDecimal(value, digits, StdRoundingTolerance(), mode);
}

double RoundAmount(int digits, double value) {
    return double(RoundDecimalStd(digits, RoundHalfAwayFromZero, value));
}
