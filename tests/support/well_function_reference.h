#pragma once

// The Theis well function W(u) = E1(u) by an independent route, in long double (64-bit mantissa):
// the power series where it converges without cancellation, the continued fraction beyond. Only
// for tests: it is slow, and holds the program's own evaluation to about 1e-16.

#include <cmath>

inline long double referenceWellFunction(long double u)
{
    constexpr long double EulerGamma = 0.577215664901532860606512090082402431L;
    if (u <= 2.0L) {
        // W(u) = -gamma - ln u - sum over k >= 1 of (-u)^k / (k k!)
        long double sum = 0.0L, term = 1.0L;
        for (int k = 1; k < 200; ++k) {
            term *= -u / k;
            long double add = term / k;
            sum += add;
            if (std::fabs(add) < 1e-22L * std::fabs(sum) + 1e-300L)
                break;
        }
        return -EulerGamma - std::log(u) - sum;
    }
    // W(u) = e^-u / (u + 1 - 1 / (u + 3 - 4 / (u + 5 - ...))), by the modified Lentz method.
    const long double tiny = 1e-4000L;
    long double b = u + 1.0L, c = 1.0L / tiny, d = 1.0L / b, h = d;
    for (int i = 1; i < 10000; ++i) {
        long double an = -static_cast<long double>(i) * i;
        b += 2.0L;
        d = 1.0L / (an * d + b);
        c = b + an / c;
        long double delta = c * d;
        h *= delta;
        if (std::fabs(delta - 1.0L) < 1e-21L)
            break;
    }
    return h * std::exp(-u);
}
