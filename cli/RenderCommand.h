#pragma once

#include <string>
#include <vector>

// velmora-cli render: renders a picture through the progressive engine and
// writes it as a PNG. Returns the process exit code.
int RunRenderCommand(const std::vector<std::string>& args);
