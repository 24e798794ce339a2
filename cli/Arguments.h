#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Strict parsers for command-line values: the whole text must be the value.

std::optional<std::int64_t> ParseInteger(const std::string& text);
std::optional<double> ParseReal(const std::string& text);  // finite values only
// "WxH" with both sides from 1 to maxSide.
std::optional<std::pair<int, int>> ParseSize(const std::string& text, int maxSide);
// Exactly N comma-separated finite reals.
template <std::size_t N>
std::optional<std::array<double, N>> ParseReals(const std::string& text);
