#include <gtest/gtest.h>

#include "engine/FractalEngine.h"

TEST(EngineParameters, ConstructionDefaults) {
    CFractalEngine e(1);
    EXPECT_EQ(e.m_kind, 0);
    EXPECT_EQ(e.m_xMin, -1.8);
    EXPECT_EQ(e.m_xMax, 0.6);
    EXPECT_EQ(e.m_yMin, -1.2);
    EXPECT_EQ(e.m_yMax, 1.2);
    EXPECT_EQ(e.m_otherXMin, -1.5);
    EXPECT_EQ(e.m_otherXMax, 1.5);
    EXPECT_EQ(e.m_otherYMin, -1.5);
    EXPECT_EQ(e.m_otherYMax, 1.5);
    EXPECT_EQ(e.m_juliaRe, -0.7);
    EXPECT_EQ(e.m_juliaIm, 0.2);
    EXPECT_EQ(e.m_lastLevel, -1);
    EXPECT_EQ(e.m_colorTable, nullptr);
    EXPECT_EQ(e.m_reportProgress, 0);
    EXPECT_FALSE(e.IsBusy());
    EXPECT_GE(CFractalEngine().m_workerCount, 1);
    EXPECT_EQ(CFractalEngine(8).m_workerCount, 8);
}

TEST(EngineParameters, DefaultRegionByKind) {
    CFractalEngine e(1);
    e.m_kind = 1;
    e.m_xStep = 42;
    e.SetDefaultRegion();
    EXPECT_EQ(e.m_xMin, -1.5);
    EXPECT_EQ(e.m_xMax, 1.5);
    EXPECT_EQ(e.m_yMin, -1.5);
    EXPECT_EQ(e.m_yMax, 1.5);
    EXPECT_EQ(e.m_xStep, 42);  // touches nothing else
    e.m_kind = 7;              // any non-zero kind is a Julia set
    e.m_xMin = 3;
    e.SetDefaultRegion();
    EXPECT_EQ(e.m_xMin, -1.5);
    e.m_kind = 0;
    e.SetDefaultRegion();
    EXPECT_EQ(e.m_xMin, -1.8);
    EXPECT_EQ(e.m_yMax, 1.2);
}

TEST(EngineParameters, CopyParametersTakesTheParameterSetOnly) {
    const std::uint32_t table[3] = {1, 2, 3};
    CFractalEngine source(1);
    source.m_kind = 1;
    source.m_juliaRe = 0.25;
    source.m_juliaIm = -0.5;
    source.m_xMin = 1;
    source.m_xMax = 2;
    source.m_yMin = 3;
    source.m_yMax = 4;
    source.m_otherXMin = 5;
    source.m_otherXMax = 6;
    source.m_otherYMin = 7;
    source.m_otherYMax = 8;
    source.m_iterationLimit = 500;
    source.SetColorTable(table, 3);
    source.m_reportProgress = 1;
    source.m_level = 64;
    source.CreateSurface(16, 16, 32);

    CFractalEngine copy(1);
    copy.SetColorTable(table, 3);
    copy.m_reportProgress = 1;
    copy.m_level = 16;
    copy.CopyParameters(source);
    EXPECT_EQ(copy.m_kind, 1);
    EXPECT_EQ(copy.m_juliaRe, 0.25);
    EXPECT_EQ(copy.m_juliaIm, -0.5);
    EXPECT_EQ(copy.m_xMin, 1);
    EXPECT_EQ(copy.m_xMax, 2);
    EXPECT_EQ(copy.m_yMin, 3);
    EXPECT_EQ(copy.m_yMax, 4);
    EXPECT_EQ(copy.m_otherXMin, 5);
    EXPECT_EQ(copy.m_otherXMax, 6);
    EXPECT_EQ(copy.m_otherYMin, 7);
    EXPECT_EQ(copy.m_otherYMax, 8);
    EXPECT_EQ(copy.m_iterationLimit, 500);
    EXPECT_EQ(copy.m_colorCount, 3);
    EXPECT_EQ(copy.m_level, 1);
    EXPECT_EQ(copy.m_colorTable, nullptr);
    EXPECT_EQ(copy.m_reportProgress, 0);
    EXPECT_EQ(copy.m_width, 0);
    EXPECT_FALSE(copy.m_surface.HasBits());
}

TEST(EngineParameters, SwapRegionsTwiceRestores) {
    CFractalEngine e(1);
    e.m_otherXMin = 10;
    e.m_otherXMax = 11;
    e.m_otherYMin = 12;
    e.m_otherYMax = 13;
    e.SwapRegions();
    EXPECT_EQ(e.m_xMin, 10);
    EXPECT_EQ(e.m_xMax, 11);
    EXPECT_EQ(e.m_yMin, 12);
    EXPECT_EQ(e.m_yMax, 13);
    EXPECT_EQ(e.m_otherXMin, -1.8);
    EXPECT_EQ(e.m_otherXMax, 0.6);
    EXPECT_EQ(e.m_otherYMin, -1.2);
    EXPECT_EQ(e.m_otherYMax, 1.2);
    e.SwapRegions();
    EXPECT_EQ(e.m_xMin, -1.8);
    EXPECT_EQ(e.m_otherYMax, 13);
}

TEST(EngineParameters, PixelStepsOrderTheBounds) {
    CFractalEngine e(1);
    e.CreateSurface(200, 100, 32);
    e.m_xMin = 1.0;
    e.m_xMax = -1.0;
    e.m_yMin = 0.5;
    e.m_yMax = 0.5;
    e.ComputePixelSteps();
    EXPECT_EQ(e.m_xMin, -1.0);
    EXPECT_EQ(e.m_xMax, 1.0);
    EXPECT_EQ(e.m_xStep, 2.0 / 200);
    EXPECT_EQ(e.m_yMin, 0.5);
    EXPECT_EQ(e.m_yStep, 0.0);  // equal bounds: every row shows the same point
}

TEST(EngineParameters, IterateCountsUpdatesBeforeEscape) {
    CFractalEngine e(1);
    EXPECT_EQ(e.Iterate(0.0, 0.0, 99), 99);  // inside: runs to the maximum
    EXPECT_EQ(e.Iterate(0.0, 0.0, 0), 0);
    EXPECT_EQ(e.Iterate(0.0, 0.0, -5), 0);
    EXPECT_EQ(e.Iterate(200.0, 0.0, 99), 1);  // z = c after one step, beyond radius 100
    EXPECT_EQ(e.Iterate(99.0, 0.0, 99), 2);   // 99^2 < 10000, then 99^2 + 99 >= 100
    EXPECT_EQ(e.Iterate(2.0, 0.0, 1000), 4);  // 0, 2, 6, 38, 1446
    e.m_kind = 1;
    e.m_juliaRe = 0.0;
    e.m_juliaIm = 0.0;
    EXPECT_EQ(e.Iterate(100.0, 0.0, 99), 0);  // starts on the escape circle
    EXPECT_EQ(e.Iterate(99.99, 0.0, 99), 1);
    EXPECT_EQ(e.Iterate(0.5, 0.5, 50), 50);
    e.m_juliaRe = 1.0;
    EXPECT_EQ(e.Iterate(0.0, 0.0, 1000), 5);  // 0, 1, 2, 5, 26, 677, 458330
}
