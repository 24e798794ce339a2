#include "cli/DeepRegionInput.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// Bits that the significant decimal digits of a number carry.
long BitsOfDigits(const std::string& text) {
    long digits = 0;
    for (const char c : text) {
        if (c == 'e' || c == 'E') {
            break;
        }
        digits += std::isdigit(static_cast<unsigned char>(c)) ? 1 : 0;
    }
    return digits * 3322 / 1000 + 8;
}

}  // namespace

std::unique_ptr<CDeepRegion> DeepRegionFromText(const std::string& text, int width, int height) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (parts.size() != 4) {
        return nullptr;
    }
    // A first reading at the precision the digits carry tells the step.
    long precision = CDeepRegion::kMinPrecision;
    for (const std::string& part : parts) {
        precision = std::max(precision, BitsOfDigits(part));
    }
    precision = std::min(precision, CDeepRegion::kMaxPrecision);
    CDeepRegion probe(precision);
    if (!probe.Set(precision, parts[0], parts[1], parts[2], parts[3])) {
        return nullptr;
    }
    if (CDeepRegion::DoublesSuffice(probe.XMin().ToDouble(), probe.XMax().ToDouble(),
                                    probe.YMin().ToDouble(), probe.YMax().ToDouble(), width,
                                    height)) {
        return nullptr;
    }
    const CFloatExp xStep = probe.Width() * CFloatExp::FromDouble(1.0 / std::max(1, width));
    const CFloatExp yStep = probe.Height() * CFloatExp::FromDouble(1.0 / std::max(1, height));
    const long needed = CDeepRegion::PrecisionForStep(yStep < xStep ? yStep : xStep);
    precision = needed == 0 ? CDeepRegion::kMaxPrecision : std::max(precision, needed);
    auto region = std::make_unique<CDeepRegion>(precision);
    if (!region->Set(precision, parts[0], parts[1], parts[2], parts[3])) {
        return nullptr;
    }
    return region;
}
