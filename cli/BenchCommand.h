#pragma once

#include <string>
#include <vector>

// velmora-cli bench [--threads N] [--json] [--kernel scalar|simd]: the eleven benchmark scenes
// through the progressive engine, timed scene by scene.
int RunBenchCommand(const std::vector<std::string>& args);
