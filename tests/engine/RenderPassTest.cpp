#include <gtest/gtest.h>

#include <thread>

#include "MemoryTarget.h"
#include "RenderHarness.h"

using namespace std::chrono_literals;

namespace {

// Pixel (x, y) after a pass of block size b holds the colour of its block's corner.
void ExpectBlocks(const EngineRig& rig, int b) {
    const CFractalEngine& e = rig.engine;
    for (int y = 0; y < e.m_height; ++y) {
        for (int x = 0; x < e.m_width; ++x) {
            ASSERT_EQ(SurfacePixel(e.m_surface, x, y), rig.Expected(x / b * b, y / b * b))
                << "block " << b << " pixel " << x << "," << y;
        }
    }
}

}  // namespace

TEST(RenderPass, ProgressiveJobEndsWithTheExactPicture) {
    for (int workers : {1, 2, 8}) {
        for (auto [w, h] : {std::pair{240, 240}, {37, 29}, {5, 3}, {1, 1}}) {
            EngineRig rig(workers, w, h, 200, 100);
            rig.engine.StartCoarse(&rig.queue);
            rig.FinishPass();
            EXPECT_EQ(rig.engine.m_level, 64);
            ExpectBlocks(rig, 8);
            ASSERT_TRUE(rig.engine.RefineNext());
            rig.FinishPass();
            ExpectBlocks(rig, 4);
            ASSERT_TRUE(rig.engine.RefineNext());
            rig.FinishPass();
            ExpectBlocks(rig, 1);
            EXPECT_EQ(rig.engine.m_level, 1);
            EXPECT_FALSE(rig.engine.RefineNext());  // the job is complete, nothing starts
            EXPECT_FALSE(rig.engine.IsBusy());
            EXPECT_EQ(rig.doneCount, 3);
            // Exactly one WM_RENDER_DONE per pass: nothing else arrives.
            while (auto m = rig.Next(100ms)) {
                EXPECT_NE(m->message, WM_RENDER_DONE) << workers << " workers";
            }
        }
    }
}

TEST(RenderPass, JuliaAndOtherDepthsMatchTheDirectComputation) {
    for (int bits : {16, 24}) {
        EngineRig rig(2, 33, 17, 60, 10, bits);
        rig.engine.m_kind = 1;
        rig.engine.SetDefaultRegion();
        rig.engine.StartFine(&rig.queue);
        rig.FinishPass();
        ExpectBlocks(rig, 1);
    }
}

TEST(RenderPass, CountsMapToColourEntries) {
    // A one-pixel image at the point itself gives the entry that point maps to.
    auto entryAt = [](double x, double y, int limit, int colors) {
        EngineRig rig(1, 1, 1, limit, colors);
        rig.engine.m_xMin = x;
        rig.engine.m_xMax = x + 1;
        rig.engine.m_yMin = y;
        rig.engine.m_yMax = y + 1;
        rig.engine.StartFine(&rig.queue);
        rig.FinishPass();
        return static_cast<int>(SurfacePixel(rig.engine.m_surface, 0, 0)) - 1;
    };
    EXPECT_EQ(entryAt(0, 0, 100, 100), 99);  // never escapes: the last entry
    EXPECT_EQ(entryAt(0, 0, 1, 100), 99);    // limit 1: every point gets the last entry
    EXPECT_EQ(entryAt(500, 0, 1, 100), 99);
    EXPECT_EQ(entryAt(2, 0, 100, 100), 4);
    EXPECT_EQ(entryAt(2, 0, 100, 3), 1);  // 4 mod 3
    EXPECT_EQ(entryAt(2, 0, 5, 3), 2);    // 4 is the maximum: never escaped

    // Points along the real axis just right of 1/4 escape slowly; find ones
    // with counts 99 and 150 under the limit 200.
    CFractalEngine probe(1);
    double at99 = 0;
    double at150 = 0;
    for (double x = 0.2501; x < 0.4 && (at99 == 0 || at150 == 0); x += 1e-7) {
        const int n = probe.Iterate(x, 0, 199);
        if (n == 99 && at99 == 0) {
            at99 = x;
        }
        if (n == 150 && at150 == 0) {
            at150 = x;
        }
    }
    ASSERT_NE(at99, 0);
    ASSERT_NE(at150, 0);
    EXPECT_EQ(entryAt(at99, 0, 200, 100), 99);  // the same entry as the inside
    EXPECT_EQ(entryAt(at150, 0, 200, 100), 50);
    EXPECT_EQ(entryAt(at99, 0, 100, 100), 99);
}

TEST(RenderPass, EdgesOfOddSizesAreFilledAndNothingOutside) {
    EngineRig rig(2, 13, 11, 50, 10, 24);
    rig.engine.StartCoarse(&rig.queue);
    rig.FinishPass();
    const CDibSurface& s = rig.engine.m_surface;
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; ++x) {
            EXPECT_NE(SurfacePixel(s, x, y), 0u);  // every entry is non-zero
        }
        for (int b = 13 * 3; b < s.Stride(); ++b) {
            EXPECT_EQ(s.Bits()[y * s.Stride() + b], 0) << "padding of row " << y;
        }
    }
}

TEST(RenderPass, ProgressReports) {
    {
        EngineRig rig(1, 240, 240);
        rig.engine.StartCoarse(&rig.queue);
        const std::vector<int> coarse = rig.FinishPass();
        EXPECT_EQ(coarse.size(), 30u);  // rows 0, 8, .. 232
        EXPECT_EQ(coarse.front(), 0);
        EXPECT_EQ(coarse.back(), 1);
        rig.engine.RefineNext();
        const std::vector<int> middle = rig.FinishPass();
        EXPECT_EQ(middle.front(), 1);
        EXPECT_EQ(middle.back(), 7);
        rig.engine.RefineNext();
        const std::vector<int> fine = rig.FinishPass();
        EXPECT_EQ(fine.size(), 31u);  // rows 0, 8, .. 232 and the last row
        EXPECT_EQ(fine.front(), 7);
        EXPECT_EQ(fine.back(), 100);
        EXPECT_TRUE(std::is_sorted(fine.begin(), fine.end()));
        EXPECT_LE(rig.engine.m_elapsed.load(), 60.0);
        EXPECT_GT(rig.engine.m_elapsed.load(), 0.0);
    }
    {
        // Below 30 rows only the last row reports, which the coarse passes
        // never visit here.
        EngineRig rig(1, 40, 20);
        rig.engine.StartCoarse(&rig.queue);
        EXPECT_TRUE(rig.FinishPass().empty());
        rig.engine.RefineNext();
        EXPECT_TRUE(rig.FinishPass().empty());
        rig.engine.RefineNext();
        EXPECT_EQ(rig.FinishPass(), std::vector<int>{100});
    }
    {
        EngineRig rig(1, 4, 1);  // one row: the row finishes the pass
        rig.engine.StartCoarse(&rig.queue);
        EXPECT_EQ(rig.FinishPass(), std::vector<int>{1});
        rig.engine.RefineNext();
        EXPECT_EQ(rig.FinishPass(), std::vector<int>{7});
        rig.engine.RefineNext();
        EXPECT_EQ(rig.FinishPass(), std::vector<int>{100});
    }
    {
        EngineRig rig(2, 64, 64);
        rig.engine.m_reportProgress = 0;
        rig.engine.StartFine(&rig.queue);
        EXPECT_TRUE(rig.FinishPass().empty());
    }
}

// A least interval between notices drops those that come too soon, across
// the passes of a job too; the completions are all still posted.
TEST(RenderPass, ProgressIntervalDropsNoticesThatComeTooSoon) {
    for (int workers : {1, 2}) {
        std::vector<std::vector<int>> passes;
        EngineRig rig(workers, 64, 240);
        rig.engine.m_progressIntervalMs = 3600 * 1000;
        rig.engine.StartCoarse(&rig.queue);
        passes.push_back(rig.FinishPass());
        while (rig.engine.RefineNext()) {
            passes.push_back(rig.FinishPass());
        }
        // Only the very first notice of the job gets through.
        EXPECT_EQ(passes, (std::vector<std::vector<int>>{{0}, {}, {}})) << workers << " workers";
        EXPECT_EQ(rig.doneCount, 3);

        // Without the interval every notice of the next job is posted again:
        // rows 0, 8, .. 232 of the first worker, and the last row when it is one of its.
        rig.engine.m_progressIntervalMs = 0;
        rig.engine.StartFine(&rig.queue);
        EXPECT_EQ(rig.FinishPass().size(), workers == 1 ? 31u : 30u);
    }
}

TEST(RenderPass, MessagesCarryTheEngine) {
    EngineRig a(2, 32, 32);
    CFractalEngine b(2);
    b.m_iterationLimit = 100;
    b.SetColorTable(a.table.data(), 100);
    b.CreateSurface(32, 32, 32);
    b.m_reportProgress = 1;
    a.engine.StartFine(&a.queue);
    b.StartFine(&a.queue);
    int doneA = 0;
    int doneB = 0;
    while (doneA + doneB < 2) {
        auto m = a.Next();
        ASSERT_TRUE(m);
        ASSERT_TRUE(m->wParam == a.engine.Handle() || m->wParam == b.Handle());
        if (m->message == WM_RENDER_DONE) {
            (m->wParam == a.engine.Handle() ? doneA : doneB)++;
        }
    }
    EXPECT_EQ(doneA, 1);
    EXPECT_EQ(doneB, 1);
    b.StopWorkers();
}

TEST(RenderPass, StoppedPassesPostNoCompletion) {
    for (int workers : {1, 2, 8}) {
        // Every point runs to the limit: long enough to stop.
        EngineRig rig(workers, 400, 400, 1000000, 10);
        Rotating(rig.engine);
        rig.engine.StartCoarse(&rig.queue);
        rig.engine.StopWorkers();
        EXPECT_FALSE(rig.engine.IsBusy());
        // A new pass over a running one stops it first, silently.
        rig.engine.StartPass();
        rig.engine.StartPass();
        rig.engine.StopWorkers();
        std::this_thread::sleep_for(100ms);
        while (auto m = rig.Next(0ms)) {
            EXPECT_NE(m->message, WM_RENDER_DONE);
        }
    }
}

TEST(RenderPass, StaleCompletionIsRecognised) {
    EngineRig rig(2, 16, 16);
    rig.engine.StartFine(&rig.queue);
    // Let the pass complete, leaving its notice queued.
    while (rig.queue.Size() == 0 || rig.engine.IsBusy()) {
        std::this_thread::sleep_for(1ms);
    }
    rig.engine.StartFine(&rig.queue);  // a new pass before the notice is read
    auto first = rig.Next();
    while (first && first->message != WM_RENDER_DONE) {
        first = rig.Next();
    }
    ASSERT_TRUE(first);
    EXPECT_FALSE(rig.engine.IsCurrentPass(first->lParam));
    rig.FinishPass();  // the second pass's own notice is current
    EXPECT_EQ(rig.doneCount, 1);

    // A completed pass that is stopped before its notice is read is stale too.
    rig.engine.StartFine(&rig.queue);
    while (rig.engine.IsBusy() || rig.queue.Size() == 0) {
        std::this_thread::sleep_for(1ms);
    }
    rig.engine.StopWorkers();
    while (auto m = rig.Next(200ms)) {
        if (m->message == WM_RENDER_DONE) {
            EXPECT_FALSE(rig.engine.IsCurrentPass(m->lParam));
        }
    }
}

TEST(RenderPass, StopWaitsForEveryWorker) {
    // Starting and dropping engines at once must never leave a worker behind
    // touching freed memory (the sanitizer builds watch this).
    for (int i = 0; i < 20; ++i) {
        EngineRig rig(4, 64, 64, 5000, 10);
        rig.engine.StartCoarse(&rig.queue);
        if (i % 2) {
            rig.engine.StartPass();
        }
    }
    CFractalEngine idle(2);
    const auto start = std::chrono::steady_clock::now();
    idle.StopWorkers();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(RenderPass, NoPassWithoutSurfaceOrColours) {
    EngineRig rig(2, 16, 16);
    rig.engine.CreateSurface(0, 16, 32);  // fails: no pixels
    EXPECT_FALSE(rig.engine.m_surface.HasBits());
    rig.engine.StartCoarse(&rig.queue);
    EXPECT_FALSE(rig.engine.IsBusy());
    EXPECT_FALSE(rig.Next(100ms));

    EngineRig noTable(2, 16, 16);
    noTable.engine.SetColorTable(nullptr, 0);
    noTable.engine.StartFine(&noTable.queue);
    EXPECT_FALSE(noTable.Next(100ms));
}

TEST(RenderPass, FinishedRowsReachTheTarget) {
    EngineRig rig(1, 24, 40);
    CMemoryTarget target(24, 40);
    rig.engine.StartFine(&rig.queue);
    while (auto m = rig.Next()) {
        if (m->message == WM_RENDER_PROGRESS) {
            rig.engine.DrawFinishedRows(target);
        } else if (m->message == WM_RENDER_DONE) {
            break;
        }
    }
    // One worker: the last report came from the last row, so every row is drawn.
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 24; ++x) {
            ASSERT_EQ(target.At(x, y), SurfacePixel(rig.engine.m_surface, x, y));
        }
    }
    // Bands follow each other without gaps.
    int next = 0;
    for (const auto& c : target.copies) {
        EXPECT_LE(c.srcTop, next);
        next = c.srcTop + c.height;
    }
    EXPECT_EQ(next, 40);

    CMemoryTarget whole(30, 50);
    rig.engine.DrawAt(whole, 3, 5);
    EXPECT_EQ(whole.At(3, 5), SurfacePixel(rig.engine.m_surface, 0, 0));
    EXPECT_EQ(whole.At(26, 44), SurfacePixel(rig.engine.m_surface, 23, 39));
    EXPECT_EQ(whole.At(2, 5), CMemoryTarget::kUnset);
}

// A copy of the picture taken while the pass runs holds finished rows only:
// every pixel it copied is already the pixel of the finished picture.
TEST(RenderPass, DrawWhileRunningCopiesFinishedRowsOnly) {
    EngineRig rig(2, 64, 240, 20000);
    std::vector<CMemoryTarget> copies;
    rig.engine.StartFine(&rig.queue);
    while (rig.engine.IsBusy() && copies.size() < 2000) {
        copies.emplace_back(64, 240);
        rig.engine.Draw(copies.back());
    }
    rig.FinishPass();
    for (const CMemoryTarget& copy : copies) {
        for (int y = 0; y < 240; ++y) {
            for (int x = 0; x < 64; ++x) {
                if (copy.At(x, y) != CMemoryTarget::kUnset) {
                    ASSERT_EQ(copy.At(x, y), SurfacePixel(rig.engine.m_surface, x, y))
                        << "at " << x << "," << y;
                }
            }
        }
    }
    CMemoryTarget after(64, 240);
    rig.engine.Draw(after);
    EXPECT_EQ(after.At(63, 239), SurfacePixel(rig.engine.m_surface, 63, 239));
}

TEST(RenderPass, IterationCountSumsEveryComputedPoint) {
    EngineRig rig(2, 37, 29, 150, 10);
    rig.engine.StartCoarse(&rig.queue);
    rig.FinishPass();
    while (rig.engine.RefineNext()) {
        rig.FinishPass();
    }
    // Every pass computes its own grid again: 8x8, 4x4 and single pixels.
    std::uint64_t expected = 0;
    for (int b : {8, 4, 1}) {
        for (int y = 0; y < 29; y += b) {
            for (int x = 0; x < 37; x += b) {
                const double px = x * rig.engine.m_xStep + rig.engine.m_xMin;
                const double py = y * rig.engine.m_yStep + rig.engine.m_yMin;
                expected += static_cast<std::uint64_t>(rig.engine.Iterate(px, py, 149));
            }
        }
    }
    EXPECT_EQ(rig.engine.IterationCount(), expected);
    EXPECT_EQ(rig.engine.UpdateCount(), expected);
    rig.engine.StartFine(&rig.queue);  // a new job counts from zero
    rig.FinishPass();
    EXPECT_LT(rig.engine.IterationCount(), expected);
    EXPECT_GT(rig.engine.IterationCount(), 0u);

    // At a high limit, points that repeat for ever count the maximum without
    // computing it: the sum of the counts stays, the updates computed drop.
    EngineRig high(2, 40, 40, 10000, 100);
    high.engine.m_xMin = -0.80;
    high.engine.m_xMax = -0.70;
    high.engine.m_yMin = 0.05;
    high.engine.m_yMax = 0.15;
    high.engine.StartFine(&high.queue);
    high.FinishPass();
    std::uint64_t sum = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            sum += static_cast<std::uint64_t>(
                high.engine.Iterate(x * high.engine.m_xStep + high.engine.m_xMin,
                                    y * high.engine.m_yStep + high.engine.m_yMin, 9999));
        }
    }
    EXPECT_EQ(high.engine.IterationCount(), sum);
    EXPECT_LT(high.engine.UpdateCount(), sum / 2);
}
