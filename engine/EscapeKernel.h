#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

// What one escape-time count depends on besides the point itself.
struct CEscapeParams {
    std::int32_t kind = 0;  // 0 Mandelbrot set, anything else a Julia set
    double juliaRe = 0.0;
    double juliaIm = 0.0;
    std::int32_t maximum = 0;  // most z updates a point may take
    // When set and non-zero, a row gives up early; its counts are then unusable.
    const std::atomic<std::int32_t>* cancel = nullptr;
    // When set, receives the updates a row's points did not compute because
    // their z came back bit for bit to an earlier value: such a point never
    // escapes, and its count is the maximum without them.
    std::uint64_t* skipped = nullptr;

    bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed) != 0; }
};

// One row of points, x = column * xStep + xMin for the columns
// colStart, colStart + colStep, ... below colEnd.
struct CRowSpan {
    double y = 0.0;
    double xMin = 0.0;
    double xStep = 0.0;
    int colStart = 0;
    int colEnd = 0;
    int colStep = 1;

    int PointCount() const {
        return colEnd > colStart ? (colEnd - colStart + colStep - 1) / colStep : 0;
    }
};

// Points are looked at for an exactly repeating z only from this maximum on:
// below it the look would cost more than it saves.
inline constexpr std::int32_t kCycleCheckFrom = 1000;

// Which loop computes a row: the plain one point after another, or the SIMD
// kernel on the widest vectors the processor has. Both give the same counts.
enum class CEscapeKernel { scalar, simd };

// Number of z updates before |z|^2 reaches 10000, at most params.maximum.
std::int32_t EscapeCount(const CEscapeParams& params, double x, double y);

// Counts of every point of a row into counts[0 .. span.PointCount() - 1].
// Returns false when params.cancel stopped the row before every count was
// computed; the SIMD kernel looks at it every few thousand steps, the plain
// loop between points.
bool EscapeRow(const CEscapeParams& params, const CRowSpan& span, std::int32_t* counts,
               CEscapeKernel kernel = CEscapeKernel::simd);

// The rows of one worker's share, fed to EscapeRows one after another.
class IRowFeed {
public:
    // y of the next row; false when no row is left or a stop was asked for.
    virtual bool NextRow(double& y) = 0;
    // The counts of row `seq` (0 for the first row fed, and so on) once every
    // point of it is counted. Rows may come in any order; false stops the rows.
    virtual bool RowDone(std::int64_t seq, const std::int32_t* counts) = 0;

protected:
    ~IRowFeed() = default;
};

// A feed made of two callables, bool(double& y) and
// bool(std::int64_t seq, const std::int32_t* counts).
template <class TNext, class TDone>
class CRowFeed final : public IRowFeed {
public:
    CRowFeed(TNext next, TDone done) : m_next(std::move(next)), m_done(std::move(done)) {}
    bool NextRow(double& y) override { return m_next(y); }
    bool RowDone(std::int64_t seq, const std::int32_t* counts) override {
        return m_done(seq, counts);
    }

private:
    TNext m_next;
    TDone m_done;
};

// Counts of every row the feed gives, on the columns of `span` (its y is not
// read). The SIMD kernel streams the points of all rows through its vectors,
// so lanes freed at the end of one row take points of the next. Returns false
// when params.cancel or the feed stopped the rows; what params.skipped gained
// then is not to be used, as it may count rows that were not handed back.
bool EscapeRows(const CEscapeParams& params, const CRowSpan& span, IRowFeed& feed,
                CEscapeKernel kernel = CEscapeKernel::simd);

// The name of what runs a row on this machine: "scalar", or the instruction
// set the SIMD kernel dispatches to ("AVX3", "AVX2", "SSE4", "NEON", ...).
const char* EscapeKernelName(CEscapeKernel kernel = CEscapeKernel::simd);

// The SIMD kernel itself (EscapeKernelSimd.cpp), on the target chosen at run time.
bool EscapeRowsSimd(const CEscapeParams& params, const CRowSpan& span, IRowFeed& feed);
// The plain loop's rows, one after another.
bool EscapeRowsOneByOne(const CEscapeParams& params, const CRowSpan& span, IRowFeed& feed,
                        CEscapeKernel kernel);
const char* EscapeSimdTargetName();
