#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "BruteForce.h"
#include "DeepPlaces.h"
#include "MemoryTarget.h"
#include "RenderHarness.h"
#include "engine/DeepRegion.h"
#include "engine/PerturbedKernel.h"
#include "engine/ReferenceOrbit.h"

namespace {

// c = i (z = i for the Julia set of c = i) is a Misiurewicz point: spirals
// and branches at every depth around it, and islands ever smaller and of ever
// longer period the closer they lie to it.
constexpr double kJuliaRe = 0.0;
constexpr double kJuliaIm = 1.0;

struct Agreement {
    int same[2] = {0, 0};  // without and with the orbit's many-update steps
    int total = 0;
    std::set<std::int32_t> counts;
};

void SetExact(CBigReal& x, const CFloatExp& v) {
    mpfr_set_d(x.Get(), v.Mantissa(), MPFR_RNDN);
    mpfr_mul_2si(x.Get(), x.Get(), static_cast<long>(v.Exponent()), MPFR_RNDN);
}

// Perturbed counts of an n x n picture centred on the place against the
// brute force at the pixel step's bits plus 64.
Agreement Compare(const DeepPlace& place, int n,
                  std::size_t maxPoints = CReferenceOrbit::kMaxPoints) {
    const CFloatExp step = place.width * CFloatExp::FromDouble(1.0 / n);
    const long precision = static_cast<long>(64 - step.Exponent());
    CBigReal re(place.re);
    CBigReal im(place.im);
    re.SetPrecision(precision);
    im.SetPrecision(precision);
    CReferenceOrbit plain;
    EXPECT_TRUE(
        plain.Compute(place.kind, re, im, kJuliaRe, kJuliaIm, place.maximum, nullptr, maxPoints));
    CReferenceOrbit stepped = plain;
    EXPECT_TRUE(stepped.BuildSteps(step * CFloatExp::FromDouble(n)));
    Agreement a;
    CBigReal x(precision);
    CBigReal y(precision);
    CBigReal d(precision);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const CComplexExp dc{CFloatExp::FromDouble(i - n / 2) * step,
                                 CFloatExp::FromDouble(j - n / 2) * step};
            SetExact(d, dc.re);
            mpfr_add(x.Get(), re.Get(), d.Get(), MPFR_RNDN);
            SetExact(d, dc.im);
            mpfr_add(y.Get(), im.Get(), d.Get(), MPFR_RNDN);
            const std::int32_t exact =
                BruteForceCount(place.kind, x, y, kJuliaRe, kJuliaIm, place.maximum);
            a.same[0] += exact == PerturbedCount(plain, dc, place.maximum, nullptr, nullptr, false);
            a.same[1] +=
                exact == PerturbedCount(stepped, dc, place.maximum, nullptr, nullptr, true);
            ++a.total;
            a.counts.insert(exact);
        }
    }
    return a;
}

void ExpectAgreement(const DeepPlace& place, int n,
                     std::size_t maxPoints = CReferenceOrbit::kMaxPoints) {
    ASSERT_FALSE(place.width.IsZero()) << place.name << ": no such place";
    const Agreement a = Compare(place, n, maxPoints);
    if (std::getenv("VELMORA_SHOW_AGREEMENT")) {
        std::printf("%s: %d %d of %d\n", place.name.c_str(), a.same[0], a.same[1], a.total);
    }
    EXPECT_GE(a.same[0], a.total * 99 / 100) << place.name << " without steps";
    EXPECT_GE(a.same[1], a.total * 99 / 100) << place.name << " with steps";
    EXPECT_GE(a.counts.size(), 5u) << place.name << ": a picture with no detail proves little";
}

CFloatExp PowerOfTen(int e) {
    CBigReal x(64);
    x.Set("1e" + std::to_string(e));
    return x.ToFloatExp();
}

}  // namespace

TEST(Perturbation, DeepPicturesAgreeWithTheBruteForce) {
    const DeepPlace places[] = {
        TextPlace("spiral 1e-20", 0, "0", "1", "1e-20", 1000),
        TextPlace("spiral 1e-290", 0, "0", "1", "1e-290", 2000),
        TextPlace("tip 1e-24", 0, "-2", "0", "1e-24", 1000),
        TextPlace("spiral 1e-1000", 0, "0", "1", "1e-1000", 5000),
        TextPlace("Julia cycle 1e-24", 1, "-1", "1", "1e-24", 1000),
        TextPlace("Julia 1e-20", 1, "0", "1", "1e-20", 1000),
        TextPlace("Julia 1e-320", 1, "0", "1", "1e-320", 2000),
    };
    for (const DeepPlace& place : places) {
        ExpectAgreement(place, 16);
    }
}

TEST(Perturbation, IslandsAndTheirSurroundingsAgreeWithTheBruteForce) {
    // Islands of periods about 35, 400 and 1330, each a twentieth of its
    // picture: the pixels inside run to the limit, those about them long.
    ExpectAgreement(IslandPlace("island 1e-24", "0", "1",
                                PowerOfTen(-13) * CFloatExp::FromDouble(2), 20.0, 100000),
                    16);
    ExpectAgreement(IslandPlace("island 1e-300", "0", "1",
                                PowerOfTen(-151) * CFloatExp::FromDouble(2), 20.0, 10000),
                    12);
    ExpectAgreement(IslandPlace("island 1e-1000", "0", "1",
                                PowerOfTen(-501) * CFloatExp::FromDouble(2), 20.0, 20000),
                    8);
    ExpectAgreement(TextPlace("Julia 1e-1000", 1, "0", "1", "1e-1000", 5000), 8);
    // Beside an island of period 998 and size 6e-16: every pixel runs more
    // than 10 000 updates along its cycle, most of them far fewer than 100 000.
    ExpectAgreement(TextPlace("seahorse 1e-24", 0, "-0.7436438870371587047521915061147746",
                              "0.1318259042053119704931320563851", "1e-24", 100000),
                    16);
}

TEST(Perturbation, AShortStoredOrbitStartsPixelsOverAtItsEnd) {
    // Memory stays bounded whatever the limit: pixels outrun a 24-point orbit
    // once they have left it.
    for (std::int32_t kind : {0, 1}) {
        const DeepPlace place = TextPlace("short orbit", kind, "0", "1", "1e-14", 1000);
        const Agreement a = Compare(place, 16, 24);
        EXPECT_GE(a.same[1], a.total * 99 / 100) << kind;
        EXPECT_GT(*a.counts.rbegin(), 24) << "no pixel ran past the stored orbit";
    }
}

TEST(Perturbation, OrbitsAreBoundedAndCancellable) {
    CBigReal re(200, -0.75);
    CBigReal im(200, 0.0);  // on the boundary: the orbit never escapes
    CReferenceOrbit orbit;
    ASSERT_TRUE(orbit.Compute(0, re, im, 0, 0, 1000000, nullptr, 5000));
    EXPECT_EQ(orbit.Reference().Size(), 5000u);
    ASSERT_TRUE(orbit.Compute(0, re, im, 0, 0, 99));
    EXPECT_EQ(orbit.Reference().Size(), 100u);  // the value after the last update too

    std::atomic<std::int32_t> cancel{1};
    EXPECT_FALSE(orbit.Compute(0, re, im, 0, 0, 1000000, &cancel));
    EXPECT_TRUE(orbit.Empty());
    bool cut = false;
    ASSERT_TRUE(orbit.Compute(0, re, im, 0, 0, 100));
    PerturbedCount(orbit, {}, std::numeric_limits<std::int32_t>::max(), &cancel, &cut);
    EXPECT_TRUE(cut);
}

// Orbits that come back to a value they had repeat from there on: every point
// must be the one the updates themselves give. (A cycle at once, one reached
// after a few points, one that attracts slowly, the Julia set's own from i.)
TEST(Perturbation, OrbitsThatComeBackHoldTheirUpdatesPoints) {
    for (const auto& [kind, re, im] : {std::tuple{0, -1.0, 0.0}, std::tuple{0, 0.0, 1.0},
                                       std::tuple{0, -0.1225, 0.7449}, std::tuple{1, 0.0, 1.0}}) {
        CReferenceOrbit orbit;
        ASSERT_TRUE(orbit.Compute(kind, CBigReal(200, re), CBigReal(200, im), 0.0, 1.0, 3000));
        ASSERT_EQ(orbit.Reference().Size(), 3001u);
        CBigReal z[2] = {CBigReal(200, kind ? re : 0.0), CBigReal(200, kind ? im : 0.0)};
        const CBigReal c[2] = {CBigReal(200, kind ? 0.0 : re), CBigReal(200, kind ? 1.0 : im)};
        CBigReal rr(200), ii(200), t(200);
        for (std::size_t n = 0; n < orbit.Reference().Size(); ++n) {
            ASSERT_EQ(orbit.Reference().re[n], z[0].ToDouble()) << re << ", " << im << " at " << n;
            ASSERT_EQ(orbit.Reference().im[n], z[1].ToDouble()) << re << ", " << im << " at " << n;
            mpfr_sqr(rr.Get(), z[0].Get(), MPFR_RNDN);
            mpfr_sqr(ii.Get(), z[1].Get(), MPFR_RNDN);
            BruteForceUpdate(z[0], z[1], c[0], c[1], rr, ii, t);
        }
    }
}

TEST(Perturbation, DecimalTextsKeepTheirDigits) {
    CBigReal x(200);
    ASSERT_TRUE(x.Set("-0.7436438870371587047521915061147746"));
    EXPECT_EQ(x.ToString().rfind("-0.743643887037158704752191506114774", 0), 0u) << x.ToString();
    for (const char* bad : {"", "1e", "nan", "inf", "0.5x", " "}) {
        EXPECT_FALSE(x.Set(bad)) << bad;
    }
    EXPECT_DOUBLE_EQ(x.ToDouble(), -0.7436438870371587);
}

TEST(Perturbation, TheEngineRendersADeepRegionThroughItsPasses) {
    for (std::int32_t kind : {0, 1}) {
        EngineRig rig(2, 24, 24, 1001, 100);
        CFractalEngine& e = rig.engine;
        e.m_kind = kind;
        e.m_juliaRe = kJuliaRe;
        e.m_juliaIm = kJuliaIm;
        auto deep = std::make_unique<CDeepRegion>(200);
        ASSERT_TRUE(deep->Set(200, "-0.5e-20", "0.5e-20", "0.999999999999999999995",
                              "1.000000000000000000005"));
        e.m_xMin = deep->XMin().ToDouble();
        e.m_xMax = deep->XMax().ToDouble();
        e.m_yMin = deep->YMin().ToDouble();
        e.m_yMax = deep->YMax().ToDouble();
        e.m_deep = std::move(deep);
        e.StartCoarse(&rig.queue);
        rig.FinishPass();
        EXPECT_TRUE(e.IsDeepPass());
        while (e.RefineNext()) {
            rig.FinishPass();
        }
        int same = 0;
        CBigReal x(200);
        CBigReal y(200);
        CBigReal d(200);
        for (int j = 0; j < 24; ++j) {
            for (int i = 0; i < 24; ++i) {
                d.Set(i * 1e-20 / 24);
                mpfr_add(x.Get(), e.m_deep->XMin().Get(), d.Get(), MPFR_RNDN);
                d.Set(j * 1e-20 / 24);
                mpfr_add(y.Get(), e.m_deep->YMin().Get(), d.Get(), MPFR_RNDN);
                const std::int32_t n = BruteForceCount(kind, x, y, kJuliaRe, kJuliaIm, 1000);
                const std::uint32_t colour = rig.table[n == 1000 ? 99 : n % 100];
                same += SurfacePixel(e.m_surface, i, j) == colour;
            }
        }
        EXPECT_GE(same, 24 * 24 * 99 / 100) << "kind " << kind;
    }
}

TEST(Perturbation, MovedDoublesDropTheDeepRegion) {
    EngineRig rig(2, 16, 16);
    auto deep = std::make_unique<CDeepRegion>(200);
    ASSERT_TRUE(
        deep->Set(200, "-1e-20", "1e-20", "0.99999999999999999999", "1.00000000000000000001"));
    rig.engine.m_xMin = -0.5;  // not its nearest values
    rig.engine.m_xMax = 0.5;
    rig.engine.m_yMin = 0.5;
    rig.engine.m_yMax = 1.5;
    rig.engine.m_deep = std::move(deep);
    rig.engine.StartFine(&rig.queue);
    rig.FinishPass();
    EXPECT_FALSE(rig.engine.IsDeepPass());
    EXPECT_FALSE(rig.engine.m_deep);
}

namespace {

// The designed zoom about the centre: the doubles' formula and the move.
bool Zoom(CFractalEngine& e, bool in) {
    const double f = in ? 0.25 : -0.5;
    const double dx = (e.m_xMax - e.m_xMin) * f;
    const double dy = (e.m_yMax - e.m_yMin) * f;
    const CDeepRegion::CMove move = in ? CDeepRegion::CMove{{1, 4}, {3, 4}, {1, 4}, {3, 4}}
                                       : CDeepRegion::CMove{{-1, 2}, {3, 2}, {-1, 2}, {3, 2}};
    auto plan = e.PlanMove(e.m_xMin + dx, e.m_xMax - dx, e.m_yMin + dy, e.m_yMax - dy, move);
    if (plan) {
        e.ApplyPlan(std::move(*plan));
    }
    return plan.has_value();
}

}  // namespace

TEST(Perturbation, MovesGoDeepExactlyAndComeBack) {
    EngineRig rig(1, 240, 240);
    CFractalEngine& e = rig.engine;
    const double start[4] = {e.m_xMin, e.m_xMax, e.m_yMin, e.m_yMax};
    int firstDeep = -1;
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(Zoom(e, true)) << i;
        if (e.m_deep && firstDeep < 0) {
            firstDeep = i;
        }
    }
    ASSERT_TRUE(e.m_deep);
    EXPECT_GT(firstDeep, 30);
    EXPECT_LT(firstDeep, 50);
    const CDeepRegion deep = *e.m_deep;
    // Eight moves by an eighth go by exactly the height; back again.
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(e.Scroll(0));
        e.StopWorkers();
    }
    CBigReal shifted(deep.Precision());
    mpfr_sub(shifted.Get(), deep.YMin().Get(), deep.YMax().Get(), MPFR_RNDN);
    mpfr_add(shifted.Get(), shifted.Get(), deep.YMin().Get(), MPFR_RNDN);
    EXPECT_TRUE(mpfr_equal_p(e.m_deep->YMin().Get(), shifted.Get()));
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(e.Scroll(1));
        e.StopWorkers();
    }
    EXPECT_TRUE(mpfr_equal_p(e.m_deep->YMin().Get(), deep.YMin().Get()));
    // In and out again deep: exactly where it was.
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(Zoom(e, true));
    }
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(Zoom(e, false));
    }
    EXPECT_TRUE(mpfr_equal_p(e.m_deep->XMin().Get(), deep.XMin().Get()));
    EXPECT_TRUE(mpfr_equal_p(e.m_deep->YMax().Get(), deep.YMax().Get()));
    // All the way out: the doubles take over again, near where it began (the
    // designed double zooms round on the way in).
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(Zoom(e, false)) << i;
    }
    EXPECT_FALSE(e.m_deep);
    EXPECT_NEAR(e.m_xMin, start[0], 1e-3);
    EXPECT_NEAR(e.m_yMax, start[3], 1e-3);
}

TEST(Perturbation, ZoomingPastTheDeepestStepDoesNothing) {
    EngineRig rig(1, 64, 64);
    CFractalEngine& e = rig.engine;
    int zooms = 0;
    while (zooms < 80000 && Zoom(e, true)) {
        ++zooms;
    }
    EXPECT_LT(zooms, 80000);
    EXPECT_GT(zooms, 65000);  // down to a pixel step of 2^-65472
    ASSERT_TRUE(e.m_deep);
    EXPECT_TRUE(CFractalEngine::IsUsableRegion(e.m_xMin, e.m_xMax, e.m_yMin, e.m_yMax));
}
