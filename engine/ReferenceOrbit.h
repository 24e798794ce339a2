#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/BigReal.h"
#include "engine/BlaTable.h"

// The orbit of one point of a deep region, computed in arbitrary precision and
// kept as doubles: every pixel near it iterates only its small offset from it
// (perturbation). A Julia picture also keeps the orbit of 0, to which a pixel
// whose own value came closer to 0 than to the reference starts over.
class CReferenceOrbit {
public:
    // The stored orbit never passes this many points (1 GiB each way), nor
    // the memory there is for it; a pixel that runs past its end starts over
    // on the orbit from its start.
    static constexpr std::size_t kMaxPoints = (std::size_t{1} << 30) / (2 * sizeof(double));

    struct CPoints {
        std::vector<double> re;
        std::vector<double> im;
        CBlaTable steps;    // many updates at once, along these points
        CBlaRepeat repeat;  // where the points repeat, if they are known to
        std::size_t Size() const { return re.size(); }
    };

    // Mandelbrot (kind 0): the orbit of 0 under z^2 + centre. Julia: the orbit
    // of the centre under z^2 + (juliaRe, juliaIm), and the orbit of 0. Each
    // holds its points up to the first that escapes (|z|^2 >= 10000), at most
    // maximum + 1 and maxPoints (at least 2) of them. Returns false, with nothing kept, when cancel
    // was raised meanwhile.
    // progress, when given, is told the share done (0 to 1) now and then.
    using CProgress = std::function<void(double)>;
    bool Compute(std::int32_t kind, const CBigReal& centreRe, const CBigReal& centreIm,
                 double juliaRe, double juliaIm, std::int64_t maximum,
                 const std::atomic<std::int32_t>* cancel = nullptr,
                 std::size_t maxPoints = kMaxPoints, const CProgress& progress = {});

    // The steps along both orbits, for pixels whose offset from the centre is
    // at most dcMax; false, with no steps, when cancel was raised meanwhile.
    bool BuildSteps(CFloatExp dcMax, const std::atomic<std::int32_t>* cancel = nullptr);

    std::int32_t Kind() const { return m_kind; }
    // The reference itself: its first point is the centre's own first value.
    const CPoints& Reference() const { return m_reference; }
    // Where a pixel starts over: its first point is 0.
    const CPoints& Restart() const { return m_kind == 0 ? m_reference : m_restart; }
    bool Empty() const { return m_reference.Size() == 0; }

private:
    std::int32_t m_kind = 0;
    CPoints m_reference;
    CPoints m_restart;
};
