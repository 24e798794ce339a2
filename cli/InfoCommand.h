#pragma once

#include <string>
#include <vector>

// velmora-cli info FILE.mvn: the file's values, one "name value" line each.
int RunInfoCommand(const std::vector<std::string>& args);
