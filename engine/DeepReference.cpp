#include "engine/DeepReference.h"

#include <algorithm>
#include <chrono>

namespace {

// The orbit is computed with this many bits more than the region needs, so
// that it serves some dozens of zooms by two before its precision runs out.
constexpr long kSpareBits = 64;

// a - b, of any exponent.
CFloatExp Difference(const CBigReal& a, const CBigReal& b) {
    CBigReal d(std::max(a.Precision(), b.Precision()));
    mpfr_sub(d.Get(), a.Get(), b.Get(), MPFR_RNDN);
    return d.ToFloatExp();
}

}  // namespace

CDeepReference::CWork CDeepReference::Plan(const CDeepRegion& region, const CKey& key,
                                           const CBigReal& centreRe, const CBigReal& centreIm,
                                           const CFloatExp& reach) const {
    if (m_work == CWork::all || m_orbit.Empty() || !(key == m_key) ||
        m_pointRe.Precision() < region.Precision()) {
        return CWork::all;
    }
    // A point as far from the centre as the picture's corners serves the
    // picture one zoom about any of its pixels leads to.
    const CComplexExp off{Difference(m_pointRe, centreRe), Difference(m_pointIm, centreIm)};
    const CFloatExp twice = reach + reach;
    if (twice * twice < off.Norm()) {
        return CWork::all;
    }
    // Steps hold for offsets up to the reach they were built for; far
    // smaller offsets can take longer steps from steps built anew.
    const CFloatExp far = off.Norm().Sqrt() + reach;
    const CFloatExp shrunk = m_stepReach * CFloatExp::FromParts(1.0, -6);
    if (m_stepReach < far || far < shrunk || m_work == CWork::steps) {
        return CWork::steps;
    }
    return CWork::none;
}

void CDeepReference::SetGrid(const CDeepRegion& region, int width, int height) {
    const long p = std::max(region.Precision(), m_pointRe.Precision());
    CBigReal span(p);
    mpfr_sub(span.Get(), region.XMax().Get(), region.XMin().Get(), MPFR_RNDN);
    mpfr_div_si(span.Get(), span.Get(), std::max(1, width), MPFR_RNDN);
    m_grid.xStep = span.ToFloatExp();
    mpfr_sub(span.Get(), region.YMax().Get(), region.YMin().Get(), MPFR_RNDN);
    mpfr_div_si(span.Get(), span.Get(), std::max(1, height), MPFR_RNDN);
    m_grid.yStep = span.ToFloatExp();
    m_grid.dxFirst = Difference(region.XMin(), m_pointRe);
    m_grid.dyFirst = Difference(region.YMin(), m_pointIm);
}

bool CDeepReference::Prepare(const CDeepRegion& region, int width, int height, const CKey& key) {
    CBigReal centreRe(region.Precision());
    CBigReal centreIm(region.Precision());
    const CDeepRegion::CGrid half = region.Grid(width, height, centreRe, centreIm);
    const CFloatExp reach = CComplexExp{half.dxFirst, half.dyFirst}.Norm().Sqrt();
    // No worker runs: everything here is this thread's alone.
    const CWork work = Plan(region, key, centreRe, centreIm, reach);
    if (work == CWork::all) {
        m_key = key;
        m_pointRe = centreRe;
        m_pointIm = centreIm;
        m_pointRe.SetPrecision(region.Precision() + kSpareBits);
        m_pointIm.SetPrecision(region.Precision() + kSpareBits);
        m_orbit = {};
    }
    const CComplexExp off{Difference(m_pointRe, centreRe), Difference(m_pointIm, centreIm)};
    m_reach = off.Norm().Sqrt() + reach;
    m_work = work;
    if (work != CWork::none) {
        m_state = kNeeded;
    }
    SetGrid(region, width, height);
    return work == CWork::none;
}

bool CDeepReference::Ensure(const std::atomic<std::int32_t>& cancel,
                            const std::function<void(double)>& progress) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_state == kReady) {
            return true;
        }
        if (cancel.load() != 0) {
            return false;
        }
        if (m_state == kNeeded) {
            m_state = kComputing;
            const CWork work = m_work;
            lock.unlock();
            bool ok = true;
            if (work == CWork::all) {
                ok = m_orbit.Compute(m_key.kind, m_pointRe, m_pointIm, m_key.juliaRe, m_key.juliaIm,
                                     m_key.maximum, &cancel, CReferenceOrbit::kMaxPoints, progress);
            }
            // Orbit computed, steps still to build: a stop keeps the orbit.
            const CWork left = ok ? CWork::steps : CWork::all;
            ok = ok && m_orbit.BuildSteps(m_reach, &cancel);
            lock.lock();
            if (ok) {
                m_stepReach = m_reach;
            }
            m_work = ok ? CWork::none : left;
            m_state = ok ? kReady : kNeeded;
            m_changed.notify_all();
            continue;
        }
        // Another worker computes it; a stop is seen within 10 ms.
        m_changed.wait_for(lock, std::chrono::milliseconds(10));
    }
}
