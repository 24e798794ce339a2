// Deep pictures: 480 x 480 at a few depths and limits, with the orbit's
// many-update steps off and on, on two threads, against the time per pixel of
// a count done wholly in arbitrary precision at the pixel step's bits plus 53.
//   velmora_deep_bench [SIDE]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/DeepRegion.h"
#include "engine/PerturbedKernel.h"
#include "engine/ReferenceOrbit.h"
#include "tests/engine/BruteForce.h"

namespace {

struct CPlace {
    const char* name;
    std::int32_t kind;
    const char* re;
    const char* im;
    const char* width;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

CFloatExp FromText(const char* text) {
    CBigReal x(64);
    x.Set(text);
    return x.ToFloatExp();
}

struct CResult {
    double orbit = 0.0;
    double steps = 0.0;
    double pixels = 0.0;
    std::uint64_t updates = 0;
    std::size_t orbitPoints = 0;
};

CResult Render(const CPlace& place, int side, std::int32_t limit, bool approximate) {
    const CFloatExp step = FromText(place.width) * CFloatExp::FromDouble(1.0 / side);
    const long precision = CDeepRegion::PrecisionForStep(step);
    CBigReal re(precision);
    CBigReal im(precision);
    re.Set(place.re);
    im.Set(place.im);
    CResult result;
    auto start = std::chrono::steady_clock::now();
    CReferenceOrbit orbit;
    orbit.Compute(place.kind, re, im, 0.0, 1.0, limit);
    result.orbit = Seconds(start);
    result.orbitPoints = orbit.Reference().Size();
    start = std::chrono::steady_clock::now();
    const CFloatExp half = step * CFloatExp::FromDouble(-side / 2.0);
    if (approximate) {
        orbit.BuildSteps(CComplexExp{half, half}.Norm().Sqrt());
    }
    result.steps = Seconds(start);
    start = std::chrono::steady_clock::now();
    std::vector<std::uint64_t> updates(2);
    std::vector<std::thread> workers;
    for (int k = 0; k < 2; ++k) {
        workers.emplace_back([&, k] {
            std::vector<std::int32_t> counts(static_cast<std::size_t>(side));
            CPerturbedRow row{half, step, {}, 0, side, 1, limit, nullptr, approximate};
            for (int y = k; y < side; y += 2) {
                row.dy = CFloatExp::FromDouble(y) * step + half;
                PerturbedRowCounts(orbit, row, counts.data());
                for (const std::int32_t n : counts) {
                    updates[k] += static_cast<std::uint64_t>(n);
                }
            }
        });
    }
    for (std::thread& t : workers) {
        t.join();
    }
    result.pixels = Seconds(start);
    result.updates = updates[0] + updates[1];
    return result;
}

// Seconds per pixel of the brute force on two threads, from a few pixels
// spread over the picture.
double BruteForcePerPixel(const CPlace& place, int side, std::int32_t limit, int samples) {
    const CFloatExp step = FromText(place.width) * CFloatExp::FromDouble(1.0 / side);
    const long precision = static_cast<long>(53 - step.Exponent());
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int k = 0; k < 2; ++k) {
        workers.emplace_back([&, k] {
            CBigReal x(precision);
            CBigReal y(precision);
            CBigReal d(precision);
            for (int s = k; s < samples; s += 2) {
                const CFloatExp offset = step * CFloatExp::FromDouble((s * 37 % side) - side / 2);
                x.Set(place.re);
                y.Set(place.im);
                mpfr_set_d(d.Get(), offset.Mantissa(), MPFR_RNDN);
                mpfr_mul_2si(d.Get(), d.Get(), static_cast<long>(offset.Exponent()), MPFR_RNDN);
                mpfr_add(x.Get(), x.Get(), d.Get(), MPFR_RNDN);
                mpfr_add(y.Get(), y.Get(), d.Get(), MPFR_RNDN);
                BruteForceCount(place.kind, x, y, 0.0, 1.0, limit);
            }
        });
    }
    for (std::thread& t : workers) {
        t.join();
    }
    return Seconds(start) / samples;
}

}  // namespace

int main(int argc, char** argv) {
    const int side = argc > 1 ? std::max(8, std::atoi(argv[1])) : 480;
    const CPlace places[] = {
        {"spiral c=i 1e-24", 0, "0", "1", "1e-24"},
        {"spiral c=i 1e-300", 0, "0", "1", "1e-300"},
        {"spiral c=i 1e-1000", 0, "0", "1", "1e-1000"},
        {"Julia z=i 1e-300", 1, "0", "1", "1e-300"},
    };
    std::printf("%-22s %7s %4s %8s %8s %8s %12s %10s %12s\n", "place", "limit", "bla", "orbit_s",
                "steps_s", "pixels_s", "updates", "per_px_us", "brute_px_us");
    for (const CPlace& place : places) {
        for (const std::int32_t limit : {10000, 100000}) {
            const double brute = BruteForcePerPixel(place, side, limit, 8);
            for (const bool bla : {false, true}) {
                const CResult r = Render(place, side, limit, bla);
                const double total = r.orbit + r.steps + r.pixels;
                std::printf("%-22s %7d %4s %8.3f %8.3f %8.3f %12llu %10.3f %12.1f\n", place.name,
                            limit, bla ? "on" : "off", r.orbit, r.steps, r.pixels,
                            static_cast<unsigned long long>(r.updates),
                            total / (double(side) * side) * 1e6, brute * 1e6);
            }
        }
    }
    return 0;
}
