#pragma once

#include <atomic>

// Elapsed-time counter on the monotonic high-resolution clock. Elapsed may be
// read from several worker threads at once; Start runs only while none does.
class CStopwatch {
public:
    CStopwatch();
    virtual ~CStopwatch() = default;

    CStopwatch(const CStopwatch&) = delete;
    CStopwatch& operator=(const CStopwatch&) = delete;

    void Start();
    // Seconds since the last Start; stores the reading and does not restart.
    double Elapsed();

private:
    static double ReadCounter();

    double m_start = 0.0;
    std::atomic<double> m_last{0.0};
    double m_frequency = 0.0;
};
