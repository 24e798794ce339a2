#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

// A real number as a double mantissa and a wide binary exponent: the offsets
// of deep pictures and the coefficients of their approximations run far past
// the range of a double. The mantissa is 0 or of magnitude in [1, 2); it
// rounds exactly as a double does, so where both can hold a value, the
// results are the same bits.
class CFloatExp {
public:
    constexpr CFloatExp() = default;

    static CFloatExp FromDouble(double x) { return Normal(x, 0); }
    // x * 2^e.
    static CFloatExp FromParts(double x, std::int64_t e) { return Normal(x, e); }

    double Mantissa() const { return m_m; }
    // The binary exponent of the value: |value| lies in [2^e, 2^(e+1)).
    std::int64_t Exponent() const { return m_e; }
    bool IsZero() const { return m_m == 0.0; }

    // The nearest double, 0 below its range and infinite above it.
    double ToDouble() const {
        if (m_e > 1100) {
            return m_m * HUGE_VAL;
        }
        if (m_e < -1100) {
            return m_m * 0.0;
        }
        if (m_e >= -1022 && m_e <= 1023) {
            // One rounding at most, as ldexp's, and far faster.
            return m_m * std::bit_cast<double>(static_cast<std::uint64_t>(1023 + m_e) << 52);
        }
        return std::ldexp(m_m, static_cast<int>(m_e));
    }

    friend CFloatExp operator*(const CFloatExp& a, const CFloatExp& b) {
        return Normal(a.m_m * b.m_m, a.m_e + b.m_e);
    }
    friend CFloatExp operator+(const CFloatExp& a, const CFloatExp& b) {
        if (b.m_m == 0.0) {
            return a;
        }
        if (a.m_m == 0.0) {
            return b;
        }
        const std::int64_t d = a.m_e - b.m_e;
        if (d >= 0) {
            return d > 64 ? a : Normal(a.m_m + b.m_m * Pow2(-d), a.m_e);
        }
        return d < -64 ? b : Normal(b.m_m + a.m_m * Pow2(d), b.m_e);
    }
    CFloatExp operator-() const { return CFloatExp(-m_m, m_e); }
    friend CFloatExp operator-(const CFloatExp& a, const CFloatExp& b) { return a + -b; }

    CFloatExp Abs() const { return CFloatExp(std::abs(m_m), m_e); }
    // The square root of a value that is not negative.
    CFloatExp Sqrt() const {
        if (m_m == 0.0) {
            return {};
        }
        const std::int64_t odd = m_e & 1;
        return Normal(std::sqrt(m_m * (odd ? 2.0 : 1.0)), (m_e - odd) / 2);
    }
    friend bool operator==(const CFloatExp& a, const CFloatExp& b) {
        return a.m_m == b.m_m && (a.m_m == 0.0 || a.m_e == b.m_e);
    }
    // Order of values that are not negative.
    friend bool operator<(const CFloatExp& a, const CFloatExp& b) {
        if (a.m_m == 0.0 || b.m_m == 0.0) {
            return a.m_m < b.m_m;
        }
        return a.m_e != b.m_e ? a.m_e < b.m_e : a.m_m < b.m_m;
    }

private:
    // Zero's exponent: far below every other, and safe to add twice.
    static constexpr std::int64_t kZeroExponent = -(std::int64_t{1} << 60);

    constexpr CFloatExp(double m, std::int64_t e) : m_m(m), m_e(e) {}

    // 2^d for -64 <= d <= 64.
    static double Pow2(std::int64_t d) {
        return std::bit_cast<double>(static_cast<std::uint64_t>(1023 + d) << 52);
    }
    static CFloatExp Normal(double m, std::int64_t e) {
        std::uint64_t bits = std::bit_cast<std::uint64_t>(m);
        std::int64_t biased = static_cast<std::int64_t>((bits >> 52) & 0x7FF);
        if (biased == 0) {
            if (m == 0.0) {
                return CFloatExp(m, kZeroExponent);
            }
            m *= 0x1p64;  // subnormal: make it normal first
            e -= 64;
            bits = std::bit_cast<std::uint64_t>(m);
            biased = static_cast<std::int64_t>((bits >> 52) & 0x7FF);
        }
        if (biased == 0x7FF) {
            return CFloatExp(m, 0);  // infinite or not a number: stays so
        }
        bits = (bits & 0x800FFFFFFFFFFFFFull) | (std::uint64_t{1023} << 52);
        return CFloatExp(std::bit_cast<double>(bits), e + biased - 1023);
    }

    double m_m = 0.0;
    std::int64_t m_e = kZeroExponent;
};

// A complex number of two such parts.
struct CComplexExp {
    CFloatExp re;
    CFloatExp im;

    friend CComplexExp operator+(const CComplexExp& a, const CComplexExp& b) {
        return {a.re + b.re, a.im + b.im};
    }
    friend CComplexExp operator*(const CComplexExp& a, const CComplexExp& b) {
        return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
    }
    // |value|^2.
    CFloatExp Norm() const { return re * re + im * im; }
    // The larger exponent of the two parts.
    std::int64_t Exponent() const { return std::max(re.Exponent(), im.Exponent()); }
};
