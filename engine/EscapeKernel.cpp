// Built with -ffp-contract=off: a fused multiply-add would change counts.
#include "engine/EscapeKernel.h"

namespace {

// The plain loop; with kCheck it looks at the cancel flag every 2^20 updates
// and sets *cut when it gives up.
template <bool kCheck>
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
    while (n < params.maximum) {
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

}  // namespace

std::int32_t EscapeCount(const CEscapeParams& params, double x, double y) {
    return Count<false>(params, x, y, nullptr);
}

bool EscapeRow(const CEscapeParams& params, const CRowSpan& span, std::int32_t* counts,
               CEscapeKernel kernel) {
    if (kernel == CEscapeKernel::simd) {
        return EscapeRowSimd(params, span, counts);
    }
    // The reference: one point after another.
    int i = 0;
    bool cut = false;
    for (int c = span.colStart; c < span.colEnd && !cut; c += span.colStep) {
        const double x = c * span.xStep + span.xMin;
        counts[i++] = params.cancel ? Count<true>(params, x, span.y, &cut)
                                    : Count<false>(params, x, span.y, nullptr);
    }
    return !cut && !params.Cancelled();
}

const char* EscapeKernelName(CEscapeKernel kernel) {
    return kernel == CEscapeKernel::simd ? EscapeSimdTargetName() : "scalar";
}
