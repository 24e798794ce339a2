#include "engine/BlaTable.h"

#include "engine/BlaPartial.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>
#include <numeric>

namespace {

using bla_partial::CPartial;

CBlaStep Finish(const CPartial<CFloatExp>& p) {
    CBlaStep s;
    s.a = p.a;
    s.b = p.b;
    s.r2 = p.r * p.r;
    // Doubles hold the step only well inside their range.
    constexpr std::int64_t kRange = 960;
    const auto small = [](const CComplexExp& z) { return z.Exponent() < kRange; };
    const auto put = [](const CComplexExp& z, double& re, double& im) {
        re = z.re.ToDouble();
        im = z.im.ToDouble();
    };
    const CFloatExp q2 = p.rho * p.rho;
    const bool linear = small(p.a) && small(p.b) && s.r2.Exponent() > -kRange;
    const bool further = small(p.a) && small(p.b) && small(p.c) && small(p.d) && small(p.e) &&
                         small(p.f) && small(p.g) && q2.Exponent() > -kRange &&
                         q2.Exponent() < kRange;
    if (linear || further) {
        put(p.a, s.ar, s.ai);
        put(p.b, s.br, s.bi);
    }
    if (linear) {
        s.r2d = s.r2.ToDouble();
    }
    if (further) {
        put(p.c, s.cr, s.ci);
        put(p.d, s.dr, s.di);
        put(p.e, s.er, s.ei);
        put(p.f, s.fr, s.fi);
        put(p.g, s.gr, s.gi);
        s.q2d = q2.ToDouble();
    }
    return s;
}

bool Cancelled(const std::atomic<std::int32_t>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed) != 0;
}

}  // namespace

bool CBlaTable::Build(const std::vector<double>& re, const std::vector<double>& im, bool julia,
                      CFloatExp dcMax, const std::atomic<std::int32_t>* cancel, CBlaRepeat repeat) {
    try {
        return BuildLevels(re, im, julia, dcMax, cancel, repeat);
    } catch (const std::bad_alloc&) {
        // Without memory for the steps, pixels take single updates.
        Clear();
        return true;
    }
}

bool CBlaTable::BuildLevels(const std::vector<double>& re, const std::vector<double>& im,
                            bool julia, CFloatExp dcMax, const std::atomic<std::int32_t>* cancel,
                            CBlaRepeat repeat) {
    Clear();
    const std::size_t n = std::min({re.size(), im.size(), kMaxPoints});
    // Steps start after the first point and land on a stored point that has
    // not escaped: the last point is the escaped one, or the last stored.

    // Steps in doubles where dcMax^2 and their values are far inside their
    // range (a Julia set's steps never meet dc). Deeper, only linear steps
    // are built: their further terms would take several times as long.
    const bool inDoubles = julia || dcMax.IsZero() || dcMax.Exponent() > -300;
    const double dcMaxDouble = julia ? 0.0 : dcMax.ToDouble();
    // The steps of `length` updates from 1 + length * j, going over the
    // points from there on: the earlier step over the same points, `back`
    // steps before, when there is one (else 0).
    const auto earlier = [repeat](std::size_t length, std::size_t j) -> std::size_t {
        if (repeat.period == 0) {
            return 0;
        }
        const std::size_t shift = std::lcm(repeat.period, length);
        const std::size_t first = 1 + length * j;
        return first >= repeat.from + shift ? shift / length : 0;
    };
    std::vector<CPartial<CFloatExp>> level;
    level.reserve(n / kShortest);
    for (std::size_t m = 1; m + kShortest + 1 < n; m += kShortest) {
        if (level.size() % 4096 == 0 && Cancelled(cancel)) {
            return false;
        }
        if (const std::size_t back = earlier(kShortest, level.size())) {
            level.push_back(level[level.size() - back]);
            continue;
        }
        level.push_back(inDoubles ? bla_partial::Widen(bla_partial::Shortest<double>(
                                        re, im, m, kShortest, julia, dcMaxDouble, true))
                                  : bla_partial::Shortest<CFloatExp>(re, im, m, kShortest, julia,
                                                                     dcMax, false));
    }
    std::size_t length = kShortest;
    m_steps.reserve(level.size() * 2);
    while (!level.empty()) {
        for (const CPartial<CFloatExp>& p : level) {
            m_steps.push_back(Finish(p));
        }
        m_levelStart.push_back(m_steps.size());
        std::vector<CPartial<CFloatExp>> next;
        next.reserve(level.size() / 2);
        length *= 2;
        for (std::size_t j = 0; j + 1 < level.size(); j += 2) {
            if (const std::size_t back = earlier(length, next.size())) {
                next.push_back(next[next.size() - back]);
                continue;
            }
            const CPartial<CFloatExp>& x = level[j];
            const CPartial<CFloatExp>& y = level[j + 1];
            if (inDoubles && bla_partial::Narrow(x) && bla_partial::Narrow(y)) {
                next.push_back(bla_partial::Widen(bla_partial::Merge(
                    bla_partial::Shorten(x), bla_partial::Shorten(y), dcMaxDouble, true)));
            } else {
                next.push_back(bla_partial::Merge(x, y, dcMax, inDoubles));
            }
        }
        level = std::move(next);
        if (Cancelled(cancel)) {
            Clear();
            return false;
        }
    }
    m_fits.reserve(m_steps.size());
    for (const CBlaStep& s : m_steps) {
        m_fits.push_back(std::max(s.r2d, s.q2d));
    }
    for (std::size_t k = 0; Levels() > 0 && k < LevelStart(1); ++k) {
        m_firstRadiiMax = std::max(m_firstRadiiMax, m_fits[k]);
    }
    return true;
}

const CBlaStep* CBlaTable::Find(std::size_t m, const CFloatExp& dz2, std::int64_t room,
                                int* length) const {
    return Search(m, room, length, [this, &dz2](std::size_t i) { return dz2 < m_steps[i].r2; });
}
