#pragma once

#include <string>

#include "engine/BigReal.h"

// A region of the plane held in arbitrary precision, for pictures whose pixel
// step the doubles cannot resolve. The engine's doubles hold its nearest
// values; it counts only while they do.
class CDeepRegion {
public:
    // Fewer bits than this never need a deep region; more than this is
    // refused, and zooming in where a step would need more does nothing: a
    // step of 1e-19000 takes 63 000 bits, and a reference orbit at that
    // precision some milliseconds per thousand updates.
    static constexpr long kMinPrecision = 64;
    static constexpr long kMaxPrecision = 65536;

    explicit CDeepRegion(long precisionBits);

    // Parses four decimal texts at the given precision; false when one is
    // not a finite number or the precision is out of range.
    bool Set(long precisionBits, const std::string& xMin, const std::string& xMax,
             const std::string& yMin, const std::string& yMax);

    long Precision() const { return m_xMin.Precision(); }
    const CBigReal& XMin() const { return m_xMin; }
    const CBigReal& XMax() const { return m_xMax; }
    const CBigReal& YMin() const { return m_yMin; }
    const CBigReal& YMax() const { return m_yMax; }

    // A move of the region in its own terms: each new bound is the old left
    // (top) edge plus a fraction num / den of the old width (height); with
    // recentre, the region keeps its size about the point (x, y) instead.
    struct CMove {
        struct CFraction {
            double num = 0.0;  // integers, exact in double
            double den = 1.0;
        };
        CFraction left, right, top, bottom;
        bool recentre = false;
        double x = 0.0;
        double y = 0.0;
    };
    // Applies a move exactly in the region's precision, raised first to
    // `precisionBits` when that is more.
    void Apply(const CMove& move, long precisionBits);
    // A region holding exactly these doubles.
    static CDeepRegion FromDoubles(long precisionBits, double xMin, double xMax, double yMin,
                                   double yMax);

    // Whether these doubles are the region's nearest values.
    bool Rounds(double xMin, double xMax, double yMin, double yMax) const;
    // Puts the bounds in order, as the doubles' are before every pass.
    void Order();

    // The pixel steps, the centre, and the offset of pixel (0, 0) from the
    // centre, for a picture of width x height pixels.
    struct CGrid {
        CFloatExp xStep;
        CFloatExp yStep;
        CFloatExp dxFirst;
        CFloatExp dyFirst;
    };
    CGrid Grid(int width, int height, CBigReal& centreRe, CBigReal& centreIm) const;

    // Whether doubles place every pixel of such a picture to about 1/64 of
    // a pixel: the step is at least 2^-46 of the largest coordinate.
    static bool DoublesSuffice(double xMin, double xMax, double yMin, double yMax, int width,
                               int height);
    // The precision a region of this pixel step needs: its bits plus 64,
    // within the bounds; 0 when the step is finer than kMaxPrecision allows.
    static long PrecisionForStep(const CFloatExp& step);
    // |xMax - xMin| and |yMax - yMin|, of any exponent.
    CFloatExp Width() const;
    CFloatExp Height() const;

private:
    CBigReal m_xMin;
    CBigReal m_xMax;
    CBigReal m_yMin;
    CBigReal m_yMax;
};
