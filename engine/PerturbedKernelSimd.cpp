// Counts of a row of a deep Mandelbrot picture on SIMD vectors: each lane
// iterates one pixel's offset in doubles along the reference orbit, reading
// the orbit at its own point. The lanes move together in blocks of 8 updates
// that start where the orbit's steps of many updates start, and at each such
// start the lanes where a step holds take it. Whatever else a pixel meets (its
// first updates, offsets below the doubles' range, a dc below them) is done by
// the plain count, which then hands the pixel back to a lane at such a start.
// The lanes do the plain count's arithmetic in its order, so every count is
// the plain count's.
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
    alignas(64) std::int64_t wide[kMostLanes] = {};  // 1 where dc is not in doubles
};

// From the start of a block, lane j takes steps of many updates while they
// hold, as the plain count does: it stops where it must do anything else
// (finish, start over, leave the doubles) or no step holds.
void TakeSteps(const CReferenceOrbit::CPoints& ref, std::int32_t maximum, CLanes& lanes,
               std::size_t j) {
    std::size_t m = static_cast<std::size_t>(lanes.m[j]);
    std::int64_t n = lanes.n[j];
    double dzr = lanes.dzr[j];
    double dzi = lanes.dzi[j];
    int length = 0;
    bool further = false;
    for (;;) {
        const double zr = ref.re[m] + dzr;
        const double zi = ref.im[m] + dzi;
        const double r2 = zr * zr + zi * zi;
        const double dz2 = dzr * dzr + dzi * dzi;
        if (n >= maximum || r2 >= 10000.0 || m + 1 >= ref.Size() || r2 < dz2 || dz2 < kTinyNorm) {
            break;
        }
        const CBlaStep* s = ref.steps.Find(m, dz2, maximum - n, &length, &further);
        if (!s) {
            break;
        }
        s->Apply(further, lanes.dcr[j], lanes.dci[j], dzr, dzi);
        m += static_cast<std::size_t>(length);
        n += length;
    }
    lanes.m[j] = static_cast<std::int64_t>(m);
    lanes.n[j] = n;
    lanes.dzr[j] = dzr;
    lanes.dzi[j] = dzi;
}

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
        lanes.wide[j] = DcIsWide(dc) ? 1 : 0;
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
    // The shortest steps' fits: where the shortest does not hold, none does.
    static const double kNoRadius = 0.0;
    const double* r2d = steps.Empty() ? &kNoRadius : steps.Fits();
    const std::int64_t radiusCount =
        row.approximate && !steps.Empty() ? static_cast<std::int64_t>(steps.LevelStart(1)) : 0;

    CRowLanes feed(orbit, row, counts);
    CLanes lanes;
    const std::size_t laneCount = lanesInVector * kVectors;
    for (std::size_t j = 0; j < laneCount; ++j) {
        feed.Start(lanes, j);
    }
    const V limit = hn::Set(d, 10000.0);
    const V tiny = hn::Set(d, kTinyNorm);
    // Below this, a step of many updates may hold: above it, none is looked for.
    const V low =
        hn::Set(d, radiusCount > 0 ? std::max(kTinyNorm, steps.FirstRadiiMax()) : kTinyNorm);
    const V two = hn::Set(d, 2.0);
    const V z0r = hn::Set(d, re[0]);
    const V z0i = hn::Set(d, im[0]);
    const VI one = hn::Set(di, 1);
    const VI beforeLast = hn::Set(di, static_cast<std::int64_t>(ref.Size()) - 2);
    const VI beforeMaximum = hn::Set(di, std::int64_t{row.maximum} - 1);
    const VI roomForStep = hn::Set(di, row.maximum - CBlaTable::kShortest);
    const VI radiusEnd = hn::Set(di, radiusCount);
    const VI spacing = hn::Set(di, CBlaTable::kShortest - 1);
    const VI finishedMark = hn::Set(di, kFinished);
    const VI leavingMark = hn::Set(di, kLeaving);
    // The maximum comes first, then the escape: either way the count is n.
    const auto Finishes = [&](M going, VI n, V r2) {
        return hn::And(going,
                       hn::Or(hn::RebindMask(d, hn::Gt(n, beforeMaximum)), hn::Ge(r2, limit)));
    };
    // Where the plain count starts over on the orbit from 0.
    const auto Rebases = [&](VI m, V r2, V dz2) {
        return hn::Or(hn::RebindMask(d, hn::Gt(m, beforeLast)), hn::Lt(r2, dz2));
    };
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
        M narrow[kVectors];  // dc in doubles: steps are taken in the lane
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
            narrow[v] = hn::RebindMask(d, hn::Eq(hn::Load(di, lanes.wide + at), hn::Zero(di)));
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
        // Every lane starts the block at an orbit point where steps of many
        // updates start (1 + 8 k): there it takes steps while they hold.
        HWY_UNROLL(kVectors)
        for (std::size_t v = 0; v < kVectors && radiusCount > 0; ++v) {
            const V zr = hn::GatherIndex(d, re, m[v]);
            const V zi = hn::GatherIndex(d, im, m[v]);
            const V xr = hn::Add(zr, dzr[v]);
            const V xi = hn::Add(zi, dzi[v]);
            const V r2 = hn::Add(hn::Mul(xr, xr), hn::Mul(xi, xi));
            const V dz2 = hn::Add(hn::Mul(dzr[v], dzr[v]), hn::Mul(dzi[v], dzi[v]));
            const VI past = hn::Sub(m[v], one);
            const VI index = hn::ShiftRight<3>(past);
            const auto inTable = hn::And(
                hn::And(hn::Eq(hn::And(past, spacing), hn::Zero(di)), hn::Lt(hn::Zero(di), m[v])),
                hn::And(hn::Not(hn::Lt(roomForStep, n[v])), hn::Lt(index, radiusEnd)));
            // Lanes that finish, start over or leave the doubles do so in the
            // updates below.
            const M may = hn::AndNot(
                hn::Or(hn::Or(Finishes(going[v], n[v], r2), Rebases(m[v], r2, dz2)),
                       hn::Lt(dz2, tiny)),
                hn::And(hn::And(going[v], hn::Lt(dz2, low)), hn::RebindMask(d, inTable)));
            if (hn::AllFalse(d, may)) {
                continue;
            }
            const VI safeIndex = hn::IfThenElseZero(hn::RebindMask(di, may), index);
            const M holds = hn::And(may, hn::Lt(dz2, hn::GatherIndex(d, r2d, safeIndex)));
            if (hn::AllFalse(d, holds)) {
                continue;
            }
            // A dc below the doubles' range is for the plain count.
            const M out = hn::AndNot(narrow[v], holds);
            if (HWY_UNLIKELY(!hn::AllFalse(d, out))) {
                stop(v, out, leavingMark);
            }
            const M here = hn::AndNot(out, holds);
            const std::size_t at = v * lanesInVector;
            alignas(64) std::int64_t stepping[kMostLanes / kVectors];
            hn::Store(hn::VecFromMask(di, hn::RebindMask(di, here)), di, stepping);
            for (std::size_t j = 0; j < lanesInVector; ++j) {
                if (stepping[j] != 0) {
                    TakeSteps(ref, row.maximum, lanes, at + j);
                }
            }
            const auto hereI = hn::RebindMask(di, here);
            dzr[v] = hn::IfThenElse(here, hn::Load(d, lanes.dzr + at), dzr[v]);
            dzi[v] = hn::IfThenElse(here, hn::Load(d, lanes.dzi + at), dzi[v]);
            m[v] = hn::IfThenElse(hereI, hn::Load(di, lanes.m + at), m[v]);
            n[v] = hn::IfThenElse(hereI, hn::Load(di, lanes.n + at), n[v]);
        }
        // Then single updates up to the next such point. A lane that must
        // start over on the orbit from 0 waits for the block's last update
        // to do so, and so comes to the next block at orbit point 1.
        for (int k = 0; k < kBlock; ++k) {
            const bool last = k == kBlock - 1 || radiusCount == 0;
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
                const M finish = Finishes(going[v], n[v], r2);
                if (HWY_UNLIKELY(!hn::AllFalse(d, finish))) {
                    stop(v, finish, finishedMark);
                    dr2 = hn::IfThenZeroElse(finish, dr2);
                    di2 = hn::IfThenZeroElse(finish, di2);
                    dz2 = hn::IfThenZeroElse(finish, dz2);
                }
                // Start over on the orbit from 0 where the plain count does;
                // lanes without a pixel too, so that m stays on the orbit.
                M rebase = Rebases(m[v], r2, dz2);
                M waiting = hn::FirstN(d, 0);
                if (HWY_UNLIKELY(!hn::AllFalse(d, rebase))) {
                    if (!last) {
                        waiting = hn::And(rebase, going[v]);
                        rebase = hn::AndNot(going[v], rebase);
                    }
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
                // Offsets leaving the doubles go to the plain count.
                const M out = hn::AndNot(waiting, hn::And(going[v], hn::Lt(dz2, tiny)));
                if (HWY_UNLIKELY(!hn::AllFalse(d, out))) {
                    stop(v, out, leavingMark);
                    dr2 = hn::IfThenZeroElse(out, dr2);
                    di2 = hn::IfThenZeroElse(out, di2);
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
                dzr[v] = hn::IfThenElse(waiting, dzr[v], nr);
                dzi[v] = hn::IfThenElse(waiting, dzi[v], ni);
                const VI moved = hn::IfThenZeroElse(hn::RebindMask(di, waiting), one);
                m[v] = hn::Add(m[v], moved);
                n[v] = hn::Add(n[v], moved);
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
