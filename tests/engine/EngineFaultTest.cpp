#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <limits>

#include "MemoryTarget.h"
#include "RenderHarness.h"
#include "engine/PerturbedKernel.h"
#include "engine/ReferenceOrbit.h"

using namespace std::chrono_literals;

namespace {

// The sanitizers reserve address space of their own.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Bytes of address space the process holds now.
long AddressSpaceBytes() {
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1) {
            pages = 0;
        }
        std::fclose(f);
    }
    return pages * ::sysconf(_SC_PAGESIZE);
}

// Lets the address space grow by `room` bytes more at most.
void LimitAddressSpace(long room) {
    const long most = AddressSpaceBytes() + room;
    const rlimit limit{static_cast<rlim_t>(most), static_cast<rlim_t>(most)};
    ::setrlimit(RLIMIT_AS, &limit);
}

// Runs `check` in a child process: 0 where it held, 1 where it did not, 2
// where it threw and -1 where a signal ended the child.
template <typename Check>
int InChild(Check check) {
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            std::_Exit(check() ? 0 : 1);
        } catch (...) {
            std::_Exit(2);  // not to go on as a test runner
        }
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

}  // namespace

TEST(EngineFaults, APassWhoseWorkersCannotStartReportsNoCompletion) {
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizers reserve the address space this limit takes away";
    }
    const int result = InChild([] {
        EngineRig rig(2, 32, 32);
        // No room for a thread's stack: every worker fails to start.
        LimitAddressSpace(1L << 20);
        rig.engine.StartFine(&rig.queue);
        const bool posted = rig.queue.Size() != 0;
        const bool untouched = SurfacePixel(rig.engine.m_surface, 5, 5) == 0;
        return !posted && untouched && !rig.engine.IsBusy();
    });
    EXPECT_EQ(result, 0) << "completion posted over stale pixels";
}

TEST(EngineFaults, AnOrbitShortOfMemoryEndsWhereMemoryDoes) {
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizers reserve the address space this limit takes away";
    }
    const int result = InChild([] {
        // Far less room than an orbit that repeats at once (the Julia set of
        // c = i from i) takes to the largest limit, and its steps after it.
        LimitAddressSpace(128L << 20);
        CReferenceOrbit orbit;
        const std::int32_t most = std::numeric_limits<std::int32_t>::max();
        const bool built =
            orbit.Compute(1, CBigReal(200, 0.0), CBigReal(200, 1.0), 0.0, 1.0, most) &&
            orbit.BuildSteps(CFloatExp::FromDouble(1e-30));
        const CReferenceOrbit::CPoints& p = orbit.Reference();
        const bool cut = p.Size() > 1000 && p.Size() < CReferenceOrbit::kMaxPoints &&
                         p.re.size() == p.im.size() && orbit.Restart().Size() >= 2;
        const std::int32_t n = PerturbedCount(orbit, {CFloatExp::FromDouble(1e-30), {}}, most);
        return built && cut && n > 0 && n < 1000;
    });
    EXPECT_EQ(result, 0);
}

TEST(EngineFaults, AStopCutsRowsShortAtTheLargestLimit) {
    // A point at this limit takes seconds; a stop must not wait for its row,
    // and a row cut short is not stored.
    for (CEscapeKernel kernel : {CEscapeKernel::simd, CEscapeKernel::scalar}) {
        EngineRig rig(2, 480, 480, std::numeric_limits<std::int32_t>::max(), 10);
        rig.engine.m_kernel = kernel;
        Rotating(rig.engine);
        rig.engine.StartFine(&rig.queue);
        std::this_thread::sleep_for(100ms);
        rig.engine.StopWorkers();
        EXPECT_FALSE(rig.engine.IsBusy());
        CMemoryTarget target(480, 480);
        rig.engine.Draw(target);
        for (int y = 0; y < 480; y += 13) {
            ASSERT_EQ(target.At(240, y), 0u) << "row " << y << " stored though cut short";
        }
    }
}

TEST(EngineFaults, ScrollOnABlankSurfaceComputesTheWholePicture) {
    EngineRig rig(2, 64, 64);
    rig.engine.SetColorTable(nullptr, 0);
    rig.engine.StartCoarse(&rig.queue);  // the surface is fine, the table missing
    EXPECT_FALSE(rig.Next(50ms));
    rig.engine.SetColorTable(rig.table.data(), 100);
    rig.engine.Scroll(0);
    EXPECT_EQ(rig.engine.m_scrollDir, -1);
    rig.FinishPass();
    while (rig.engine.RefineNext()) {
        rig.FinishPass();
    }
    for (int y = 0; y < 64; y += 3) {
        for (int x = 0; x < 64; x += 5) {
            ASSERT_EQ(SurfacePixel(rig.engine.m_surface, x, y), rig.Expected(x, y))
                << x << "," << y;
        }
    }
}

TEST(EngineFaults, RefineNextStopsTheRunningPassBeforeChangingLevel) {
    EngineRig rig(2, 240, 240, 1000000, 10);
    Rotating(rig.engine);
    rig.engine.StartCoarse(&rig.queue);
    ASSERT_TRUE(rig.engine.RefineNext());  // over a running 8x8 pass
    EXPECT_EQ(rig.engine.m_level, 16);
    rig.engine.StopWorkers();
    std::this_thread::sleep_for(50ms);
    while (auto m = rig.Next(0ms)) {
        EXPECT_NE(m->message, WM_RENDER_DONE);
    }
}

TEST(EngineFaults, ARowReportsWhetherItWasCutShort) {
    std::atomic<std::int32_t> cancel{1};
    CEscapeParams params{0, 0.0, 0.0, std::numeric_limits<std::int32_t>::max(), &cancel};
    const CRowSpan span{0.0, -0.1, 0.001, 0, 200, 1};
    std::vector<std::int32_t> counts(200);
    for (CEscapeKernel kernel : {CEscapeKernel::simd, CEscapeKernel::scalar}) {
        EXPECT_FALSE(EscapeRow(params, span, counts.data(), kernel));
    }
    cancel = 0;
    params.maximum = 50;
    for (CEscapeKernel kernel : {CEscapeKernel::simd, CEscapeKernel::scalar}) {
        EXPECT_TRUE(EscapeRow(params, span, counts.data(), kernel));
        EXPECT_EQ(counts[100], 50);
    }
}
