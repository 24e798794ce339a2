// Built with -ffp-contract=off: point coordinates must not depend on FMA contraction.
#include "engine/FractalEngine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <system_error>
#include <utility>

#include "engine/EscapeKernel.h"
#include "engine/PerturbedKernel.h"

namespace {

int ProcessorCount() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// How far a move by one eighth takes the region. The picture moves by n whole
// pixels, n = trunc(size / 8); when the size is not a multiple of 8 that is
// less than an eighth, and the region moves by those n pixels too, so that
// the moved picture still shows its own points.
double ScrollOffset(double extent, int size, int n) {
    if (size % 8 == 0 || n <= 0) {
        return extent * 0.125;
    }
    return extent * n / size;
}

// The colour of a count: the last colour for points that never escaped, the
// count taken round the table otherwise. Most counts are below the table's
// size and need no division.
std::size_t ColorIndex(std::int32_t count, std::int64_t maxCount, std::int32_t colorCount) {
    if (count == maxCount) {
        return static_cast<std::size_t>(colorCount - 1);
    }
    if (static_cast<std::uint32_t>(count) < static_cast<std::uint32_t>(colorCount)) {
        return static_cast<std::size_t>(count);
    }
    return static_cast<std::size_t>(count % colorCount);
}

}  // namespace

CFractalEngine::CFractalEngine(int workerCount)
    : m_workerCount(workerCount > 0 ? workerCount : ProcessorCount()) {
    m_juliaRe = -0.7;
    m_juliaIm = 0.2;
    m_cancel = 0;
    m_colorTable = nullptr;
    m_reportProgress = 0;
    m_kind = 0;
    SetDefaultRegion();
    m_otherXMin = -1.5;
    m_otherXMax = 1.5;
    m_otherYMin = -1.5;
    m_otherYMax = 1.5;
    m_lastLevel = -1;
    m_finishedRow = std::make_unique<std::atomic<std::int32_t>[]>(m_workerCount);
    m_busy = std::make_unique<std::atomic<std::int32_t>[]>(m_workerCount);
    for (int i = 0; i < m_workerCount; ++i) {
        m_finishedRow[i] = -1;
        m_busy[i] = 0;
    }
}

CFractalEngine::~CFractalEngine() {
    StopWorkers();
}

bool CFractalEngine::IsUsableRegion(double xMin, double xMax, double yMin, double yMax) {
    return std::isfinite(xMin) && std::isfinite(xMax) && std::isfinite(yMin) &&
           std::isfinite(yMax) && std::isfinite(xMax - xMin) && std::isfinite(yMax - yMin);
}

std::optional<CFractalEngine::CRegionPlan> CFractalEngine::PlanMove(
    double xMin, double xMax, double yMin, double yMax, const CDeepRegion::CMove& move) const {
    const bool deepNow = m_deep && m_deep->Rounds(m_xMin, m_xMax, m_yMin, m_yMax);
    const int w = std::max(1, m_width);
    const int h = std::max(1, m_height);
    // Back to doubles only with ten bits to spare: a region at the threshold
    // does not change hands at every move, and the rounding of its bounds to
    // doubles moves it by less than 2^-16 of a pixel.
    const double margin = deepNow ? 1024.0 : 1.0;
    if (CDeepRegion::DoublesSuffice(xMin, xMax, yMin, yMax, static_cast<int>(w * margin),
                                    static_cast<int>(h * margin))) {
        if (!IsUsableRegion(xMin, xMax, yMin, yMax)) {
            return std::nullopt;
        }
        return CRegionPlan{xMin, xMax, yMin, yMax, nullptr};
    }
    auto region = std::make_unique<CDeepRegion>(
        deepNow
            ? *m_deep
            : CDeepRegion::FromDoubles(CDeepRegion::kMinPrecision, m_xMin, m_xMax, m_yMin, m_yMax));
    // The step after the move, from the exact size: the doubles given may
    // already have run together.
    const auto scale = [&](const CDeepRegion::CMove::CFraction& a,
                           const CDeepRegion::CMove::CFraction& b) {
        return move.recentre ? 1.0 : std::abs(b.num / b.den - a.num / a.den);
    };
    const CFloatExp xStep =
        region->Width() * CFloatExp::FromDouble(scale(move.left, move.right) / w);
    const CFloatExp yStep =
        region->Height() * CFloatExp::FromDouble(scale(move.top, move.bottom) / h);
    const CFloatExp step = yStep < xStep ? yStep : xStep;
    const long precision = CDeepRegion::PrecisionForStep(step);
    if (step.IsZero() || precision == 0) {
        return std::nullopt;  // zooming in further does nothing
    }
    region->Apply(move, precision);
    CRegionPlan plan{region->XMin().ToDouble(), region->XMax().ToDouble(),
                     region->YMin().ToDouble(), region->YMax().ToDouble(), std::move(region)};
    if (!IsUsableRegion(plan.xMin, plan.xMax, plan.yMin, plan.yMax)) {
        return std::nullopt;
    }
    return plan;
}

void CFractalEngine::ApplyPlan(CRegionPlan plan) {
    m_xMin = plan.xMin;
    m_xMax = plan.xMax;
    m_yMin = plan.yMin;
    m_yMax = plan.yMax;
    m_deep = std::move(plan.deep);
}

void CFractalEngine::SetDefaultRegion() {
    m_deep.reset();
    if (m_kind == 0) {
        m_xMin = -1.8;
        m_xMax = 0.6;
        m_yMin = -1.2;
        m_yMax = 1.2;
    } else {
        m_xMin = -1.5;
        m_xMax = 1.5;
        m_yMin = -1.5;
        m_yMax = 1.5;
    }
}

void CFractalEngine::CopyParameters(const CFractalEngine& source) {
    m_colorTable = nullptr;
    m_reportProgress = 0;
    m_kind = source.m_kind;
    m_juliaRe = source.m_juliaRe;
    m_juliaIm = source.m_juliaIm;
    m_xMin = source.m_xMin;
    m_xMax = source.m_xMax;
    m_yMin = source.m_yMin;
    m_yMax = source.m_yMax;
    m_otherXMin = source.m_otherXMin;
    m_otherXMax = source.m_otherXMax;
    m_otherYMin = source.m_otherYMin;
    m_otherYMax = source.m_otherYMax;
    m_iterationLimit = source.m_iterationLimit;
    m_colorCount = source.m_colorCount;
    m_deep = source.m_deep ? std::make_unique<CDeepRegion>(*source.m_deep) : nullptr;
    m_otherDeep = source.m_otherDeep ? std::make_unique<CDeepRegion>(*source.m_otherDeep) : nullptr;
    m_level = 1;
}

void CFractalEngine::SwapRegions() {
    std::swap(m_xMin, m_otherXMin);
    std::swap(m_xMax, m_otherXMax);
    std::swap(m_yMin, m_otherYMin);
    std::swap(m_yMax, m_otherYMax);
    std::swap(m_deep, m_otherDeep);
}

void CFractalEngine::SetColorTable(const std::uint32_t* table, std::int32_t count) {
    m_colorTable = table;
    m_colorCount = count;
}

bool CFractalEngine::CreateSurface(int cx, int cy, int bitCount) {
    m_width = cx;
    m_height = cy;
    m_surface.SetFormat(cx, cy, bitCount);
    m_surfaceBlank = true;
    return m_surface.CreateSection() != nullptr;
}

void CFractalEngine::ComputePixelSteps() {
    if (m_deep && !m_deep->Rounds(m_xMin, m_xMax, m_yMin, m_yMax)) {
        m_deep.reset();  // the doubles were moved without it
    }
    if (m_deep) {
        m_deep->Order();
    }
    if (m_xMin > m_xMax) {
        std::swap(m_xMin, m_xMax);
    }
    if (m_yMin > m_yMax) {
        std::swap(m_yMin, m_yMax);
    }
    m_xStep = (m_xMax - m_xMin) / m_width;
    m_yStep = (m_yMax - m_yMin) / m_height;
}

void CFractalEngine::StartCoarse(INotifyTarget* notifyWnd) {
    StopIfBusy();
    m_iterationTotal = 0;
    m_skippedTotal = 0;
    m_level = 64;
    m_notifyWnd = notifyWnd;
    m_lastLevel = -1;
    m_scrollDir = -1;
    StartPass();
}

void CFractalEngine::StartFine(INotifyTarget* notifyWnd) {
    StopIfBusy();
    m_iterationTotal = 0;
    m_skippedTotal = 0;
    m_level = 1;
    m_notifyWnd = notifyWnd;
    m_lastLevel = -1;
    m_scrollDir = -1;
    StartPass();
}

bool CFractalEngine::RefineNext() {
    // The level and direction are the running pass's too: stop it first.
    StopIfBusy();
    bool result = true;
    if (m_level == 64) {
        m_level = 16;
    } else if (m_level == 16) {
        m_level = 1;
    } else {
        result = false;
    }
    if (m_level < m_lastLevel) {
        m_scrollDir = -1;
    }
    if (result) {
        StartPass();
    }
    return result;
}

void CFractalEngine::StartPass() {
    StopIfBusy();
    for (int i = 0; i < m_workerCount; ++i) {
        m_finishedRow[i] = -1;
        m_busy[i] = 0;
    }
    m_rowsDrawn = 0;
    if (m_level == 64) {
        m_stopwatch.Start();
    }
    ComputePixelSteps();
    m_cancel = 0;
    m_passSerial.fetch_add(1);
    m_deepPass =
        m_deep && !CDeepRegion::DoublesSuffice(m_xMin, m_xMax, m_yMin, m_yMax, m_width, m_height);
    if (m_deepPass) {
        const auto maximum = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            std::int64_t{m_iterationLimit} - 1, 0, std::numeric_limits<std::int32_t>::max()));
        m_reference.Prepare(*m_deep, m_width, m_height,
                            CDeepReference::CKey{m_kind, m_juliaRe, m_juliaIm, maximum});
    }

    // A pass that could write nothing useful, or into no memory, starts nothing.
    const bool levelOk = m_level == 64 || m_level == 16 || m_level == 1;
    if (!m_surface.HasBits() || m_surface.Width() != m_width || m_surface.Height() != m_height ||
        !m_colorTable || m_colorCount < 1 || !levelOk) {
        return;
    }

    m_passCancelled = false;
    m_pending = m_workerCount;
    m_threads.reserve(static_cast<std::size_t>(m_workerCount));
    for (int i = 0; i < m_workerCount; ++i) {
        // The flag goes up before the thread exists, so a stop that follows at
        // once still waits for this worker.
        m_busy[i] = 1;
        try {
            m_threads.emplace_back(&CFractalEngine::WorkerMain, this, i);
        } catch (const std::system_error&) {
            // A worker that cannot start leaves its rows as they were, so the
            // pass is not complete and reports no completion; the next start
            // tries again.
            m_busy[i] = 0;
            FinishShare(false);
        }
    }
    // A worker started on this thread's processor waits for it: let it run
    // now rather than after whatever this thread does next.
    std::this_thread::yield();
}

void CFractalEngine::StopIfBusy() {
    if (IsBusy()) {
        StopWorkers();
    }
    JoinWorkers();  // workers that have finished their share may still be posting
}

void CFractalEngine::StopWorkers() {
    {
        std::lock_guard lock(m_doneMutex);
        m_cancel = 1;
    }
    while (IsBusy()) {
        SleepMs(50);
    }
    SleepMs(50);
    JoinWorkers();
    // Whatever the stopped pass may have posted is no longer current.
    m_passSerial.fetch_add(1);
    m_cancel = 0;
}

void CFractalEngine::JoinWorkers() {
    for (std::thread& t : m_threads) {
        if (t.joinable()) {
            t.join();
        }
    }
    m_threads.clear();
}

bool CFractalEngine::IsBusy() const {
    for (int i = 0; i < m_workerCount; ++i) {
        if (m_busy[i].load() != 0) {
            return true;
        }
    }
    return false;
}

bool CFractalEngine::IsCurrentPass(std::intptr_t serial) const {
    return serial == m_passSerial.load();
}

void CFractalEngine::WorkerMain(int k) {
    m_busy[k] = 1;
    const bool completed = RenderShare(k);
    m_busy[k] = 0;
    m_elapsed.store(m_stopwatch.Elapsed());
    FinishShare(completed);
}

void CFractalEngine::FinishShare(bool completed) {
    if (!completed) {
        m_passCancelled = true;
    }
    std::lock_guard lock(m_doneMutex);
    if (m_pending.fetch_sub(1) == 1 && !m_passCancelled && m_cancel == 0) {
        m_surfaceBlank = false;
        if (m_notifyWnd) {
            m_notifyWnd->Post(WM_RENDER_DONE, Handle(), m_passSerial.load());
        }
    }
}

std::int32_t CFractalEngine::Iterate(double x, double y, std::int32_t maximum) const {
    return EscapeCount(CEscapeParams{m_kind, m_juliaRe, m_juliaIm, maximum}, x, y);
}

void CFractalEngine::ReportReference(double share) {
    // Only the coarse pass computes a new orbit; the bar shows its share.
    if (m_reportProgress == 0 || m_level != 64) {
        return;
    }
    PostProgress(static_cast<std::intptr_t>(std::clamp(share, 0.0, 1.0) * 100.0));
}

void CFractalEngine::PostProgress(std::intptr_t percent) {
    m_elapsed.store(m_stopwatch.Elapsed());
    const auto now = std::chrono::steady_clock::now();
    if (m_progressIntervalMs > 0 && m_progressPosted &&
        now - *m_progressPosted < std::chrono::milliseconds(m_progressIntervalMs)) {
        return;
    }
    m_progressPosted = now;
    if (m_notifyWnd) {
        m_notifyWnd->Post(WM_RENDER_PROGRESS, Handle(), percent);
    }
}

bool CFractalEngine::RenderShare(int k) {
    const int b = m_level == 64 ? 8 : (m_level == 16 ? 4 : 1);
    const int h = m_height;
    const int w = m_width;
    int firstRow = b * k;
    int rowEnd = h;
    int colStart = 0;
    int colEnd = w;
    switch (m_scrollDir) {
        case 0:
            rowEnd = h / 8;
            break;
        case 1:
            firstRow = b * k + (7 * h) / 8;
            break;
        case 2:
            colStart = (7 * w) / 8;
            break;
        case 3:
            colEnd = w / 8;
            break;
        default:
            break;
    }

    // The count that means "never escaped", and the largest count asked for.
    const std::int64_t maxCount = std::int64_t{m_iterationLimit} - 1;
    std::uint64_t skipped = 0;  // updates of this share that cycles saved
    const CEscapeParams params{m_kind,
                               m_juliaRe,
                               m_juliaIm,
                               static_cast<std::int32_t>(std::clamp<std::int64_t>(
                                   maxCount, -1, std::numeric_limits<std::int32_t>::max())),
                               &m_cancel,
                               &skipped};
    const CRowSpan span{0.0, m_xMin, m_xStep, colStart, colEnd, b};
    std::vector<std::uint32_t> colors(static_cast<std::size_t>(span.PointCount()));
    const std::int64_t rowStride = std::int64_t{b} * m_workerCount;
    const std::int64_t rowCount =
        firstRow < rowEnd ? (rowEnd - firstRow + rowStride - 1) / rowStride : 0;
    const auto rowAt = [&](std::int64_t seq) {
        return static_cast<int>(firstRow + seq * rowStride);
    };

    // Rows come back in any order; a row counts as finished once it and
    // every earlier row of the share are stored.
    std::vector<bool> stored(static_cast<std::size_t>(rowCount));
    std::int64_t storedFromFirst = 0;
    const auto storeRow = [&](std::int64_t seq, const std::int32_t* counts) {
        std::uint64_t updates = 0;
        for (std::size_t i = 0; i < colors.size(); ++i) {
            updates += static_cast<std::uint64_t>(counts[i]);
            colors[i] = m_colorTable[ColorIndex(counts[i], maxCount, m_colorCount)];
        }
        m_iterationTotal.fetch_add(updates, std::memory_order_relaxed);
        m_surface.StoreBlocks(colStart, rowAt(seq), b, colors.data(), span.PointCount());
        if (m_cancel.load() != 0) {
            return false;
        }
        stored[static_cast<std::size_t>(seq)] = true;
        if (seq != storedFromFirst) {
            return true;
        }
        for (; storedFromFirst < rowCount && stored[static_cast<std::size_t>(storedFromFirst)];
             ++storedFromFirst) {
            const int row = rowAt(storedFromFirst);
            m_finishedRow[k].store(row, std::memory_order_release);
            if (k == 0) {
                ReportProgress(row);
            }
        }
        return true;
    };

    m_finishedRow[k].store(-1, std::memory_order_release);
    if (!m_deepPass) {
        std::int64_t fed = 0;
        // The cancel flag is read before each row is fed.
        CRowFeed feed(
            [&](double& y) {
                if (fed == rowCount || m_cancel.load() != 0) {
                    return false;
                }
                y = rowAt(fed++) * m_yStep + m_yMin;
                return true;
            },
            storeRow);
        if (!EscapeRows(params, span, feed, m_kernel)) {
            return false;
        }
        m_skippedTotal.fetch_add(skipped, std::memory_order_relaxed);
        return true;
    }

    // The worker that computes the orbit posts progress meanwhile; worker 0
    // goes on only after it, through the reference's lock.
    if (!m_reference.Ensure(m_cancel, [this](double s) { ReportReference(s); })) {
        return false;
    }
    const CDeepRegion::CGrid& grid = m_reference.Grid();
    CPerturbedRow deepRow{grid.dxFirst,   grid.xStep, {}, colStart, colEnd, b,
                          params.maximum, &m_cancel};
    deepRow.kernel = m_kernel;
    std::vector<std::int32_t> counts(colors.size());
    for (std::int64_t seq = 0; seq < rowCount; ++seq) {
        deepRow.dy = CFloatExp::FromDouble(rowAt(seq)) * grid.yStep + grid.dyFirst;
        // A row cut short by a stop keeps what the surface held there.
        if (!PerturbedRowCounts(m_reference.Orbit(), deepRow, counts.data()) ||
            !storeRow(seq, counts.data())) {
            return false;
        }
    }
    return true;
}

void CFractalEngine::ReportProgress(int row) {
    const int h = m_height;
    const int c = h / 30;
    if (!((c > 0 && row % c == 0) || row == h - 1)) {
        return;
    }
    if (m_reportProgress == 0) {
        return;
    }
    // A one-row image is finished by its only row.
    const double f = h > 1 ? static_cast<double>(row) / (h - 1) : 1.0;
    double p = 0.0;
    if (m_level == 64) {
        p = f / 64;
    } else if (m_level == 16) {
        p = 1.0 / 64 + f / 16;
    } else {
        p = 5.0 / 64 + f;
    }
    PostProgress(static_cast<std::intptr_t>(p * 92.7536231884058 + 0.5));
}

void CFractalEngine::Draw(IDrawTarget& target) const {
    DrawAt(target, 0, 0);
}

void CFractalEngine::DrawAt(IDrawTarget& target, int x, int y) const {
    if (!IsBusy()) {
        m_surface.Blit(target, x, y, m_width, m_height);
        return;
    }
    // While a pass runs only the rows every worker has gone past are copied:
    // the others may be being written. The target keeps what it showed there.
    const std::int32_t last = LastFinishedRow();
    if (last >= 0) {
        m_surface.BlitRows(target, x, y, 0, last, m_width, last + 1);
    }
}

std::int32_t CFractalEngine::LastFinishedRow() const {
    // Each worker marks the top row of the last block row it finished (-1
    // before its first); every row down to the lowest mark belongs to a
    // finished block row or is not computed in this pass.
    std::int32_t m = m_height;
    for (int i = 0; i < m_workerCount; ++i) {
        m = std::min(m, m_finishedRow[i].load(std::memory_order_acquire));
    }
    return m;
}

void CFractalEngine::DrawFinishedRows(IDrawTarget& target) {
    // A notice of a pass that has been replaced finds the marks of the new one.
    const std::int32_t m = LastFinishedRow();
    if (m < 0) {
        return;
    }
    m_surface.BlitRows(target, 0, m_rowsDrawn, 0, m, m_width, m - m_rowsDrawn + 1);
    m_rowsDrawn = m;
}

bool CFractalEngine::Scroll(int direction) {
    // Where the region goes, before anything is stopped.
    int n = 0;
    double xMin = m_xMin;
    double xMax = m_xMax;
    double yMin = m_yMin;
    double yMax = m_yMax;
    switch (direction) {
        case 0:
        case 1: {
            n = static_cast<int>(m_height * 0.125);
            const double d = ScrollOffset(m_yMax - m_yMin, m_height, n);
            yMin += direction == 0 ? -d : d;
            yMax += direction == 0 ? -d : d;
            break;
        }
        case 2:
        case 3: {
            n = static_cast<int>(m_width * 0.125);
            const double d = ScrollOffset(m_xMax - m_xMin, m_width, n);
            xMin += direction == 2 ? d : -d;
            xMax += direction == 2 ? d : -d;
            break;
        }
        default:
            break;
    }
    // The same move for a deep region: a fraction of the size either way.
    CDeepRegion::CMove move{{0, 1}, {1, 1}, {0, 1}, {1, 1}};
    const bool vertical = direction == 0 || direction == 1;
    const int size = vertical ? m_height : m_width;
    const double num = size % 8 == 0 || n <= 0 ? 1.0 : n;
    const double den = size % 8 == 0 || n <= 0 ? 8.0 : size;
    const double sign = direction == 0 || direction == 3 ? -1.0 : 1.0;
    if (direction >= 0 && direction <= 3) {
        CDeepRegion::CMove::CFraction& low = vertical ? move.top : move.left;
        CDeepRegion::CMove::CFraction& high = vertical ? move.bottom : move.right;
        low = {sign * num, den};
        high = {den + sign * num, den};
    }
    std::optional<CRegionPlan> plan = PlanMove(xMin, xMax, yMin, yMax, move);
    if (!plan) {
        return false;
    }

    const bool busy = IsBusy();
    bool mayShift = direction >= 0 && direction <= 3;
    if (busy) {
        StopWorkers();
        if (m_level == 1) {
            m_lastLevel = 16;
            m_level = 16;
        } else if (m_level == 16) {
            m_lastLevel = 64;
            m_level = 64;
        } else {
            m_lastLevel = 128;
            mayShift = false;
        }
    } else {
        m_lastLevel = m_level;
        // A surface made anew since the last completed pass holds no picture
        // to move: all of it is computed.
        mayShift = mayShift && !m_surfaceBlank;
    }
    m_scrollDir = direction;
    ApplyPlan(std::move(*plan));

    // Narrower than 8 pixels nothing moves: the whole picture is computed again.
    if (mayShift && n > 0) {
        m_surface.Shift(direction, n);
    } else {
        m_scrollDir = -1;
    }
    StartPass();
    return true;
}
