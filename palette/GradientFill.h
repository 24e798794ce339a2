#pragma once

#include <cstdint>

#include "palette/ColorStop.h"

// Writes linear ramps between colour stops into a colour table, packed for one bit depth.
class CGradientFill {
public:
    explicit CGradientFill(int bitCount);
    virtual ~CGradientFill();

    // Spreads the stops evenly over table[0 .. count - 1]. Each segment is one entry longer
    // than its nominal width; the next segment overwrites that entry with its own first stop.
    void FillStops(uint32_t* table, int count, const CColorStop* stops, int stopCount) const;

    // A ramp of `length` entries from `from` towards `to`; the last entry is one slope short
    // of `to`. Writes nothing when length <= 0.
    void FillSegment(uint32_t* position, int length, const CColorStop& from,
                     const CColorStop& to) const;

    int m_bitCount;
};
