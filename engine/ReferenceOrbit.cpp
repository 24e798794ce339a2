#include "engine/ReferenceOrbit.h"

#include <algorithm>
#include <bit>
#include <new>

namespace {

// Stores one more point; false, with the points as they were, where memory
// for it cannot be had: the orbit then ends there, as at its cap.
bool Store(double re, double im, CReferenceOrbit::CPoints& points) {
    try {
        points.re.push_back(re);
        points.im.push_back(im);
    } catch (const std::bad_alloc&) {
        points.re.resize(points.im.size());  // shorter: allocates nothing
        return false;
    }
    return true;
}

// Room for `most` points where memory allows; else the points grow as stored.
void Reserve(std::size_t most, CReferenceOrbit::CPoints& points) {
    try {
        points.re.reserve(most);
        points.im.reserve(most);
    } catch (const std::bad_alloc&) {
    }
}

// Fills the orbit up to `most` points with the last `period` points over and
// over: the orbit has come back to where it was `period` updates ago.
bool Repeat(std::size_t period, std::size_t most, const std::atomic<std::int32_t>* cancel,
            CReferenceOrbit::CPoints& points) {
    Reserve(most, points);
    constexpr std::size_t kCancelEvery = std::size_t{1} << 20;
    for (std::size_t n = points.re.size(); n < most; ++n) {
        if (n % kCancelEvery == 0 && cancel && cancel->load(std::memory_order_relaxed) != 0) {
            points.re.clear();
            points.im.clear();
            return false;
        }
        if (!Store(points.re[n - period], points.im[n - period], points)) {
            break;
        }
    }
    return true;
}

// z_{n+1} = z_n^2 + c from z_0 in the precision of z_0, while |z|^2 < 10000.
// Calls progress with from + share * (the part of `most` done) now and then.
bool Iterate(const CBigReal& startRe, const CBigReal& startIm, const CBigReal& cRe,
             const CBigReal& cIm, std::size_t most, const std::atomic<std::int32_t>* cancel,
             const CReferenceOrbit::CProgress& progress, double from, double share,
             CReferenceOrbit::CPoints& points) {
    const long precision = std::max(startRe.Precision(), startIm.Precision());
    CBigReal zr(startRe);
    CBigReal zi(startIm);
    zr.SetPrecision(precision);
    zi.SetPrecision(precision);
    CBigReal rr(precision);
    CBigReal ii(precision);
    CBigReal t(precision);
    points.re.clear();
    points.im.clear();
    // The two points a pixel starting over on the orbit needs (if even these
    // cannot be had, nothing can go on).
    points.re.reserve(2);
    points.im.reserve(2);
    // z as it was at point `savedAt`, saved again at every power of two: once
    // z comes back to it bit for bit, the rest of the orbit repeats the points
    // since, update for update (Brent's cycle finding).
    CBigReal savedRe(zr);
    CBigReal savedIm(zi);
    std::size_t savedAt = 0;
    // Updates at the deepest precision take about 0.1 ms each: a stop is
    // seen within a few milliseconds.
    constexpr std::size_t kCancelEvery = 16;
    constexpr std::size_t kProgressEvery = 4096;
    for (std::size_t n = 0; n < most; ++n) {
        if (n % kCancelEvery == 0 && cancel && cancel->load(std::memory_order_relaxed) != 0) {
            points.re.clear();
            points.im.clear();
            return false;
        }
        if (n % kProgressEvery == 0 && n != 0 && progress) {
            progress(from + share * static_cast<double>(n) / static_cast<double>(most));
        }
        const double re = zr.ToDouble();
        const double im = zi.ToDouble();
        // The first escaped point is kept too: an orbit from 0 then always
        // holds the two points a pixel starting over on it needs.
        if (!Store(re, im, points) || re * re + im * im >= 10000.0) {
            break;
        }
        if (n != 0 && mpfr_equal_p(zr.Get(), savedRe.Get()) &&
            mpfr_equal_p(zi.Get(), savedIm.Get())) {
            points.repeat = {savedAt, n - savedAt};
            return Repeat(points.repeat.period, most, cancel, points);
        }
        if (std::has_single_bit(n)) {
            mpfr_set(savedRe.Get(), zr.Get(), MPFR_RNDN);
            mpfr_set(savedIm.Get(), zi.Get(), MPFR_RNDN);
            savedAt = n;
        }
        mpfr_sqr(rr.Get(), zr.Get(), MPFR_RNDN);
        mpfr_sqr(ii.Get(), zi.Get(), MPFR_RNDN);
        // zi = 2 zr zi + ci; zr = rr - ii + cr
        mpfr_mul(t.Get(), zr.Get(), zi.Get(), MPFR_RNDN);
        mpfr_mul_2ui(t.Get(), t.Get(), 1, MPFR_RNDN);
        mpfr_add(zi.Get(), t.Get(), cIm.Get(), MPFR_RNDN);
        mpfr_sub(t.Get(), rr.Get(), ii.Get(), MPFR_RNDN);
        mpfr_add(zr.Get(), t.Get(), cRe.Get(), MPFR_RNDN);
    }
    return true;
}

}  // namespace

bool CReferenceOrbit::Compute(std::int32_t kind, const CBigReal& centreRe, const CBigReal& centreIm,
                              double juliaRe, double juliaIm, std::int64_t maximum,
                              const std::atomic<std::int32_t>* cancel, std::size_t maxPoints,
                              const CProgress& progress) {
    m_kind = kind == 0 ? 0 : 1;
    m_reference = {};
    m_restart = {};
    // One point more than the most updates: the value after the last one is
    // still tested for escape.
    const std::size_t most = std::min<std::size_t>(
        maxPoints, static_cast<std::size_t>(std::max<std::int64_t>(0, maximum)) + 1);
    const long precision = std::max(centreRe.Precision(), centreIm.Precision());
    const CBigReal zero(precision);
    bool ok = true;
    if (m_kind == 0) {
        ok = Iterate(zero, zero, centreRe, centreIm, most, cancel, progress, 0.0, 1.0, m_reference);
    } else {
        const CBigReal cr(precision, juliaRe);
        const CBigReal ci(precision, juliaIm);
        ok = Iterate(centreRe, centreIm, cr, ci, most, cancel, progress, 0.0, 0.5, m_reference) &&
             Iterate(zero, zero, cr, ci, most, cancel, progress, 0.5, 0.5, m_restart);
    }
    if (!ok) {
        m_reference = {};
        m_restart = {};
    }
    return ok;
}

bool CReferenceOrbit::BuildSteps(CFloatExp dcMax, const std::atomic<std::int32_t>* cancel) {
    const bool julia = m_kind != 0;
    const bool ok = m_reference.steps.Build(m_reference.re, m_reference.im, julia, dcMax, cancel,
                                            m_reference.repeat) &&
                    (!julia || m_restart.steps.Build(m_restart.re, m_restart.im, julia, dcMax,
                                                     cancel, m_restart.repeat));
    if (!ok) {
        m_reference.steps.Clear();
        m_restart.steps.Clear();
    }
    return ok;
}
