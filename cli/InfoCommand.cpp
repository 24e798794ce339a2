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
    // A deep region's bounds with every digit they hold.
    const auto bounds = [&](const char* names[4], const CDeepRegion* deep, const double values[4]) {
        const CBigReal* exact[4] = {};
        if (deep) {
            exact[0] = &deep->XMin();
            exact[1] = &deep->XMax();
            exact[2] = &deep->YMin();
            exact[3] = &deep->YMax();
        }
        for (int i = 0; i < 4; ++i) {
            if (deep) {
                std::printf("%s %s\n", names[i], exact[i]->ToString().c_str());
            } else {
                real(names[i], values[i]);
            }
        }
    };
    integer("kind", e.m_kind);
    const char* region[4] = {"xmin", "xmax", "ymin", "ymax"};
    const double regionValues[4] = {e.m_xMin, e.m_xMax, e.m_yMin, e.m_yMax};
    bounds(region, e.m_deep.get(), regionValues);
    real("julia_re", e.m_juliaRe);
    real("julia_im", e.m_juliaIm);
    integer("iterations", doc.m_iterationLimit);
    integer("colors", doc.m_colorCount);
    integer("pattern", doc.m_colorPattern);
    integer("width", doc.m_imageWidth);
    integer("height", doc.m_imageHeight);
    const char* other[4] = {"other_xmin", "other_xmax", "other_ymin", "other_ymax"};
    const double otherValues[4] = {e.m_otherXMin, e.m_otherXMax, e.m_otherYMin, e.m_otherYMax};
    bounds(other, e.m_otherDeep.get(), otherValues);
    if (e.m_deep || e.m_otherDeep) {
        integer("precision", static_cast<int>((e.m_deep ? e.m_deep : e.m_otherDeep)->Precision()));
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}
