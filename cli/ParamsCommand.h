#pragma once

#include <string>
#include <vector>

// velmora-cli params [FILE.mvn] -o OUT.mvn [options]: writes a parameter file
// from a file or the new-document values with some values replaced.
int RunParamsCommand(const std::vector<std::string>& args);
