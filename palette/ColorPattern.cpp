#include "palette/ColorPattern.h"

#include "palette/ColorStop.h"
#include "palette/GradientFill.h"

namespace {

const CColorStop kBlack(0, 0, 0);
const CColorStop kBlue(0, 0, 255);
const CColorStop kCyan(0, 255, 255);
const CColorStop kGreen(0, 255, 0);
const CColorStop kYellow(255, 255, 0);
const CColorStop kRed(255, 0, 0);
const CColorStop kMagenta(255, 0, 255);
const CColorStop kWhite(255, 255, 255);

// Grey ramps step by 8 levels per entry.
constexpr int kGreyStep = 8;

CColorStop Grey(int level) {
    const auto v = static_cast<uint8_t>(level);
    return CColorStop(v, v, v);
}

}  // namespace

CColorPattern::CColorPattern(int bitCount) : m_bitCount(bitCount) {}

CColorPattern::~CColorPattern() = default;

std::vector<std::string> CColorPattern::PatternNames() const {
    return {
        "黒青水緑黄赤紫白",   // 0
        "黒青水緑黄赤紫黒",   // 1
        "黒赤黄水白",         // 2
        "黒赤黄緑水青紫白",   // 3
        "黒赤黄緑水青紫黒",   // 4
        "黒白黒 の繰り返し",  // 5
        "黒白 の繰り返し",    // 6
        "黒赤黄黒赤黄黒",     // 7
        "黒青白青白黒",       // 8
        "いろんな色",         // 9
        "END",
    };
}

void CColorPattern::BuildPalette(uint32_t* table, int count, int pattern) const {
    if (table == nullptr || count < 1) {
        return;
    }
    if (pattern < 1 || pattern >= kPatternCount) {
        pattern = 0;
    }

    std::vector<CColorStop> stops;
    switch (pattern) {
        case 1:
            stops = {kBlack, kBlue, kCyan, kGreen, kYellow, kRed, kMagenta, kBlack};
            break;
        case 2:
            stops = {kBlack, kRed, kYellow, kCyan, kWhite};
            break;
        case 3:
            stops = {kBlack, kRed, kYellow, kGreen, kCyan, kBlue, kMagenta, kWhite};
            break;
        case 4:
            stops = {kBlack, kRed, kYellow, kGreen, kCyan, kBlue, kMagenta, kBlack};
            break;
        case 5:
            BuildGreyTriangle(table, count);
            return;
        case 6:
            BuildGreySawtooth(table, count);
            return;
        case 7:
            stops = {kBlack, kRed, kYellow, kBlack, kRed, kYellow, kBlack};
            break;
        case 8:
            stops = {kBlack, kBlue, kWhite, kBlue, kWhite, kBlack};
            break;
        case 9:
            BuildRawValues(table, count);
            return;
        default:
            stops = {kBlack, kBlue, kCyan, kGreen, kYellow, kRed, kMagenta, kWhite};
            break;
    }

    const CGradientFill fill(m_bitCount);
    fill.FillStops(table, count, stops.data(), static_cast<int>(stops.size()));
}

// 0, 8, ..., 248, 248, 240, ..., 0, 0, 8, ...: both ends repeat once, period 64.
void CColorPattern::BuildGreyTriangle(uint32_t* table, int count) const {
    int level = 0;
    int direction = 1;
    for (int i = 0; i < count; ++i) {
        table[i] = Grey(level).PackColor(m_bitCount);
        level += kGreyStep * direction;
        if (level >= 256) {
            level = 256 - kGreyStep;
            direction = -direction;
        } else if (level < 0) {
            level = 0;
            direction = -direction;
        }
    }
    table[count - 1] = 0;
}

// 0, 8, ..., 248, 0, 8, ...: period 32.
void CColorPattern::BuildGreySawtooth(uint32_t* table, int count) const {
    int level = 0;
    for (int i = 0; i < count; ++i) {
        table[i] = Grey(level).PackColor(m_bitCount);
        level += kGreyStep;
        if (level >= 256) {
            level = 0;
        }
    }
    table[count - 1] = 0;
}

// Raw values 0 .. 65536 spread evenly, stored unpacked whatever the depth.
void CColorPattern::BuildRawValues(uint32_t* table, int count) {
    if (count == 1) {
        table[0] = 0;
        return;
    }
    const double step = 65536.0 / (count - 1);
    for (int i = 0; i < count; ++i) {
        table[i] = static_cast<uint32_t>(step * i + 0.5);
    }
}
