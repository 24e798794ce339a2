#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <tuple>

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

// Steps over points that repeat are copied from earlier ones: they must be the
// steps built afresh from the same points. (Period 2 for the Julia set of
// c = i from i, period 3 reached after 64 points from c = -0.1225 + 0.7449i.)
TEST(BlaTable, StepsOverRepeatingPointsAreThoseBuiltAfresh) {
    for (const auto& [kind, re, im] : {std::tuple{1, 0.0, 1.0}, std::tuple{0, -0.1225, 0.7449}}) {
        CReferenceOrbit orbit;
        ASSERT_TRUE(orbit.Compute(kind, CBigReal(200, re), CBigReal(200, im), 0.0, 1.0, 5000));
        const CReferenceOrbit::CPoints& p = orbit.Reference();
        ASSERT_GT(p.repeat.period, 0u);
        for (const double dc : {0.0, 1e-30, 1e-200}) {
            CBlaTable copied;
            CBlaTable built;
            const CFloatExp dcMax = CFloatExp::FromDouble(dc);
            ASSERT_TRUE(copied.Build(p.re, p.im, kind != 0, dcMax, nullptr, p.repeat));
            ASSERT_TRUE(built.Build(p.re, p.im, kind != 0, dcMax));
            ASSERT_EQ(copied.Levels(), built.Levels());
            for (std::size_t i = 0; i < built.LevelStart(built.Levels()); ++i) {
                const CBlaStep& x = copied.Steps()[i];
                const CBlaStep& y = built.Steps()[i];
                ASSERT_TRUE(std::tie(x.ar, x.ai, x.br, x.bi, x.r2d, x.cr, x.ci, x.dr, x.di, x.er,
                                     x.ei, x.fr, x.fi, x.gr, x.gi, x.q2d) ==
                            std::tie(y.ar, y.ai, y.br, y.bi, y.r2d, y.cr, y.ci, y.dr, y.di, y.er,
                                     y.ei, y.fr, y.fi, y.gr, y.gi, y.q2d))
                    << "step " << i;
            }
        }
    }
}
