// Built with -ffp-contract=off: counts must not depend on the machine.
#include "engine/PerturbedKernel.h"

#include "engine/ReferenceOrbit.h"

std::int32_t PerturbedCount(const CReferenceOrbit& orbit, double dx, double dy,
                            std::int32_t maximum, const std::atomic<std::int32_t>* cancel,
                            bool* cut) {
    const bool julia = orbit.Kind() != 0;
    const CReferenceOrbit::CPoints* ref = &orbit.Reference();
    if (ref->Size() == 0) {
        return 0;
    }
    // Mandelbrot: z starts at 0 like the reference, and c differs by the
    // offset. Julia: c is shared, and z starts at the offset.
    double dzr = julia ? dx : 0.0;
    double dzi = julia ? dy : 0.0;
    const double dcr = julia ? 0.0 : dx;
    const double dci = julia ? 0.0 : dy;
    std::size_t m = 0;
    for (std::int32_t n = 0; n < maximum; ++n) {
        if ((n & 0xFFFFF) == 0xFFFFF && cancel && cancel->load(std::memory_order_relaxed) != 0) {
            if (cut) {
                *cut = true;
            }
            return n;
        }
        const double zr = ref->re[m] + dzr;
        const double zi = ref->im[m] + dzi;
        const double r2 = zr * zr + zi * zi;
        if (r2 >= 10000.0) {
            return n;
        }
        if (m + 1 >= ref->Size() || r2 < dzr * dzr + dzi * dzi) {
            // Start over on the orbit from 0: the offset is the value itself.
            ref = &orbit.Restart();
            m = 0;
            dzr = zr;
            dzi = zi;
        }
        const double Zr = ref->re[m];
        const double Zi = ref->im[m];
        // dz' = 2 Z dz + dz^2 + dc
        const double nr = 2.0 * (Zr * dzr - Zi * dzi) + (dzr * dzr - dzi * dzi) + dcr;
        const double ni = 2.0 * (Zr * dzi + Zi * dzr) + 2.0 * dzr * dzi + dci;
        dzr = nr;
        dzi = ni;
        ++m;
    }
    return maximum;
}

bool PerturbedRowCounts(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                        std::int32_t* counts) {
    bool cut = false;
    int i = 0;
    for (int c = row.colStart; c < row.colEnd && !cut; c += row.colStep) {
        const double dx = c * row.xStep + row.dxFirst;
        counts[i++] = PerturbedCount(orbit, dx, row.dy, row.maximum, row.cancel, &cut);
    }
    return !cut && !(row.cancel && row.cancel->load(std::memory_order_relaxed) != 0);
}
