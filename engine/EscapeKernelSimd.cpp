// Escape-time counts of a row on SIMD vectors, for every instruction set the
// build knows; the best one the processor has is chosen at run time.
//
// Several independent vectors are in flight, so the add and multiply pipes
// always have work while each vector waits for its own last result. Every
// kSteps steps the lanes whose point has escaped or reached the maximum hand in
// their count and take the next points of the row, so divergent lanes do not
// idle. When fewer points are left than lanes, the live lanes are packed
// together after every block of steps and the row drains on fewer vectors.
//
// Built with -ffp-contract=off, like EscapeKernel.cpp: the counts must be
// exactly those of EscapeCount.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/EscapeKernelSimd.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <utility>

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
// independent vectors keep the pipes busy. Each vector holds three registers
// (zr, zi, tag) and a mask: six of them fit the 32 registers and seven mask
// registers of AVX-512, three the 16 registers of AVX2, SSE4 and NEON.
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
//   low word:  the point's index in the row + updates.
// A lane runs at most kSteps updates past the maximum before it is checked,
// so with indexes below 2^30 neither word ever reaches 2^32. Longer rows go
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

// What the lanes of one row share, and where they hand in their counts.
struct CRowWork {
    const CLaneTables* tables = nullptr;
    const double* xs = nullptr;  // x of every point, padded by one vector
    std::int64_t count = 0;      // points in the row
    std::int64_t next = 0;       // first point not yet given to a lane
    double y = 0.0;
    double juliaRe = 0.0;
    double juliaIm = 0.0;
    std::int64_t base = 0;        // tag of point 0 before its first update
    std::int64_t* out = nullptr;  // tags of finished lanes, in any order
    const std::atomic<std::int32_t>* cancel = nullptr;
    bool cancelled = false;
    bool cycles = false;        // look for exactly repeating z
    std::int64_t biasHigh = 0;  // the high word of a tag before any update
    std::uint64_t skipped = 0;  // updates saved by finding cycles

    // Looked at once in kCancelEvery blocks of steps.
    bool Cancelled(std::uint32_t& blocks) {
        if ((++blocks % kCancelEvery) == 0 && cancel &&
            cancel->load(std::memory_order_relaxed) != 0) {
            cancelled = true;
        }
        return cancelled;
    }
};

// Hands in the tags of the finished lanes.
HWY_INLINE void HandIn(CRowWork& work, VI tag, M finished, std::size_t bits) {
    hn::StoreU(PackLanes(*work.tables, tag, finished, bits), DI(), work.out);
    work.out += hwy::PopCount(bits);
}

// Where each lane keeps the z it compares with, and when it saves z next.
struct CCycleSlots {
    double* zr;
    double* zi;
    std::int64_t* due;
};

// Running lanes whose z is bit for bit the z they saved earlier repeat it for
// ever and never escape: they finish with the maximum as their count. (A NaN
// never compares equal; +0 and -0 do, and the sign of a zero never changes
// |z|^2.) Then each lane saves z again once its updates reach twice those of
// its last save.
HWY_INLINE void CheckCycles(CRowWork& work, V zr, V zi, M& active, VI& tag, CCycleSlots slots) {
    const D d;
    const DI di;
    const V savedR = hn::Load(d, slots.zr);
    const V savedI = hn::Load(d, slots.zi);
    const M repeats =
        hn::And(Running(active, tag), hn::And(hn::Eq(zr, savedR), hn::Eq(zi, savedI)));
    if (!hn::AllFalse(d, repeats)) {
        // Both words of the tag go up by the updates the lane had left, so
        // its high word becomes 2^31: negative, and `maximum` updates.
        const VI left = hn::Sub(hn::Set(di, std::int64_t{1} << 31), hn::ShiftRight<32>(tag));
        const VI skip = hn::IfThenElseZero(hn::RebindMask(di, repeats), left);
        tag = hn::Add(tag, hn::Add(hn::ShiftLeft<32>(skip), skip));
        work.skipped += static_cast<std::uint64_t>(hn::GetLane(hn::SumOfLanes(di, skip)));
        active = hn::AndNot(repeats, active);
    }
    const VI updates = hn::Sub(hn::ShiftRight<32>(tag), hn::Set(di, work.biasHigh));
    const VI due = hn::Load(di, slots.due);
    const auto save = hn::Not(hn::Lt(updates, due));
    hn::Store(hn::IfThenElse(hn::RebindMask(d, save), zr, savedR), d, slots.zr);
    hn::Store(hn::IfThenElse(hn::RebindMask(d, save), zi, savedI), d, slots.zi);
    hn::Store(hn::IfThenElse(save, hn::Add(updates, updates), due), di, slots.due);
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

// Lanes in memory while a row drains: room for every lane in flight and for
// fewer than that many points not yet started, plus one vector.
struct CDrainLanes {
    static constexpr std::size_t kCapacity = (2 * kVectors + 1) * kLanes;
    alignas(64) double zr[kCapacity];
    alignas(64) double zi[kCapacity];
    alignas(64) double cr[kCapacity];
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
            tag[i] = 0;
            savedR[i] = std::numeric_limits<double>::quiet_NaN();
            savedI[i] = savedR[i];
            due[i] = 0;
        }
    }
};

// Packs the running lanes of one vector at the end of the drain lanes.
HWY_INLINE void Pack(const CLaneTables& t, CDrainLanes& lanes, V zr, V zi, V cr, VI tag, M running,
                     CCycleSlots slots) {
    const D d;
    const DI di;
    const std::size_t bits = MaskBits(running);
    const std::size_t at = lanes.live;
    hn::StoreU(PackLanes(t, zr, running, bits), d, lanes.zr + at);
    hn::StoreU(PackLanes(t, zi, running, bits), d, lanes.zi + at);
    hn::StoreU(PackLanes(t, cr, running, bits), d, lanes.cr + at);
    hn::StoreU(PackLanes(t, tag, running, bits), di, lanes.tag + at);
    hn::StoreU(PackLanes(t, hn::Load(d, slots.zr), running, bits), d, lanes.savedR + at);
    hn::StoreU(PackLanes(t, hn::Load(d, slots.zi), running, bits), d, lanes.savedI + at);
    hn::StoreU(PackLanes(t, hn::Load(di, slots.due), running, bits), di, lanes.due + at);
    lanes.live += hwy::PopCount(bits);
}

// Puts the points not yet started behind the live lanes.
template <bool kJulia>
void AppendRest(CRowWork& work, CDrainLanes& lanes) {
    const D d;
    const DI di;
    const std::size_t n = hn::Lanes(d);
    const V zero = hn::Zero(d);
    for (std::int64_t p = work.next; p < work.count; p += static_cast<std::int64_t>(n)) {
        const std::size_t at = lanes.live + static_cast<std::size_t>(p - work.next);
        const V x = hn::LoadU(d, work.xs + p);
        hn::StoreU(kJulia ? x : zero, d, lanes.zr + at);
        hn::StoreU(kJulia ? hn::Set(d, work.y) : zero, d, lanes.zi + at);
        hn::StoreU(x, d, lanes.cr + at);
        hn::StoreU(FirstTags(work.base, p), di, lanes.tag + at);
        hn::StoreU(hn::Set(d, std::numeric_limits<double>::quiet_NaN()), d, lanes.savedR + at);
        hn::StoreU(hn::Set(d, std::numeric_limits<double>::quiet_NaN()), d, lanes.savedI + at);
        hn::StoreU(hn::Zero(di), di, lanes.due + at);
    }
    lanes.live += static_cast<std::size_t>(work.count - work.next);
    work.next = work.count;
}

// kW vectors of drain lanes, from vector `first` on, run one block of steps;
// the finished lanes hand in their counts and the running ones are packed at
// `lanes.live`, which never passes the vectors still to be read.
template <bool kJulia, std::size_t kW>
HWY_NOINLINE HWY_FLATTEN void DrainBlock(CRowWork& row, CDrainLanes& lanes, std::size_t first,
                                         std::size_t liveBefore) {
    CRowWork work = row;
    const D d;
    const DI di;
    const std::size_t n = hn::Lanes(d);
    const V limit = hn::Set(d, 10000.0);
    const V juliaRe = hn::Set(d, work.juliaRe);
    const V ci = hn::Set(d, kJulia ? work.juliaIm : work.y);
    V zr[kW];
    V zi[kW];
    V cr[kW];
    VI tag[kW];
    M valid[kW];
    M active[kW];
    ForEachVector<kW>([&](std::size_t v) {
        const std::size_t at = (first + v) * n;
        zr[v] = hn::Load(d, lanes.zr + at);
        zi[v] = hn::Load(d, lanes.zi + at);
        cr[v] = kJulia ? juliaRe : hn::Load(d, lanes.cr + at);
        tag[v] = hn::Load(di, lanes.tag + at);
        valid[v] = hn::FirstN(d, liveBefore > at ? liveBefore - at : 0);
        active[v] = valid[v];
    });
    for (int step = 0; step < kSteps; ++step) {
        ForEachVector<kW>(
            [&](std::size_t v) { EscapeStep(zr[v], zi[v], active[v], tag[v], cr[v], ci, limit); });
    }
    ForEachVector<kW>([&](std::size_t v) {
        const CCycleSlots slots = lanes.Slots((first + v) * n);
        if (work.cycles) {
            CheckCycles(work, zr[v], zi[v], active[v], tag[v], slots);
        }
        const M running = Running(active[v], tag[v]);
        const M finished = hn::AndNot(running, valid[v]);
        HandIn(work, tag[v], finished, MaskBits(finished));
        Pack(*work.tables, lanes, zr[v], zi[v], cr[v], tag[v], running, slots);
    });
    row = work;
}

// DrainBlock for `vectors` (1 to kW) vectors.
template <bool kJulia, std::size_t kW>
HWY_INLINE void DrainVectors(CRowWork& work, CDrainLanes& lanes, std::size_t first,
                             std::size_t liveBefore, std::size_t vectors) {
    if constexpr (kW > 1) {
        if (vectors < kW) {
            DrainVectors<kJulia, kW - 1>(work, lanes, first, liveBefore, vectors);
            return;
        }
    }
    DrainBlock<kJulia, kW>(work, lanes, first, liveBefore);
}

template <bool kJulia>
void Drain(CRowWork& work, CDrainLanes& lanes) {
    const std::size_t n = hn::Lanes(D());
    AppendRest<kJulia>(work, lanes);
    std::uint32_t blocks = 0;
    while (lanes.live > 0 && !work.Cancelled(blocks)) {
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
// least that many points wait. Leaves the live lanes in `lanes`.
template <bool kJulia>
HWY_NOINLINE HWY_FLATTEN void RunFull(CRowWork& row, CDrainLanes& lanes) {
    // A copy the compiler can keep in registers: nothing stored through
    // work.out can change it.
    CRowWork work = row;
    const D d;
    const DI di;
    const std::size_t n = hn::Lanes(d);
    const std::int64_t perBlock = static_cast<std::int64_t>(kVectors * n);
    const CLaneTables& t = *work.tables;
    const V limit = hn::Set(d, 10000.0);
    const V juliaRe = hn::Set(d, work.juliaRe);
    const V ci = hn::Set(d, kJulia ? work.juliaIm : work.y);
    const V y = hn::Set(d, work.y);
    const M all = hn::FirstN(d, n);
    V zr[kVectors];
    V zi[kVectors];
    V cr[kVectors];
    VI tag[kVectors];
    M active[kVectors];
    alignas(64) double savedR[kVectors * kLanes];
    alignas(64) double savedI[kVectors * kLanes];
    alignas(64) std::int64_t due[kVectors * kLanes];
    const auto slots = [&](std::size_t v) {
        return CCycleSlots{savedR + v * n, savedI + v * n, due + v * n};
    };
    ForEachVector<kVectors>([&](std::size_t v) {
        hn::Store(hn::Set(d, std::numeric_limits<double>::quiet_NaN()), d, slots(v).zr);
        hn::Store(hn::Set(d, std::numeric_limits<double>::quiet_NaN()), d, slots(v).zi);
        hn::Store(hn::Zero(di), di, slots(v).due);
        const V x = hn::LoadU(d, work.xs + work.next);
        zr[v] = kJulia ? x : hn::Zero(d);
        zi[v] = kJulia ? y : hn::Zero(d);
        cr[v] = kJulia ? juliaRe : x;
        tag[v] = FirstTags(work.base, work.next);
        active[v] = all;
        work.next += static_cast<std::int64_t>(n);
    });
    std::uint32_t blocks = 0;
    for (;;) {
        for (int step = 0; step < kSteps; ++step) {
            ForEachVector<kVectors>([&](std::size_t v) {
                EscapeStep(zr[v], zi[v], active[v], tag[v], cr[v], ci, limit);
            });
        }
        if (work.Cancelled(blocks)) {
            row = work;
            return;
        }
        if (work.count - work.next < perBlock) {
            break;
        }
        // Each finished lane takes the next point of the row, in lane order.
        ForEachVector<kVectors>([&](std::size_t v) {
            if (work.cycles) {
                CheckCycles(work, zr[v], zi[v], active[v], tag[v], slots(v));
            }
            const M running = Running(active[v], tag[v]);
            const M finished = hn::Not(running);
            const std::size_t bits = MaskBits(finished);
            HandIn(work, tag[v], finished, bits);
            const V x =
                hn::TableLookupLanes(hn::LoadU(d, work.xs + work.next), RankIndices(t, bits));
            const VI fresh =
                hn::Add(hn::Set(di, work.base + work.next), hn::Load(di, t.rank[bits]));
            tag[v] = hn::IfThenElse(hn::RebindMask(di, running), tag[v], fresh);
            if (kJulia) {
                zr[v] = hn::IfThenElse(running, zr[v], x);
                zi[v] = hn::IfThenElse(running, zi[v], y);
            } else {
                cr[v] = hn::IfThenElse(running, cr[v], x);
                zr[v] = hn::IfThenElseZero(running, zr[v]);
                zi[v] = hn::IfThenElseZero(running, zi[v]);
            }
            active[v] = all;
            if (work.cycles) {
                ResetCycles(running, slots(v));
            }
            work.next += static_cast<std::int64_t>(hwy::PopCount(bits));
        });
    }
    ForEachVector<kVectors>([&](std::size_t v) {
        if (work.cycles) {
            CheckCycles(work, zr[v], zi[v], active[v], tag[v], slots(v));
        }
        const M running = Running(active[v], tag[v]);
        const M finished = hn::Not(running);
        HandIn(work, tag[v], finished, MaskBits(finished));
        Pack(t, lanes, zr[v], zi[v], cr[v], tag[v], running, slots(v));
    });
    row = work;
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

template <bool kJulia>
bool RowCounts(const CEscapeParams& params, const CRowSpan& span, std::int32_t* counts,
               std::int64_t count) {
    const std::size_t n = hn::Lanes(D());
    const std::size_t room = static_cast<std::size_t>(count) + n;
    // Rows of up to about this many points keep their buffers on the stack.
    constexpr std::size_t kStackRoom = 1024 + kLanes;
    alignas(64) double xsStack[kStackRoom];
    alignas(64) std::int64_t outStack[kStackRoom];
    std::unique_ptr<double[]> xsHeap;
    std::unique_ptr<std::int64_t[]> outHeap;
    double* xs = xsStack;
    std::int64_t* out = outStack;
    if (room > kStackRoom) {
        xsHeap.reset(new double[room]);
        outHeap.reset(new std::int64_t[room]);
        xs = xsHeap.get();
        out = outHeap.get();
    }
    PointXs(span, count, xs);

    CRowWork work;
    work.tables = &LaneTables();
    work.xs = xs;
    work.count = count;
    work.y = span.y;
    work.juliaRe = params.juliaRe;
    work.juliaIm = params.juliaIm;
    work.base = TagBase(params.maximum);
    work.biasHigh = work.base >> 32;
    work.cycles = params.maximum >= kCycleCheckFrom;
    work.out = out;
    work.cancel = params.cancel;
    CDrainLanes lanes;
    if (count >= static_cast<std::int64_t>(kVectors * n)) {
        RunFull<kJulia>(work, lanes);
    }
    if (!work.cancelled) {
        Drain<kJulia>(work, lanes);
    }
    // Like the scalar loop: a row finished while a stop was asked for does
    // not count, however soon its points came to an end.
    if (work.cancelled || params.Cancelled()) {
        return false;
    }
    if (params.skipped) {
        *params.skipped += work.skipped;
    }

    const std::uint32_t bias = static_cast<std::uint32_t>(work.base >> 32);
    for (const std::int64_t* t = out; t != work.out; ++t) {
        const auto tag = static_cast<std::uint64_t>(*t);
        const std::uint32_t updates = static_cast<std::uint32_t>(tag >> 32) - bias;
        const std::uint32_t index = static_cast<std::uint32_t>(tag) - updates;
        counts[index] = static_cast<std::int32_t>(
            std::min<std::uint32_t>(updates, static_cast<std::uint32_t>(params.maximum)));
    }
    return true;
}

HWY_NOINLINE bool EscapeRowTarget(const CEscapeParams& params, const CRowSpan& span,
                                  std::int32_t* counts) {
    const std::int64_t count = span.PointCount();
    if (count <= 0) {
        return true;
    }
    if (params.maximum <= 0) {
        std::fill(counts, counts + count, 0);
        return true;
    }
    if (count > kMostPoints) {
        return EscapeRow(params, span, counts, CEscapeKernel::scalar);
    }
    if (params.kind != 0) {
        return RowCounts<true>(params, span, counts, count);
    }
    return RowCounts<false>(params, span, counts, count);
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

HWY_EXPORT(EscapeRowTarget);
HWY_EXPORT(TargetNameTarget);

}  // namespace escape_simd

bool EscapeRowSimd(const CEscapeParams& params, const CRowSpan& span, std::int32_t* counts) {
    return HWY_DYNAMIC_DISPATCH(escape_simd::EscapeRowTarget)(params, span, counts);
}

const char* EscapeSimdTargetName() {
    return HWY_DYNAMIC_DISPATCH(escape_simd::TargetNameTarget)();
}
#endif  // HWY_ONCE
