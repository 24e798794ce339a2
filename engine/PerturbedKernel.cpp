// Built with -ffp-contract=off: counts must not depend on the machine.
#include "engine/PerturbedKernel.h"

#include "engine/ReferenceOrbit.h"
#include "engine/ScaledComplex.h"

namespace {

// Offsets whose squared modulus falls below this leave the doubles, and come
// back once their exponent reaches kDoubleExponent: in between, every term of
// an update is well inside a double's range.
constexpr double kTinyNorm = 0x1p-1000;
constexpr std::int64_t kDoubleExponent = -400;
constexpr std::uint32_t kCancelMask = 0xFFFFF;
// A count that may be handed back goes on here until this many single updates
// in doubles came one after another, and then to the next orbit point where
// steps of many updates start: the vectors' blocks start there.
constexpr int kHandBackAfter = 8;

// Whether linear + dz^2 is linear, bit for bit: each part of dz^2 is below
// 2^(2e+4), e the larger exponent of dz's parts, and a sum whose parts lie
// more than 2^64 apart is its larger part.
bool SquareIsLost(const CComplexExp& linear, const CComplexExp& dz) {
    const std::int64_t square = 2 * dz.Exponent() + 3;
    return !linear.re.IsZero() && !linear.im.IsZero() && linear.re.Exponent() - square > 64 &&
           linear.im.Exponent() - square > 64;
}

}  // namespace

CPerturbedState PerturbedStart(const CReferenceOrbit& orbit, const CComplexExp& dc) {
    // Mandelbrot: z starts at 0 like the reference, and c differs by the
    // offset. Julia: c is shared, and z starts at the offset.
    CPerturbedState state;
    state.dz = orbit.Kind() != 0 ? dc : CComplexExp{};
    return state;
}

std::int32_t PerturbedCount(const CReferenceOrbit& orbit, const CComplexExp& dc,
                            std::int32_t maximum, const std::atomic<std::int32_t>* cancel,
                            bool* cut, bool approximate) {
    CPerturbedState state = PerturbedStart(orbit, dc);
    return PerturbedCountFrom(orbit, dc, state, maximum, cancel, cut, approximate, false);
}

namespace {

// PerturbedCountFrom, with the hand back compiled in only where it is asked for.
template <bool kHandBack>
std::int32_t CountFrom(const CReferenceOrbit& orbit, const CComplexExp& dc, CPerturbedState& state,
                       std::int32_t maximum, const std::atomic<std::int32_t>* cancel, bool* cut,
                       bool approximate) {
    const bool julia = orbit.Kind() != 0;
    const CReferenceOrbit::CPoints* ref = state.restarted ? &orbit.Restart() : &orbit.Reference();
    if (ref->Size() == 0) {
        return 0;
    }
    const CComplexExp dcx = julia ? CComplexExp{} : dc;
    const double dcr = dcx.re.ToDouble();
    const double dci = dcx.im.ToDouble();
    // A dc below the doubles' range meets a step's B in wide form.
    const bool dcWide = DcIsWide(dcx);
    std::size_t m = state.m;
    std::int32_t n = state.n;
    std::uint32_t steps = state.steps;
    CComplexExp dz = state.dz;
    const auto stopped = [&] {
        if ((++steps & kCancelMask) != 0 || !cancel ||
            cancel->load(std::memory_order_relaxed) == 0) {
            return false;
        }
        if (cut) {
            *cut = true;
        }
        return true;
    };
    int length = 0;
    bool inDoubles = state.inDoubles;
    double dzr = state.dzr;
    double dzi = state.dzi;
    // Single updates in doubles done here since the last step of many.
    int singles = 0;
    for (;;) {
        if (!inDoubles) {
            // The offset is far too small for doubles, and far too small to
            // move the value: |Z + dz| is |Z|.
            while (dz.Exponent() < kDoubleExponent) {
                if (n >= maximum) {
                    return maximum;
                }
                if (stopped()) {
                    return n;
                }
                const double zr = ref->re[m];
                const double zi = ref->im[m];
                const double r2 = zr * zr + zi * zi;
                if (r2 >= 10000.0) {
                    return n;
                }
                const auto big = [zr, zi] {
                    return CComplexExp{CFloatExp::FromDouble(zr), CFloatExp::FromDouble(zi)};
                };
                if (m + 1 >= ref->Size() || (r2 < 0x1p-790 && (big() + dz).Norm() < dz.Norm())) {
                    dz = big() + dz;
                    ref = &orbit.Restart();
                    m = 0;
                    continue;
                }
                if (approximate && m != 0 && (m - 1) % CBlaTable::kShortest == 0) {
                    if (const CBlaStep* s =
                            ref->steps.Find(m, ScaledNorm(dz), maximum - n, &length)) {
                        dz = ScaledProductSum(s->a, dz, s->b, dcx);
                        m += static_cast<std::size_t>(length);
                        n += length;
                        continue;
                    }
                }
                const CComplexExp linear = ScaledProduct(2.0 * zr, 2.0 * zi, dz);
                dz = (SquareIsLost(linear, dz) ? linear : linear + dz * dz) + dcx;
                ++m;
                ++n;
            }
            dzr = dz.re.ToDouble();
            dzi = dz.im.ToDouble();
        }
        inDoubles = false;
        for (;;) {
            if (kHandBack && singles >= kHandBackAfter && m % CBlaTable::kShortest == 1) {
                state = {ref == &orbit.Restart(), true, m, n, {}, dzr, dzi, steps};
                return kHandedBack;
            }
            if (n >= maximum) {
                return maximum;
            }
            if (stopped()) {
                return n;
            }
            const double zr = ref->re[m] + dzr;
            const double zi = ref->im[m] + dzi;
            const double r2 = zr * zr + zi * zi;
            if (r2 >= 10000.0) {
                return n;
            }
            double dz2 = dzr * dzr + dzi * dzi;
            if (m + 1 >= ref->Size() || r2 < dz2) {
                // Start over on the orbit from 0: the offset is the value itself.
                ref = &orbit.Restart();
                m = 0;
                dzr = zr;
                dzi = zi;
                dz2 = r2;
            }
            if (dz2 < kTinyNorm) {
                break;
            }
            if (approximate && m != 0 && (m - 1) % CBlaTable::kShortest == 0) {
                // The further terms need dc in doubles.
                bool further = false;
                if (const CBlaStep* s = ref->steps.Find(m, dz2, maximum - n, &length,
                                                        dcWide ? nullptr : &further)) {
                    if (dcWide) {
                        const CComplexExp b = s->b * dcx;
                        const double nr = (s->ar * dzr - s->ai * dzi) + b.re.ToDouble();
                        const double ni = (s->ar * dzi + s->ai * dzr) + b.im.ToDouble();
                        dzr = nr;
                        dzi = ni;
                    } else {
                        s->Apply(further, dcr, dci, dzr, dzi);
                    }
                    m += static_cast<std::size_t>(length);
                    n += length;
                    singles = 0;
                    continue;
                }
            }
            ++singles;
            const double Zr = ref->re[m];
            const double Zi = ref->im[m];
            // dz' = 2 Z dz + dz^2 + dc
            const double nr = 2.0 * (Zr * dzr - Zi * dzi) + (dzr * dzr - dzi * dzi) + dcr;
            const double ni = 2.0 * (Zr * dzi + Zi * dzr) + 2.0 * dzr * dzi + dci;
            dzr = nr;
            dzi = ni;
            ++m;
            ++n;
        }
        dz = {CFloatExp::FromDouble(dzr), CFloatExp::FromDouble(dzi)};
    }
}

}  // namespace

std::int32_t PerturbedCountFrom(const CReferenceOrbit& orbit, const CComplexExp& dc,
                                CPerturbedState& state, std::int32_t maximum,
                                const std::atomic<std::int32_t>* cancel, bool* cut,
                                bool approximate, bool handBack) {
    return handBack ? CountFrom<true>(orbit, dc, state, maximum, cancel, cut, approximate)
                    : CountFrom<false>(orbit, dc, state, maximum, cancel, cut, approximate);
}

bool PerturbedRowCounts(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                        std::int32_t* counts) {
    return row.kernel == CEscapeKernel::simd ? PerturbedRowCountsSimd(orbit, row, counts)
                                             : PerturbedRowCountsPlain(orbit, row, counts);
}

bool PerturbedRowCountsPlain(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                             std::int32_t* counts) {
    bool cut = false;
    int i = 0;
    for (int c = row.colStart; c < row.colEnd && !cut; c += row.colStep) {
        const CComplexExp dc{CFloatExp::FromDouble(c) * row.xStep + row.dxFirst, row.dy};
        counts[i++] = PerturbedCount(orbit, dc, row.maximum, row.cancel, &cut, row.approximate);
    }
    return !cut && !(row.cancel && row.cancel->load(std::memory_order_relaxed) != 0);
}
