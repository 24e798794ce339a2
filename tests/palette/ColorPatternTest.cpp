#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "palette/ColorPattern.h"
#include "palette/ColorStop.h"

namespace {

using Table = std::vector<uint32_t>;

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r << 16 | g << 8 | b;
}
constexpr uint32_t Grey(uint32_t v) {
    return Rgb(v, v, v);
}

constexpr uint32_t kBlack = 0, kBlue = Rgb(0, 0, 255), kCyan = Rgb(0, 255, 255);
constexpr uint32_t kGreen = Rgb(0, 255, 0), kYellow = Rgb(255, 255, 0), kRed = Rgb(255, 0, 0);
constexpr uint32_t kMagenta = Rgb(255, 0, 255), kWhite = Rgb(255, 255, 255);

// Written past the end of every table to catch out-of-range writes.
constexpr uint32_t kGuard = 0xDEADBEEF;

Table Build(int pattern, int count, int depth = 32) {
    Table table(count + 4, kGuard);
    CColorPattern(depth).BuildPalette(table.data(), count, pattern);
    EXPECT_EQ(Table(table.begin() + count, table.end()), Table(4, kGuard))
        << "pattern " << pattern << " wrote past " << count << " entries";
    table.resize(count);
    return table;
}

Table Tail(const Table& table, int n) {
    return Table(table.end() - n, table.end());
}

TEST(ColorPattern, NamesListTenPatternsThenEndMarker) {
    const std::vector<std::string> names = CColorPattern(32).PatternNames();
    ASSERT_EQ(names.size(), CColorPattern::kPatternCount + 1u);
    EXPECT_EQ(names[0], "黒青水緑黄赤紫白");
    EXPECT_EQ(names[5], "黒白黒 の繰り返し");
    EXPECT_EQ(names[9], "いろんな色");
    EXPECT_EQ(names.back(), "END");
}

TEST(ColorPattern, GradientEntriesAreTruncatedRampsBetweenStops) {
    const Table p0 = Build(0, 100);
    EXPECT_EQ(Table(p0.begin(), p0.begin() + 2), (Table{kBlack, Rgb(0, 0, 17)}));
    EXPECT_EQ(Table(p0.begin() + 13, p0.begin() + 16),
              (Table{Rgb(0, 0, 221), kBlue, Rgb(0, 17, 255)}));
    EXPECT_EQ(p0[56], Rgb(238, 255, 0));
    EXPECT_EQ(p0[57], kYellow);
    EXPECT_EQ(p0[99], Rgb(255, 238, 255));

    const Table p0Wide = Build(0, 256);
    EXPECT_EQ(p0Wide[36], kBlue);
    EXPECT_EQ(p0Wide[255], Rgb(255, 248, 255));

    // The last segment is clipped to the table, which steepens its slope.
    const Table p2 = Build(2, 100);
    EXPECT_EQ(p2[25], kRed);
    EXPECT_EQ(p2[99], Rgb(244, 255, 255));
}

// With ten entries per segment, each segment start holds its stop exactly and the last entry
// is one slope short of the final stop.
TEST(ColorPattern, EveryGradientPassesThroughItsStops) {
    struct Gradient {
        int pattern;
        Table stops;
        uint32_t last;
    };
    const std::vector<Gradient> gradients = {
        {1, {kBlack, kBlue, kCyan, kGreen, kYellow, kRed, kMagenta, kBlack}, Rgb(25, 0, 25)},
        {3, {kBlack, kRed, kYellow, kGreen, kCyan, kBlue, kMagenta, kWhite}, Rgb(255, 229, 255)},
        {4, {kBlack, kRed, kYellow, kGreen, kCyan, kBlue, kMagenta, kBlack}, Rgb(25, 0, 25)},
        {7, {kBlack, kRed, kYellow, kBlack, kRed, kYellow, kBlack}, Rgb(25, 25, 0)},
        {8, {kBlack, kBlue, kWhite, kBlue, kWhite, kBlack}, Grey(25)},
    };
    for (const auto& [pattern, stops, last] : gradients) {
        const int segments = static_cast<int>(stops.size()) - 1;
        const Table table = Build(pattern, segments * 10);
        for (int i = 0; i < segments; ++i) {
            EXPECT_EQ(table[i * 10], stops[i]) << "pattern " << pattern << " stop " << i;
        }
        EXPECT_EQ(table.back(), last) << "pattern " << pattern;
    }
}

TEST(ColorPattern, FewerColoursThanSegmentsLaterSegmentWins) {
    EXPECT_EQ(Build(0, 5), (Table{kBlue, kCyan, kYellow, kRed, kMagenta}));
    EXPECT_EQ(Build(2, 2), (Table{kRed, kCyan}));
    EXPECT_EQ(Build(0, 1), (Table{kMagenta}));
}

TEST(ColorPattern, GreyRampsRepeatAndEndInBlack) {
    const Table triangle = Build(5, 70);
    EXPECT_EQ(Table(triangle.begin() + 30, triangle.begin() + 34),
              (Table{Grey(240), Grey(248), Grey(248), Grey(240)}));
    EXPECT_EQ(Table(triangle.begin() + 62, triangle.begin() + 65), (Table{Grey(8), 0, 0}));
    EXPECT_EQ(Tail(triangle, 5), (Table{Grey(8), Grey(16), Grey(24), Grey(32), 0}));

    EXPECT_EQ(Tail(Build(6, 34), 4), (Table{Grey(240), Grey(248), 0, 0}));
    EXPECT_EQ(Build(6, 34, 16)[31], 0x7FFFu);
}

TEST(ColorPattern, SixteenBitPacking) {
    EXPECT_EQ(CColorStop(255, 255, 255).PackColor(16), 0x7FFFu);
    EXPECT_EQ(CColorStop(255, 0, 0).PackColor(16), 0x7C00u);
    EXPECT_EQ(CColorStop(0x12, 0x34, 0x56).PackColor(24), 0x123456u);
    EXPECT_EQ(CColorStop(255, 255, 255).PackColor(8), 0u);
    const Table p0 = Build(0, 100, 16);
    EXPECT_EQ(p0[14], 0x001Fu);
    EXPECT_EQ(p0[99], 0x7FBFu);  // (255, 238, 255)
}

TEST(ColorPattern, RawValuesAreUnpackedAtAnyDepth) {
    EXPECT_EQ(Build(9, 3), (Table{0, 32768, 65536}));
    EXPECT_EQ(Build(9, 3, 16), (Table{0, 32768, 65536}));
    EXPECT_EQ(Build(9, 4), (Table{0, 21845, 43691, 65536}));
}

TEST(ColorPattern, PatternNumbersOutsideOneToNineBuildPattern0) {
    const Table p0 = Build(0, 100);
    EXPECT_EQ(Build(12, 100), p0);
    EXPECT_EQ(Build(-1, 100), p0);
    EXPECT_EQ(Build(CColorPattern::kPatternCount, 100), p0);
    EXPECT_NE(Build(1, 100), p0);
}

TEST(ColorPattern, BadTablesAreHarmless) {
    const CColorPattern palette(32);
    for (int pattern = 0; pattern < CColorPattern::kPatternCount; ++pattern) {
        palette.BuildPalette(nullptr, 100, pattern);
        Table untouched(2, kGuard);
        palette.BuildPalette(untouched.data(), 0, pattern);
        palette.BuildPalette(untouched.data(), -5, pattern);
        EXPECT_EQ(untouched, Table(2, kGuard)) << "pattern " << pattern;
        Build(pattern, 1);
    }
    EXPECT_EQ(Build(9, 1), Table{0});
    EXPECT_EQ(Build(5, 1), Table{0});
    EXPECT_EQ(Build(6, 1), Table{0});
}

}  // namespace
