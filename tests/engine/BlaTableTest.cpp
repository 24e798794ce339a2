#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>

#include "engine/BlaTable.h"
#include "engine/ReferenceOrbit.h"
#include "tests/engine/DeepPlaces.h"

// Every step of the table, linear or not, taken with an offset at the
// edge of its radius and the largest dc, lands where the updates it stands
// for land, to well within a double's rounding of the result's size.
TEST(BlaTable, StepsLandWhereTheirUpdatesDo) {
    using Exact = std::complex<long double>;
    const DeepPlace place = TextPlace("seahorse 1e-24", 0, "-0.7436438870371587047521915061147746",
                                      "0.1318259042053119704931320563851", "1e-24", 20000);
    const auto [re, im] = CentreForStep(place, place.width * CFloatExp::FromDouble(1.0 / 64));
    CReferenceOrbit orbit;
    ASSERT_TRUE(orbit.Compute(0, re, im, 0.0, 0.0, place.maximum));
    ASSERT_TRUE(orbit.BuildSteps(place.width));
    const CReferenceOrbit::CPoints& points = orbit.Reference();
    const CBlaTable& table = points.steps;
    const double dcMax = place.width.ToDouble();
    int further = 0;
    for (int l = 0; l < table.Levels(); ++l) {
        const std::size_t length = std::size_t{CBlaTable::kShortest} << l;
        for (std::size_t i = table.LevelStart(l); i < table.LevelStart(l + 1); ++i) {
            const CBlaStep& s = table.Steps()[i];
            const double fit = table.Fits()[i];
            const std::size_t m = 1 + (i - table.LevelStart(l)) * length;
            if (!(fit > 0.0)) {
                continue;  // never taken
            }
            for (const double turn : {0.1, 0.4, 0.65, 0.9}) {
                const Exact dz0 = std::polar<long double>(0.999L * std::sqrt(fit), 6.283L * turn);
                const Exact dc = std::polar<long double>(dcMax, 6.283L * (1.0L - turn));
                Exact exact = dz0;
                for (std::size_t t = m; t < m + length; ++t) {
                    exact = 2.0L * Exact(points.re[t], points.im[t]) * exact + exact * exact + dc;
                }
                double zr = static_cast<double>(dz0.real());
                double zi = static_cast<double>(dz0.imag());
                const bool square = !(zr * zr + zi * zi < s.r2d);
                further += square;
                s.Apply(square, static_cast<double>(dc.real()), static_cast<double>(dc.imag()), zr,
                        zi);
                const long double size =
                    std::hypot(s.ar, s.ai) * std::abs(dz0) + std::hypot(s.br, s.bi) * dcMax;
                ASSERT_LE(std::abs(Exact(zr, zi) - exact), size * 0x1p-46L)
                    << "level " << l << ", step from " << m << (square ? ", beyond linear" : "");
            }
        }
    }
    EXPECT_GT(further, 1000) << "the steps beyond linear were hardly tried";
}

namespace {

std::array<double, 16> Doubles(const CBlaStep& s) {
    return {s.ar, s.ai, s.br, s.bi, s.r2d, s.cr, s.ci, s.dr,
            s.di, s.er, s.ei, s.fr, s.fi,  s.gr, s.gi, s.q2d};
}

}  // namespace

// Steps over points that repeat are copied from earlier ones: they must be the
// steps built afresh from the same points.
TEST(BlaTable, StepsOverRepeatingPointsAreThoseBuiltAfresh) {
    // Orbits of period 2 (the Julia set of c = i, from i) and 3 (an attracting
    // cycle reached after 64 points), Mandelbrot steps with a dc and without.
    const struct {
        std::int32_t kind;
        double re, im;
    } cases[] = {{1, 0.0, 1.0}, {0, -0.1225, 0.7449}};
    for (const auto& c : cases) {
        CReferenceOrbit orbit;
        ASSERT_TRUE(
            orbit.Compute(c.kind, CBigReal(200, c.re), CBigReal(200, c.im), 0.0, 1.0, 5000));
        const CReferenceOrbit::CPoints& points = orbit.Reference();
        ASSERT_GT(points.period, 0u);
        for (const double dc : {0.0, 1e-30, 1e-200}) {
            CBlaTable copied;
            CBlaTable built;
            const CFloatExp dcMax = CFloatExp::FromDouble(dc);
            ASSERT_TRUE(copied.Build(points.re, points.im, c.kind != 0, dcMax, nullptr,
                                     {points.repeatFrom, points.period}));
            ASSERT_TRUE(built.Build(points.re, points.im, c.kind != 0, dcMax));
            ASSERT_EQ(copied.Levels(), built.Levels());
            for (std::size_t i = 0; i < built.LevelStart(built.Levels()); ++i) {
                const CBlaStep& x = copied.Steps()[i];
                const CBlaStep& y = built.Steps()[i];
                ASSERT_TRUE(x.a.re == y.a.re && x.a.im == y.a.im && x.b.re == y.b.re &&
                            x.b.im == y.b.im && x.r2 == y.r2)
                    << "step " << i;
                ASSERT_EQ(Doubles(x), Doubles(y)) << "step " << i;
            }
        }
    }
}
