#include "engine/BlaTable.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// The relative size of the terms a step may leave out: a double's rounding.
const CFloatExp kEpsilon = CFloatExp::FromParts(1.0, -53);

// A step under construction: r and rho are the radii themselves.
struct CPartial {
    CComplexExp a;
    CComplexExp b;
    CComplexExp c;
    CComplexExp d;
    CComplexExp e;
    CFloatExp r;    // of the linear step
    CFloatExp rho;  // of the quadratic step
};

CFloatExp Modulus(const CComplexExp& z) {
    return z.Norm().Sqrt();
}

// x / y for y not zero.
CFloatExp Divide(const CFloatExp& x, const CFloatExp& y) {
    return x * CFloatExp::FromDouble(1.0 / y.Mantissa()) * CFloatExp::FromParts(1.0, -y.Exponent());
}

CFloatExp Smaller(const CFloatExp& x, const CFloatExp& y) {
    return y < x ? y : x;
}

// The largest rho >= 0 below which p rho^2 + q rho + k stays at most 0, for
// p >= 0; 0 where k > 0. Far beyond every radius where nothing bounds it.
CFloatExp LargestRoot(const CFloatExp& p, const CFloatExp& q, const CFloatExp& k) {
    if (k.Mantissa() > 0.0) {
        return {};
    }
    if (p.IsZero()) {
        return q.Mantissa() > 0.0 ? Divide(-k, q) : CFloatExp::FromParts(1.0, 1 << 20);
    }
    const CFloatExp root = (q * q - CFloatExp::FromDouble(4.0) * p * k).Sqrt();
    // Written so that nothing cancels.
    return q.Mantissa() > 0.0 ? Divide(CFloatExp::FromDouble(-2.0) * k, q + root)
                              : Divide(root - q, CFloatExp::FromDouble(2.0) * p);
}

// One update at orbit point Z: dz' = 2 Z dz + dz^2 + dc. Leaving out dz^2 is
// within rounding while |dz| < epsilon |2 Z|. Kept, it is exact; an offset
// within a quarter of |Z| and half the way to the escape neither escapes nor
// comes closer to 0 than to the orbit there.
CPartial Single(double zr, double zi, bool julia) {
    CPartial s;
    s.a = {CFloatExp::FromDouble(2.0 * zr), CFloatExp::FromDouble(2.0 * zi)};
    s.b = {CFloatExp::FromDouble(julia ? 0.0 : 1.0), CFloatExp()};
    s.c = {CFloatExp::FromDouble(1.0), CFloatExp()};
    s.r = kEpsilon * Modulus(s.a);
    const double z = std::hypot(zr, zi);
    s.rho = CFloatExp::FromDouble(std::max(0.0, std::min(z / 4.0, (100.0 - z) / 2.0)));
    return s;
}

// The largest rho up to top, to within a factor of 2, where holds(rho); 0
// where there is none. The search starts where p rho^3 = a rho, the usual
// balance of what a merge leaves out against the size of its result.
template <typename Holds>
CFloatExp LargestHolding(const CFloatExp& top, const CFloatExp& p, const CFloatExp& a,
                         Holds holds) {
    if (top.IsZero() || holds(top)) {
        return top;
    }
    const CFloatExp two = CFloatExp::FromDouble(2.0);
    const CFloatExp half = CFloatExp::FromDouble(0.5);
    CFloatExp rho = top * half;
    if (!p.IsZero() && !a.IsZero()) {
        rho = Smaller(rho, Divide(a, p).Sqrt());
    }
    constexpr int kTries = 80;
    if (holds(rho)) {
        for (int i = 0; i < kTries && rho * two < top && holds(rho * two); ++i) {
            rho = rho * two;
        }
        return rho;
    }
    for (int i = 0; i < kTries; ++i) {
        rho = rho * half;
        if (holds(rho)) {
            return rho;
        }
    }
    return {};
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

    // y(x(dz)) to the second order in dz and dc.
    const CComplexExp twice{CFloatExp::FromDouble(2.0), CFloatExp()};
    s.c = y.a * x.c + y.c * (x.a * x.a);
    s.d = y.a * x.d + twice * y.c * x.a * x.b + y.d * x.a;
    s.e = y.a * x.e + y.c * (x.b * x.b) + y.d * x.b + y.e;
    // For |dz| <= rho, x's offset is at most l + q: l = |A| rho + |B| dcMax
    // and q = |C| rho^2 + |D| rho dcMax + |E| dcMax^2. It must be within y's radius.
    const CFloatExp cx = Modulus(x.c);
    const CFloatExp dx = Modulus(x.d) * dcMax;
    const CFloatExp bx = Modulus(x.b) * dcMax;
    const CFloatExp ex = Modulus(x.e) * dcMax * dcMax;
    const CFloatExp top = Smaller(x.rho, LargestRoot(cx, ax + dx, bx + ex - y.rho));
    // What the merge leaves out, the terms of y's C and D beyond the second
    // order, is at most q (|C_y| (2 l + q) + |D_y| dcMax): it must stay within
    // epsilon of the size of the result, |A| rho + |B| dcMax.
    const CFloatExp two = CFloatExp::FromDouble(2.0);
    const CFloatExp cy = Modulus(y.c);
    const CFloatExp dy = Modulus(y.d) * dcMax;
    const CFloatExp a = kEpsilon * Modulus(s.a);
    const CFloatExp b = kEpsilon * Modulus(s.b) * dcMax;
    const auto holds = [&](const CFloatExp& rho) {
        const CFloatExp l = ax * rho + bx;
        const CFloatExp q = (cx * rho + dx) * rho + ex;
        return !(a * rho + b < q * (cy * (two * l + q) + dy));
    };
    s.rho = LargestHolding(top, cx * cy * ax * two, a, holds);
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
    const CFloatExp q2 = p.rho * p.rho;
    if (p.a.Exponent() < kRange && p.b.Exponent() < kRange && p.c.Exponent() < kRange &&
        p.d.Exponent() < kRange && p.e.Exponent() < kRange && q2.Exponent() > -kRange &&
        q2.Exponent() < kRange) {
        s.ar = p.a.re.ToDouble();
        s.ai = p.a.im.ToDouble();
        s.br = p.b.re.ToDouble();
        s.bi = p.b.im.ToDouble();
        s.cr = p.c.re.ToDouble();
        s.ci = p.c.im.ToDouble();
        s.dr = p.d.re.ToDouble();
        s.di = p.d.im.ToDouble();
        s.er = p.e.re.ToDouble();
        s.ei = p.e.im.ToDouble();
        s.q2d = q2.ToDouble();
    }
    s.fit = std::max(s.r2d, s.q2d);
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
    m_steps.reserve(level.size() * 2);
    while (!level.empty()) {
        for (const CPartial& p : level) {
            m_steps.push_back(Finish(p));
        }
        m_levelStart.push_back(m_steps.size());
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
    for (std::size_t k = 0; Levels() > 0 && k < LevelStart(1); ++k) {
        m_firstRadii.push_back(m_steps[k].fit);
        m_firstRadiiMax = std::max(m_firstRadiiMax, m_steps[k].fit);
    }
    return true;
}

template <typename Fits>
const CBlaStep* CBlaTable::Search(std::size_t m, std::int64_t room, int* length, Fits fits) const {
    if (m == 0 || (m - 1) % kShortest != 0 || Empty() || room < kShortest) {
        return nullptr;
    }
    const std::size_t k = (m - 1) / kShortest;
    const int levels = Levels();
    const int top = k == 0 ? levels - 1 : std::min(levels - 1, std::countr_zero(k));
    for (int l = top; l >= 0; --l) {
        const std::size_t at = LevelStart(l) + (k >> l);
        const std::int64_t len = std::int64_t{kShortest} << l;
        if (at < LevelStart(l + 1) && len <= room && fits(m_steps[at])) {
            *length = static_cast<int>(len);
            return &m_steps[at];
        }
    }
    return nullptr;
}

const CBlaStep* CBlaTable::Find(std::size_t m, double dz2, std::int64_t room, int* length,
                                bool* quadratic) const {
    if (!quadratic) {
        return Search(m, room, length, [dz2](const CBlaStep& s) { return dz2 < s.r2d; });
    }
    const CBlaStep* step =
        Search(m, room, length, [dz2](const CBlaStep& s) { return dz2 < s.fit; });
    *quadratic = step && !(dz2 < step->r2d);
    return step;
}

void CBlaStep::Apply(bool quadratic, double dcr, double dci, double& dzr, double& dzi) const {
    double nr = (ar * dzr - ai * dzi) + (br * dcr - bi * dci);
    double ni = (ar * dzi + ai * dzr) + (br * dci + bi * dcr);
    if (quadratic) {
        const double edr = er * dcr - ei * dci;
        const double edi = er * dci + ei * dcr;
        const double ur = (cr * dzr - ci * dzi) + (dr * dcr - di * dci);
        const double ui = (cr * dzi + ci * dzr) + (dr * dci + di * dcr);
        nr = nr + (edr * dcr - edi * dci) + (ur * dzr - ui * dzi);
        ni = ni + (edr * dci + edi * dcr) + (ur * dzi + ui * dzr);
    }
    dzr = nr;
    dzi = ni;
}

const CBlaStep* CBlaTable::Find(std::size_t m, const CFloatExp& dz2, std::int64_t room,
                                int* length) const {
    return Search(m, room, length, [&dz2](const CBlaStep& s) { return dz2 < s.r2; });
}
