#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "engine/BigReal.h"
#include "engine/DeepRegion.h"
#include "engine/ReferenceOrbit.h"

// The reference orbit of deep passes and the point it belongs to. It is chosen
// on the owner's thread while no worker runs, computed by the first worker that
// needs it, and kept for the passes and moves it still serves: the same kind,
// constant and limit, enough precision, and a point near the picture.
class CDeepReference {
public:
    struct CKey {
        std::int32_t kind = -1;
        double juliaRe = 0.0;
        double juliaIm = 0.0;
        std::int32_t maximum = -1;
        bool operator==(const CKey&) const = default;
    };

    // Owner's thread, no worker running: takes the region of a coming pass.
    // Returns whether the orbit computed before serves it as it is.
    bool Prepare(const CDeepRegion& region, int width, int height, const CKey& key);

    // Workers: waits until the orbit and its steps are ready, computing them
    // if no other worker does; the computing worker calls progress with the
    // share done (0 to 1) now and then. False when cancel was raised first.
    bool Ensure(const std::atomic<std::int32_t>& cancel,
                const std::function<void(double)>& progress);

    // After Ensure: the orbit, and the pixels' offsets from its point.
    const CReferenceOrbit& Orbit() const { return m_orbit; }
    const CDeepRegion::CGrid& Grid() const { return m_grid; }
    // The point the orbit starts from (Julia) or belongs to (Mandelbrot).
    const CBigReal& PointRe() const { return m_pointRe; }
    const CBigReal& PointIm() const { return m_pointIm; }

private:
    enum { kNeeded, kComputing, kReady };
    // Which work Ensure has left: the orbit and its steps, or the steps only.
    enum class CWork { none, steps, all };

    CWork Plan(const CDeepRegion& region, const CKey& key, const CBigReal& centreRe,
               const CBigReal& centreIm, const CFloatExp& reach) const;
    void SetGrid(const CDeepRegion& region, int width, int height);

    CKey m_key;
    CBigReal m_pointRe{CDeepRegion::kMinPrecision};
    CBigReal m_pointIm{CDeepRegion::kMinPrecision};
    CFloatExp m_reach;      // the farthest pixel from the point
    CFloatExp m_stepReach;  // the reach the orbit's steps were built for
    CDeepRegion::CGrid m_grid;
    CReferenceOrbit m_orbit;
    CWork m_work = CWork::all;

    int m_state = kNeeded;
    std::mutex m_mutex;
    std::condition_variable m_changed;
};
