#pragma once

#include <cstdint>

// One colour of a gradient: red, green and blue, 8 bits each. A new stop is black.
class CColorStop {
public:
    CColorStop() = default;
    CColorStop(uint8_t red, uint8_t green, uint8_t blue);
    virtual ~CColorStop();

    // The pixel value of this colour on a surface of the given bit depth:
    // 8 -> 0 (no colour), 16 -> 5-5-5 with bit 15 clear, anything else -> 0x00RRGGBB.
    uint32_t PackColor(int depth) const;

    uint8_t m_red = 0;
    uint8_t m_green = 0;
    uint8_t m_blue = 0;
};
