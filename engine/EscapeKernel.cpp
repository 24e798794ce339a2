// Built with -ffp-contract=off: a fused multiply-add would change counts.
#include "engine/EscapeKernel.h"

#include "engine/CycleProof.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace {

// The plain loop; with kCheck it looks at the cancel flag every 2^20 updates
// and sets *cut when it gives up. With kCycles it compares z every 8 updates
// with the z saved at the last power of two: equal bits mean z repeats from
// there on and never escapes (a NaN never compares equal; +0 and -0 do, and
// the sign of a zero never changes |z|^2), so the count is the maximum. So it
// is when z has come back close to the saved z and NeverEscapes proves it.
template <bool kCheck, bool kCycles>
std::int32_t Count(const CEscapeParams& params, double x, double y, bool* cut) {
    double zr = 0.0;
    double zi = 0.0;
    double cr = x;
    double ci = y;
    if (params.kind != 0) {
        zr = x;
        zi = y;
        cr = params.juliaRe;
        ci = params.juliaIm;
    }
    std::int32_t n = 0;
    double savedR = std::numeric_limits<double>::quiet_NaN();
    double savedI = savedR;
    while (n < params.maximum) {
        if constexpr (kCycles) {
            if ((n & 7) == 0) {
                if (zr == savedR && zi == savedI) {
                    if (params.skipped) {
                        *params.skipped += static_cast<std::uint64_t>(params.maximum - n);
                    }
                    return params.maximum;
                }
                if ((n & (n - 1)) == 0) {
                    const double dr = zr - savedR;
                    const double di = zi - savedI;
                    if (dr * dr + di * di < kNearReturnSquared && NeverEscapes(zr, zi, cr, ci)) {
                        if (params.skipped) {
                            *params.skipped += static_cast<std::uint64_t>(params.maximum - n);
                        }
                        return params.maximum;
                    }
                    savedR = zr;
                    savedI = zi;
                }
            }
        }
        if constexpr (kCheck) {
            if ((n & 0xFFFFF) == 0xFFFFF && params.Cancelled()) {
                *cut = true;
                break;
            }
        }
        const double rr = zr * zr;
        const double ii = zi * zi;
        if (rr + ii >= 10000.0) {
            break;
        }
        zi = 2.0 * zr * zi + ci;
        zr = rr - ii + cr;
        ++n;
    }
    return n;
}

// The loop for these parameters.
std::int32_t CountPoint(const CEscapeParams& params, double x, double y, bool* cut) {
    const bool cycles = params.maximum >= kCycleCheckFrom;
    if (params.cancel) {
        return cycles ? Count<true, true>(params, x, y, cut)
                      : Count<true, false>(params, x, y, cut);
    }
    return cycles ? Count<false, true>(params, x, y, cut) : Count<false, false>(params, x, y, cut);
}

}  // namespace

std::int32_t EscapeCount(const CEscapeParams& params, double x, double y) {
    return Count<false, false>(params, x, y, nullptr);
}

bool EscapeRows(const CEscapeParams& params, const CRowSpan& span, IRowFeed& feed,
                CEscapeKernel kernel) {
    if (kernel == CEscapeKernel::simd) {
        return EscapeRowsSimd(params, span, feed);
    }
    return EscapeRowsOneByOne(params, span, feed, kernel);
}

bool EscapeRowsOneByOne(const CEscapeParams& params, const CRowSpan& span, IRowFeed& feed,
                        CEscapeKernel kernel) {
    std::vector<std::int32_t> counts(static_cast<std::size_t>(span.PointCount()));
    CRowSpan row = span;
    for (std::int64_t seq = 0; feed.NextRow(row.y); ++seq) {
        if (!EscapeRow(params, row, counts.data(), kernel) || !feed.RowDone(seq, counts.data())) {
            return false;
        }
    }
    return !params.Cancelled();
}

bool EscapeRow(const CEscapeParams& params, const CRowSpan& span, std::int32_t* counts,
               CEscapeKernel kernel) {
    if (kernel == CEscapeKernel::simd) {
        bool fed = false;
        CRowFeed row(
            [&](double& y) {
                y = span.y;
                return !std::exchange(fed, true);
            },
            [&](std::int64_t, const std::int32_t* rowCounts) {
                std::copy(rowCounts, rowCounts + span.PointCount(), counts);
                return true;
            });
        return EscapeRowsSimd(params, span, row);
    }
    // The reference: one point after another.
    int i = 0;
    bool cut = false;
    for (int c = span.colStart; c < span.colEnd && !cut; c += span.colStep) {
        const double x = c * span.xStep + span.xMin;
        counts[i++] = CountPoint(params, x, span.y, &cut);
    }
    return !cut && !params.Cancelled();
}

const char* EscapeKernelName(CEscapeKernel kernel) {
    return kernel == CEscapeKernel::simd ? EscapeSimdTargetName() : "scalar";
}
