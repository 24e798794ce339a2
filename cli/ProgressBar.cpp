#include "cli/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

constexpr auto kQuietTime = std::chrono::milliseconds(500);
constexpr int kBarWidth = 40;

}  // namespace

CProgressBar::CProgressBar(std::FILE* out)
    : m_out(out),
      m_enabled(::isatty(::fileno(out)) == 1),
      m_start(std::chrono::steady_clock::now()) {}

CProgressBar::~CProgressBar() {
    if (m_shown) {
        std::fputc('\n', m_out);
    }
}

void CProgressBar::Update(int percent) {
    if (!m_enabled || std::chrono::steady_clock::now() - m_start < kQuietTime) {
        return;
    }
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * kBarWidth / 100;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), '.');
    std::fprintf(m_out, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(m_out);
    m_shown = true;
}
