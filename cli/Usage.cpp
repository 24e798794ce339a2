#include "cli/Usage.h"

void PrintUsage(std::FILE* out) {
    std::fputs(
        "usage: velmora-cli COMMAND [ARGS]\n"
        "\n"
        "commands:\n"
        "  render -o OUT.png   render the new-document picture and write it as PNG\n"
        "  help                show this text\n",
        out);
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "velmora-cli: %s\n", message.c_str());
    PrintUsage(stderr);
    return kExitUsage;
}
