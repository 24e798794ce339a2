#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "engine/BigReal.h"
#include "engine/DeepRegion.h"
#include "engine/NucleusSearch.h"
#include "engine/ReferenceOrbit.h"

// A picture users go to: its centre in the precision its depth needs, its
// width, and the limit they would give it.
struct DeepPlace {
    std::string name;
    std::int32_t kind = 0;
    CBigReal re{64};
    CBigReal im{64};
    CFloatExp width;
    std::int32_t maximum = 1000;
};

// The surroundings of an island of the Mandelbrot set: the island whose
// period a disk of this radius about the seed reaches first, found by Newton's
// method, framed `frame` times its size. Empty width when there is none.
inline DeepPlace IslandPlace(const std::string& name, const char* seedRe, const char* seedIm,
                             const CFloatExp& radius, double frame, std::int32_t maximum) {
    DeepPlace place;
    place.name = name;
    place.maximum = maximum;
    const long precision = static_cast<long>(128 - radius.Exponent() * 2);
    place.re = CBigReal(precision);
    place.im = CBigReal(precision);
    place.re.Set(seedRe);
    place.im.Set(seedIm);
    CReferenceOrbit orbit;
    orbit.Compute(0, place.re, place.im, 0.0, 0.0, 1 << 20);
    const std::size_t period = FindPeriod(orbit.Reference().re, orbit.Reference().im, radius);
    const CFloatExp tolerance = radius * radius * CFloatExp::FromParts(1.0, -40);
    if (period == 0 || !FindNucleus(place.re, place.im, period, tolerance)) {
        return place;
    }
    orbit.Compute(0, place.re, place.im, 0.0, 0.0, static_cast<std::int64_t>(period));
    place.width = NucleusSize(orbit.Reference().re, orbit.Reference().im, period) *
                  CFloatExp::FromDouble(frame);
    return place;
}

// A picture of this width about a point given as text.
inline DeepPlace TextPlace(const std::string& name, std::int32_t kind, const char* re,
                           const char* im, const char* width, std::int32_t maximum) {
    DeepPlace place;
    place.name = name;
    place.kind = kind;
    place.maximum = maximum;
    CBigReal w(64);
    w.Set(width);
    place.width = w.ToFloatExp();
    const long precision = static_cast<long>(128 - place.width.Exponent());
    place.re = CBigReal(precision);
    place.im = CBigReal(precision);
    place.re.Set(re);
    place.im.Set(im);
    return place;
}

// The place's centre in the precision pictures of this pixel step need.
inline std::pair<CBigReal, CBigReal> CentreForStep(const DeepPlace& place, const CFloatExp& step) {
    const long precision = CDeepRegion::PrecisionForStep(step);
    std::pair<CBigReal, CBigReal> centre{place.re, place.im};
    centre.first.SetPrecision(precision);
    centre.second.SetPrecision(precision);
    return centre;
}
