#pragma once

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/FloatExp.h"

// One step of many along a reference orbit, taken at once: while an offset dz
// from the orbit stays small enough, its value after the step is A dz + B dc,
// with no rounding worse than a double's from the terms left out. Further
// out, A dz + B dc + C dz^2 + D dz dc + E dc^2 + F dz^3 + G dz^4 still holds
// as closely.
struct CBlaStep {
    CComplexExp a;
    CComplexExp b;
    CFloatExp r2;  // the linear step holds for |dz|^2 below this
    // The same in doubles, with r2d 0 where doubles cannot hold them.
    double ar = 0.0;
    double ai = 0.0;
    double br = 0.0;
    double bi = 0.0;
    double r2d = 0.0;
    // The further terms in doubles, and the |dz|^2 the step holds below with
    // them: 0 where doubles cannot hold the step.
    double cr = 0.0;
    double ci = 0.0;
    double dr = 0.0;
    double di = 0.0;
    double er = 0.0;
    double ei = 0.0;
    double fr = 0.0;
    double fi = 0.0;
    double gr = 0.0;
    double gi = 0.0;
    double q2d = 0.0;

    // The offset dz after the step in doubles, for a dc in doubles: A dz + B dc,
    // and where `further`, + E dc^2 + dz (C dz + D dc + F dz^2 + G dz^3).
    void Apply(bool further, double dcr, double dci, double& dzr, double& dzi) const;
};

// Points of an orbit that repeat: from point `from` on, each is the one
// `period` points later (period 0: none known to).
struct CBlaRepeat {
    std::size_t from = 0;
    std::size_t period = 0;
};

// Steps of 8, 16, 32, ... updates along an orbit, starting at every multiple of
// their length after the orbit's first point (bilinear approximation, with
// terms of the second to the fourth order where doubles hold them). Each level
// merges pairs of the one below it.
class CBlaTable {
public:
    static constexpr int kShortest = 8;
    // Orbits longer than this have steps only along their start.
    static constexpr std::size_t kMaxPoints = std::size_t{1} << 22;

    // The steps along the orbit (re, im) for pixels whose dc is at most dcMax
    // from the reference's (0 for Julia sets, whose pixels share c). False,
    // with no steps, when cancel was raised meanwhile; no steps either where
    // there is no memory for them. Steps over points that repeat are copied,
    // not built again.
    bool Build(const std::vector<double>& re, const std::vector<double>& im, bool julia,
               CFloatExp dcMax, const std::atomic<std::int32_t>* cancel = nullptr,
               CBlaRepeat repeat = {});
    void Clear() {
        m_steps.clear();
        m_levelStart.assign(1, 0);
        m_fits.clear();
        m_firstRadiiMax = 0.0;
    }
    bool Empty() const { return m_steps.empty(); }

    // The longest step from orbit point m, of at most `room` updates, that
    // holds for an offset of squared modulus dz2; nullptr when there is none.
    // In doubles, *further tells whether it holds only with its terms beyond
    // the linear; with further null, only linear steps are looked for.
    const CBlaStep* Find(std::size_t m, double dz2, std::int64_t room, int* length,
                         bool* further) const;
    const CBlaStep* Find(std::size_t m, const CFloatExp& dz2, std::int64_t room, int* length) const;

    // The larger of r2d and q2d of every step, as Steps() holds them: the
    // shortest step from orbit point 1 + kShortest * k holds in doubles below
    // Fits()[k], and where it does not, no longer step from there does.
    const double* Fits() const { return m_fits.data(); }
    // The largest of them: below it, a shortest step may hold somewhere.
    double FirstRadiiMax() const { return m_firstRadiiMax; }

    // Every step, level after level: level l, of steps of kShortest << l
    // updates, is Steps()[LevelStart(l) ...] up to LevelStart(l + 1).
    const CBlaStep* Steps() const { return m_steps.data(); }
    int Levels() const { return static_cast<int>(m_levelStart.size()) - 1; }
    std::size_t LevelStart(int l) const { return m_levelStart[static_cast<std::size_t>(l)]; }

private:
    bool BuildLevels(const std::vector<double>& re, const std::vector<double>& im, bool julia,
                     CFloatExp dcMax, const std::atomic<std::int32_t>* cancel, CBlaRepeat repeat);
    // fits(i) tells whether step i holds.
    template <typename Holds>
    const CBlaStep* Search(std::size_t m, std::int64_t room, int* length, Holds fits) const;

    std::vector<CBlaStep> m_steps;
    std::vector<std::size_t> m_levelStart{0};
    std::vector<double> m_fits;  // apart from the steps, to be looked through quickly
    double m_firstRadiiMax = 0.0;
};

// Inline: the kernels take a step every few updates.
template <typename Holds>
inline const CBlaStep* CBlaTable::Search(std::size_t m, std::int64_t room, int* length,
                                         Holds fits) const {
    if (m == 0 || (m - 1) % kShortest != 0 || Empty() || room < kShortest) {
        return nullptr;
    }
    const std::size_t k = (m - 1) / kShortest;
    const int levels = Levels();
    const int top = k == 0 ? levels - 1 : std::min(levels - 1, std::countr_zero(k));
    for (int l = top; l >= 0; --l) {
        const std::size_t at = LevelStart(l) + (k >> l);
        const std::int64_t len = std::int64_t{kShortest} << l;
        if (at < LevelStart(l + 1) && len <= room && fits(at)) {
            *length = static_cast<int>(len);
            return &m_steps[at];
        }
    }
    return nullptr;
}

inline const CBlaStep* CBlaTable::Find(std::size_t m, double dz2, std::int64_t room, int* length,
                                       bool* further) const {
    if (!further) {
        return Search(m, room, length, [this, dz2](std::size_t i) { return dz2 < m_steps[i].r2d; });
    }
    const CBlaStep* step =
        Search(m, room, length, [this, dz2](std::size_t i) { return dz2 < m_fits[i]; });
    *further = step && !(dz2 < step->r2d);
    return step;
}

[[gnu::always_inline]] inline void CBlaStep::Apply(bool further, double dcr, double dci,
                                                   double& dzr, double& dzi) const {
    double nr = (ar * dzr - ai * dzi) + (br * dcr - bi * dci);
    double ni = (ar * dzi + ai * dzr) + (br * dci + bi * dcr);
    if (further) {
        const double edr = er * dcr - ei * dci;
        const double edi = er * dci + ei * dcr;
        const double sr = dzr * dzr - dzi * dzi;
        const double si = 2.0 * dzr * dzi;
        const double tr = sr * dzr - si * dzi;
        const double ti = sr * dzi + si * dzr;
        const double ur = (cr * dzr - ci * dzi) + (dr * dcr - di * dci) + (fr * sr - fi * si) +
                          (gr * tr - gi * ti);
        const double ui = (cr * dzi + ci * dzr) + (dr * dci + di * dcr) + (fr * si + fi * sr) +
                          (gr * ti + gi * tr);
        nr = nr + (edr * dcr - edi * dci) + (ur * dzr - ui * dzi);
        ni = ni + (edr * dci + edi * dcr) + (ur * dzi + ui * dzr);
    }
    dzr = nr;
    dzi = ni;
}
