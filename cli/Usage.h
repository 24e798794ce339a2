#pragma once

#include <cstdio>
#include <string>

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Prints the message and the usage text to stderr; returns kExitUsage.
int UsageError(const std::string& message);
void PrintUsage(std::FILE* out);
