#include <gtest/gtest.h>

#include <vector>

#include "BruteForce.h"
#include "engine/DeepReference.h"
#include "engine/PerturbedKernel.h"

namespace {

constexpr int kSide = 16;
const std::atomic<std::int32_t> kGo{0};

CDeepRegion Region(const char* xMin, const char* xMax, const char* yMin, const char* yMax) {
    CDeepRegion region(200);
    EXPECT_TRUE(region.Set(200, xMin, xMax, yMin, yMax));
    return region;
}

// Pixels of the region counted against the reference, as the passes do,
// that agree with the brute force at the pixels' own points.
int Agreeing(const CDeepReference& reference, const CDeepRegion& region, std::int32_t maximum) {
    const CDeepRegion::CGrid& grid = reference.Grid();
    std::vector<std::int32_t> counts(kSide);
    CBigReal x(300);
    CBigReal y(300);
    CBigReal d(300);
    int same = 0;
    for (int j = 0; j < kSide; ++j) {
        const CPerturbedRow row{grid.dxFirst,
                                grid.xStep,
                                CFloatExp::FromDouble(j) * grid.yStep + grid.dyFirst,
                                0,
                                kSide,
                                1,
                                maximum};
        EXPECT_TRUE(PerturbedRowCounts(reference.Orbit(), row, counts.data()));
        for (int i = 0; i < kSide; ++i) {
            mpfr_sub(d.Get(), region.XMax().Get(), region.XMin().Get(), MPFR_RNDN);
            mpfr_mul_si(d.Get(), d.Get(), i, MPFR_RNDN);
            mpfr_div_si(d.Get(), d.Get(), kSide, MPFR_RNDN);
            mpfr_add(x.Get(), region.XMin().Get(), d.Get(), MPFR_RNDN);
            mpfr_sub(d.Get(), region.YMax().Get(), region.YMin().Get(), MPFR_RNDN);
            mpfr_mul_si(d.Get(), d.Get(), j, MPFR_RNDN);
            mpfr_div_si(d.Get(), d.Get(), kSide, MPFR_RNDN);
            mpfr_add(y.Get(), region.YMin().Get(), d.Get(), MPFR_RNDN);
            same += counts[i] == BruteForceCount(0, x, y, 0.0, 0.0, maximum);
        }
    }
    return same;
}

}  // namespace

TEST(DeepReference, AnOrbitServesTheMovesThatKeepItsPointNear) {
    const CDeepReference::CKey key{0, 0.0, 0.0, 2000};
    CDeepReference reference;
    const CDeepRegion start =
        Region("-1e-20", "1e-20", "0.99999999999999999999", "1.00000000000000000001");
    EXPECT_FALSE(reference.Prepare(start, kSide, kSide, key));
    ASSERT_TRUE(reference.Ensure(kGo, {}));
    // A zoom by two about a pixel near the corner keeps the orbit, and the
    // pixels, now off its point, still get their own counts.
    const CDeepRegion zoomed =
        Region("-0.9e-20", "0.1e-20", "0.9999999999999999999905", "1.0000000000000000000005");
    EXPECT_TRUE(reference.Prepare(zoomed, kSide, kSide, key));
    ASSERT_TRUE(reference.Ensure(kGo, {}));
    EXPECT_GE(Agreeing(reference, zoomed, 2000), kSide * kSide * 99 / 100);

    // Another limit, or a picture far from the point, needs an orbit of its own.
    EXPECT_FALSE(reference.Prepare(zoomed, kSide, kSide, {0, 0.0, 0.0, 3000}));
    ASSERT_TRUE(reference.Ensure(kGo, {}));
    const CDeepRegion far =
        Region("9e-20", "11e-20", "0.99999999999999999999", "1.00000000000000000001");
    EXPECT_FALSE(reference.Prepare(far, kSide, kSide, {0, 0.0, 0.0, 3000}));
    ASSERT_TRUE(reference.Ensure(kGo, {}));
    EXPECT_GE(Agreeing(reference, far, 3000), kSide * kSide * 99 / 100);
}

TEST(DeepReference, AStoppedOrbitIsComputedAgainWithProgress) {
    const CDeepRegion region = Region("-0.75000000000000000001", "-0.74999999999999999999",
                                      "-1e-20", "1e-20");  // never escapes
    CDeepReference reference;
    reference.Prepare(region, kSide, kSide, {0, 0.0, 0.0, 100000});
    const std::atomic<std::int32_t> stop{1};
    EXPECT_FALSE(reference.Ensure(stop, {}));
    // Prepared again for the next pass: the orbit is still to be computed.
    EXPECT_FALSE(reference.Prepare(region, kSide, kSide, {0, 0.0, 0.0, 100000}));
    std::vector<double> shares;
    ASSERT_TRUE(reference.Ensure(kGo, [&](double s) { shares.push_back(s); }));
    EXPECT_EQ(reference.Orbit().Reference().Size(), 100001u);
    ASSERT_GE(shares.size(), 10u);
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_LE(shares.back(), 1.0);
}
