// Counts of a row of a deep Mandelbrot picture on SIMD vectors: each lane
// iterates one pixel's offset in doubles along the reference orbit, reading
// the orbit at its own point. Whatever else a pixel meets (its first updates,
// offsets below the doubles' range, a step of many updates that holds) is done
// by the plain count, which then hands the pixel back to a lane. The lanes do
// the plain count's arithmetic in its order, so every count is the plain
// count's.
//
// Built with -ffp-contract=off, like PerturbedKernel.cpp.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/PerturbedKernelSimd.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/PerturbedKernel.h"
#include "engine/ReferenceOrbit.h"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace perturbed_simd {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using DI = hn::RebindToSigned<D>;
using V = hn::Vec<D>;
using VI = hn::Vec<DI>;
using M = hn::Mask<D>;

// Updates between two looks at the lanes that have finished or must leave.
constexpr int kBlock = 8;
// Blocks between two looks at the cancel flag.
constexpr std::uint32_t kCancelEvery = 256;
// As in the plain count: below this squared modulus the offset leaves the doubles.
constexpr double kTinyNorm = 0x1p-1000;
// Steps start at orbit points 1 + 8 k: the lanes find k by a shift.
static_assert(CBlaTable::kShortest == 8);

// Independent vectors in flight: each update waits for its gathers and for
// a chain of arithmetic, so a few vectors keep the pipes busy (four were
// the fastest with 256-bit vectors as with 512-bit ones).
constexpr std::size_t kVectors = 4;
constexpr std::size_t kMostLanes = 32;

// What a lane's block ended with.
constexpr std::int64_t kFinished = 1;  // its count is final
constexpr std::int64_t kLeaving = 2;   // the plain count goes on with it

// The lanes in memory, between blocks.
struct CLanes {
    alignas(64) double dzr[kMostLanes] = {};
    alignas(64) double dzi[kMostLanes] = {};
    alignas(64) double dcr[kMostLanes] = {};
    alignas(64) double dci[kMostLanes] = {};
    alignas(64) std::int64_t m[kMostLanes] = {};
    alignas(64) std::int64_t n[kMostLanes] = {};
    alignas(64) std::int64_t pixel[kMostLanes] = {};  // -1 for a lane without one
    alignas(64) std::int64_t status[kMostLanes] = {};
};

// Gives the plain count the pixels of a row, and the lanes the pixels it hands back.
class CRowLanes {
public:
    CRowLanes(const CReferenceOrbit& orbit, const CPerturbedRow& row, std::int32_t* counts)
        : m_orbit(orbit), m_row(row), m_counts(counts) {
        m_total = row.colEnd > row.colStart
                      ? (row.colEnd - row.colStart + row.colStep - 1) / row.colStep
                      : 0;
    }

    bool Cut() const { return m_cut; }

    // The lane's next pixel, or none.
    void Start(CLanes& lanes, std::size_t j) {
        while (!m_cut && m_next < m_total) {
            const std::int64_t p = m_next++;
            const CComplexExp dc = Dc(p);
            CPerturbedState state = PerturbedStart(m_orbit, dc);
            if (Go(lanes, j, p, dc, state)) {
                return;
            }
        }
        lanes.pixel[j] = -1;
    }

    // The plain count goes on with the lane's pixel; then the lane goes on
    // with it, or takes the next.
    void Resume(CLanes& lanes, std::size_t j) {
        const std::int64_t p = lanes.pixel[j];
        CPerturbedState state;
        state.inDoubles = true;
        state.m = static_cast<std::size_t>(lanes.m[j]);
        state.n = static_cast<std::int32_t>(lanes.n[j]);
        state.dzr = lanes.dzr[j];
        state.dzi = lanes.dzi[j];
        if (!Go(lanes, j, p, Dc(p), state)) {
            Start(lanes, j);
        }
    }

    void Finish(CLanes& lanes, std::size_t j) {
        m_counts[lanes.pixel[j]] = static_cast<std::int32_t>(lanes.n[j]);
        Start(lanes, j);
    }

private:
    CComplexExp Dc(std::int64_t p) const {
        const int column = m_row.colStart + static_cast<int>(p) * m_row.colStep;
        return {CFloatExp::FromDouble(column) * m_row.xStep + m_row.dxFirst, m_row.dy};
    }

    // Whether the pixel is in the lane, in doubles; otherwise its count is final.
    bool Go(CLanes& lanes, std::size_t j, std::int64_t p, const CComplexExp& dc,
            CPerturbedState& state) {
        const std::int32_t count = PerturbedCountFrom(
            m_orbit, dc, state, m_row.maximum, m_row.cancel, &m_cut, m_row.approximate, true);
        if (count != kHandedBack) {
            m_counts[p] = count;
            return false;
        }
        lanes.pixel[j] = p;
        lanes.dzr[j] = state.dzr;
        lanes.dzi[j] = state.dzi;
        lanes.dcr[j] = dc.re.ToDouble();
        lanes.dci[j] = dc.im.ToDouble();
        lanes.m[j] = static_cast<std::int64_t>(state.m);
        lanes.n[j] = state.n;
        return true;
    }

    const CReferenceOrbit& m_orbit;
    const CPerturbedRow& m_row;
    std::int32_t* m_counts;
    std::int64_t m_total = 0;
    std::int64_t m_next = 0;
    bool m_cut = false;
};

HWY_NOINLINE bool RowTarget(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                            std::int32_t* counts) {
    const D d;
    const DI di;
    const std::size_t lanesInVector = hn::Lanes(d);
    const CReferenceOrbit::CPoints& ref = orbit.Reference();
    // Lanes read the orbit at m + 1 after an update from m < Size() - 1.
    if (lanesInVector == 1 || lanesInVector * kVectors > kMostLanes || orbit.Kind() != 0 ||
        ref.Size() < 2) {
        return PerturbedRowCountsPlain(orbit, row, counts);
    }
    const double* re = ref.re.data();
    const double* im = ref.im.data();
    const CBlaTable& steps = ref.steps;
    const std::vector<double>& radii = steps.FirstRadii();
    static const double kNoRadius = 0.0;
    const double* r2d = radii.empty() ? &kNoRadius : radii.data();
    const std::int64_t radiusCount = row.approximate ? static_cast<std::int64_t>(radii.size()) : 0;

    CRowLanes feed(orbit, row, counts);
    CLanes lanes;
    const std::size_t laneCount = lanesInVector * kVectors;
    for (std::size_t j = 0; j < laneCount; ++j) {
        feed.Start(lanes, j);
    }
    const V limit = hn::Set(d, 10000.0);
    const V tiny = hn::Set(d, kTinyNorm);
    // Below this, a lane may have to leave: its offset may be tiny, or a step
    // of many updates may hold. Above it, neither is looked at in detail.
    const V low =
        hn::Set(d, radiusCount > 0 ? std::max(kTinyNorm, steps.FirstRadiiMax()) : kTinyNorm);
    const V two = hn::Set(d, 2.0);
    const V z0r = hn::Set(d, re[0]);
    const V z0i = hn::Set(d, im[0]);
    const VI one = hn::Set(di, 1);
    const VI beforeLast = hn::Set(di, static_cast<std::int64_t>(ref.Size()) - 2);
    const VI beforeMaximum = hn::Set(di, std::int64_t{row.maximum} - 1);
    const VI roomForStep = hn::Set(di, row.maximum - CBlaTable::kShortest);
    const VI shortest = hn::Set(di, CBlaTable::kShortest - 1);
    const VI radiusEnd = hn::Set(di, radiusCount);
    const VI finishedMark = hn::Set(di, kFinished);
    const VI leavingMark = hn::Set(di, kLeaving);
    std::uint32_t blocks = 0;
    for (;;) {
        V dzr[kVectors];
        V dzi[kVectors];
        V dcr[kVectors];
        V dci[kVectors];
        VI m[kVectors];
        VI n[kVectors];
        VI status[kVectors];
        M going[kVectors];
        bool anyLive = false;
        HWY_UNROLL(kVectors)
        for (std::size_t v = 0; v < kVectors; ++v) {
            const std::size_t at = v * lanesInVector;
            going[v] =
                hn::RebindMask(d, hn::Not(hn::Lt(hn::Load(di, lanes.pixel + at), hn::Zero(di))));
            // Lanes without a pixel iterate zeros: nothing there can overflow.
            dzr[v] = hn::IfThenElseZero(going[v], hn::Load(d, lanes.dzr + at));
            dzi[v] = hn::IfThenElseZero(going[v], hn::Load(d, lanes.dzi + at));
            dcr[v] = hn::IfThenElseZero(going[v], hn::Load(d, lanes.dcr + at));
            dci[v] = hn::IfThenElseZero(going[v], hn::Load(d, lanes.dci + at));
            m[v] = hn::Load(di, lanes.m + at);
            n[v] = hn::Load(di, lanes.n + at);
            status[v] = hn::Zero(di);
            anyLive = anyLive || !hn::AllFalse(d, going[v]);
        }
        if (!anyLive) {
            break;
        }
        // Every lane updates at every turn; a lane that stops keeps its state
        // in `lanes` from then on, and iterates zeros.
        const auto stop = [&](std::size_t v, M which, VI mark) {
            const std::size_t at = v * lanesInVector;
            const auto whichI = hn::RebindMask(di, which);
            hn::BlendedStore(dzr[v], which, d, lanes.dzr + at);
            hn::BlendedStore(dzi[v], which, d, lanes.dzi + at);
            hn::BlendedStore(m[v], whichI, di, lanes.m + at);
            hn::BlendedStore(n[v], whichI, di, lanes.n + at);
            status[v] = hn::IfThenElse(whichI, mark, status[v]);
            going[v] = hn::AndNot(which, going[v]);
            dzr[v] = hn::IfThenZeroElse(which, dzr[v]);
            dzi[v] = hn::IfThenZeroElse(which, dzi[v]);
            dcr[v] = hn::IfThenZeroElse(which, dcr[v]);
            dci[v] = hn::IfThenZeroElse(which, dci[v]);
        };
        for (int k = 0; k < kBlock; ++k) {
            HWY_UNROLL(kVectors)
            for (std::size_t v = 0; v < kVectors; ++v) {
                V zr = hn::GatherIndex(d, re, m[v]);
                V zi = hn::GatherIndex(d, im, m[v]);
                const V xr = hn::Add(zr, dzr[v]);
                const V xi = hn::Add(zi, dzi[v]);
                const V xr2 = hn::Mul(xr, xr);
                const V xi2 = hn::Mul(xi, xi);
                const V r2 = hn::Add(xr2, xi2);
                V dr2 = hn::Mul(dzr[v], dzr[v]);
                V di2 = hn::Mul(dzi[v], dzi[v]);
                V dz2 = hn::Add(dr2, di2);
                // The maximum comes first, then the escape: either way the
                // count is n.
                const M finish = hn::And(
                    going[v],
                    hn::Or(hn::RebindMask(d, hn::Gt(n[v], beforeMaximum)), hn::Ge(r2, limit)));
                if (HWY_UNLIKELY(!hn::AllFalse(d, finish))) {
                    stop(v, finish, finishedMark);
                    dr2 = hn::IfThenZeroElse(finish, dr2);
                    di2 = hn::IfThenZeroElse(finish, di2);
                    dz2 = hn::IfThenZeroElse(finish, dz2);
                }
                // Start over on the orbit from 0 where the plain count does;
                // lanes without a pixel too, so that m stays on the orbit.
                const M rebase =
                    hn::Or(hn::RebindMask(d, hn::Gt(m[v], beforeLast)), hn::Lt(r2, dz2));
                if (HWY_UNLIKELY(!hn::AllFalse(d, rebase))) {
                    m[v] = hn::IfThenZeroElse(hn::RebindMask(di, rebase), m[v]);
                    zr = hn::IfThenElse(rebase, z0r, zr);
                    zi = hn::IfThenElse(rebase, z0i, zi);
                    const M moved = hn::And(rebase, going[v]);
                    dzr[v] = hn::IfThenElse(moved, xr, dzr[v]);
                    dzi[v] = hn::IfThenElse(moved, xi, dzi[v]);
                    dr2 = hn::IfThenElse(moved, xr2, dr2);
                    di2 = hn::IfThenElse(moved, xi2, di2);
                    dz2 = hn::IfThenElse(moved, r2, dz2);
                }
                // Offsets leaving the doubles, and points where a step of many
                // updates holds, go to the plain count.
                const M near = hn::And(going[v], hn::Lt(dz2, low));
                if (HWY_UNLIKELY(!hn::AllFalse(d, near))) {
                    M out = hn::And(near, hn::Lt(dz2, tiny));
                    const VI past = hn::Sub(m[v], one);
                    const VI index = hn::ShiftRight<3>(past);
                    const M inTable = hn::RebindMask(
                        d, hn::And(hn::And(hn::Eq(hn::And(past, shortest), hn::Zero(di)),
                                           hn::Lt(hn::Zero(di), m[v])),
                                   hn::And(hn::Not(hn::Lt(roomForStep, n[v])),
                                           hn::Lt(index, radiusEnd))));
                    const M check = hn::And(near, inTable);
                    if (!hn::AllFalse(d, check)) {
                        const VI safeIndex = hn::IfThenElseZero(hn::RebindMask(di, check), index);
                        out = hn::Or(
                            out, hn::And(check, hn::Lt(dz2, hn::GatherIndex(d, r2d, safeIndex))));
                    }
                    if (!hn::AllFalse(d, out)) {
                        stop(v, out, leavingMark);
                        dr2 = hn::IfThenZeroElse(out, dr2);
                        di2 = hn::IfThenZeroElse(out, di2);
                    }
                }
                // dz' = 2 Z dz + dz^2 + dc
                const V nr =
                    hn::Add(hn::Add(hn::Mul(two, hn::Sub(hn::Mul(zr, dzr[v]), hn::Mul(zi, dzi[v]))),
                                    hn::Sub(dr2, di2)),
                            dcr[v]);
                const V ni =
                    hn::Add(hn::Add(hn::Mul(two, hn::Add(hn::Mul(zr, dzi[v]), hn::Mul(zi, dzr[v]))),
                                    hn::Mul(hn::Mul(two, dzr[v]), dzi[v])),
                            dci[v]);
                dzr[v] = nr;
                dzi[v] = ni;
                m[v] = hn::Add(m[v], one);
                n[v] = hn::Add(n[v], one);
            }
        }
        bool anyStopped = false;
        HWY_UNROLL(kVectors)
        for (std::size_t v = 0; v < kVectors; ++v) {
            const std::size_t at = v * lanesInVector;
            const auto goingI = hn::RebindMask(di, going[v]);
            hn::BlendedStore(dzr[v], going[v], d, lanes.dzr + at);
            hn::BlendedStore(dzi[v], going[v], d, lanes.dzi + at);
            hn::BlendedStore(m[v], goingI, di, lanes.m + at);
            hn::BlendedStore(n[v], goingI, di, lanes.n + at);
            hn::Store(status[v], di, lanes.status + at);
            anyStopped = anyStopped || !hn::AllTrue(di, hn::Eq(status[v], hn::Zero(di)));
        }
        if ((++blocks % kCancelEvery) == 0 && row.cancel &&
            row.cancel->load(std::memory_order_relaxed) != 0) {
            return false;
        }
        if (!anyStopped) {
            continue;
        }
        for (std::size_t j = 0; j < laneCount; ++j) {
            if (lanes.status[j] == kFinished) {
                feed.Finish(lanes, j);
            } else if (lanes.status[j] == kLeaving) {
                feed.Resume(lanes, j);
            }
            if (feed.Cut()) {
                return false;
            }
        }
    }
    return !(row.cancel && row.cancel->load(std::memory_order_relaxed) != 0);
}

}  // namespace HWY_NAMESPACE
}  // namespace perturbed_simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace perturbed_simd {

HWY_EXPORT(RowTarget);

}  // namespace perturbed_simd

bool PerturbedRowCountsSimd(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                            std::int32_t* counts) {
    return HWY_DYNAMIC_DISPATCH(perturbed_simd::RowTarget)(orbit, row, counts);
}
#endif  // HWY_ONCE
