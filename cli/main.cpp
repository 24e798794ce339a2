#include <string>
#include <vector>

#include "cli/BenchCommand.h"
#include "cli/InfoCommand.h"
#include "cli/ParamsCommand.h"
#include "cli/RenderCommand.h"
#include "cli/Usage.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        return UsageError("no command given");
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "render") {
        return RunRenderCommand(args);
    }
    if (command == "bench") {
        return RunBenchCommand(args);
    }
    if (command == "info") {
        return RunInfoCommand(args);
    }
    if (command == "params") {
        return RunParamsCommand(args);
    }
    if (command == "help" || command == "--help" || command == "-h") {
        PrintUsage(stdout);
        return kExitOk;
    }
    return UsageError("unknown command '" + command + "'");
}
