#include "cli/InfoCommand.h"

#include <cstdio>

#include "cli/DocumentInput.h"
#include "cli/Usage.h"
#include "document/MorvaneDoc.h"

int RunInfoCommand(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].starts_with("-")) {
        return UsageError("info takes exactly one FILE.mvn");
    }
    CMorvaneDoc doc;
    if (!LoadDocument(doc, args[0])) {
        return kExitFailed;
    }
    const CFractalEngine& e = doc.m_engine;
    const auto real = [](const char* name, double value) {
        std::printf("%s %.17g\n", name, value);
    };
    const auto integer = [](const char* name, int value) { std::printf("%s %d\n", name, value); };
    integer("kind", e.m_kind);
    real("xmin", e.m_xMin);
    real("xmax", e.m_xMax);
    real("ymin", e.m_yMin);
    real("ymax", e.m_yMax);
    real("julia_re", e.m_juliaRe);
    real("julia_im", e.m_juliaIm);
    integer("iterations", doc.m_iterationLimit);
    integer("colors", doc.m_colorCount);
    integer("pattern", doc.m_colorPattern);
    integer("width", doc.m_imageWidth);
    integer("height", doc.m_imageHeight);
    real("other_xmin", e.m_otherXMin);
    real("other_xmax", e.m_otherXMax);
    real("other_ymin", e.m_otherYMin);
    real("other_ymax", e.m_otherYMax);
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}
