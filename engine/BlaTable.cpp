#include "engine/BlaTable.h"

#include <algorithm>
#include <bit>

namespace {

// The relative size of the terms a step may leave out: a double's rounding.
const CFloatExp kEpsilon = CFloatExp::FromParts(1.0, -53);

// A step under construction: r is the radius itself.
struct CPartial {
    CComplexExp a;
    CComplexExp b;
    CFloatExp r;
};

CFloatExp Modulus(const CComplexExp& z) {
    return z.Norm().Sqrt();
}

// One update at orbit point Z: dz' = 2 Z dz + dz^2 + dc. Leaving out dz^2 is
// within rounding while |dz| < epsilon |2 Z|.
CPartial Single(double zr, double zi, bool julia) {
    CPartial s;
    s.a = {CFloatExp::FromDouble(2.0 * zr), CFloatExp::FromDouble(2.0 * zi)};
    s.b = {CFloatExp::FromDouble(julia ? 0.0 : 1.0), CFloatExp()};
    s.r = kEpsilon * Modulus(s.a);
    return s;
}

// x, then y: the offset after x must be within y's radius.
CPartial Merge(const CPartial& x, const CPartial& y, const CFloatExp& dcMax) {
    CPartial s;
    s.a = y.a * x.a;
    s.b = y.a * x.b + y.b;
    const CFloatExp reach = y.r - Modulus(x.b) * dcMax;
    const CFloatExp ax = Modulus(x.a);
    CFloatExp r;
    if (!reach.IsZero() && reach.Mantissa() > 0.0 && !ax.IsZero()) {
        r = reach * CFloatExp::FromDouble(1.0 / ax.Mantissa()) *
            CFloatExp::FromParts(1.0, -ax.Exponent());
    }
    s.r = r < x.r ? r : x.r;
    return s;
}

CBlaStep Finish(const CPartial& p) {
    CBlaStep s;
    s.a = p.a;
    s.b = p.b;
    s.r2 = p.r * p.r;
    // Doubles hold the step only well inside their range.
    constexpr std::int64_t kRange = 960;
    if (p.a.Exponent() < kRange && p.b.Exponent() < kRange && s.r2.Exponent() > -kRange) {
        s.ar = p.a.re.ToDouble();
        s.ai = p.a.im.ToDouble();
        s.br = p.b.re.ToDouble();
        s.bi = p.b.im.ToDouble();
        s.r2d = s.r2.ToDouble();
    }
    return s;
}

bool Cancelled(const std::atomic<std::int32_t>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed) != 0;
}

}  // namespace

bool CBlaTable::Build(const std::vector<double>& re, const std::vector<double>& im, bool julia,
                      CFloatExp dcMax, const std::atomic<std::int32_t>* cancel) {
    Clear();
    const std::size_t n = std::min({re.size(), im.size(), kMaxPoints});
    // Steps start after the first point and land on a stored point that has
    // not escaped: the last point is the escaped one, or the last stored.
    std::vector<CPartial> level;
    for (std::size_t m = 1; m + kShortest + 1 < n; m += kShortest) {
        if (level.size() % 4096 == 0 && Cancelled(cancel)) {
            return false;
        }
        CPartial s = Single(re[m], im[m], julia);
        for (std::size_t t = m + 1; t < m + kShortest; ++t) {
            s = Merge(s, Single(re[t], im[t], julia), dcMax);
        }
        level.push_back(s);
    }
    while (!level.empty()) {
        std::vector<CBlaStep>& finished = m_levels.emplace_back();
        finished.reserve(level.size());
        for (const CPartial& p : level) {
            finished.push_back(Finish(p));
        }
        std::vector<CPartial> next;
        next.reserve(level.size() / 2);
        for (std::size_t j = 0; j + 1 < level.size(); j += 2) {
            next.push_back(Merge(level[j], level[j + 1], dcMax));
        }
        level = std::move(next);
        if (Cancelled(cancel)) {
            Clear();
            return false;
        }
    }
    if (!m_levels.empty()) {
        for (const CBlaStep& s : m_levels.front()) {
            m_firstRadii.push_back(s.r2d);
            m_firstRadiiMax = std::max(m_firstRadiiMax, s.r2d);
        }
    }
    return true;
}

template <typename Fits>
const CBlaStep* CBlaTable::Search(std::size_t m, std::int64_t room, int* length, Fits fits) const {
    if (m == 0 || (m - 1) % kShortest != 0 || m_levels.empty() || room < kShortest) {
        return nullptr;
    }
    const std::size_t k = (m - 1) / kShortest;
    const int levels = static_cast<int>(m_levels.size());
    const int top = k == 0 ? levels - 1 : std::min(levels - 1, std::countr_zero(k));
    for (int l = top; l >= 0; --l) {
        const std::size_t idx = k >> l;
        const std::int64_t len = std::int64_t{kShortest} << l;
        if (idx < m_levels[l].size() && len <= room && fits(m_levels[l][idx])) {
            *length = static_cast<int>(len);
            return &m_levels[l][idx];
        }
    }
    return nullptr;
}

const CBlaStep* CBlaTable::Find(std::size_t m, double dz2, std::int64_t room, int* length) const {
    return Search(m, room, length, [dz2](const CBlaStep& s) { return dz2 < s.r2d; });
}

const CBlaStep* CBlaTable::Find(std::size_t m, const CFloatExp& dz2, std::int64_t room,
                                int* length) const {
    return Search(m, room, length, [&dz2](const CBlaStep& s) { return dz2 < s.r2; });
}
