#pragma once

#include <cstdint>

#include "engine/BigReal.h"

// z = z^2 + c, given rr = zr^2 and ii = zi^2; t is scratch.
inline void BruteForceUpdate(CBigReal& zr, CBigReal& zi, const CBigReal& cr, const CBigReal& ci,
                             const CBigReal& rr, const CBigReal& ii, CBigReal& t) {
    mpfr_mul(t.Get(), zr.Get(), zi.Get(), MPFR_RNDN);
    mpfr_mul_2ui(t.Get(), t.Get(), 1, MPFR_RNDN);
    mpfr_add(zi.Get(), t.Get(), ci.Get(), MPFR_RNDN);
    mpfr_sub(t.Get(), rr.Get(), ii.Get(), MPFR_RNDN);
    mpfr_add(zr.Get(), t.Get(), cr.Get(), MPFR_RNDN);
}

// The escape count of one point computed wholly in arbitrary precision: what a
// deep picture's counts are checked against.
inline std::int32_t BruteForceCount(std::int32_t kind, const CBigReal& x, const CBigReal& y,
                                    double juliaRe, double juliaIm, std::int32_t maximum) {
    const long p = x.Precision();
    CBigReal zr(p), zi(p), cr(p), ci(p), rr(p), ii(p), t(p);
    if (kind == 0) {
        cr = x;
        ci = y;
    } else {
        zr = x;
        zi = y;
        cr.Set(juliaRe);
        ci.Set(juliaIm);
    }
    for (std::int32_t n = 0; n < maximum; ++n) {
        mpfr_sqr(rr.Get(), zr.Get(), MPFR_RNDN);
        mpfr_sqr(ii.Get(), zi.Get(), MPFR_RNDN);
        mpfr_add(t.Get(), rr.Get(), ii.Get(), MPFR_RNDN);
        if (mpfr_cmp_ui(t.Get(), 10000) >= 0) {
            return n;
        }
        BruteForceUpdate(zr, zi, cr, ci, rr, ii, t);
    }
    return maximum;
}
