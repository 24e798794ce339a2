#pragma once

#include <atomic>
#include <cstdint>

class CReferenceOrbit;

// What a row of a deep picture needs besides its reference orbit.
struct CPerturbedRow {
    double dxFirst = 0.0;  // real offset from the orbit's centre of column 0
    double xStep = 0.0;
    double dy = 0.0;  // imaginary offset of the row from the centre
    int colStart = 0;
    int colEnd = 0;
    int colStep = 1;
    std::int32_t maximum = 0;  // most z updates a point may take
    const std::atomic<std::int32_t>* cancel = nullptr;
};

// Number of z updates before |z|^2 reaches 10000, at most `maximum`, of the
// point at offset (dx, dy) from the orbit's centre: only the offset of the
// point's value from the reference's is iterated, in double. Where the value
// comes closer to 0 than to the reference, or the stored reference ends, the
// offset starts over on the orbit from 0, so that no pixel loses its way.
// Sets *cut and gives up when cancel is raised (looked at every 2^20 updates).
std::int32_t PerturbedCount(const CReferenceOrbit& orbit, double dx, double dy,
                            std::int32_t maximum, const std::atomic<std::int32_t>* cancel = nullptr,
                            bool* cut = nullptr);

// Counts of every point of a row into counts[0 ..]; false when cancel stopped it.
bool PerturbedRowCounts(const CReferenceOrbit& orbit, const CPerturbedRow& row,
                        std::int32_t* counts);
