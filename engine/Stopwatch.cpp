#include "engine/Stopwatch.h"

#include <chrono>

CStopwatch::CStopwatch() {
    using Period = std::chrono::steady_clock::period;
    m_frequency = static_cast<double>(Period::den) / static_cast<double>(Period::num);
    Start();
}

double CStopwatch::ReadCounter() {
    return static_cast<double>(std::chrono::steady_clock::now().time_since_epoch().count());
}

void CStopwatch::Start() {
    m_start = ReadCounter();
}

double CStopwatch::Elapsed() {
    const double reading = ReadCounter();
    m_last.store(reading, std::memory_order_relaxed);
    return (reading - m_start) / m_frequency;
}
