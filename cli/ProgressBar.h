#pragma once

#include <chrono>
#include <cstdio>

// A one-line progress bar on a terminal, shown only once a job has run for
// a moment, so quick jobs print nothing.
class CProgressBar {
public:
    explicit CProgressBar(std::FILE* out);
    ~CProgressBar();

    CProgressBar(const CProgressBar&) = delete;
    CProgressBar& operator=(const CProgressBar&) = delete;

    void Update(int percent);

private:
    std::FILE* m_out;
    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start;
};
