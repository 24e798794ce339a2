#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/DeepReference.h"
#include "engine/DeepRegion.h"
#include "engine/DibSurface.h"
#include "engine/DrawTarget.h"
#include "engine/EscapeKernel.h"
#include "engine/Messages.h"
#include "engine/Stopwatch.h"

using FractalKind = std::int32_t;  // 0 Mandelbrot set, anything else a Julia set
using RefineLevel = std::int32_t;  // pixels one computed point covers: 64, 16 or 1

// Escape-time renderer of one region of the plane into its own surface,
// progressively (8x8 blocks, 4x4 blocks, single pixels) with one worker thread
// per processor. Every operation except the workers' own runs on the owner's
// thread; parameters and surface change only while no worker runs.
class CFractalEngine {
public:
    // workerCount 0 means one worker per processor.
    explicit CFractalEngine(int workerCount = 0);
    virtual ~CFractalEngine();

    CFractalEngine(const CFractalEngine&) = delete;
    CFractalEngine& operator=(const CFractalEngine&) = delete;

    // Parameters and region.
    // Whether a region can be rendered and saved: finite bounds whose width
    // and height are finite too. Moves that would leave it do nothing.
    static bool IsUsableRegion(double xMin, double xMax, double yMin, double yMax);
    void SetDefaultRegion();
    void CopyParameters(const CFractalEngine& source);
    void SwapRegions();
    void SetColorTable(const std::uint32_t* table, std::int32_t count);
    // Stops nothing itself: the caller stops the workers first. Returns
    // whether the surface has pixels; without them no pass starts.
    bool CreateSurface(int cx, int cy, int bitCount);
    void ComputePixelSteps();

    // Rendering.
    void StartCoarse(INotifyTarget* notifyWnd);
    void StartFine(INotifyTarget* notifyWnd);
    bool RefineNext();
    void StartPass();
    void StopWorkers();
    // Stops a running pass (taking StopWorkers' time only then) and waits for
    // every worker to end; afterwards no worker reads or writes anything.
    void StopIfBusy();
    bool IsBusy() const;
    std::int32_t Iterate(double x, double y, std::int32_t maximum) const;
    void Draw(IDrawTarget& target) const;
    // Copies the picture with its top-left corner at (x, y); while a pass
    // runs, only the rows it has finished.
    void DrawAt(IDrawTarget& target, int x, int y) const;
    void DrawFinishedRows(IDrawTarget& target);

    // Moves the region and the picture by one eighth (0 up, 1 down, 2 right,
    // 3 left) and computes only the uncovered strip where it can. A move
    // that would leave the usable range does nothing and returns false.
    bool Scroll(int direction);

    // WM_RENDER_DONE carries the serial of its pass in lParam; a notice is
    // current only while its pass is the last one started and not stopped.
    bool IsCurrentPass(std::intptr_t serial) const;
    std::uintptr_t Handle() const { return reinterpret_cast<std::uintptr_t>(this); }
    // z updates of every point computed since the job started (StartCoarse or
    // StartFine), over all its passes.
    std::uint64_t IterationCount() const { return m_iterationTotal.load(); }
    // The z updates of those actually computed: points whose z came back bit
    // for bit to an earlier value were given the maximum without the rest.
    std::uint64_t UpdateCount() const { return m_iterationTotal.load() - m_skippedTotal.load(); }

    FractalKind m_kind = 0;
    double m_xMin = 0.0;
    double m_xMax = 0.0;
    double m_yMin = 0.0;
    double m_yMax = 0.0;
    double m_xStep = 0.0;
    double m_yStep = 0.0;
    double m_otherXMin = 0.0;
    double m_otherXMax = 0.0;
    double m_otherYMin = 0.0;
    double m_otherYMax = 0.0;
    double m_juliaRe = 0.0;
    double m_juliaIm = 0.0;
    std::int32_t m_iterationLimit = 100;
    std::int32_t m_colorCount = 0;
    const std::uint32_t* m_colorTable = nullptr;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    CDibSurface m_surface;
    RefineLevel m_level = 1;
    // The region, and the other kind's, in arbitrary precision where doubles
    // cannot resolve the pixels. Each counts only while the doubles above are
    // its nearest values; a pass that finds them moved drops it. Set by the
    // owner between passes; copied and swapped with the doubles.
    std::unique_ptr<CDeepRegion> m_deep;
    std::unique_ptr<CDeepRegion> m_otherDeep;
    // What a move makes of the region, changing nothing yet: the doubles
    // given (the move's designed formula) where doubles suffice, else the
    // move done exactly on the deep region (made from the doubles when there
    // is none), with the doubles its nearest values. Nothing when the region
    // would leave the usable range or be too deep to render.
    struct CRegionPlan {
        double xMin = 0.0;
        double xMax = 0.0;
        double yMin = 0.0;
        double yMax = 0.0;
        std::unique_ptr<CDeepRegion> deep;
    };
    std::optional<CRegionPlan> PlanMove(double xMin, double xMax, double yMin, double yMax,
                                        const CDeepRegion::CMove& move) const;
    // Takes the planned region; no worker may run.
    void ApplyPlan(CRegionPlan plan);
    // Whether the last pass started rendered m_deep by perturbation.
    bool IsDeepPass() const { return m_deepPass; }
    const std::int32_t m_workerCount;

private:
    std::atomic<std::int32_t> m_cancel{0};
    INotifyTarget* m_notifyWnd = nullptr;
    std::unique_ptr<std::atomic<std::int32_t>[]> m_busy;
    CStopwatch m_stopwatch;

public:
    std::atomic<double> m_elapsed{0.0};
    std::int32_t m_reportProgress = 0;
    // At least this long between two progress notices, also across the
    // passes of a job; 0 posts every one. A notice that comes too soon is
    // dropped: the completion of the pass follows anyway. Set by the owner
    // between passes only.
    std::int32_t m_progressIntervalMs = 0;

private:
    std::unique_ptr<std::atomic<std::int32_t>[]> m_finishedRow;
    std::int32_t m_rowsDrawn = 0;

public:
    std::int32_t m_lastLevel = -1;
    std::int32_t m_scrollDir = -1;
    // The loop that computes the rows; set by the owner between passes only.
    // Both give the same counts, so CopyParameters leaves it alone.
    CEscapeKernel m_kernel = CEscapeKernel::simd;

private:
    void WorkerMain(int k);
    bool RenderShare(int k);
    void ReportProgress(int row);
    // The last row of the picture that no worker of the running pass will
    // still write, from the top; -1 when there is none yet.
    std::int32_t LastFinishedRow() const;
    // Called once for every worker of a pass as it ends; the last one posts
    // WM_RENDER_DONE when every share completed and no stop has begun.
    void FinishShare(bool completed);
    void JoinWorkers();

    // When the last progress notice was posted. Touched only by the worker
    // that reports progress; the workers of consecutive passes are ordered
    // by the join between them.
    std::optional<std::chrono::steady_clock::time_point> m_progressPosted;

    std::vector<std::thread> m_threads;
    std::atomic<std::int32_t> m_pending{0};
    std::atomic<bool> m_passCancelled{false};
    std::atomic<std::intptr_t> m_passSerial{0};
    std::atomic<std::uint64_t> m_iterationTotal{0};
    std::atomic<std::uint64_t> m_skippedTotal{0};
    // True from CreateSurface until a pass completes: the surface shows no
    // picture yet.
    std::atomic<bool> m_surfaceBlank{true};
    // Orders the last worker's decision to post against the start of a stop.
    std::mutex m_doneMutex;

    // Deep passes: the reference orbit, kept for the passes and moves it
    // serves, and the share of it computed, shown as progress.
    void ReportReference(double share);
    // Posts a progress message unless one went out within the interval.
    void PostProgress(std::intptr_t percent);
    bool m_deepPass = false;
    CDeepReference m_reference;
};
