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
// a chain of arithmetic, so a few vectors keep the pipes busy.
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
constexpr std::size_t kVectors = 4;
#else
constexpr std::size_t kVectors = 2;
#endif
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
    if (lanesInVector == 1 || lanesInVector * kVectors > kMostLanes || orbit.Kind() != 0 ||
        ref.Size() == 0) {
        return PerturbedRowCountsPlain(orbit, row, counts);
    }
    const double* re = ref.re.data();
    const double* im = ref.im.data();
    const std::vector<double>& radii = ref.steps.FirstRadii();
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
    const V two = hn::Set(d, 2.0);
    const V z0r = hn::Set(d, re[0]);
    const V z0i = hn::Set(d, im[0]);
    const VI one = hn::Set(di, 1);
    const VI last = hn::Set(di, static_cast<std::int64_t>(ref.Size()) - 1);
    const VI maximum = hn::Set(di, row.maximum);
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
            dzr[v] = hn::Load(d, lanes.dzr + at);
            dzi[v] = hn::Load(d, lanes.dzi + at);
            dcr[v] = hn::Load(d, lanes.dcr + at);
            dci[v] = hn::Load(d, lanes.dci + at);
            m[v] = hn::Load(di, lanes.m + at);
            n[v] = hn::Load(di, lanes.n + at);
            going[v] =
                hn::RebindMask(d, hn::Not(hn::Lt(hn::Load(di, lanes.pixel + at), hn::Zero(di))));
            status[v] = hn::Zero(di);
            anyLive = anyLive || !hn::AllFalse(d, going[v]);
        }
        if (!anyLive) {
            break;
        }
        for (int k = 0; k < kBlock; ++k) {
            HWY_UNROLL(kVectors)
            for (std::size_t v = 0; v < kVectors; ++v) {
                const V zr0 = hn::GatherIndex(d, re, m[v]);
                const V zi0 = hn::GatherIndex(d, im, m[v]);
                const V zr = hn::Add(zr0, dzr[v]);
                const V zi = hn::Add(zi0, dzi[v]);
                const V r2 = hn::Add(hn::Mul(zr, zr), hn::Mul(zi, zi));
                // The maximum comes first, then the escape: either way the
                // count is n.
                const M finish = hn::And(
                    going[v],
                    hn::Or(hn::RebindMask(d, hn::Not(hn::Lt(n[v], maximum))), hn::Ge(r2, limit)));
                status[v] = hn::IfThenElse(hn::RebindMask(di, finish), finishedMark, status[v]);
                going[v] = hn::AndNot(finish, going[v]);
                // Start over on the orbit from 0 where the plain count does.
                V dz2 = hn::Add(hn::Mul(dzr[v], dzr[v]), hn::Mul(dzi[v], dzi[v]));
                const M rebase =
                    hn::Or(hn::RebindMask(d, hn::Not(hn::Lt(m[v], last))), hn::Lt(r2, dz2));
                const VI mr = hn::IfThenZeroElse(hn::RebindMask(di, rebase), m[v]);
                const V dzrr = hn::IfThenElse(rebase, zr, dzr[v]);
                const V dzir = hn::IfThenElse(rebase, zi, dzi[v]);
                dz2 = hn::IfThenElse(rebase, r2, dz2);
                const V zr1 = hn::IfThenElse(rebase, z0r, zr0);
                const V zi1 = hn::IfThenElse(rebase, z0i, zi0);
                // Offsets leaving the doubles, and points where a step of many
                // updates holds, go to the plain count.
                const VI past = hn::Sub(mr, one);
                const M atStart = hn::RebindMask(
                    d,
                    hn::And(hn::Eq(hn::And(past, shortest), hn::Zero(di)),
                            hn::And(hn::Lt(hn::Zero(di), mr), hn::Not(hn::Lt(roomForStep, n[v])))));
                const VI index = hn::ShiftRight<3>(past);
                const M inTable = hn::And(atStart, hn::RebindMask(d, hn::Lt(index, radiusEnd)));
                M out = hn::And(going[v], hn::Lt(dz2, tiny));
                if (!hn::AllFalse(d, inTable)) {
                    const VI safeIndex = hn::IfThenElseZero(hn::RebindMask(di, inTable), index);
                    out = hn::Or(
                        out,
                        hn::And(going[v],
                                hn::And(inTable, hn::Lt(dz2, hn::GatherIndex(d, r2d, safeIndex)))));
                }
                status[v] = hn::IfThenElse(hn::RebindMask(di, out), leavingMark, status[v]);
                going[v] = hn::AndNot(out, going[v]);
                // dz' = 2 Z dz + dz^2 + dc
                const V nr =
                    hn::Add(hn::Add(hn::Mul(two, hn::Sub(hn::Mul(zr1, dzrr), hn::Mul(zi1, dzir))),
                                    hn::Sub(hn::Mul(dzrr, dzrr), hn::Mul(dzir, dzir))),
                            dcr[v]);
                const V ni =
                    hn::Add(hn::Add(hn::Mul(two, hn::Add(hn::Mul(zr1, dzir), hn::Mul(zi1, dzrr))),
                                    hn::Mul(hn::Mul(two, dzrr), dzir)),
                            dci[v]);
                dzr[v] = hn::IfThenElse(going[v], nr, dzr[v]);
                dzi[v] = hn::IfThenElse(going[v], ni, dzi[v]);
                const auto goingI = hn::RebindMask(di, going[v]);
                m[v] = hn::IfThenElse(goingI, hn::Add(mr, one), m[v]);
                n[v] = hn::IfThenElse(goingI, hn::Add(n[v], one), n[v]);
            }
        }
        bool anyStopped = false;
        HWY_UNROLL(kVectors)
        for (std::size_t v = 0; v < kVectors; ++v) {
            const std::size_t at = v * lanesInVector;
            hn::Store(dzr[v], d, lanes.dzr + at);
            hn::Store(dzi[v], d, lanes.dzi + at);
            hn::Store(m[v], di, lanes.m + at);
            hn::Store(n[v], di, lanes.n + at);
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
