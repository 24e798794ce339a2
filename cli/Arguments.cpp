#include "cli/Arguments.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

std::optional<std::int64_t> ParseInteger(const std::string& text) {
    if (text.empty() || text.size() > 20 || std::isspace(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseReal(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::pair<int, int>> ParseSize(const std::string& text, int maxSide) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) {
        return std::nullopt;
    }
    const auto w = ParseInteger(text.substr(0, x));
    const auto h = ParseInteger(text.substr(x + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > maxSide || *h > maxSide) {
        return std::nullopt;
    }
    return std::pair{static_cast<int>(*w), static_cast<int>(*h)};
}

template <std::size_t N>
std::optional<std::array<double, N>> ParseReals(const std::string& text) {
    std::array<double, N> values{};
    std::size_t start = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const std::size_t comma = text.find(',', start);
        const bool last = i + 1 == N;
        if (last != (comma == std::string::npos)) {
            return std::nullopt;
        }
        const auto value = ParseReal(text.substr(start, last ? std::string::npos : comma - start));
        if (!value) {
            return std::nullopt;
        }
        values[i] = *value;
        start = comma + 1;
    }
    return values;
}

template std::optional<std::array<double, 2>> ParseReals<2>(const std::string&);
template std::optional<std::array<double, 4>> ParseReals<4>(const std::string&);
