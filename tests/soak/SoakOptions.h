#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>

// How long the soak runs and which random sequence it follows, from the
// environment: VELMORA_SOAK_SECONDS, VELMORA_SOAK_SEED, and VELMORA_SOAK_TRACE
// (non-zero: every action is printed as it is done, for replaying a crash)
// and VELMORA_SOAK_KNOWN_FAULTS (non-zero: also the actions that run into a
// fault not mended yet, which the default run steers around).
struct CSoakOptions {
    static constexpr double kDefaultSeconds = 45.0;
    static constexpr std::uint64_t kDefaultSeed = 20240611;

    double seconds = kDefaultSeconds;
    std::uint64_t seed = kDefaultSeed;
    bool trace = false;
    bool knownFaults = false;

    static CSoakOptions FromEnvironment() {
        CSoakOptions options;
        bool ok = false;
        const double seconds = qEnvironmentVariable("VELMORA_SOAK_SECONDS").toDouble(&ok);
        if (ok && seconds > 0.0) {
            options.seconds = seconds;
        }
        const std::uint64_t seed = qEnvironmentVariable("VELMORA_SOAK_SEED").toULongLong(&ok);
        if (ok) {
            options.seed = seed;
        }
        options.trace = qEnvironmentVariableIntValue("VELMORA_SOAK_TRACE") != 0;
        options.knownFaults = qEnvironmentVariableIntValue("VELMORA_SOAK_KNOWN_FAULTS") != 0;
        return options;
    }
};
