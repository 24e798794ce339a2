#include "engine/CycleProof.h"

#include <gtest/gtest.h>

#include <complex>
#include <limits>

#include "tests/engine/Cardioid.h"

namespace {

struct COrbitRun {
    int updates = 0;    // before |z|^2 reached 10000, at most `most`
    int provedAt = -1;  // first update at which the proof held; -1 never
};

// Follows the orbit of c from 0 as the escape loops do, asking at every point
// whether it never escapes.
COrbitRun RunOrbit(std::complex<double> c, int most) {
    COrbitRun run;
    double zr = 0.0;
    double zi = 0.0;
    for (; run.updates < most; ++run.updates) {
        if (run.provedAt < 0 && NeverEscapes(zr, zi, c.real(), c.imag())) {
            run.provedAt = run.updates;
        }
        const double rr = zr * zr;
        const double ii = zi * zi;
        if (rr + ii >= 10000.0) {
            break;
        }
        zi = 2.0 * zr * zi + c.imag();
        zr = rr - ii + c.real();
    }
    return run;
}

}  // namespace

TEST(CycleProof, NeverHoldsOnAnOrbitThatEscapes) {
    // Orbits that crawl past a fixed point or cycle repelling only a little,
    // or circle one for a long time, before they escape: asked at every point.
    const std::complex<double> late[] = {
        {0.25 + 1e-6, 0.0}, {0.25 + 1e-8, 0.0}, {0.25 + 1e-10, 0.0}, {-0.75, 1e-3}, {-0.75, 2e-4}};
    for (const std::complex<double>& c : late) {
        const COrbitRun run = RunOrbit(c, 400000);
        EXPECT_LT(run.updates, 400000) << c;
        EXPECT_EQ(run.provedAt, -1) << c;
    }
}

TEST(CycleProof, HoldsOnceAnOrbitHasSettled) {
    // Attracting cycles of periods 1, 2 and 3, the first two also weakly.
    const std::complex<double> settling[] = {
        {0.0, 0.0}, CardioidPoint(0.3, 0.999), {-1.0, 0.0}, {-0.76, 0.0}, {-0.122, 0.745}};
    for (const std::complex<double>& c : settling) {
        const COrbitRun run = RunOrbit(c, 200000);
        EXPECT_EQ(run.updates, 200000) << c;
        EXPECT_GE(run.provedAt, 0) << c;
    }
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(NeverEscapes(nan, 0.0, 0.0, 0.0));
    EXPECT_FALSE(NeverEscapes(0.0, inf, 0.0, 0.0));
    EXPECT_FALSE(NeverEscapes(0.0, 0.0, nan, 0.0));
    EXPECT_FALSE(NeverEscapes(0.0, 0.0, 0.0, -inf));
    EXPECT_FALSE(NeverEscapes(1e300, 0.0, 0.0, 0.0));
}
