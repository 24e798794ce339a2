#include "palette/ColorStop.h"

CColorStop::CColorStop(uint8_t red, uint8_t green, uint8_t blue)
    : m_red(red), m_green(green), m_blue(blue) {}

CColorStop::~CColorStop() = default;

uint32_t CColorStop::PackColor(int depth) const {
    const uint32_t red = m_red;
    const uint32_t green = m_green;
    const uint32_t blue = m_blue;
    switch (depth) {
        case 8:
            return 0;
        case 16:
            return (red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3);
        default:
            return red << 16 | green << 8 | blue;
    }
}
