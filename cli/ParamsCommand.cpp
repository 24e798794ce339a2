#include "cli/ParamsCommand.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <map>
#include <optional>

#include "cli/Arguments.h"
#include "cli/DeepRegionInput.h"
#include "cli/DocumentInput.h"
#include "cli/Usage.h"
#include "document/DocumentFlows.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"

namespace {

// The options, in the order they are applied.
const std::array<std::string, 8> kOptions = {"--kind",   "--region",  "--julia", "--iterations",
                                             "--colors", "--pattern", "--size",  "--other-region"};

// Applies one option; false when its value is malformed or out of range.
bool Apply(CMorvaneDoc& doc, const std::string& option, const std::string& value) {
    CFractalEngine& e = doc.m_engine;
    if (option == "--region" || option == "--other-region") {
        const auto r = ParseReals<4>(value);
        if (!r) {
            return false;
        }
        const bool other = option == "--other-region";
        (other ? e.m_otherXMin : e.m_xMin) = (*r)[0];
        (other ? e.m_otherXMax : e.m_xMax) = (*r)[1];
        (other ? e.m_otherYMin : e.m_yMin) = (*r)[2];
        (other ? e.m_otherYMax : e.m_yMax) = (*r)[3];
        return true;
    }
    if (option == "--julia") {
        const auto c = ParseReals<2>(value);
        if (!c) {
            return false;
        }
        e.m_juliaRe = (*c)[0];
        e.m_juliaIm = (*c)[1];
        return true;
    }
    if (option == "--size") {
        const auto size = ParseSize(value, CMorvaneDoc::kMaxImageSide);
        if (!size) {
            return false;
        }
        doc.m_imageWidth = size->first;
        doc.m_imageHeight = size->second;
        return true;
    }
    struct IntegerOption {
        const char* name;
        std::int64_t low;
        std::int64_t high;
        std::int32_t* target;
    };
    const IntegerOption integers[] = {
        {"--kind", 0, 1, &e.m_kind},
        {"--iterations", 1, CMorvaneDoc::kMaxIterationLimit, &doc.m_iterationLimit},
        {"--colors", 1, CMorvaneDoc::kMaxColorCount, &doc.m_colorCount},
        {"--pattern", INT32_MIN, INT32_MAX, &doc.m_colorPattern},
    };
    for (const IntegerOption& o : integers) {
        if (option == o.name) {
            const auto n = ParseInteger(value);
            if (!n || *n < o.low || *n > o.high) {
                return false;
            }
            *o.target = static_cast<std::int32_t>(*n);
            return true;
        }
    }
    return false;
}

}  // namespace

int RunParamsCommand(const std::vector<std::string>& args) {
    std::optional<std::string> input;
    std::optional<std::string> output;
    std::map<std::string, std::string> values;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        const bool known = std::find(kOptions.begin(), kOptions.end(), arg) != kOptions.end();
        if (arg == "-o" && hasValue && !output) {
            output = args[++i];
        } else if (known && hasValue && !values.contains(arg)) {
            values[arg] = args[++i];
        } else if (!arg.starts_with("-") && !input) {
            input = arg;
        } else {
            return UsageError("params: unexpected argument '" + arg + "'");
        }
    }
    if (!output) {
        return UsageError("params: -o OUT.mvn is required");
    }

    CMorvaneDoc doc;
    if (input && !LoadDocument(doc, *input)) {
        return kExitFailed;
    }
    for (const std::string& option : kOptions) {
        const auto it = values.find(option);
        if (it != values.end() && !Apply(doc, option, it->second)) {
            return UsageError("params: bad value for " + option + ": '" + it->second + "'");
        }
    }
    // Regions whose pixels doubles cannot place keep every digit given.
    for (const bool other : {false, true}) {
        const auto it = values.find(other ? "--other-region" : "--region");
        if (it == values.end()) {
            continue;
        }
        CFractalEngine& e = doc.m_engine;
        auto deep = DeepRegionFromText(it->second, doc.m_imageWidth, doc.m_imageHeight);
        if (deep) {
            (other ? e.m_otherXMin : e.m_xMin) = deep->XMin().ToDouble();
            (other ? e.m_otherXMax : e.m_xMax) = deep->XMax().ToDouble();
            (other ? e.m_otherYMin : e.m_yMin) = deep->YMin().ToDouble();
            (other ? e.m_otherYMax : e.m_yMax) = deep->YMax().ToDouble();
        }
        (other ? e.m_otherDeep : e.m_deep) = std::move(deep);
    }
    CPosixFileStore store;
    const CFileOutcome outcome = SaveDocumentFile(doc, *output, store);
    if (!outcome.ok) {
        std::fprintf(stderr, "velmora-cli: %s\n", outcome.message.c_str());
        return kExitFailed;
    }
    return kExitOk;
}
