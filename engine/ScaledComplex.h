#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/FloatExp.h"

// Products and sums of CComplexExp values with the same bits as its own
// operators, done in plain doubles: each value is brought near 1 by a power of
// two, where a product or a sum rounds exactly as CFloatExp's mantissas do.
// Where the values are too far apart for that, the operators do the work.
// (Zeros may come out with the other sign; nothing here divides by one.)
namespace scaled_complex {

// Parts of a value more than this far below its larger part leave it to the
// operators: scaled, every product then stays far inside the doubles' range.
inline constexpr std::int64_t kSpread = 200;
// Two products whose scales lie further apart than this are added by the rule
// that the far smaller one is lost, or by the operators.
inline constexpr std::int64_t kShift = 100;

// 2^k for -1022 <= k <= 1023.
inline double Pow2(std::int64_t k) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(1023 + k) << 52);
}

// The binary exponent of a normal double that is not zero.
inline std::int64_t ExponentOf(double x) {
    return static_cast<std::int64_t>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7FF) - 1023;
}

// z as (re, im) times 2^e, both parts in doubles; false where z is zero, not
// finite, or has a part that is not zero far below the other.
struct CScaled {
    double re = 0.0;
    double im = 0.0;
    std::int64_t e = 0;

    bool From(const CComplexExp& z) {
        if (!std::isfinite(z.re.Mantissa()) || !std::isfinite(z.im.Mantissa()) ||
            (z.re.IsZero() && z.im.IsZero())) {
            return false;
        }
        e = z.Exponent();
        return Part(z.re, re) && Part(z.im, im);
    }

private:
    bool Part(const CFloatExp& x, double& out) const {
        if (x.IsZero()) {
            out = 0.0;
            return true;
        }
        if (e - x.Exponent() > kSpread) {
            return false;
        }
        out = x.Mantissa() * Pow2(x.Exponent() - e);
        return true;
    }
};

// a x in the order of CComplexExp's operator*.
inline void Multiply(const CScaled& a, const CScaled& x, double& re, double& im) {
    re = a.re * x.re - a.im * x.im;
    im = a.re * x.im + a.im * x.re;
}

// Whether p + q is p bit for bit: q below 2^(eq + 3), p of exponent ep.
inline bool Swamps(double p, std::int64_t ep, std::int64_t eq) {
    return p != 0.0 && ep + ExponentOf(p) - (eq + 3) > 64;
}

}  // namespace scaled_complex

// a * x for a of the parts (ar, ai) in doubles.
inline CComplexExp ScaledProduct(double ar, double ai, const CComplexExp& x) {
    using namespace scaled_complex;
    CScaled sx;
    // Parts of a not zero from 2^-700 up keep the products far inside the range.
    const auto fits = [](double p) {
        return p == 0.0 || (ExponentOf(p) >= -700 && ExponentOf(p) < 1000);
    };
    if (!fits(ar) || !fits(ai) || !sx.From(x)) {
        return CComplexExp{CFloatExp::FromDouble(ar), CFloatExp::FromDouble(ai)} * x;
    }
    return {CFloatExp::FromParts(ar * sx.re - ai * sx.im, sx.e),
            CFloatExp::FromParts(ar * sx.im + ai * sx.re, sx.e)};
}

// a * x + b * y.
inline CComplexExp ScaledProductSum(const CComplexExp& a, const CComplexExp& x,
                                    const CComplexExp& b, const CComplexExp& y) {
    using namespace scaled_complex;
    CScaled sa;
    CScaled sx;
    CScaled sb;
    CScaled sy;
    if (!sa.From(a) || !sx.From(x) || !sb.From(b) || !sy.From(y)) {
        return a * x + b * y;
    }
    double pr = 0.0;
    double pi = 0.0;
    double qr = 0.0;
    double qi = 0.0;
    Multiply(sa, sx, pr, pi);
    Multiply(sb, sy, qr, qi);
    const std::int64_t ep = sa.e + sx.e;
    const std::int64_t eq = sb.e + sy.e;
    const std::int64_t shift = eq - ep;
    if (shift >= -kShift && shift <= kShift) {
        const double s = Pow2(shift);
        return {CFloatExp::FromParts(pr + qr * s, ep), CFloatExp::FromParts(pi + qi * s, ep)};
    }
    if (Swamps(pr, ep, eq) && Swamps(pi, ep, eq)) {
        return {CFloatExp::FromParts(pr, ep), CFloatExp::FromParts(pi, ep)};
    }
    if (Swamps(qr, eq, ep) && Swamps(qi, eq, ep)) {
        return {CFloatExp::FromParts(qr, eq), CFloatExp::FromParts(qi, eq)};
    }
    return a * x + b * y;
}

// z.Norm().
inline CFloatExp ScaledNorm(const CComplexExp& z) {
    scaled_complex::CScaled s;
    if (!s.From(z)) {
        return z.Norm();
    }
    return CFloatExp::FromParts(s.re * s.re + s.im * s.im, 2 * s.e);
}
