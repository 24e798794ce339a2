#pragma once

#include <cstdint>

// What one escape-time count depends on besides the point itself.
struct CEscapeParams {
    std::int32_t kind = 0;  // 0 Mandelbrot set, anything else a Julia set
    double juliaRe = 0.0;
    double juliaIm = 0.0;
    std::int32_t maximum = 0;  // most z updates a point may take
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

// Number of z updates before |z|^2 reaches 10000, at most params.maximum.
std::int32_t EscapeCount(const CEscapeParams& params, double x, double y);

// Counts of every point of a row into counts[0 .. span.PointCount() - 1]. The
// whole loop over a row lives here so that a faster kernel can replace it.
void EscapeRow(const CEscapeParams& params, const CRowSpan& span, std::int32_t* counts);

// The name of the kernel EscapeRow runs on this machine.
const char* EscapeKernelName();
