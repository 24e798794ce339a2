// Built with -ffp-contract=off: the orbit followed here is rounded exactly as
// the escape loops round it.
#include "engine/CycleProof.h"

#include <algorithm>
#include <cmath>

namespace {

// Every disc stays within this radius of the orbit of z.
constexpr double kRadius = 0x1p-10;
// The unit roundoff of double.
constexpr double kUnit = 0x1p-53;
// Each bound below is computed in a few roundings of at most kUnit each;
// multiplying by kUp keeps it above the exact value it stands for.
constexpr double kUp = 1.0 + 0x1p-44;
// Absolute errors of results that fall below the normal range.
constexpr double kTiny = 0x1p-500;
// A return this close over which the discs grew ends the proof.
constexpr double kGiveUpSquared = 4.0 * kNearReturnSquared;
// Discs stay inside this radius, far inside the escape circle (|w| = 100).
constexpr double kFar = 64.0;

}  // namespace

// For a point w of the disc of radius r around z (r <= kRadius):
//   |w^2 - z^2| = |w - z| |w + z| <= r (2|z| + r) <= (2|z| + kRadius) r,
// and an update rounds |w|^2 + |c| up to 6 units away from the exact one
// (three roundings of parts of |w|^2 and two of c, in each coordinate), for w
// and for z alike. So after k updates the disc around the k-th point of z's
// orbit has a radius of at most a_k r0 + e_k, with
//   a_{k+1} = (2|z_k| + kRadius) a_k,
//   e_{k+1} = (2|z_k| + kRadius) e_k + 12 kUnit ((|z_k| + kRadius)^2 + |c|),
// as long as every radius before it stays within kRadius. If after K updates
// the disc of radius a_K r0 + e_K around z_K lies inside the first one, the
// orbit of every point of that first disc comes back into it every K updates.
bool NeverEscapes(double zr, double zi, double cr, double ci) {
    if (!std::isfinite(zr) || !std::isfinite(zi) || !std::isfinite(cr) || !std::isfinite(ci)) {
        return false;
    }
    const double c = std::sqrt(cr * cr + ci * ci) * kUp + kTiny;
    if (!(c < kFar)) {
        return false;
    }
    const double startR = zr;
    const double startI = zi;
    double a = 1.0;  // a_k
    double e = 0.0;  // e_k
    double mostA = 1.0;
    double mostE = 0.0;
    for (int k = 0; k < kProofSteps; ++k) {
        mostA = std::max(mostA, a);
        mostE = std::max(mostE, e);
        const double rr = zr * zr;
        const double ii = zi * zi;
        const double size = std::sqrt(rr + ii) * kUp + kTiny;  // at least |z_k|
        if (!(size + kRadius < kFar)) {
            return false;
        }
        const double grow = (2.0 * size + kRadius) * kUp;
        const double far = size + kRadius;
        a = a * grow * kUp;
        e = (grow * e + (12.0 * kUnit * (far * far + c) + kTiny)) * kUp;
        // The update of the escape loops.
        zi = 2.0 * zr * zi + ci;
        zr = rr - ii + cr;
        const double dr = zr - startR;
        const double di = zi - startI;
        const double backSquared = dr * dr + di * di;
        if (a < 1.0) {
            // The smallest first radius whose disc takes the K-th one in.
            const double back = std::sqrt(backSquared) * kUp + kTiny;
            const double r0 = (back + e) / (1.0 - a) * kUp;
            // Every radius up to the K-th stays within kRadius.
            if ((r0 * mostA + mostE) * kUp <= kRadius) {
                return true;
            }
        }
        // Back where it started, a period on, and the discs grew: they grow
        // over further periods alike.
        if (backSquared < kGiveUpSquared && !(a < 1.0)) {
            return false;
        }
    }
    return false;
}
