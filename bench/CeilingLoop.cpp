// Built with -ffp-contract=off, like the kernel whose arithmetic it shares.
#include "bench/CeilingLoop.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "bench/CeilingLoop.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include <cstddef>
#include <cstdint>

#include "engine/EscapeKernelSimd-inl.h"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace escape_simd {
namespace HWY_NAMESPACE {

// Points inside the main cardioid: z settles on a fixed point and never
// escapes, so every lane stays busy for the whole loop.
template <std::size_t kVectors>
HWY_NOINLINE std::int64_t CeilingVectors(std::int64_t steps) {
    const D d;
    const DI di;
    const V limit = hn::Set(d, 10000.0);
    const V ci = hn::Set(d, 0.2);
    V zr[kVectors];
    V zi[kVectors];
    V cr[kVectors];
    VI tag[kVectors];
    M active[kVectors];
    HWY_UNROLL(8)
    for (std::size_t v = 0; v < kVectors; ++v) {
        zr[v] = hn::Zero(d);
        zi[v] = hn::Zero(d);
        cr[v] = hn::Add(hn::Set(d, -0.25 + 0.01 * static_cast<double>(v)),
                        hn::Mul(hn::Iota(d, 0.0), hn::Set(d, 0.001)));
        tag[v] = hn::Zero(di);
        active[v] = hn::FirstN(d, hn::Lanes(d));
    }
    for (std::int64_t step = 0; step < steps; ++step) {
        HWY_UNROLL(8)
        for (std::size_t v = 0; v < kVectors; ++v) {
            EscapeStep(zr[v], zi[v], active[v], tag[v], cr[v], ci, limit);
        }
    }
    // Each tag counts its lane's updates in its low 32 bits.
    const VI low = hn::Set(di, 0xFFFFFFFFLL);
    VI total = hn::Zero(di);
    HWY_UNROLL(8)
    for (std::size_t v = 0; v < kVectors; ++v) {
        total = hn::Add(total, hn::And(tag[v], low));
    }
    return hn::GetLane(hn::SumOfLanes(di, total));
}

HWY_NOINLINE std::int64_t CeilingTarget(std::int64_t steps, int vectors) {
    switch (vectors) {
        case 1:
            return CeilingVectors<1>(steps);
        case 2:
            return CeilingVectors<2>(steps);
        case 3:
            return CeilingVectors<3>(steps);
        case 4:
            return CeilingVectors<4>(steps);
        case 5:
            return CeilingVectors<5>(steps);
        case 6:
            return CeilingVectors<6>(steps);
        case 7:
            return CeilingVectors<7>(steps);
        default:
            return CeilingVectors<8>(steps);
    }
}

HWY_NOINLINE int LanesTarget() {
    return static_cast<int>(hn::Lanes(D()));
}

}  // namespace HWY_NAMESPACE
}  // namespace escape_simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace escape_simd {

HWY_EXPORT(CeilingTarget);
HWY_EXPORT(LanesTarget);

}  // namespace escape_simd

std::int64_t CeilingLoop(std::int64_t steps, int vectors) {
    return HWY_DYNAMIC_DISPATCH(escape_simd::CeilingTarget)(steps, vectors);
}

int CeilingLanes() {
    return HWY_DYNAMIC_DISPATCH(escape_simd::LanesTarget)();
}
#endif  // HWY_ONCE
