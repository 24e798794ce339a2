#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <atomic>
#include <complex>
#include <cstdint>
#include <limits>
#include <vector>

#include "document/BenchmarkScenes.h"
#include "engine/EscapeKernel.h"
#include "tests/engine/Cardioid.h"

namespace {

// Whole benchmark images at full size take seconds without optimisation or
// under a sanitizer; there a smaller image still covers every scene and pass.
#if defined(__OPTIMIZE__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
constexpr int kSceneSide = kBenchmarkImageSide;
#else
constexpr int kSceneSide = 96;
#endif

constexpr std::int32_t kUnwritten = -7;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs the SIMD kernel on one instruction set while alive.
class CTargetScope {
public:
    explicit CTargetScope(std::int64_t target) { hwy::SetSupportedTargetsForTest(target); }
    ~CTargetScope() { hwy::SetSupportedTargetsForTest(0); }
    CTargetScope(const CTargetScope&) = delete;
    CTargetScope& operator=(const CTargetScope&) = delete;
};

// Counts of a row, with room behind them that the kernel must leave alone.
std::vector<std::int32_t> RowCounts(const CEscapeParams& params, const CRowSpan& span,
                                    CEscapeKernel kernel) {
    std::vector<std::int32_t> counts(static_cast<std::size_t>(span.PointCount()) + 9, kUnwritten);
    EscapeRow(params, span, counts.data(), kernel);
    return counts;
}

testing::AssertionResult SameAsScalar(const CEscapeParams& params, const CRowSpan& span,
                                      const std::vector<std::int32_t>& scalar) {
    const std::vector<std::int32_t> simd = RowCounts(params, span, CEscapeKernel::simd);
    for (std::size_t i = 0; i < scalar.size(); ++i) {
        if (simd[i] != scalar[i]) {
            return testing::AssertionFailure()
                   << EscapeKernelName() << ": point " << i << " of " << span.PointCount()
                   << " (kind " << params.kind << ", maximum " << params.maximum << ", y " << span.y
                   << ", columns " << span.colStart << ".." << span.colEnd << " by " << span.colStep
                   << ") counts " << simd[i] << ", scalar " << scalar[i];
        }
    }
    return testing::AssertionSuccess();
}

// The row on every compiled instruction set against the scalar loop.
testing::AssertionResult EveryTargetAgrees(const CEscapeParams& params, const CRowSpan& span) {
    const std::vector<std::int32_t> scalar = RowCounts(params, span, CEscapeKernel::scalar);
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        const CTargetScope scope(target);
        const testing::AssertionResult same = SameAsScalar(params, span, scalar);
        if (!same) {
            return same;
        }
    }
    return testing::AssertionSuccess();
}

struct CScenePlane {
    CEscapeParams params;
    double xMin;
    double xStep;
    double yMin;
    double yStep;
};

// A scene mapped onto a side x side image the way the engine maps it.
CScenePlane ScenePlane(const CBenchmarkScene& s, int side) {
    const double xMin = std::min(s.xMin, s.xMax);
    const double yMin = std::min(s.yMin, s.yMax);
    return {CEscapeParams{s.kind, s.juliaRe, s.juliaIm, kBenchmarkIterationLimit - 1}, xMin,
            (std::max(s.xMin, s.xMax) - xMin) / side, yMin,
            (std::max(s.yMin, s.yMax) - yMin) / side};
}

}  // namespace

TEST(EscapeKernel, NamesTheInstructionSetItRunsOn) {
    EXPECT_STREQ(EscapeKernelName(CEscapeKernel::scalar), "scalar");
    const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    ASSERT_FALSE(targets.empty());
    for (const std::int64_t target : targets) {
        const CTargetScope scope(target);
        EXPECT_STREQ(EscapeKernelName(CEscapeKernel::simd), hwy::TargetName(target));
    }
}

TEST(EscapeKernel, BenchmarkScenesMatchTheScalarLoopOnEveryTarget) {
    for (const CBenchmarkScene& scene : BenchmarkScenes()) {
        const CScenePlane plane = ScenePlane(scene, kSceneSide);
        // Every row of the 8x8, 4x4 and single-pixel passes, whole and as the
        // strips a move by one eighth computes.
        for (const int b : {8, 4, 1}) {
            for (int r = 0; r < kSceneSide; r += b) {
                const double y = r * plane.yStep + plane.yMin;
                const CRowSpan whole{y, plane.xMin, plane.xStep, 0, kSceneSide, b};
                ASSERT_TRUE(EveryTargetAgrees(plane.params, whole)) << "row " << r;
            }
            const double y = plane.yMin + kSceneSide / 3 * plane.yStep;
            for (const int colStart : {1, 3, (7 * kSceneSide) / 8}) {
                const CRowSpan strip{y, plane.xMin, plane.xStep, colStart, kSceneSide, b};
                ASSERT_TRUE(EveryTargetAgrees(plane.params, strip));
            }
            const CRowSpan left{y, plane.xMin, plane.xStep, 0, kSceneSide / 8, b};
            ASSERT_TRUE(EveryTargetAgrees(plane.params, left));
        }
    }
}

TEST(EscapeKernel, ShortRowsAndEveryStepMatchTheScalarLoop) {
    const CEscapeParams mandelbrot{0, 0.0, 0.0, 500};
    const CEscapeParams julia{1, -0.390967, 0.5959183, 500};
    for (const CEscapeParams& params : {mandelbrot, julia}) {
        for (const int colStep : {1, 4, 8}) {
            for (int points = 1; points <= 17; ++points) {
                for (const int colStart : {0, 5}) {
                    const CRowSpan span{
                        0.31,   -1.6, 0.011, colStart, colStart + (points - 1) * colStep + 1,
                        colStep};
                    ASSERT_EQ(span.PointCount(), points);
                    ASSERT_TRUE(EveryTargetAgrees(params, span));
                }
            }
        }
        // Rows long enough that lanes are refilled many times over.
        const CRowSpan wide{0.1, -2.0, 3.0 / 1000, 0, 1000, 1};
        EXPECT_TRUE(EveryTargetAgrees(params, wide));
        const CRowSpan wider{-0.5, -2.0, 3.0 / 2500, 7, 2500, 1};
        EXPECT_TRUE(EveryTargetAgrees(params, wider));
    }
}

TEST(EscapeKernel, LimitsAndImmediateEscapes) {
    const CRowSpan span{0.2, -2.0, 0.05, 0, 90, 1};
    for (const std::int32_t kind : {0, 1}) {
        // An iteration limit of 1 leaves a maximum of 0: every count is 0.
        const std::vector<std::int32_t> none =
            RowCounts(CEscapeParams{kind, 0.3, 0.5, 0}, span, CEscapeKernel::simd);
        for (int i = 0; i < span.PointCount(); ++i) {
            ASSERT_EQ(none[static_cast<std::size_t>(i)], 0);
        }
        EXPECT_EQ(none[static_cast<std::size_t>(span.PointCount())], kUnwritten);
        for (const std::int32_t maximum : {-5, 0, 1, 2, 3, 17, 4000}) {
            EXPECT_TRUE(EveryTargetAgrees(CEscapeParams{kind, 0.3, 0.5, maximum}, span))
                << "maximum " << maximum;
        }
    }
    // The largest maximum there is, on points that all escape.
    const CRowSpan outside{3.0, 2.0, 0.25, 0, 40, 1};
    const CEscapeParams most{0, 0.0, 0.0, std::numeric_limits<std::int32_t>::max()};
    EXPECT_TRUE(EveryTargetAgrees(most, outside));

    // Julia points already outside count 0; a Mandelbrot point far out counts 1.
    const std::vector<std::int32_t> far = RowCounts(
        CEscapeParams{1, 0.0, 0.0, 100}, CRowSpan{0.0, 100.0, 1e6, 0, 12, 1}, CEscapeKernel::simd);
    EXPECT_EQ(far[0], 0);  // |z|^2 is exactly 10000: outside
    EXPECT_EQ(far[11], 0);
    EXPECT_EQ(RowCounts(CEscapeParams{0, 0.0, 0.0, 100}, CRowSpan{0.0, 1e5, 1.0, 0, 12, 1},
                        CEscapeKernel::simd)[5],
              1);
    // A point that is outside at once next to points that never leave.
    EXPECT_TRUE(
        EveryTargetAgrees(CEscapeParams{1, 0.0, 0.0, 50}, CRowSpan{0.0, -100.0, 99.0, 0, 23, 1}));
}

TEST(EscapeKernel, NonFiniteCoordinatesMatchTheScalarLoop) {
    // A NaN never reaches 10000, so such points run to the maximum; infinite
    // ones leave at once or turn into NaN. Every target must agree.
    const double values[] = {kNaN, kInf, -kInf, 0.0, -0.0, 1e308, -1e-310, 0.25};
    for (const std::int32_t kind : {0, 1}) {
        for (const double v : values) {
            for (const double w : values) {
                const CEscapeParams params{kind, w, v, 40};
                EXPECT_TRUE(EveryTargetAgrees(params, CRowSpan{v, w, 0.01, 0, 21, 1}));
                EXPECT_TRUE(EveryTargetAgrees(params, CRowSpan{0.1, -0.5, v, 0, 19, 1}));
                EXPECT_TRUE(EveryTargetAgrees(params, CRowSpan{w, v, 0.0, 3, 30, 4}));
            }
        }
    }
    // Equal bounds: a zero step puts every point of the row on the same spot.
    const std::vector<std::int32_t> same = RowCounts(
        CEscapeParams{0, 0.0, 0.0, 300}, CRowSpan{0.1, -0.75, 0.0, 0, 33, 1}, CEscapeKernel::simd);
    for (int i = 0; i < 33; ++i) {
        EXPECT_EQ(same[static_cast<std::size_t>(i)],
                  EscapeCount(CEscapeParams{0, 0.0, 0.0, 300}, -0.75, 0.1));
    }
    const std::vector<std::int32_t> nan = RowCounts(
        CEscapeParams{1, 0.0, 0.0, 77}, CRowSpan{kNaN, 0.0, 0.1, 0, 10, 1}, CEscapeKernel::simd);
    EXPECT_EQ(nan[9], 77);
}

namespace {

// The row on the scalar kernel and on every compiled instruction set against
// the plain loop, point by point; adds the updates the kernels skipped.
testing::AssertionResult PlainLoopAgrees(const CEscapeParams& params, const CRowSpan& span,
                                         std::uint64_t* skipped = nullptr) {
    std::vector<std::int32_t> plain;
    for (int c = span.colStart; c < span.colEnd; c += span.colStep) {
        plain.push_back(EscapeCount(params, c * span.xStep + span.xMin, span.y));
    }
    plain.resize(plain.size() + 9, kUnwritten);
    CEscapeParams counted = params;
    std::uint64_t scalarSkipped = 0;
    counted.skipped = &scalarSkipped;
    if (RowCounts(counted, span, CEscapeKernel::scalar) != plain) {
        return testing::AssertionFailure() << "the scalar kernel differs";
    }
    if (skipped) {
        *skipped += scalarSkipped;
    }
    return SameAsScalar(params, span, plain) ? EveryTargetAgrees(params, span)
                                             : SameAsScalar(params, span, plain);
}

// The centre of the bulb of period q on the main cardioid (internal angle
// 1/q), by Newton's method on z_q(c) = 0 from the bulb's root.
std::complex<double> BulbCentre(int q) {
    std::complex<double> c = CardioidPoint(1.0 / q, 1.0);
    c += (c - 0.25) * (1.5 / (q * q));  // out of the cardioid, into the bulb
    for (int step = 0; step < 100; ++step) {
        std::complex<double> z = 0.0;
        std::complex<double> dz = 0.0;
        for (int i = 0; i < q; ++i) {
            dz = 2.0 * z * dz + 1.0;
            z = z * z + c;
        }
        c -= z / dz;
    }
    return c;
}

}  // namespace

TEST(EscapeKernel, RepeatingOrbitsCountAsThePlainLoopDoes) {
    // Rows through the centres of the bulbs of periods 1 to 64: points inside
    // fall into cycles of those periods, points just outside stay near them a
    // long time and escape late.
    std::uint64_t skipped = 0;
    for (int q = 1; q <= 64; ++q) {
        const std::complex<double> c = q == 1 ? 0.0 : BulbCentre(q);
        const double r = 2.0 / (q * q);
        const CRowSpan span{c.imag(), c.real() - r, r / 20, 0, 41, 1};
        ASSERT_TRUE(PlainLoopAgrees(CEscapeParams{0, 0.0, 0.0, 9999}, span, &skipped))
            << "period " << q;
        ASSERT_TRUE(PlainLoopAgrees(CEscapeParams{1, c.real(), c.imag(), 9999},
                                    CRowSpan{0.01, -0.6, 0.03, 0, 41, 1}, &skipped))
            << "Julia set of the period " << q << " centre";
    }
    EXPECT_GT(skipped, 64u * 41 * 9999 / 4) << "cycles were not found";

    // The limits at the edges, on cheap cycles (c = 0 and -1) beside escapes.
    const CRowSpan cheap{0.0, -1.0, 1.0, 0, 3, 1};
    const CEscapeParams most{0, 0.0, 0.0, std::numeric_limits<std::int32_t>::max()};
    const std::vector<std::int32_t> counts = RowCounts(most, cheap, CEscapeKernel::simd);
    EXPECT_EQ(counts[0], most.maximum);
    EXPECT_EQ(counts[1], most.maximum);
    EXPECT_EQ(counts[2], EscapeCount(most, 1.0, 0.0));
    EXPECT_TRUE(EveryTargetAgrees(most, cheap));
    for (const std::int32_t maximum : {1, 2, 10000}) {
        EXPECT_TRUE(PlainLoopAgrees(CEscapeParams{0, 0.0, 0.0, maximum},
                                    CRowSpan{0.0, -2.0, 0.05, 0, 61, 1}))
            << maximum;
    }
    // Non-finite and signed-zero coordinates with the look for cycles on.
    for (const double v : {kNaN, kInf, -kInf, 0.0, -0.0}) {
        EXPECT_TRUE(
            PlainLoopAgrees(CEscapeParams{0, 0.0, 0.0, 5000}, CRowSpan{v, -1.0, 0.0, 0, 9, 1}));
        EXPECT_TRUE(
            PlainLoopAgrees(CEscapeParams{1, v, -0.0, 5000}, CRowSpan{-0.0, v, 0.1, 0, 9, 1}));
    }
    // A stop is a stop, also where every point would repeat for ever.
    const std::atomic<std::int32_t> stop{1};
    CEscapeParams stopped = most;
    stopped.cancel = &stop;
    std::vector<std::int32_t> cut(200);
    EXPECT_FALSE(EscapeRow(stopped, CRowSpan{0.3, -0.3, 0.001, 0, 200, 1}, cut.data()));
}

TEST(EscapeKernel, OrbitsProvedBoundedAreThoseThatNeverEscape) {
    // Across the main cardioid's edge, z settles slowly on a weakly attracting
    // fixed point just inside and lingers near a weakly repelling one just
    // outside; outside the cusp and the root of the period-2 disc it crawls
    // for tens of thousands of updates before it escapes. Only the first may
    // count the maximum early.
    std::uint64_t skipped = 0;
    for (int k = 0; k < 16; ++k) {
        const std::complex<double> edge = CardioidPoint((k + 0.37) / 16, 1.0);
        const double h = k % 2 == 0 ? 1e-5 : 2e-7;
        ASSERT_TRUE(PlainLoopAgrees(CEscapeParams{0, 0.0, 0.0, 30000},
                                    CRowSpan{edge.imag(), edge.real() - 12 * h, h, 0, 25, 1},
                                    &skipped))
            << k;
    }
    const CEscapeParams far{0, 0.0, 0.0, 100000};
    for (const double d : {1e-7, 4e-9, 1e-9}) {
        ASSERT_TRUE(PlainLoopAgrees(far, CRowSpan{0.0, 0.25 + d, d / 4, 0, 5, 1}, &skipped)) << d;
    }
    for (const double d : {1e-4, 5e-5}) {
        ASSERT_TRUE(PlainLoopAgrees(far, CRowSpan{d, -0.75 - d / 8, d / 16, 0, 5, 1}, &skipped))
            << d;
    }
    // A Julia set whose whole filled set drifts slowly onto a fixed point.
    const std::complex<double> c = CardioidPoint(0.29, 0.999);
    ASSERT_TRUE(PlainLoopAgrees(CEscapeParams{1, c.real(), c.imag(), 30000},
                                CRowSpan{0.05, -0.3, 0.025, 0, 25, 1}, &skipped));
    EXPECT_GT(skipped, 0u) << "no orbit was proved bounded";
}
