// Built with -ffp-contract=off: a fused multiply-add would change counts.
#include "engine/EscapeKernel.h"

std::int32_t EscapeCount(const CEscapeParams& params, double x, double y) {
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

void EscapeRow(const CEscapeParams& params, const CRowSpan& span, std::int32_t* counts,
               CEscapeKernel kernel) {
    if (kernel == CEscapeKernel::simd) {
        EscapeRowSimd(params, span, counts);
        return;
    }
    // The reference: one point after another.
    int i = 0;
    for (int c = span.colStart; c < span.colEnd; c += span.colStep) {
        const double x = c * span.xStep + span.xMin;
        counts[i++] = EscapeCount(params, x, span.y);
    }
}

const char* EscapeKernelName(CEscapeKernel kernel) {
    return kernel == CEscapeKernel::simd ? EscapeSimdTargetName() : "scalar";
}
