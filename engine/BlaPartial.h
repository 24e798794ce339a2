#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/FloatExp.h"

// Steps of many updates along a reference orbit while they are built: in
// CFloatExp anywhere, and in plain doubles, far faster, where every value
// stays well inside their range. The arithmetic is the same; doubles lose
// only terms far below the rounding of the others, where products of them
// leave the doubles' range. For code built with -ffp-contract=off only.
namespace bla_partial {

// A complex number of two doubles, with CComplexExp's operators and order.
struct CDoubleComplex {
    double re = 0.0;
    double im = 0.0;

    friend CDoubleComplex operator+(const CDoubleComplex& a, const CDoubleComplex& b) {
        return {a.re + b.re, a.im + b.im};
    }
    friend CDoubleComplex operator*(const CDoubleComplex& a, const CDoubleComplex& b) {
        return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
    }
    double Norm() const { return re * re + im * im; }
};

// What the steps need of a real type.
template <typename R>
struct CReal;

template <>
struct CReal<CFloatExp> {
    using Complex = CComplexExp;
    static CFloatExp Of(double x) { return CFloatExp::FromDouble(x); }
    static CFloatExp Pow2(int e) { return CFloatExp::FromParts(1.0, e); }
    static CFloatExp Huge() { return CFloatExp::FromParts(1.0, 1 << 20); }
    static CFloatExp Sqrt(const CFloatExp& x) { return x.Sqrt(); }
    static bool Positive(const CFloatExp& x) { return x.Mantissa() > 0.0; }
    static bool IsZero(const CFloatExp& x) { return x.IsZero(); }
    static CFloatExp Divide(const CFloatExp& x, const CFloatExp& y) {
        return x * CFloatExp::FromDouble(1.0 / y.Mantissa()) *
               CFloatExp::FromParts(1.0, -y.Exponent());
    }
};

template <>
struct CReal<double> {
    using Complex = CDoubleComplex;
    static double Of(double x) { return x; }
    // 2^e for -1022 <= e <= 1023.
    static double Pow2(int e) {
        return std::bit_cast<double>(static_cast<std::uint64_t>(1023 + e) << 52);
    }
    static double Huge() { return 0x1p1000; }
    static double Sqrt(double x) { return std::sqrt(x); }
    static bool Positive(double x) { return x > 0.0; }
    static bool IsZero(double x) { return x == 0.0; }
    // x / y, rounded as CFloatExp divides: by the reciprocal of y's mantissa.
    static double Divide(double x, double y) {
        const auto bits = std::bit_cast<std::uint64_t>(y);
        const int biased = static_cast<int>((bits >> 52) & 0x7FF);
        if (biased == 0 || biased >= 2046) {
            return x / y;  // not normal, or its reciprocal is not
        }
        const double mantissa =
            std::bit_cast<double>((bits & 0x800FFFFFFFFFFFFFull) | (std::uint64_t{1023} << 52));
        return x * (1.0 / mantissa) * Pow2(1023 - biased);
    }
};

// A step under construction: dz' = A dz + B dc + C dz^2 + D dz dc + E dc^2 +
// F dz^3 + G dz^4. Its linear part holds for |dz| below r, all of it below rho.
template <typename R>
struct CPartial {
    using Complex = typename CReal<R>::Complex;
    Complex a;
    Complex b;
    Complex c;
    Complex d;
    Complex e;
    Complex f;
    Complex g;
    R r{};
    R rho{};
};

template <typename R>
R Modulus(const typename CReal<R>::Complex& z) {
    return CReal<R>::Sqrt(z.Norm());
}

template <typename R>
R Smaller(const R& x, const R& y) {
    return y < x ? y : x;
}

// The relative size of the terms a step may leave out: a double's rounding.
template <typename R>
R Epsilon() {
    return CReal<R>::Pow2(-53);
}

// The largest rho >= 0 below which p rho^2 + q rho + k stays at most 0, for
// p >= 0; 0 where k > 0. Far beyond every radius where nothing bounds it.
template <typename R>
R LargestRoot(const R& p, const R& q, const R& k) {
    using Real = CReal<R>;
    if (Real::Positive(k)) {
        return Real::Of(0.0);
    }
    if (Real::IsZero(p)) {
        return Real::Positive(q) ? Real::Divide(-k, q) : Real::Huge();
    }
    const R root = Real::Sqrt(q * q - Real::Of(4.0) * p * k);
    // Written so that nothing cancels.
    return Real::Positive(q) ? Real::Divide(Real::Of(-2.0) * k, q + root)
                             : Real::Divide(root - q, Real::Of(2.0) * p);
}

// The largest rho up to top, to within a factor of 2, where holds(rho); 0
// where there is none. The search starts at `guess`.
template <typename R, typename Holds>
R LargestHolding(const R& top, const R& guess, Holds holds) {
    using Real = CReal<R>;
    if (Real::IsZero(top) || holds(top)) {
        return top;
    }
    const R two = Real::Of(2.0);
    const R half = Real::Of(0.5);
    R rho = top * half;
    if (!Real::IsZero(guess)) {
        rho = Smaller(rho, guess);
    }
    constexpr int kTries = 80;
    if (holds(rho)) {
        for (int i = 0; i < kTries && rho * two < top && holds(rho * two); ++i) {
            rho = rho * two;
        }
        return rho;
    }
    for (int i = 0; i < kTries; ++i) {
        rho = rho * half;
        if (holds(rho)) {
            return rho;
        }
    }
    return Real::Of(0.0);
}

// One update at orbit point Z: dz' = 2 Z dz + dz^2 + dc. Leaving out dz^2 is
// within rounding while |dz| < epsilon |2 Z|. Kept, it is exact; an offset
// within a quarter of |Z| and half the way to the escape neither escapes nor
// comes closer to 0 than to the orbit there.
template <typename R>
CPartial<R> Single(double zr, double zi, bool julia) {
    using Real = CReal<R>;
    CPartial<R> s;
    s.a = {Real::Of(2.0 * zr), Real::Of(2.0 * zi)};
    s.b = {Real::Of(julia ? 0.0 : 1.0), Real::Of(0.0)};
    s.c = {Real::Of(1.0), Real::Of(0.0)};
    s.d = {Real::Of(0.0), Real::Of(0.0)};
    s.e = {Real::Of(0.0), Real::Of(0.0)};
    s.f = {Real::Of(0.0), Real::Of(0.0)};
    s.g = {Real::Of(0.0), Real::Of(0.0)};
    s.r = Epsilon<R>() * Modulus<R>(s.a);
    const double z = std::hypot(zr, zi);
    s.rho = Real::Of(std::max(0.0, std::min(z / 4.0, (100.0 - z) / 2.0)));
    return s;
}

// x, then y: the offset after x must be within y's radius. Without `further`,
// only the linear part, and rho 0.
template <typename R>
CPartial<R> Merge(const CPartial<R>& x, const CPartial<R>& y, const R& dcMax, bool further) {
    using Real = CReal<R>;
    using Complex = typename CReal<R>::Complex;
    CPartial<R> s;
    s.a = y.a * x.a;
    s.b = y.a * x.b + y.b;
    const R reach = y.r - Modulus<R>(x.b) * dcMax;
    const R ax = Modulus<R>(x.a);
    R r = Real::Of(0.0);
    if (Real::Positive(reach) && !Real::IsZero(ax)) {
        r = Real::Divide(reach, ax);
    }
    s.r = Smaller(x.r, r);
    if (!further) {
        return s;
    }

    // y(x(dz)) to the second order in dz and dc, and its dz^3 and dz^4 terms.
    const Complex twice{Real::Of(2.0), Real::Of(0.0)};
    const Complex thrice{Real::Of(3.0), Real::Of(0.0)};
    const Complex a2 = x.a * x.a;
    s.c = y.a * x.c + y.c * a2;
    s.d = y.a * x.d + twice * y.c * x.a * x.b + y.d * x.a;
    s.e = y.a * x.e + y.c * (x.b * x.b) + y.d * x.b + y.e;
    s.f = y.a * x.f + twice * y.c * x.a * x.c + y.f * (a2 * x.a);
    s.g = y.a * x.g + y.c * (twice * x.a * x.f + x.c * x.c) + thrice * y.f * a2 * x.c +
          y.g * (a2 * a2);
    // For |dz| <= rho, x's offset is at most lin + rest: lin = |A| rho, and
    // rest = |B| dcMax + q + k + g with q = qc + qm = |C| rho^2 + (|D| rho
    // dcMax + |E| dcMax^2), k = |F| rho^3 and g = |G| rho^4. It must be within
    // y's radius.
    const R cx = Modulus<R>(x.c);
    const R dx = Modulus<R>(x.d) * dcMax;
    const R bx = Modulus<R>(x.b) * dcMax;
    const R ex = Modulus<R>(x.e) * dcMax * dcMax;
    const R fx = Modulus<R>(x.f);
    const R gx = Modulus<R>(x.g);
    const R top = Smaller(x.rho, LargestRoot(cx, ax + dx, bx + ex - y.rho));
    // What the merge leaves out is at most
    //   |C_y| (2 lin (qm + g) + 2 |B| dcMax (q + k + g) + (qm + k + g) (q + k + g + qc))
    //   |D_y| dcMax (q + k + g)
    //   |F_y| (3 lin^2 (|B| dcMax + qm + k + g) + rest^2 (3 lin + rest))
    //   |G_y| ((lin + rest)^4 - lin^4)
    // of y's C x^2, D x dc, F x^3 and G x^4: the terms with dc beyond the
    // second order and every term beyond the fourth. It must stay within
    // epsilon of the size of the result, |A| rho + |B| dcMax.
    const R two = Real::Of(2.0);
    const R three = Real::Of(3.0);
    const R four = Real::Of(4.0);
    const R six = Real::Of(6.0);
    const R cy = Modulus<R>(y.c);
    const R dy = Modulus<R>(y.d) * dcMax;
    const R fy = Modulus<R>(y.f);
    const R gy = Modulus<R>(y.g);
    const R a = Epsilon<R>() * Modulus<R>(s.a);
    const R b = Epsilon<R>() * Modulus<R>(s.b) * dcMax;
    const auto holds = [&](const R& rho) {
        const R rho2 = rho * rho;
        const R lin = ax * rho;
        const R qc = cx * rho2;
        const R qm = dx * rho + ex;
        const R q = qc + qm;
        const R k = fx * rho2 * rho;
        const R g = gx * rho2 * rho2;
        const R rest = bx + q + k + g;
        if (y.rho < lin + rest) {
            return false;
        }
        const R high = q + k + g;
        const R left =
            cy * (two * lin * (qm + g) + two * bx * high + (qm + k + g) * (high + qc)) + dy * high +
            fy * (three * lin * lin * (bx + qm + k + g) + rest * rest * (three * lin + rest)) +
            gy * rest *
                (four * lin * lin * lin + six * lin * lin * rest + four * lin * rest * rest +
                 rest * rest * rest);
        return !(a * rho + b < left);
    };
    // The search starts where the largest terms left out, of the fifth order,
    // balance epsilon |A| rho.
    const R fifth = cy * two * (ax * gx + cx * fx) + three * fy * ax * (ax * fx + cx * cx) +
                    four * gy * ax * ax * ax * cx;
    const R guess =
        Real::IsZero(fifth) ? Real::Of(0.0) : Real::Sqrt(Real::Sqrt(Real::Divide(a, fifth)));
    s.rho = LargestHolding(top, guess, holds);
    return s;
}

// The step of `length` single updates from orbit point m.
template <typename R>
CPartial<R> Shortest(const std::vector<double>& re, const std::vector<double>& im, std::size_t m,
                     std::size_t length, bool julia, const R& dcMax, bool further) {
    CPartial<R> s = Single<R>(re[m], im[m], julia);
    for (std::size_t t = m + 1; t < m + length; ++t) {
        s = Merge(s, Single<R>(re[t], im[t], julia), dcMax, further);
    }
    return s;
}

// Whether a step's values lie so well inside the doubles' range that a merge
// of two such steps, its products of up to six of them included, does too.
inline bool Narrow(const CPartial<CFloatExp>& p) {
    constexpr std::int64_t kNarrow = 150;
    const auto narrow = [](const CFloatExp& x) {
        return x.IsZero() || (x.Exponent() > -kNarrow && x.Exponent() < kNarrow);
    };
    const auto both = [&](const CComplexExp& z) { return narrow(z.re) && narrow(z.im); };
    return both(p.a) && both(p.b) && both(p.c) && both(p.d) && both(p.e) && both(p.f) &&
           both(p.g) && narrow(p.r) && narrow(p.rho);
}

// The same step in doubles, for a step that is Narrow.
inline CPartial<double> Shorten(const CPartial<CFloatExp>& p) {
    const auto shorten = [](const CComplexExp& z) {
        return CDoubleComplex{z.re.ToDouble(), z.im.ToDouble()};
    };
    return {shorten(p.a), shorten(p.b), shorten(p.c),   shorten(p.d),    shorten(p.e),
            shorten(p.f), shorten(p.g), p.r.ToDouble(), p.rho.ToDouble()};
}

// The same step in CFloatExp.
inline CPartial<CFloatExp> Widen(const CPartial<double>& p) {
    const auto widen = [](const CDoubleComplex& z) {
        return CComplexExp{CFloatExp::FromDouble(z.re), CFloatExp::FromDouble(z.im)};
    };
    return {widen(p.a),
            widen(p.b),
            widen(p.c),
            widen(p.d),
            widen(p.e),
            widen(p.f),
            widen(p.g),
            CFloatExp::FromDouble(p.r),
            CFloatExp::FromDouble(p.rho)};
}

}  // namespace bla_partial
