#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/EscapeKernel.h"

namespace {

// Every row's counts by the number it was fed under, and how often it came back.
struct CStreamResult {
    bool finished = false;
    std::vector<std::vector<std::int32_t>> rows;
    std::vector<int> returns;
};

// Streams the rows at `ys` through the kernel on the instruction set chosen
// for the test; `onDone` may stop the rows.
CStreamResult Stream(const CEscapeParams& params, const CRowSpan& span,
                     const std::vector<double>& ys,
                     const std::function<bool(std::int64_t)>& onDone = {}) {
    CStreamResult result;
    result.rows.resize(ys.size());
    result.returns.resize(ys.size());
    std::size_t fed = 0;
    CRowFeed feed(
        [&](double& y) {
            if (fed == ys.size()) {
                return false;
            }
            y = ys[fed++];
            return true;
        },
        [&](std::int64_t seq, const std::int32_t* counts) {
            const auto i = static_cast<std::size_t>(seq);
            result.rows[i].assign(counts, counts + span.PointCount());
            ++result.returns[i];
            return !onDone || onDone(seq);
        });
    result.finished = EscapeRows(params, span, feed);
    return result;
}

// The streamed rows on every compiled instruction set against the plain loop, row by row.
testing::AssertionResult EveryTargetStreamsAsTheScalarLoop(const CEscapeParams& params,
                                                           const CRowSpan& span,
                                                           const std::vector<double>& ys) {
    std::vector<std::vector<std::int32_t>> scalar;
    for (const double y : ys) {
        CRowSpan row = span;
        row.y = y;
        scalar.emplace_back(static_cast<std::size_t>(span.PointCount()));
        EscapeRow(params, row, scalar.back().data(), CEscapeKernel::scalar);
    }
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        const CStreamResult simd = Stream(params, span, ys);
        hwy::SetSupportedTargetsForTest(0);
        for (std::size_t r = 0; r < ys.size(); ++r) {
            if (!simd.finished || simd.returns[r] != 1 || simd.rows[r] != scalar[r]) {
                return testing::AssertionFailure()
                       << hwy::TargetName(target) << ": row " << r << " of " << ys.size()
                       << " (width " << span.PointCount() << ", maximum " << params.maximum
                       << ") came back " << simd.returns[r] << " times"
                       << (simd.rows[r] == scalar[r] ? "" : " with other counts");
            }
        }
    }
    return testing::AssertionSuccess();
}

std::vector<double> Spread(int rows, double yMin, double yStep) {
    std::vector<double> ys;
    for (int r = 0; r < rows; ++r) {
        ys.push_back(yMin + r * yStep);
    }
    return ys;
}

}  // namespace

TEST(RowStream, RowsOfEveryWidthMatchTheScalarLoopOnEveryTarget) {
    for (const std::int32_t maximum : {60, 2000}) {
        const CEscapeParams mandelbrot{0, 0.0, 0.0, maximum};
        const CEscapeParams julia{1, -0.390967, 0.5959183, maximum};
        for (const CEscapeParams& params : {mandelbrot, julia}) {
            for (const int width : {1, 3, 7, 60, 481}) {
                const CRowSpan span{0.0, -2.1, 3.0 / width, 0, width, 1};
                EXPECT_TRUE(
                    EveryTargetStreamsAsTheScalarLoop(params, span, Spread(37, -1.2, 0.065)));
            }
        }
    }
}

TEST(RowStream, OneSlowPointDoesNotHoldUpTheRowsBehindIt) {
    // Row 0 holds a point that escapes only after about 10^5 updates (just
    // outside the cusp), while tens of thousands of rows of instant escapes
    // pass it and every slot for rows in flight gets used.
    const CEscapeParams params{0, 0.0, 0.0, 1000000};
    const CRowSpan span{0.0, 0.25 + 1e-9, 3.0, 0, 2, 1};
    std::vector<double> ys(40000, 5.0);
    ys[0] = 0.0;
    EXPECT_TRUE(EveryTargetStreamsAsTheScalarLoop(params, span, ys));
}

TEST(RowStream, StopsWhenTheFeedOrTheCancelFlagSaysSo) {
    std::atomic<std::int32_t> cancel{0};
    const CEscapeParams params{0, 0.0, 0.0, 5000, &cancel};
    const CRowSpan span{0.0, -2.0, 0.01, 0, 300, 1};
    const std::vector<double> ys = Spread(40, -1.0, 0.05);

    int doneAfterStop = 0;
    const CStreamResult refused = Stream(params, span, ys, [&](std::int64_t) {
        ++doneAfterStop;
        return false;
    });
    EXPECT_FALSE(refused.finished);
    EXPECT_EQ(doneAfterStop, 1);

    // A stop asked for while rows are handed back: no row comes back after it.
    int done = 0;
    const CStreamResult stopped = Stream(params, span, ys, [&](std::int64_t) {
        if (++done == 5) {
            cancel.store(1);
        }
        return true;
    });
    EXPECT_FALSE(stopped.finished);
    EXPECT_EQ(done, 5);
    cancel.store(0);
}
