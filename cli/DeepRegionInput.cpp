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
    // A first reading at a precision far above double's tells the step.
    CDeepRegion probe(256);
    if (!probe.Set(256, parts[0], parts[1], parts[2], parts[3])) {
        return nullptr;
    }
    const double xMin = probe.XMin().ToDouble();
    const double xMax = probe.XMax().ToDouble();
    const double yMin = probe.YMin().ToDouble();
    const double yMax = probe.YMax().ToDouble();
    if (CDeepRegion::DoublesSuffice(xMin, xMax, yMin, yMax, width, height)) {
        return nullptr;
    }
    CBigReal span(256);
    mpfr_sub(span.Get(), probe.XMax().Get(), probe.XMin().Get(), MPFR_RNDN);
    double step = std::abs(span.ToDouble()) / width;
    mpfr_sub(span.Get(), probe.YMax().Get(), probe.YMin().Get(), MPFR_RNDN);
    step = std::min(step, std::abs(span.ToDouble()) / height);
    long precision = CDeepRegion::PrecisionForStep(step);
    for (const std::string& part : parts) {
        precision = std::max(precision, BitsOfDigits(part));
    }
    precision = std::min(precision, CDeepRegion::kMaxPrecision);
    auto region = std::make_unique<CDeepRegion>(precision);
    if (!region->Set(precision, parts[0], parts[1], parts[2], parts[3])) {
        return nullptr;
    }
    return region;
}
