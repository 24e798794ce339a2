#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "engine/EscapeKernel.h"
#include "engine/FloatExp.h"

class CReferenceOrbit;

// What a row of a deep picture needs besides its reference orbit. Offsets are
// of mantissa-and-exponent form: they may lie far below a double's range.
struct CPerturbedRow {
    CFloatExp dxFirst;  // real offset from the orbit's centre of column 0
    CFloatExp xStep;
    CFloatExp dy;  // imaginary offset of the row from the centre
    int colStart = 0;
    int colEnd = 0;
    int colStep = 1;
    std::int32_t maximum = 0;  // most z updates a point may take
    const std::atomic<std::int32_t>* cancel = nullptr;
    bool approximate = true;  // take the orbit's many-update steps where they hold
    // Deep Mandelbrot rows go through SIMD vectors unless the plain loop is asked for.
    CEscapeKernel kernel = CEscapeKernel::simd;
};

// Number of z updates before |z|^2 reaches 10000, at most `maximum`, of the
// point at offset dc from the orbit's centre: only the offset of the point's
// value from the reference's is iterated, in double while it is within a
// double's range and in mantissa-and-exponent form below it. Where the value
// comes closer to 0 than to the reference, or the stored reference ends, the
// offset starts over on the orbit from 0, so that no pixel loses its way.
// Sets *cut and gives up when cancel is raised (looked at every 2^20 steps).
std::int32_t PerturbedCount(const CReferenceOrbit& orbit, const CComplexExp& dc,
                            std::int32_t maximum, const std::atomic<std::int32_t>* cancel = nullptr,
                            bool* cut = nullptr, bool approximate = true);

// Where the count of one point stands, so that it can go on later.
struct CPerturbedState {
    bool restarted = false;  // on the orbit from 0 rather than the reference
    bool inDoubles = false;  // the offset is dzr, dzi rather than dz
    std::size_t m = 0;       // the orbit point the offset is from
    std::int32_t n = 0;      // updates so far
    CComplexExp dz;
    double dzr = 0.0;
    double dzi = 0.0;
    std::uint32_t steps = 0;  // for the cadence of the looks at cancel
};

// Whether a part of dc lies below the doubles' range: steps of many updates
// then meet it in mantissa-and-exponent form.
inline bool DcIsWide(const CComplexExp& dc) {
    const auto wide = [](const CFloatExp& x) { return !x.IsZero() && x.Exponent() < -960; };
    return wide(dc.re) || wide(dc.im);
}

// The state of a point's count before its first update.
CPerturbedState PerturbedStart(const CReferenceOrbit& orbit, const CComplexExp& dc);

// PerturbedCount from a state. With handBack it may return kHandedBack after
// one single update in doubles (not a step of many), at the start of the next
// update in doubles, with that state in `state`; the count is then not final.
inline constexpr std::int32_t kHandedBack = -1;
std::int32_t PerturbedCountFrom(const CReferenceOrbit& orbit, const CComplexExp& dc,
                                CPerturbedState& state, std::int32_t maximum,
                                const std::atomic<std::int32_t>* cancel, bool* cut,
                                bool approximate, bool handBack);

// Counts of every point of a row into counts[0 ..]; false when cancel stopped
// it. Every kernel gives the plain loop's counts.
bool PerturbedRowCounts(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                        std::int32_t* counts);
// The plain loop, one point after another, and the SIMD kernel
// (PerturbedKernelSimd.cpp) on the target chosen at run time.
bool PerturbedRowCountsPlain(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                             std::int32_t* counts);
bool PerturbedRowCountsSimd(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                            std::int32_t* counts);
