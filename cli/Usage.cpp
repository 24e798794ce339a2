#include "cli/Usage.h"

void PrintUsage(std::FILE* out) {
    std::fputs(
        "usage: velmora-cli COMMAND [ARGS]\n"
        "\n"
        "commands:\n"
        "  render [FILE.mvn] -o OUT.png [--size WxH]\n"
        "      render FILE (or a new document) through the progressive job and write\n"
        "      it as PNG; --size renders the same region with more or fewer pixels\n"
        "      (each side 1 to 16384)\n"
        "  info FILE.mvn\n"
        "      print the values of a parameter file\n"
        "  params [FILE.mvn] -o OUT.mvn [--kind 0|1] [--region XMIN,XMAX,YMIN,YMAX]\n"
        "         [--julia RE,IM] [--iterations N] [--colors N] [--pattern N]\n"
        "         [--size WxH] [--other-region XMIN,XMAX,YMIN,YMAX]\n"
        "      write a parameter file from FILE (or a new document) with values replaced\n"
        "  bench [--threads N] [--json] [--kernel scalar|simd]\n"
        "      render the eleven benchmark scenes and report their times\n"
        "  help\n"
        "      show this text\n",
        out);
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "velmora-cli: %s\n", message.c_str());
    PrintUsage(stderr);
    return kExitUsage;
}
