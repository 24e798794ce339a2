// Escape-time counts of rows on SIMD vectors, for every instruction set the
// build knows; the best one the processor has is chosen at run time.
//
// Several independent vectors are in flight, so the add and multiply pipes
// always have work while each vector waits for its own last result. Every
// kSteps steps the lanes whose point has escaped or reached the maximum hand in
// their count and take the next points, so divergent lanes do not idle. The
// points of all the rows of a share go through the vectors as one stream:
// lanes freed at the end of one row take points of the next. Only when fewer
// points are left than lanes are the live lanes packed together after every
// block of steps, and the stream drains on fewer vectors.
//
// Built with -ffp-contract=off, like EscapeKernel.cpp: the counts must be
// exactly those of EscapeCount.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/EscapeKernelSimd.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "engine/CycleProof.h"
#include "engine/EscapeKernel.h"
#include "engine/EscapeKernelSimd-inl.h"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace escape_simd {
namespace HWY_NAMESPACE {

// Every x86 target from AVX3 up has AVX-512 (newer Highway releases add
// targets of their own for newer processors, all below AVX3 in value).
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
#define VELMORA_ROW_AVX3 1
#else
#define VELMORA_ROW_AVX3 0
#endif

// Vectors in flight. One step of one vector is a chain of about seven cycles
// of latency but only two or three cycles of work for the pipes, so a few
// independent vectors keep the pipes busy. Each vector holds zr, zi, its tag,
// a mask and, for the Mandelbrot set, its points' cr and ci: six of them fit
// the 32 registers and seven mask registers of AVX-512 (with c read from
// memory where registers run out), three the 16 registers of AVX2, SSE4 and
// NEON.
#if VELMORA_ROW_AVX3
constexpr std::size_t kVectors = 6;
#else
constexpr std::size_t kVectors = 3;
#endif
// Steps between two refills: fewer leave less time to lanes that have
// finished, more spend less on refilling.
constexpr int kSteps = 20;
// Blocks of steps between two looks at the cancel flag: a few microseconds.
constexpr std::uint32_t kCancelEvery = 16;

constexpr std::size_t kLanes = hn::MaxLanes(D());
static_assert(kLanes <= 8, "mask bits are read as one byte");

// Calls f(0) .. f(kCount - 1) in straight-line code, so that arrays of vectors
// indexed by the argument stay in registers.
template <class F, std::size_t... kIndex>
HWY_INLINE void Unrolled(F&& f, std::index_sequence<kIndex...>) {
    (f(kIndex), ...);
}

template <std::size_t kCount, class F>
HWY_INLINE void ForEachVector(F&& f) {
    Unrolled(f, std::make_index_sequence<kCount>());
}

// A lane's tag holds two 32-bit counters, each raised with every update:
//   high word: bias + updates, where bias = 2^31 - maximum, so the tag turns
//              negative exactly when the point has had `maximum` updates;
//   low word:  the point's index in the stream (its row's slot and its
//              column) + updates.
// A lane runs at most kSteps updates past the maximum before it is checked,
// so with indexes below 2^30 neither word ever reaches 2^32. Wider rows go
// through the scalar loop.
constexpr std::int64_t kMostPoints = std::int64_t{1} << 30;

inline std::int64_t TagBase(std::int32_t maximum) {
    return ((std::int64_t{1} << 31) - maximum) << 32;
}

// Tags of the points first .. first + N - 1.
HWY_INLINE VI FirstTags(std::int64_t base, std::int64_t first) {
    const DI di;
    return hn::Add(hn::Set(di, base + first), hn::Iota(di, 0));
}

// The lanes of a block that go on: still inside and below the maximum.
HWY_INLINE M Running(M active, VI tag) {
#if VELMORA_ROW_AVX3
    return M{_mm512_mask_cmpge_epi64_mask(active.raw, tag.raw, _mm512_setzero_si512())};
#else
    const DI di;
    return hn::AndNot(hn::RebindMask(D(), hn::Lt(tag, hn::Zero(di))), active);
#endif
}

// Bit i set for lane i of the mask.
HWY_INLINE std::size_t MaskBits(M mask) {
#if VELMORA_ROW_AVX3
    return static_cast<std::size_t>(mask.raw);
#else
    std::uint8_t bits[8] = {};
    hn::StoreMaskBits(D(), mask, bits);
    return bits[0];
#endif
}

using Indices = decltype(hn::IndicesFromVec(D(), hn::Zero(DI())));

// Lane permutations for every mask of N lanes. rank[m][j] is the number of
// lanes of m below lane j, so the k-th lane of m takes the k-th new point.
// pack moves the lanes of m to the front, in order.
struct CLaneTables {
    std::int64_t rank[std::size_t{1} << kLanes][kLanes];
    Indices rankIndices[std::size_t{1} << kLanes];
    Indices packIndices[std::size_t{1} << kLanes];
};

HWY_NOINLINE CLaneTables MakeLaneTables() {
    const D d;
    const DI di;
    CLaneTables t;
    for (std::size_t m = 0; m < (std::size_t{1} << kLanes); ++m) {
        alignas(64) std::int64_t pack[kLanes];
        std::size_t set = 0;
        for (std::size_t j = 0; j < kLanes; ++j) {
            t.rank[m][j] = static_cast<std::int64_t>(set);
            if ((m >> j) & 1) {
                pack[set++] = static_cast<std::int64_t>(j);
            }
        }
        for (std::size_t j = 0, k = set; j < kLanes; ++j) {
            if (!((m >> j) & 1)) {
                pack[k++] = static_cast<std::int64_t>(j);
            }
        }
        t.rankIndices[m] = hn::IndicesFromVec(d, hn::LoadU(di, t.rank[m]));
        t.packIndices[m] = hn::IndicesFromVec(d, hn::Load(di, pack));
    }
    return t;
}

// Built once per target on first use, read-only afterwards.
const CLaneTables& LaneTables() {
    static const CLaneTables tables = MakeLaneTables();
    return tables;
}

// Moves the lanes of `mask` to the front, in order.
HWY_INLINE V PackLanes(const CLaneTables& t, V v, M mask, std::size_t bits) {
#if VELMORA_ROW_AVX3
    (void)t;
    (void)bits;
    return V{_mm512_maskz_compress_pd(mask.raw, v.raw)};
#else
    (void)mask;
    return hn::TableLookupLanes(v, t.packIndices[bits]);
#endif
}

HWY_INLINE VI PackLanes(const CLaneTables& t, VI v, M mask, std::size_t bits) {
    const DI di;
    return hn::BitCast(di, PackLanes(t, hn::BitCast(D(), v), mask, bits));
}

// The permutation that gives the k-th lane of mask `bits` the k-th new point.
HWY_INLINE Indices RankIndices(const CLaneTables& t, std::size_t bits) {
#if VELMORA_ROW_AVX3
    return hn::IndicesFromVec(D(), hn::Load(DI(), t.rank[bits]));  // no work on AVX-512
#else
    return t.rankIndices[bits];
#endif
}

// What the vectors read and write between two services of the stream: the
// staged points they take, and where they hand in the tags of finished lanes.
struct CLaneWork {
    const CLaneTables* tables = nullptr;
    const double* sx = nullptr;          // staged points: x,
    const double* sy = nullptr;          // y,
    const std::int64_t* stag = nullptr;  // and tag before the first update
    std::int64_t next = 0;               // first staged point not yet given to a lane
    std::int64_t staged = 0;             // end of the staged points
    double juliaRe = 0.0;
    double juliaIm = 0.0;
    std::int64_t* out = nullptr;  // tags of finished lanes, in any order
    const std::atomic<std::int32_t>* cancel = nullptr;
    bool cancelled = false;
    bool cycles = false;        // look for exactly repeating z
    std::int64_t biasHigh = 0;  // the high word of a tag before any update
    std::uint64_t skipped = 0;  // updates saved by finding cycles
    std::uint32_t blocks = 0;   // blocks of steps run

    // Looked at once in kCancelEvery blocks of steps.
    bool Cancelled() {
        if ((++blocks % kCancelEvery) == 0 && cancel &&
            cancel->load(std::memory_order_relaxed) != 0) {
            cancelled = true;
        }
        return cancelled;
    }
    std::int64_t Waiting() const { return staged - next; }
};

// Hands in the tags of the finished lanes.
HWY_INLINE void HandIn(CLaneWork& work, VI tag, M finished, std::size_t bits) {
    hn::StoreU(PackLanes(*work.tables, tag, finished, bits), DI(), work.out);
    work.out += hwy::PopCount(bits);
}

// Where each lane keeps the z it compares with, and when it saves z next.
struct CCycleSlots {
    double* zr;
    double* zi;
    std::int64_t* due;
};

// The lanes of `near` whose orbit NeverEscapes proves bounded.
HWY_NOINLINE M ProvenLanes(V zr, V zi, V cr, V ci, M near) {
    const D d;
    alignas(64) double r[kLanes];
    alignas(64) double i[kLanes];
    alignas(64) double x[kLanes];
    alignas(64) double y[kLanes];
    hn::Store(zr, d, r);
    hn::Store(zi, d, i);
    hn::Store(cr, d, x);
    hn::Store(ci, d, y);
    const std::size_t bits = MaskBits(near);
    alignas(8) std::uint8_t proven[8] = {};
    for (std::size_t j = 0; j < kLanes; ++j) {
        if (((bits >> j) & 1) != 0 && NeverEscapes(r[j], i[j], x[j], y[j])) {
            proven[0] = static_cast<std::uint8_t>(proven[0] | (1u << j));
        }
    }
    return hn::LoadMaskBits(d, proven);
}

// Running lanes whose z is bit for bit the z they saved earlier repeat it for
// ever and never escape: they finish with the maximum as their count. (A NaN
// never compares equal; +0 and -0 do, and the sign of a zero never changes
// |z|^2.) So do lanes about to save that came back close to the saved z, when
// NeverEscapes proves their orbit bounded. Then each lane saves z again once
// its updates reach 5/4 of those of its last save: a short enough wait after
// the orbit has settled, and long enough for the lcm of a period and kSteps to
// fit between two saves. (c is the c of the lanes' updates.)
HWY_INLINE void CheckCycles(CLaneWork& work, V zr, V zi, V cr, V ci, M& active, VI& tag,
                            CCycleSlots slots) {
    const D d;
    const DI di;
    const V savedR = hn::Load(d, slots.zr);
    const V savedI = hn::Load(d, slots.zi);
    const M running = Running(active, tag);
    M repeats = hn::And(running, hn::And(hn::Eq(zr, savedR), hn::Eq(zi, savedI)));
    // (What finishing lanes save is never read again.)
    const VI updates = hn::Sub(hn::ShiftRight<32>(tag), hn::Set(di, work.biasHigh));
    const VI due = hn::Load(di, slots.due);
    const auto save = hn::Not(hn::Lt(updates, due));
    const V dr = hn::Sub(zr, savedR);
    const V dz = hn::Sub(zi, savedI);
    const M near = hn::And(
        hn::AndNot(repeats, running),
        hn::And(hn::RebindMask(d, save),
                hn::Lt(hn::Add(hn::Mul(dr, dr), hn::Mul(dz, dz)), hn::Set(d, kNearReturnSquared))));
    if (HWY_UNLIKELY(!hn::AllFalse(d, near))) {
        repeats = hn::Or(repeats, ProvenLanes(zr, zi, cr, ci, near));
    }
    if (!hn::AllFalse(d, repeats)) {
        // Both words of the tag go up by the updates the lane had left, so
        // its high word becomes 2^31: negative, and `maximum` updates.
        const VI left = hn::Sub(hn::Set(di, std::int64_t{1} << 31), hn::ShiftRight<32>(tag));
        const VI skip = hn::IfThenElseZero(hn::RebindMask(di, repeats), left);
        tag = hn::Add(tag, hn::Add(hn::ShiftLeft<32>(skip), skip));
        work.skipped += static_cast<std::uint64_t>(hn::GetLane(hn::SumOfLanes(di, skip)));
        active = hn::AndNot(repeats, active);
    }
    hn::Store(hn::IfThenElse(hn::RebindMask(d, save), zr, savedR), d, slots.zr);
    hn::Store(hn::IfThenElse(hn::RebindMask(d, save), zi, savedI), d, slots.zi);
    hn::Store(hn::IfThenElse(save, hn::Add(updates, hn::ShiftRight<2>(updates)), due), di,
              slots.due);
}

// Forgets what the lanes outside `keep` saved: they take new points.
HWY_INLINE void ResetCycles(M keep, CCycleSlots slots) {
    const D d;
    const DI di;
    const V none = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    hn::Store(hn::IfThenElse(keep, hn::Load(d, slots.zr), none), d, slots.zr);
    hn::Store(hn::IfThenElse(keep, hn::Load(d, slots.zi), none), d, slots.zi);
    hn::Store(hn::IfThenElseZero(hn::RebindMask(di, keep), hn::Load(di, slots.due)), di, slots.due);
}

// Lanes in memory while the stream drains: room for every lane in flight and
// for fewer than that many points not yet started, plus one vector.
struct CDrainLanes {
    static constexpr std::size_t kCapacity = (2 * kVectors + 1) * kLanes;
    alignas(64) double zr[kCapacity];
    alignas(64) double zi[kCapacity];
    alignas(64) double cr[kCapacity];
    alignas(64) double ci[kCapacity];
    alignas(64) std::int64_t tag[kCapacity];
    alignas(64) double savedR[kCapacity];
    alignas(64) double savedI[kCapacity];
    alignas(64) std::int64_t due[kCapacity];
    std::size_t live = 0;

    CCycleSlots Slots(std::size_t at) { return {savedR + at, savedI + at, due + at}; }

    // Clears the lanes from `live` to `end`, so that no vector reads a lane
    // that was never written.
    void ClearFrom(std::size_t end) {
        for (std::size_t i = live; i < end; ++i) {
            zr[i] = 0.0;
            zi[i] = 0.0;
            cr[i] = 0.0;
            ci[i] = 0.0;
            tag[i] = 0;
            savedR[i] = std::numeric_limits<double>::quiet_NaN();
            savedI[i] = savedR[i];
            due[i] = 0;
        }
    }
};

// The kVectors vectors of the steady state, kept in memory while the stream
// is serviced: as they were after their last block of steps.
struct CFullLanes {
    static constexpr std::size_t kCount = kVectors * kLanes;
    alignas(64) double zr[kCount];
    alignas(64) double zi[kCount];
    alignas(64) double cr[kCount];
    alignas(64) double ci[kCount];
    alignas(64) std::int64_t tag[kCount];
    alignas(64) std::int64_t active[kCount];
    alignas(64) double savedR[kCount];
    alignas(64) double savedI[kCount];
    alignas(64) std::int64_t due[kCount];
    bool started = false;  // whether the lanes hold points

    CCycleSlots Slots(std::size_t at) { return {savedR + at, savedI + at, due + at}; }
};

// Packs the running lanes of one vector at the end of the drain lanes.
HWY_INLINE void Pack(const CLaneTables& t, CDrainLanes& lanes, V zr, V zi, V cr, V ci, VI tag,
                     M running, CCycleSlots slots) {
    const D d;
    const DI di;
    const std::size_t bits = MaskBits(running);
    const std::size_t at = lanes.live;
    hn::StoreU(PackLanes(t, zr, running, bits), d, lanes.zr + at);
    hn::StoreU(PackLanes(t, zi, running, bits), d, lanes.zi + at);
    hn::StoreU(PackLanes(t, cr, running, bits), d, lanes.cr + at);
    hn::StoreU(PackLanes(t, ci, running, bits), d, lanes.ci + at);
    hn::StoreU(PackLanes(t, tag, running, bits), di, lanes.tag + at);
    hn::StoreU(PackLanes(t, hn::Load(d, slots.zr), running, bits), d, lanes.savedR + at);
    hn::StoreU(PackLanes(t, hn::Load(d, slots.zi), running, bits), d, lanes.savedI + at);
    hn::StoreU(PackLanes(t, hn::Load(di, slots.due), running, bits), di, lanes.due + at);
    lanes.live += hwy::PopCount(bits);
}

// Puts the staged points not yet started behind the live lanes.
template <bool kJulia>
void AppendRest(CLaneWork& work, CDrainLanes& lanes) {
    const D d;
    const DI di;
    const std::size_t n = hn::Lanes(d);
    const V zero = hn::Zero(d);
    const V none = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
    for (std::int64_t p = work.next; p < work.staged; p += static_cast<std::int64_t>(n)) {
        const std::size_t at = lanes.live + static_cast<std::size_t>(p - work.next);
        const V x = hn::LoadU(d, work.sx + p);
        const V y = hn::LoadU(d, work.sy + p);
        hn::StoreU(kJulia ? x : zero, d, lanes.zr + at);
        hn::StoreU(kJulia ? y : zero, d, lanes.zi + at);
        hn::StoreU(x, d, lanes.cr + at);
        hn::StoreU(y, d, lanes.ci + at);
        hn::StoreU(hn::LoadU(di, work.stag + p), di, lanes.tag + at);
        hn::StoreU(none, d, lanes.savedR + at);
        hn::StoreU(none, d, lanes.savedI + at);
        hn::StoreU(hn::Zero(di), di, lanes.due + at);
    }
    lanes.live += static_cast<std::size_t>(work.Waiting());
    work.next = work.staged;
}

// kW vectors of drain lanes, from vector `first` on, run one block of steps;
// the finished lanes hand in their counts and the running ones are packed at
// `lanes.live`, which never passes the vectors still to be read.
template <bool kJulia, std::size_t kW>
HWY_NOINLINE HWY_FLATTEN void DrainBlock(CLaneWork& row, CDrainLanes& lanes, std::size_t first,
                                         std::size_t liveBefore) {
    CLaneWork work = row;
    const D d;
    const DI di;
    const std::size_t n = hn::Lanes(d);
    const V limit = hn::Set(d, 10000.0);
    const V juliaRe = hn::Set(d, work.juliaRe);
    const V juliaIm = hn::Set(d, work.juliaIm);
    V zr[kW];
    V zi[kW];
    V cr[kW];
    V ci[kW];
    VI tag[kW];
    M valid[kW];
    M active[kW];
    ForEachVector<kW>([&](std::size_t v) {
        const std::size_t at = (first + v) * n;
        zr[v] = hn::Load(d, lanes.zr + at);
        zi[v] = hn::Load(d, lanes.zi + at);
        cr[v] = kJulia ? juliaRe : hn::Load(d, lanes.cr + at);
        ci[v] = kJulia ? juliaIm : hn::Load(d, lanes.ci + at);
        tag[v] = hn::Load(di, lanes.tag + at);
        valid[v] = hn::FirstN(d, liveBefore > at ? liveBefore - at : 0);
        active[v] = valid[v];
    });
    for (int step = 0; step < kSteps; ++step) {
        ForEachVector<kW>([&](std::size_t v) {
            EscapeStep(zr[v], zi[v], active[v], tag[v], cr[v], ci[v], limit);
        });
    }
    ForEachVector<kW>([&](std::size_t v) {
        const CCycleSlots slots = lanes.Slots((first + v) * n);
        if (work.cycles) {
            CheckCycles(work, zr[v], zi[v], cr[v], ci[v], active[v], tag[v], slots);
        }
        const M running = Running(active[v], tag[v]);
        const M finished = hn::AndNot(running, valid[v]);
        HandIn(work, tag[v], finished, MaskBits(finished));
        Pack(*work.tables, lanes, zr[v], zi[v], cr[v], ci[v], tag[v], running, slots);
    });
    row = work;
}

// DrainBlock for `vectors` (1 to kW) vectors.
template <bool kJulia, std::size_t kW>
HWY_INLINE void DrainVectors(CLaneWork& work, CDrainLanes& lanes, std::size_t first,
                             std::size_t liveBefore, std::size_t vectors) {
    if constexpr (kW > 1) {
        if (vectors < kW) {
            DrainVectors<kJulia, kW - 1>(work, lanes, first, liveBefore, vectors);
            return;
        }
    }
    DrainBlock<kJulia, kW>(work, lanes, first, liveBefore);
}

// Runs the drain lanes and the staged points left until every one is counted.
template <bool kJulia>
void Drain(CLaneWork& work, CDrainLanes& lanes) {
    const std::size_t n = hn::Lanes(D());
    AppendRest<kJulia>(work, lanes);
    while (lanes.live > 0 && !work.Cancelled()) {
        const std::size_t liveBefore = lanes.live;
        const std::size_t vectors = (liveBefore + n - 1) / n;
        lanes.ClearFrom(vectors * n);
        lanes.live = 0;
        for (std::size_t first = 0; first < vectors; first += kVectors) {
            DrainVectors<kJulia, kVectors>(work, lanes, first, liveBefore,
                                           std::min(vectors - first, kVectors));
        }
    }
}

// The steady state: every lane of kVectors vectors busy with a point while at
// least that many points are staged. Each finished lane takes the next staged
// point, in lane order. Returns, with the lanes stored, once fewer points are
// staged or a stop was asked for.
template <bool kJulia>
HWY_NOINLINE HWY_FLATTEN void RunFull(CLaneWork& row, CFullLanes& lanes) {
    // A copy the compiler can keep in registers: nothing stored through
    // work.out can change it.
    CLaneWork work = row;
    const D d;
    const DI di;
    const std::size_t n = hn::Lanes(d);
    const std::int64_t perBlock = static_cast<std::int64_t>(kVectors * n);
    const CLaneTables& t = *work.tables;
    const V limit = hn::Set(d, 10000.0);
    const V juliaRe = hn::Set(d, work.juliaRe);
    const V juliaIm = hn::Set(d, work.juliaIm);
    const M all = hn::FirstN(d, n);
    V zr[kVectors];
    V zi[kVectors];
    V cr[kVectors];
    V ci[kVectors];
    VI tag[kVectors];
    M active[kVectors];
    const bool fresh = !lanes.started;
    ForEachVector<kVectors>([&](std::size_t v) {
        const std::size_t at = v * n;
        if (fresh) {
            const V none = hn::Set(d, std::numeric_limits<double>::quiet_NaN());
            hn::Store(none, d, lanes.savedR + at);
            hn::Store(none, d, lanes.savedI + at);
            hn::Store(hn::Zero(di), di, lanes.due + at);
            const V x = hn::LoadU(d, work.sx + work.next);
            const V y = hn::LoadU(d, work.sy + work.next);
            zr[v] = kJulia ? x : hn::Zero(d);
            zi[v] = kJulia ? y : hn::Zero(d);
            cr[v] = x;
            ci[v] = y;
            tag[v] = hn::LoadU(di, work.stag + work.next);
            active[v] = all;
            work.next += static_cast<std::int64_t>(n);
        } else {
            zr[v] = hn::Load(d, lanes.zr + at);
            zi[v] = hn::Load(d, lanes.zi + at);
            cr[v] = hn::Load(d, lanes.cr + at);
            ci[v] = hn::Load(d, lanes.ci + at);
            tag[v] = hn::Load(di, lanes.tag + at);
            active[v] = hn::MaskFromVec(hn::BitCast(d, hn::Load(di, lanes.active + at)));
        }
    });
    lanes.started = true;
    for (bool refill = !fresh;; refill = true) {
        if (refill) {
            ForEachVector<kVectors>([&](std::size_t v) {
                const CCycleSlots slots = lanes.Slots(v * n);
                if (work.cycles) {
                    CheckCycles(work, zr[v], zi[v], kJulia ? juliaRe : cr[v],
                                kJulia ? juliaIm : ci[v], active[v], tag[v], slots);
                }
                const M running = Running(active[v], tag[v]);
                const M finished = hn::Not(running);
                const std::size_t bits = MaskBits(finished);
                HandIn(work, tag[v], finished, bits);
                const Indices rank = RankIndices(t, bits);
                const V x = hn::TableLookupLanes(hn::LoadU(d, work.sx + work.next), rank);
                const V y = hn::TableLookupLanes(hn::LoadU(d, work.sy + work.next), rank);
                const VI start = hn::BitCast(
                    di, hn::TableLookupLanes(hn::BitCast(d, hn::LoadU(di, work.stag + work.next)),
                                             rank));
                tag[v] = hn::IfThenElse(hn::RebindMask(di, running), tag[v], start);
                if (kJulia) {
                    zr[v] = hn::IfThenElse(running, zr[v], x);
                    zi[v] = hn::IfThenElse(running, zi[v], y);
                } else {
                    cr[v] = hn::IfThenElse(running, cr[v], x);
                    ci[v] = hn::IfThenElse(running, ci[v], y);
                    zr[v] = hn::IfThenElseZero(running, zr[v]);
                    zi[v] = hn::IfThenElseZero(running, zi[v]);
                }
                active[v] = all;
                if (work.cycles) {
                    ResetCycles(running, slots);
                }
                work.next += static_cast<std::int64_t>(hwy::PopCount(bits));
            });
        }
        for (int step = 0; step < kSteps; ++step) {
            ForEachVector<kVectors>([&](std::size_t v) {
                EscapeStep(zr[v], zi[v], active[v], tag[v], kJulia ? juliaRe : cr[v],
                           kJulia ? juliaIm : ci[v], limit);
            });
        }
        if (work.Cancelled() || work.Waiting() < perBlock) {
            break;
        }
    }
    ForEachVector<kVectors>([&](std::size_t v) {
        const std::size_t at = v * n;
        hn::Store(zr[v], d, lanes.zr + at);
        hn::Store(zi[v], d, lanes.zi + at);
        hn::Store(cr[v], d, lanes.cr + at);
        hn::Store(ci[v], d, lanes.ci + at);
        hn::Store(tag[v], di, lanes.tag + at);
        hn::Store(hn::BitCast(di, hn::VecFromMask(d, active[v])), di, lanes.active + at);
    });
    row = work;
}

// Ends the steady state: the finished lanes hand in their counts and the
// running ones go to the drain lanes.
template <bool kJulia>
void FinishFull(CLaneWork& work, CFullLanes& lanes, CDrainLanes& drain) {
    if (!lanes.started) {
        return;
    }
    lanes.started = false;
    const D d;
    const DI di;
    const std::size_t n = hn::Lanes(d);
    for (std::size_t v = 0; v < kVectors; ++v) {
        const std::size_t at = v * n;
        const V zr = hn::Load(d, lanes.zr + at);
        const V zi = hn::Load(d, lanes.zi + at);
        VI tag = hn::Load(di, lanes.tag + at);
        M active = hn::MaskFromVec(hn::BitCast(d, hn::Load(di, lanes.active + at)));
        const CCycleSlots slots = lanes.Slots(at);
        const V cr = hn::Load(d, lanes.cr + at);
        const V ci = hn::Load(d, lanes.ci + at);
        if (work.cycles) {
            CheckCycles(work, zr, zi, kJulia ? hn::Set(d, work.juliaRe) : cr,
                        kJulia ? hn::Set(d, work.juliaIm) : ci, active, tag, slots);
        }
        const M running = Running(active, tag);
        const M finished = hn::Not(running);
        HandIn(work, tag, finished, MaskBits(finished));
        Pack(*work.tables, drain, zr, zi, cr, ci, tag, running, slots);
    }
}

// x of every point of the row, computed as the scalar loop computes it.
void PointXs(const CRowSpan& span, std::int64_t count, double* xs) {
    const D d;
    const std::size_t n = hn::Lanes(d);
    const V step = hn::Set(d, span.xStep);
    const V xMin = hn::Set(d, span.xMin);
    const V colStep = hn::Set(d, static_cast<double>(span.colStep));
    const V iota = hn::Iota(d, 0.0);
    for (std::int64_t p = 0; p < count; p += static_cast<std::int64_t>(n)) {
        // Columns are integers far below 2^53: exact in double.
        const double first =
            static_cast<double>(span.colStart) + static_cast<double>(p) * span.colStep;
        const V column = hn::Add(hn::Set(d, first), hn::Mul(iota, colStep));
        hn::StoreU(hn::Add(hn::Mul(column, step), xMin), d, xs + p);
    }
}

// Points staged at most: the lanes take them between two services.
constexpr std::int64_t kStaged = 512;
// Points of the rows in flight at least.
constexpr std::int64_t kRingPoints = std::int64_t{1} << 15;

// The rows fed whose points are not all counted yet. Row `seq` lives in slot
// seq % size, and its point at column p has the index slot * stride + p, so a
// finished lane's tag tells its row and column.
struct CRowSlot {
    std::vector<std::int32_t> counts;
    std::int64_t seq = 0;
    std::int64_t remaining = 0;  // points not yet counted; 0 for a free slot
};

// Feeds the rows of `feed` through the vectors: stages their points, hands
// every row back once its points are counted, and drains the lanes at the end.
class CRowStream {
public:
    CRowStream(const CEscapeParams& params, const CRowSpan& span, IRowFeed& feed,
               std::int64_t width, int shift, std::size_t slots)
        : m_params(params),
          m_feed(feed),
          m_width(width),
          m_shift(shift),
          m_xs(static_cast<std::size_t>(width) + kLanes),
          m_sx(kStaged + kLanes),
          m_sy(kStaged + kLanes),
          m_stag(kStaged + kLanes),
          m_out(kStaged + CDrainLanes::kCapacity),
          m_ring(slots),
          m_base(TagBase(params.maximum)) {
        PointXs(span, width, m_xs.data());
        m_work.tables = &LaneTables();
        m_work.sx = m_sx.data();
        m_work.sy = m_sy.data();
        m_work.stag = m_stag.data();
        m_work.juliaRe = params.juliaRe;
        m_work.juliaIm = params.juliaIm;
        m_work.out = m_out.data();
        m_work.cancel = params.cancel;
        m_work.cycles = params.maximum >= kCycleCheckFrom;
        m_work.biasHigh = m_base >> 32;
    }

    template <bool kJulia>
    bool Run() {
        const std::int64_t perBlock = static_cast<std::int64_t>(kVectors * hn::Lanes(D()));
        CFullLanes full;
        CDrainLanes drain;
        for (;;) {
            if (!Collect()) {
                return false;
            }
            TopUp();
            if (m_work.Waiting() >= perBlock) {
                RunFull<kJulia>(m_work, full);
                if (m_work.cancelled) {
                    return false;
                }
                continue;
            }
            // Too few points for every lane: the rows have ended, or the
            // oldest row in flight holds the slot the next row needs.
            FinishFull<kJulia>(m_work, full, drain);
            Drain<kJulia>(m_work, drain);
            if (m_work.cancelled || !Collect()) {
                return false;
            }
            if (m_fed) {
                break;
            }
        }
        // Like the plain loop: rows finished while a stop was asked for do
        // not count, however soon their points came to an end.
        if (m_params.Cancelled()) {
            return false;
        }
        if (m_params.skipped) {
            *m_params.skipped += m_work.skipped;
        }
        return true;
    }

private:
    // Counts of the finished lanes; rows whose points are all counted go back
    // to the feed.
    bool Collect() {
        const std::uint32_t bias = static_cast<std::uint32_t>(m_base >> 32);
        const std::int64_t* end = m_work.out;
        m_work.out = m_out.data();
        const std::uint32_t columns = (std::uint32_t{1} << m_shift) - 1;
        for (const std::int64_t* t = m_out.data(); t != end; ++t) {
            const auto tag = static_cast<std::uint64_t>(*t);
            const std::uint32_t updates = static_cast<std::uint32_t>(tag >> 32) - bias;
            const std::uint32_t index = static_cast<std::uint32_t>(tag) - updates;
            CRowSlot& slot = m_ring[index >> m_shift];
            slot.counts[index & columns] = static_cast<std::int32_t>(
                std::min<std::uint32_t>(updates, static_cast<std::uint32_t>(m_params.maximum)));
            if (--slot.remaining == 0 &&
                (m_params.Cancelled() || !m_feed.RowDone(slot.seq, slot.counts.data()))) {
                return false;
            }
        }
        return true;
    }

    // Moves the staged points left to the front and stages more, up to kStaged.
    void TopUp() {
        const D d;
        const DI di;
        const std::int64_t n = static_cast<std::int64_t>(hn::Lanes(d));
        const std::int64_t waiting = m_work.Waiting();
        const auto from = static_cast<std::ptrdiff_t>(m_work.next);
        std::copy(m_sx.begin() + from, m_sx.begin() + from + waiting, m_sx.begin());
        std::copy(m_sy.begin() + from, m_sy.begin() + from + waiting, m_sy.begin());
        std::copy(m_stag.begin() + from, m_stag.begin() + from + waiting, m_stag.begin());
        m_work.next = 0;
        m_work.staged = waiting;
        while (m_work.staged < kStaged) {
            if (m_column == m_width && !StartRow()) {
                return;
            }
            const std::int64_t take = std::min(m_width - m_column, kStaged - m_work.staged);
            const std::int64_t first = (m_slot << m_shift) + m_column;
            const V y = hn::Set(d, m_y);
            for (std::int64_t k = 0; k < take; k += n) {
                const auto at = static_cast<std::size_t>(m_work.staged + k);
                hn::StoreU(hn::LoadU(d, m_xs.data() + m_column + k), d, m_sx.data() + at);
                hn::StoreU(y, d, m_sy.data() + at);
                hn::StoreU(FirstTags(m_base, first + k), di, m_stag.data() + at);
            }
            m_work.staged += take;
            m_column += take;
        }
    }

    // Takes the next row from the feed into a free slot.
    bool StartRow() {
        if (m_fed) {
            return false;
        }
        const std::size_t slot = static_cast<std::size_t>(m_seq) & (m_ring.size() - 1);
        CRowSlot& s = m_ring[slot];
        if (s.remaining > 0) {
            return false;  // wait until the lanes have finished that row
        }
        if (!m_feed.NextRow(m_y)) {
            m_fed = true;
            return false;
        }
        s.counts.resize(static_cast<std::size_t>(m_width));
        s.seq = m_seq++;
        s.remaining = m_width;
        m_slot = static_cast<std::int64_t>(slot);
        m_column = 0;
        return true;
    }

    const CEscapeParams& m_params;
    IRowFeed& m_feed;
    const std::int64_t m_width;
    const int m_shift;
    std::vector<double> m_xs;  // x of every column, padded by one vector
    std::vector<double> m_sx;  // the staged points, padded by one vector
    std::vector<double> m_sy;
    std::vector<std::int64_t> m_stag;
    std::vector<std::int64_t> m_out;
    std::vector<CRowSlot> m_ring;
    const std::int64_t m_base;  // tag of index 0 before its first update
    CLaneWork m_work;
    std::int64_t m_seq = 0;           // rows taken from the feed
    std::int64_t m_slot = 0;          // slot of the row being staged
    std::int64_t m_column = m_width;  // its first point not yet staged
    double m_y = 0.0;                 // its y
    bool m_fed = false;               // whether the feed has no row left
};

HWY_NOINLINE bool EscapeRowsTarget(const CEscapeParams& params, const CRowSpan& span,
                                   IRowFeed& feed) {
    const std::int64_t width = span.PointCount();
    if (width <= 0 || params.maximum <= 0) {
        return EscapeRowsOneByOne(params, span, feed, CEscapeKernel::scalar);
    }
    // Rows in flight: those of the lanes and of the staged points, and room
    // for more, so that a slow point rarely holds the slot the next row needs.
    const int shift = static_cast<int>(std::bit_width(static_cast<std::uint64_t>(width - 1)));
    const std::int64_t inFlight =
        (kStaged + static_cast<std::int64_t>(CDrainLanes::kCapacity)) / width + 4;
    const auto slots =
        std::bit_ceil(static_cast<std::size_t>(std::max(inFlight, kRingPoints / width)));
    if ((static_cast<std::int64_t>(slots) << shift) > kMostPoints) {
        return EscapeRowsOneByOne(params, span, feed, CEscapeKernel::scalar);
    }
    CRowStream stream(params, span, feed, width, shift, slots);
    return params.kind != 0 ? stream.Run<true>() : stream.Run<false>();
}

HWY_NOINLINE const char* TargetNameTarget() {
    return hwy::TargetName(HWY_TARGET);
}

}  // namespace HWY_NAMESPACE
}  // namespace escape_simd
HWY_AFTER_NAMESPACE();

#undef VELMORA_ROW_AVX3

#if HWY_ONCE
namespace escape_simd {

HWY_EXPORT(EscapeRowsTarget);
HWY_EXPORT(TargetNameTarget);

}  // namespace escape_simd

bool EscapeRowsSimd(const CEscapeParams& params, const CRowSpan& span, IRowFeed& feed) {
    return HWY_DYNAMIC_DISPATCH(escape_simd::EscapeRowsTarget)(params, span, feed);
}

const char* EscapeSimdTargetName() {
    return HWY_DYNAMIC_DISPATCH(escape_simd::TargetNameTarget)();
}
#endif  // HWY_ONCE
