#pragma once

#include <atomic>
#include <cstdint>

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

// Counts of every point of a row into counts[0 ..]; false when cancel stopped it.
bool PerturbedRowCounts(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                        std::int32_t* counts);
