#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

#include "engine/ScaledComplex.h"

namespace {

bool Same(const CFloatExp& p, const CFloatExp& q) {
    // Zeros may differ in sign only.
    return (p.IsZero() && q.IsZero()) ||
           (p.Mantissa() == q.Mantissa() && p.Exponent() == q.Exponent());
}

bool Same(const CComplexExp& p, const CComplexExp& q) {
    return Same(p.re, q.re) && Same(p.im, q.im);
}

// Values whose parts lie anywhere from level with each other to far beyond
// the spread the doubles take, some of them zero, some equal in size so that
// products cancel exactly.
class CValues {
public:
    CComplexExp Next(std::int64_t exponent) {
        const double m = Mantissa();
        const auto part = [&](int zeroOneIn) {
            if (Pick(zeroOneIn) == 0) {
                return CFloatExp();
            }
            const std::int64_t below = Pick(4) == 0 ? Pick(1200) : Pick(8);
            return CFloatExp::FromParts(Pick(3) == 0 ? m : Mantissa(), exponent - below);
        };
        return {part(12), part(12)};
    }
    std::int64_t Pick(std::int64_t n) {
        return std::uniform_int_distribution<std::int64_t>(0, n - 1)(m_random);
    }

private:
    double Mantissa() {
        const double m = std::uniform_real_distribution<double>(1.0, 2.0)(m_random);
        return Pick(2) ? m : -m;
    }
    std::mt19937_64 m_random{20261208};
};

}  // namespace

TEST(ScaledComplex, ProductsAndSumsKeepTheOperatorsBits) {
    CValues values;
    for (int k = 0; k < 200000; ++k) {
        const std::int64_t e = values.Pick(6000) - 5000;
        const CComplexExp a = values.Next(values.Pick(40) - 20);
        const CComplexExp x = values.Next(e);
        // b y lands anywhere from far below a x to far above it.
        const CComplexExp b = values.Next(values.Pick(40) - 20);
        const CComplexExp y = values.Next(e + values.Pick(2400) - 1200);
        ASSERT_TRUE(Same(ScaledProductSum(a, x, b, y), a * x + b * y)) << k;
        ASSERT_TRUE(Same(ScaledProductSum(a, x, b, x), a * x + b * x)) << k;
        ASSERT_TRUE(Same(ScaledNorm(x), x.Norm())) << k;
        const double ar =
            a.re.ToDouble() * std::ldexp(1.0, static_cast<int>(values.Pick(1500)) - 750);
        const double ai = a.im.ToDouble();
        const CComplexExp ad{CFloatExp::FromDouble(ar), CFloatExp::FromDouble(ai)};
        ASSERT_TRUE(Same(ScaledProduct(ar, ai, x), ad * x)) << k;
    }
}

TEST(FloatExp, ToDoubleRoundsAsLdexpDoes) {
    for (const std::int64_t e :
         {-1100, -1075, -1074, -1060, -1023, -1022, -1021, -1, 0, 1, 1022, 1023, 1024, 1100}) {
        for (const double m : {1.0, 1.5, 1.9999999999999998, -1.25, -1.9999999999999998}) {
            const double want = std::ldexp(m, static_cast<int>(e));
            const double got = CFloatExp::FromParts(m, e).ToDouble();
            EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(want))
                << m << " * 2^" << e;
        }
    }
}
