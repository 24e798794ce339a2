#include "palette/GradientFill.h"

CGradientFill::CGradientFill(int bitCount) : m_bitCount(bitCount) {}

CGradientFill::~CGradientFill() = default;

void CGradientFill::FillStops(uint32_t* table, int count, const CColorStop* stops,
                              int stopCount) const {
    if (table == nullptr || count < 1 || stops == nullptr || stopCount < 2) {
        return;
    }
    const int segments = stopCount - 1;
    const double width = static_cast<double>(count) / segments;
    for (int i = 0; i < segments; ++i) {
        const int start = static_cast<int>(i * width);
        int length = static_cast<int>(width + 1.0);
        if (start + length > count) {
            length = count - start;
        }
        FillSegment(table + start, length, stops[i], stops[i + 1]);
    }
}

void CGradientFill::FillSegment(uint32_t* position, int length, const CColorStop& from,
                                const CColorStop& to) const {
    if (position == nullptr || length <= 0) {
        return;
    }
    const double redSlope = (static_cast<double>(to.m_red) - from.m_red) / length;
    const double greenSlope = (static_cast<double>(to.m_green) - from.m_green) / length;
    const double blueSlope = (static_cast<double>(to.m_blue) - from.m_blue) / length;
    for (int j = 0; j < length; ++j) {
        const CColorStop colour(static_cast<uint8_t>(from.m_red + j * redSlope),
                                static_cast<uint8_t>(from.m_green + j * greenSlope),
                                static_cast<uint8_t>(from.m_blue + j * blueSlope));
        position[j] = colour.PackColor(m_bitCount);
    }
}
