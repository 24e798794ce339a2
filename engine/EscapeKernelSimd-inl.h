// One escape-time step on a vector of points, compiled once per instruction
// set. Shared by the row kernel (EscapeKernelSimd.cpp) and the ceiling loop of
// the benchmarks, so both do exactly the same arithmetic.
//
// Every lane runs the operations of EscapeCount in the same order, so every
// target gives the scalar count for every point. The sources that include
// this file are built with -ffp-contract=off: a fused multiply-add would
// round differently.

// Include guard that toggles once per target (the foreach_target pattern).
#if defined(VELMORA_ENGINE_ESCAPE_KERNEL_SIMD_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VELMORA_ENGINE_ESCAPE_KERNEL_SIMD_INL_H_
#undef VELMORA_ENGINE_ESCAPE_KERNEL_SIMD_INL_H_
#else
#define VELMORA_ENGINE_ESCAPE_KERNEL_SIMD_INL_H_
#endif

#include <cstdint>

#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace escape_simd {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using DI = hn::RebindToSigned<D>;
using V = hn::Vec<D>;
using VI = hn::Vec<DI>;
using M = hn::Mask<D>;

#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
#define VELMORA_ESCAPE_AVX3 1
#else
#define VELMORA_ESCAPE_AVX3 0
#endif

// The lanes that are still inside after one more escape test: those active
// before whose |z|^2 did not reach 10000. A NaN never reaches it, as in
// EscapeCount.
HWY_INLINE M StillInside(M active, V sum, V limit) {
#if VELMORA_ESCAPE_AVX3
    return M{_mm512_mask_cmp_pd_mask(active.raw, sum.raw, limit.raw, _CMP_NGE_UQ)};
#else
    return hn::AndNot(hn::Ge(sum, limit), active);
#endif
}

// Adds one update to every active lane's tag: a tag holds two 32-bit counters
// that both go up by one with each update. (The row kernel keeps the low one
// far enough from 2^32 that a 64-bit add never carries into the high one.)
HWY_INLINE VI CountActive(VI tag, M active) {
#if VELMORA_ESCAPE_AVX3
    return VI{
        _mm512_mask_add_epi64(tag.raw, active.raw, tag.raw, _mm512_set1_epi64(0x100000001LL))};
#elif HWY_TARGET == HWY_SCALAR
    const DI di;
    return hn::IfThenElse(hn::RebindMask(di, active), hn::Add(tag, hn::Set(di, 0x100000001LL)),
                          tag);
#else
    const DI di;
    const hn::Repartition<std::int32_t, DI> d32;
    return hn::BitCast(
        di, hn::Sub(hn::BitCast(d32, tag), hn::BitCast(d32, hn::VecFromMask(D(), active))));
#endif
}

// One step of EscapeCount on every lane: the escape test of the current z,
// then z <- z^2 + c. Lanes that have left keep computing, but no longer count.
// 2.0 * zr is computed as zr + zr, which is the same number in every case.
HWY_INLINE void EscapeStep(V& zr, V& zi, M& active, VI& tag, V cr, V ci, V limit) {
    const V rr = hn::Mul(zr, zr);
    const V ii = hn::Mul(zi, zi);
    active = StillInside(active, hn::Add(rr, ii), limit);
    tag = CountActive(tag, active);
    zi = hn::Add(hn::Mul(hn::Add(zr, zr), zi), ci);
    zr = hn::Add(hn::Sub(rr, ii), cr);
}

}  // namespace HWY_NAMESPACE
}  // namespace escape_simd
HWY_AFTER_NAMESPACE();

#undef VELMORA_ESCAPE_AVX3

#endif  // include guard
