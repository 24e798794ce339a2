// Deep pictures: SIDE x SIDE at a few depths and limits, with the orbit's
// many-update steps off and on, on two threads, against the time per pixel of
// a count done wholly in arbitrary precision at the pixel step's bits plus 53;
// then the time from a click zoom to the engine's first coarse picture.
//   velmora_deep_bench [SIDE [PLACE [on|off [TARGET]]]]
// PLACE is part of the places' names; on or off keeps only those steps;
// TARGET names the instruction set for the vectors (AVX2, AVX3, ...).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <hwy/targets.h>

#include "engine/DeepRegion.h"
#include "engine/FractalEngine.h"
#include "engine/MessageQueue.h"
#include "engine/PerturbedKernel.h"
#include "engine/ReferenceOrbit.h"
#include "tests/engine/BruteForce.h"
#include "tests/engine/DeepPlaces.h"

namespace {

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
};

// Counts of the whole picture on two threads, rows dealt in turn.
CResult Render(const DeepPlace& place, int side, std::int32_t limit, bool approximate) {
    const CFloatExp step = place.width * CFloatExp::FromDouble(1.0 / side);
    const auto [re, im] = CentreForStep(place, step);
    CResult result;
    auto start = std::chrono::steady_clock::now();
    CReferenceOrbit orbit;
    orbit.Compute(place.kind, re, im, 0.0, 1.0, limit);
    result.orbit = Seconds(start);
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

// Seconds per pixel of the brute force on two threads, from pixels spread
// over the picture.
double BruteForcePerPixel(const DeepPlace& place, int side, std::int32_t limit, int samples) {
    const CFloatExp step = place.width * CFloatExp::FromDouble(1.0 / side);
    const long precision = static_cast<long>(53 - step.Exponent());
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int k = 0; k < 2; ++k) {
        workers.emplace_back([&, k] {
            CBigReal x(precision);
            CBigReal y(precision);
            CBigReal d(precision);
            for (int s = k; s < samples; s += 2) {
                for (int axis = 0; axis < 2; ++axis) {
                    const int pixel = (s * (axis ? 53 : 37)) % side - side / 2;
                    const CFloatExp offset = step * CFloatExp::FromDouble(pixel);
                    CBigReal& target = axis ? y : x;
                    mpfr_set(target.Get(), (axis ? place.im : place.re).Get(), MPFR_RNDN);
                    mpfr_set_d(d.Get(), offset.Mantissa(), MPFR_RNDN);
                    mpfr_mul_2si(d.Get(), d.Get(), static_cast<long>(offset.Exponent()), MPFR_RNDN);
                    mpfr_add(target.Get(), target.Get(), d.Get(), MPFR_RNDN);
                }
                BruteForceCount(place.kind, x, y, 0.0, 1.0, limit);
            }
        });
    }
    for (std::thread& t : workers) {
        t.join();
    }
    return Seconds(start) / samples;
}

// Seconds from a zoom by two about a pixel to the first coarse picture, and
// to the finished one, in an engine that has just finished the place.
void ClickLatency(const DeepPlace& place, int side, std::int32_t limit) {
    CMessageQueue queue;
    std::vector<std::uint32_t> table(100, 0xFFFFFFu);
    CFractalEngine engine(2);
    engine.m_kind = place.kind;
    engine.m_juliaRe = 0.0;
    engine.m_juliaIm = 1.0;
    engine.m_iterationLimit = limit + 1;
    engine.SetColorTable(table.data(), 100);
    engine.CreateSurface(side, side, 32);
    const CFloatExp half = place.width * CFloatExp::FromDouble(0.5);
    const long precision =
        CDeepRegion::PrecisionForStep(place.width * CFloatExp::FromDouble(1.0 / side));
    auto deep = std::make_unique<CDeepRegion>(precision);
    CBigReal h(precision);
    mpfr_set_d(h.Get(), half.Mantissa(), MPFR_RNDN);
    mpfr_mul_2si(h.Get(), h.Get(), static_cast<long>(half.Exponent()), MPFR_RNDN);
    CBigReal bounds[4] = {place.re, place.re, place.im, place.im};
    for (int i = 0; i < 4; ++i) {
        bounds[i].SetPrecision(precision);
        (i % 2 ? mpfr_add : mpfr_sub)(bounds[i].Get(), bounds[i].Get(), h.Get(), MPFR_RNDN);
    }
    deep->Set(precision, bounds[0].ToString(), bounds[1].ToString(), bounds[2].ToString(),
              bounds[3].ToString());
    engine.m_xMin = deep->XMin().ToDouble();
    engine.m_xMax = deep->XMax().ToDouble();
    engine.m_yMin = deep->YMin().ToDouble();
    engine.m_yMax = deep->YMax().ToDouble();
    engine.m_deep = std::move(deep);
    // One job: returns the seconds to the first pass's end and to the last's.
    const auto job = [&] {
        const auto start = std::chrono::steady_clock::now();
        engine.StartCoarse(&queue);
        double coarse = -1.0;
        for (;;) {
            const auto m = queue.Wait(std::chrono::seconds(600));
            if (!m) {
                return std::pair{-1.0, -1.0};
            }
            if (m->message == WM_RENDER_DONE && engine.IsCurrentPass(m->lParam)) {
                if (coarse < 0.0) {
                    coarse = Seconds(start);
                }
                if (!engine.RefineNext()) {
                    return std::pair{coarse, Seconds(start)};
                }
            }
        }
    };
    const auto first = job();
    // A click at a quarter of the width and height: the new picture's centre.
    const double q = side / 4.0;
    const CDeepRegion::CMove move{{q - side / 4.0, double(side)},
                                  {q + side / 4.0, double(side)},
                                  {q - side / 4.0, double(side)},
                                  {q + side / 4.0, double(side)}};
    auto plan = engine.PlanMove(engine.m_xMin, engine.m_xMax, engine.m_yMin, engine.m_yMax, move);
    if (plan) {
        engine.ApplyPlan(std::move(*plan));
    }
    const auto clicked = job();
    std::printf(
        "%-16s %7d first job: coarse %.3f s, finished %.3f s; after a click: coarse "
        "%.3f s, finished %.3f s\n",
        place.name.c_str(), limit, first.first, first.second, clicked.first, clicked.second);
}

}  // namespace

int main(int argc, char** argv) {
    const int side = argc > 1 ? std::max(8, std::atoi(argv[1])) : 480;
    const auto two = CFloatExp::FromDouble(2.0);
    const DeepPlace places[] = {
        TextPlace("spiral 1e-24", 0, "0", "1", "1e-24", 0),
        TextPlace("seahorse 1e-24", 0, "-0.7436438870371587047521915061147746",
                  "0.1318259042053119704931320563851", "1e-24", 0),
        IslandPlace("island 1e-24", "0", "1", FromText("1e-13") * two, 20.0, 0),
        IslandPlace("island 1e-300", "0", "1", FromText("1e-151") * two, 20.0, 0),
        IslandPlace("island 1e-1000", "0", "1", FromText("1e-501") * two, 20.0, 0),
        TextPlace("Julia 1e-300", 1, "0", "1", "1e-300", 0),
        TextPlace("Julia 1e-1000", 1, "0", "1", "1e-1000", 0),
    };
    std::printf("%-16s %7s %4s %8s %8s %8s %12s %10s %12s\n", "place", "limit", "bla", "orbit_s",
                "steps_s", "pixels_s", "updates", "per_px_us", "brute_px_us");
    const std::string only = argc > 2 ? argv[2] : "";
    const std::string steps = argc > 3 ? argv[3] : "";
    if (argc > 4) {
        std::int64_t chosenTarget = 0;
        for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
            if (std::string(hwy::TargetName(target)) == argv[4]) {
                chosenTarget = target;
            }
        }
        if (chosenTarget == 0) {
            std::fprintf(stderr, "velmora_deep_bench: no target %s here\n", argv[4]);
            return 2;
        }
        hwy::SetSupportedTargetsForTest(chosenTarget);
    }
    const auto chosen = [&](const DeepPlace& place) {
        return place.name.find(only) != std::string::npos;
    };
    for (const DeepPlace& place : places) {
        if (!chosen(place)) {
            continue;
        }
        for (const std::int32_t limit : {10000, 100000}) {
            const double brute = BruteForcePerPixel(place, side, limit, 8);
            for (const bool bla : {false, true}) {
                if (!steps.empty() && steps != (bla ? "on" : "off")) {
                    continue;
                }
                const CResult r = Render(place, side, limit, bla);
                const double total = r.orbit + r.steps + r.pixels;
                std::printf("%-16s %7d %4s %8.3f %8.3f %8.3f %12llu %10.3f %12.1f\n",
                            place.name.c_str(), limit, bla ? "on" : "off", r.orbit, r.steps,
                            r.pixels, static_cast<unsigned long long>(r.updates),
                            total / (double(side) * side) * 1e6, brute * 1e6);
            }
        }
    }
    for (const DeepPlace& place : places) {
        if (chosen(place)) {
            ClickLatency(place, side, 100000);
        }
    }
    return 0;
}
