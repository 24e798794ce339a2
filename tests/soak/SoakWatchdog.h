#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

// Ends the process with a report when a burst of the soak has not finished
// by its deadline, so that a hang fails the run instead of stalling it. Runs
// on a thread of its own: a user-interface thread stuck in a wait cannot
// serve a timer.
class CSoakWatchdog {
public:
    explicit CSoakWatchdog(std::uint64_t seed) : m_seed(seed), m_thread([this] { Run(); }) {}

    ~CSoakWatchdog() {
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    CSoakWatchdog(const CSoakWatchdog&) = delete;
    CSoakWatchdog& operator=(const CSoakWatchdog&) = delete;

    void Arm(int burst, std::chrono::seconds limit) {
        {
            const std::lock_guard lock(m_mutex);
            m_burst = burst;
            m_deadline = std::chrono::steady_clock::now() + limit;
            m_armed = true;
            m_recent.clear();
        }
        m_wake.notify_all();
    }

    void Disarm() {
        const std::lock_guard lock(m_mutex);
        m_armed = false;
    }

    // What the user did last, shown should the deadline pass.
    void Note(const std::string& action) {
        const std::lock_guard lock(m_mutex);
        m_recent.push_back(action);
        if (m_recent.size() > kRecentActions) {
            m_recent.pop_front();
        }
    }

private:
    static constexpr std::size_t kRecentActions = 40;

    void Run() {
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (!m_armed) {
                m_wake.wait(lock);
                continue;
            }
            if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed &&
                std::chrono::steady_clock::now() >= m_deadline) {
                std::fprintf(stderr,
                             "SOAK WATCHDOG: burst %d did not finish in time (seed %llu). "
                             "Last actions:\n",
                             m_burst, static_cast<unsigned long long>(m_seed));
                for (const std::string& action : m_recent) {
                    std::fprintf(stderr, "  %s\n", action.c_str());
                }
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    const std::uint64_t m_seed;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    bool m_armed = false;
    int m_burst = 0;
    std::chrono::steady_clock::time_point m_deadline;
    std::deque<std::string> m_recent;
    std::thread m_thread;  // last: started once everything above exists
};
