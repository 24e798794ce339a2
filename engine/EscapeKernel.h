#pragma once

#include <atomic>
#include <cstdint>

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

// The name of what runs a row on this machine: "scalar", or the instruction
// set the SIMD kernel dispatches to ("AVX3", "AVX2", "SSE4", "NEON", ...).
const char* EscapeKernelName(CEscapeKernel kernel = CEscapeKernel::simd);

// The SIMD kernel itself (EscapeKernelSimd.cpp), on the target chosen at run time.
bool EscapeRowSimd(const CEscapeParams& params, const CRowSpan& span, std::int32_t* counts);
const char* EscapeSimdTargetName();
