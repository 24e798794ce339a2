#include <gtest/gtest.h>

#include "MemoryTarget.h"
#include "RenderHarness.h"

using namespace std::chrono_literals;

namespace {

void RunJob(EngineRig& rig) {
    rig.engine.StartCoarse(&rig.queue);
    rig.FinishPass();
    while (rig.engine.RefineNext()) {
        rig.FinishPass();
    }
}

}  // namespace

TEST(Scroll, EightMovesUpShiftTheRegionByItsHeight) {
    EngineRig rig(2, 64, 64);
    RunJob(rig);
    const double height = rig.engine.m_yMax - rig.engine.m_yMin;
    const double top = rig.engine.m_yMin;
    for (int i = 0; i < 8; ++i) {
        rig.engine.Scroll(0);
        rig.FinishPass();
        EXPECT_FALSE(rig.engine.RefineNext());
    }
    EXPECT_NEAR(rig.engine.m_yMin, top - height, 1e-12);
    EXPECT_NEAR(rig.engine.m_yMax - rig.engine.m_yMin, height, 1e-12);
}

TEST(Scroll, UpOnAFinishedImageComputesOnlyTheTopStrip) {
    EngineRig rig(2, 240, 240);
    RunJob(rig);
    CMemoryTarget before(240, 240);
    rig.engine.Draw(before);
    rig.engine.Scroll(0);
    EXPECT_EQ(rig.engine.m_scrollDir, 0);
    EXPECT_EQ(rig.engine.m_lastLevel, 1);
    rig.FinishPass();
    EXPECT_FALSE(rig.engine.RefineNext());
    EXPECT_EQ(rig.doneCount, 4);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 240; x += 7) {
            const std::uint32_t got = SurfacePixel(rig.engine.m_surface, x, y);
            if (y < 30) {
                ASSERT_EQ(got, rig.Expected(x, y)) << x << "," << y;
            } else {
                ASSERT_EQ(got, before.At(x, y - 30)) << x << "," << y;
            }
        }
    }
    while (auto m = rig.Next(100ms)) {
        EXPECT_NE(m->message, WM_RENDER_DONE);
    }
}

TEST(Scroll, DuringTheCoarsePassTheWholeImageRestarts) {
    EngineRig rig(2, 200, 200, 1000000, 10);
    Rotating(rig.engine);  // the pass is still running
    rig.engine.StartCoarse(&rig.queue);
    rig.engine.Scroll(2);
    EXPECT_EQ(rig.engine.m_lastLevel, 128);
    EXPECT_EQ(rig.engine.m_level, 64);
    EXPECT_EQ(rig.engine.m_scrollDir, -1);
    EXPECT_DOUBLE_EQ(rig.engine.m_xMin, -0.39 + 0.04 / 8);
    rig.engine.StopWorkers();
}

TEST(Scroll, DuringTheFinePassTheStripIsRedoneAt4x4ThenAllAt1) {
    EngineRig rig(1, 240, 240, 3000, 50);
    rig.engine.StartCoarse(&rig.queue);
    rig.FinishPass();
    rig.engine.RefineNext();
    rig.FinishPass();
    rig.engine.RefineNext();  // the single-pixel pass is running
    rig.engine.Scroll(1);
    if (rig.engine.m_lastLevel == 1) {
        GTEST_SKIP() << "the single-pixel pass finished before the move";
    }
    EXPECT_EQ(rig.engine.m_lastLevel, 16);
    EXPECT_EQ(rig.engine.m_level, 16);
    EXPECT_EQ(rig.engine.m_scrollDir, 1);
    rig.FinishPass();
    for (int y = 210; y < 240; y += 3) {
        ASSERT_EQ(SurfacePixel(rig.engine.m_surface, 5, y), rig.Expected(4, y / 4 * 4));
    }
    ASSERT_TRUE(rig.engine.RefineNext());
    EXPECT_EQ(rig.engine.m_scrollDir, -1);
    rig.FinishPass();
    EXPECT_FALSE(rig.engine.RefineNext());
    for (int y = 0; y < 240; y += 11) {
        for (int x = 0; x < 240; x += 13) {
            ASSERT_EQ(SurfacePixel(rig.engine.m_surface, x, y), rig.Expected(x, y));
        }
    }
}

TEST(Scroll, NarrowImagesAreComputedAgainWhole) {
    // Seven columns move by no pixel: the region still moves by an eighth and
    // the whole picture is computed for it.
    EngineRig rig(1, 7, 16);
    RunJob(rig);
    const double xMin = rig.engine.m_xMin;
    const double width = rig.engine.m_xMax - rig.engine.m_xMin;
    rig.engine.Scroll(3);
    EXPECT_EQ(rig.engine.m_scrollDir, -1);
    rig.FinishPass();
    EXPECT_DOUBLE_EQ(rig.engine.m_xMin, xMin - width * 0.125);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(SurfacePixel(rig.engine.m_surface, x, y), rig.Expected(x, y));
        }
    }
}

TEST(Scroll, SidesThatAreNotMultiplesOf8MoveTheRegionByTheShiftedPixels) {
    // 92 rows move by 11, not 11.5: the region follows the pixels, so the
    // moved picture still shows its own points.
    EngineRig rig(2, 100, 92, 200, 50);
    RunJob(rig);
    const double height = rig.engine.m_yMax - rig.engine.m_yMin;
    const double top = rig.engine.m_yMin;
    rig.engine.Scroll(0);
    EXPECT_DOUBLE_EQ(rig.engine.m_yMin, top - height * 11 / 92);
    rig.FinishPass();
    int wrong = 0;
    for (int y = 0; y < 92; ++y) {
        for (int x = 0; x < 100; ++x) {
            wrong += SurfacePixel(rig.engine.m_surface, x, y) != rig.Expected(x, y);
        }
    }
    EXPECT_EQ(wrong, 0);
    rig.engine.Scroll(3);  // 100 columns move by 12
    rig.FinishPass();
    for (int y = 0; y < 92; ++y) {
        for (int x = 0; x < 100; ++x) {
            wrong += SurfacePixel(rig.engine.m_surface, x, y) != rig.Expected(x, y);
        }
    }
    EXPECT_EQ(wrong, 0);
}
