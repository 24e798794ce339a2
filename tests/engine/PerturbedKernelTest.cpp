#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/PerturbedKernel.h"
#include "engine/ReferenceOrbit.h"
#include "tests/engine/DeepPlaces.h"

namespace {

// Every rowStep-th row of a side x side picture of the place, through the
// SIMD kernel on every compiled instruction set, against the plain loop.
testing::AssertionResult RowsMatchThePlainLoop(
    const DeepPlace& place, int side, int colStep, bool approximate, int rowStep,
    std::size_t maxPoints = CReferenceOrbit::kMaxPoints) {
    const CFloatExp step = place.width * CFloatExp::FromDouble(1.0 / side);
    const auto [re, im] = CentreForStep(place, step);
    CReferenceOrbit orbit;
    orbit.Compute(place.kind, re, im, 0.0, 1.0, place.maximum, nullptr, maxPoints);
    const CFloatExp half = step * CFloatExp::FromDouble(-side / 2.0);
    if (approximate) {
        orbit.BuildSteps(CComplexExp{half, half}.Norm().Sqrt());
    }
    const std::size_t width = static_cast<std::size_t>((side + colStep - 1) / colStep);
    for (int y = 0; y < side; y += rowStep) {
        CPerturbedRow row{half, step, {}, 0, side, colStep, place.maximum, nullptr, approximate};
        row.dy = CFloatExp::FromDouble(y) * step + half;
        std::vector<std::int32_t> plain(width);
        PerturbedRowCountsPlain(orbit, row, plain.data());
        for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
            hwy::SetSupportedTargetsForTest(target);
            std::vector<std::int32_t> simd(width, -7);
            const bool finished = PerturbedRowCountsSimd(orbit, row, simd.data());
            hwy::SetSupportedTargetsForTest(0);
            if (!finished || simd != plain) {
                std::size_t i = 0;
                while (i + 1 < width && simd[i] == plain[i]) {
                    ++i;
                }
                return testing::AssertionFailure()
                       << place.name << " on " << hwy::TargetName(target) << ", row " << y
                       << ", column step " << colStep << (approximate ? ", steps" : "")
                       << ": point " << i << " counts " << simd[i] << ", plain " << plain[i];
            }
        }
    }
    return testing::AssertionSuccess();
}

}  // namespace

TEST(PerturbedKernel, RowsMatchThePlainLoopOnEveryTarget) {
    const DeepPlace places[] = {
        TextPlace("seahorse 1e-24", 0, "-0.7436438870371587047521915061147746",
                  "0.1318259042053119704931320563851", "1e-24", 20000),
        TextPlace("spiral 1e-290", 0, "0", "1", "1e-290", 3000),
        TextPlace("tip 1e-24", 0, "-2", "0", "1e-24", 1000),
        TextPlace("Julia 1e-20", 1, "0", "1", "1e-20", 1000),
    };
    for (const DeepPlace& place : places) {
        for (const bool approximate : {false, true}) {
            EXPECT_TRUE(RowsMatchThePlainLoop(place, 40, 1, approximate, 8));
        }
        EXPECT_TRUE(RowsMatchThePlainLoop(place, 120, 8, true, 24));
    }
    // Pixels there come back to the vectors and meet steps that hold later,
    // and with a short stored orbit they start over at its end there.
    const DeepPlace seahorse =
        TextPlace("seahorse 1e-18", 0, "-0.7436438870371587047521915061147746",
                  "0.1318259042053119704931320563851", "1e-18", 10000);
    EXPECT_TRUE(RowsMatchThePlainLoop(seahorse, 40, 1, true, 1));
    EXPECT_TRUE(RowsMatchThePlainLoop(seahorse, 40, 1, true, 4, 1000));
    EXPECT_TRUE(RowsMatchThePlainLoop(seahorse, 40, 1, false, 8, 2));
    // Limits of one and two: orbits of one and two points.
    for (const std::int32_t maximum : {0, 1}) {
        const DeepPlace shallow = TextPlace("spiral 1e-20", 0, "0", "1", "1e-20", maximum);
        EXPECT_TRUE(RowsMatchThePlainLoop(shallow, 40, 1, false, 8));
    }
}

TEST(PerturbedKernel, AStopEndsTheRow) {
    const DeepPlace place = TextPlace("seahorse 1e-24", 0, "-0.7436438870371587047521915061147746",
                                      "0.1318259042053119704931320563851", "1e-24", 1000000);
    CBigReal re(place.re);
    CBigReal im(place.im);
    CReferenceOrbit orbit;
    ASSERT_TRUE(orbit.Compute(0, re, im, 0.0, 0.0, place.maximum));
    const std::atomic<std::int32_t> cancel{1};
    const CFloatExp step = place.width * CFloatExp::FromDouble(1.0 / 64);
    const CPerturbedRow row{step, step, step, 0, 64, 1, place.maximum, &cancel, false};
    std::vector<std::int32_t> counts(64);
    EXPECT_FALSE(PerturbedRowCountsSimd(orbit, row, counts.data()));
}
