#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/FloatExp.h"

// One step of many along a reference orbit, taken at once: while an offset dz
// from the orbit stays small enough, its value after the step is A dz + B dc,
// with no rounding worse than a double's from the terms left out.
struct CBlaStep {
    CComplexExp a;
    CComplexExp b;
    CFloatExp r2;  // the step holds for |dz|^2 below this
    // The same in doubles, with r2d 0 where doubles cannot hold them.
    double ar = 0.0;
    double ai = 0.0;
    double br = 0.0;
    double bi = 0.0;
    double r2d = 0.0;
};

// Steps of 8, 16, 32, ... updates along an orbit, starting at every multiple of
// their length after the orbit's first point (bilinear approximation). Each
// level merges pairs of the one below it.
class CBlaTable {
public:
    static constexpr int kShortest = 8;
    // Orbits longer than this have steps only along their start.
    static constexpr std::size_t kMaxPoints = std::size_t{1} << 22;

    // The steps along the orbit (re, im) for pixels whose dc is at most dcMax
    // from the reference's (0 for Julia sets, whose pixels share c). False,
    // with no steps, when cancel was raised meanwhile.
    bool Build(const std::vector<double>& re, const std::vector<double>& im, bool julia,
               CFloatExp dcMax, const std::atomic<std::int32_t>* cancel = nullptr);
    void Clear() {
        m_levels.clear();
        m_firstRadii.clear();
        m_firstRadiiMax = 0.0;
    }
    bool Empty() const { return m_levels.empty(); }

    // The longest step from orbit point m, of at most `room` updates, that
    // holds for an offset of squared modulus dz2; nullptr when there is none.
    const CBlaStep* Find(std::size_t m, double dz2, std::int64_t room, int* length) const;
    const CBlaStep* Find(std::size_t m, const CFloatExp& dz2, std::int64_t room, int* length) const;

    // r2d of the shortest steps, one after another: the step from orbit point
    // 1 + kShortest * k holds below FirstRadii()[k], and where it does not,
    // no longer step from there does.
    const std::vector<double>& FirstRadii() const { return m_firstRadii; }
    // The largest of them: below it, a shortest step may hold somewhere.
    double FirstRadiiMax() const { return m_firstRadiiMax; }

private:
    template <typename Fits>
    const CBlaStep* Search(std::size_t m, std::int64_t room, int* length, Fits fits) const;

    std::vector<std::vector<CBlaStep>> m_levels;
    std::vector<double> m_firstRadii;
    double m_firstRadiiMax = 0.0;
};
