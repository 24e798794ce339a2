#include "document/DeepExtension.h"

#include <memory>
#include <string>

#include "document/Archive.h"
#include "engine/FractalEngine.h"

namespace {

constexpr std::int32_t kTag = 0x50454456;  // "VDEP" in the file
constexpr std::int32_t kVersion = 1;
constexpr std::int32_t kRegion = 1;
constexpr std::int32_t kOtherRegion = 2;

[[noreturn]] void Refuse() {
    throw CArchiveException(CArchiveException::badFormat);
}

const CDeepRegion* Counting(const std::unique_ptr<CDeepRegion>& deep, double xMin, double xMax,
                            double yMin, double yMax) {
    return deep && deep->Rounds(xMin, xMax, yMin, yMax) ? deep.get() : nullptr;
}

void StoreRegion(CArchive& ar, const CDeepRegion& region, long precision) {
    for (const CBigReal* bound : {&region.XMin(), &region.XMax(), &region.YMin(), &region.YMax()}) {
        CBigReal value(*bound);
        value.SetPrecision(precision);
        ar.WriteString(value.ToString());
    }
}

std::unique_ptr<CDeepRegion> LoadRegion(CArchive& ar, long precision, double xMin, double xMax,
                                        double yMin, double yMax) {
    // Decimal digits of the precision, a sign, a point and an exponent.
    const std::size_t longest = static_cast<std::size_t>(precision) * 30103 / 100000 + 64;
    std::string texts[4];
    for (std::string& text : texts) {
        text = ar.ReadString();
        if (text.size() > longest) {
            Refuse();
        }
    }
    auto region = std::make_unique<CDeepRegion>(precision);
    if (!region->Set(precision, texts[0], texts[1], texts[2], texts[3]) ||
        !region->Rounds(xMin, xMax, yMin, yMax)) {
        Refuse();
    }
    return region;
}

}  // namespace

void StoreDeepExtension(CArchive& ar, const CFractalEngine& e) {
    const CDeepRegion* region = Counting(e.m_deep, e.m_xMin, e.m_xMax, e.m_yMin, e.m_yMax);
    const CDeepRegion* other =
        Counting(e.m_otherDeep, e.m_otherXMin, e.m_otherXMax, e.m_otherYMin, e.m_otherYMax);
    if (!region && !other) {
        return;
    }
    const long precision =
        std::max(region ? region->Precision() : 0L, other ? other->Precision() : 0L);
    ar.WriteInt32(kTag);
    ar.WriteInt32(kVersion);
    ar.WriteInt32((region ? kRegion : 0) | (other ? kOtherRegion : 0));
    ar.WriteInt32(static_cast<std::int32_t>(precision));
    if (region) {
        StoreRegion(ar, *region, precision);
    }
    if (other) {
        StoreRegion(ar, *other, precision);
    }
}

void LoadDeepExtension(CArchive& ar, CFractalEngine& e) {
    e.m_deep.reset();
    e.m_otherDeep.reset();
    if (ar.Remaining() < 4 || ar.ReadInt32() != kTag) {
        return;  // no extension: trailing bytes mean nothing
    }
    const std::int32_t version = ar.ReadInt32();
    const std::int32_t which = ar.ReadInt32();
    const std::int32_t precision = ar.ReadInt32();
    if (version != kVersion || which < 1 || which > (kRegion | kOtherRegion) ||
        precision < CDeepRegion::kMinPrecision || precision > CDeepRegion::kMaxPrecision) {
        Refuse();
    }
    std::unique_ptr<CDeepRegion> region;
    std::unique_ptr<CDeepRegion> other;
    if (which & kRegion) {
        region = LoadRegion(ar, precision, e.m_xMin, e.m_xMax, e.m_yMin, e.m_yMax);
    }
    if (which & kOtherRegion) {
        other =
            LoadRegion(ar, precision, e.m_otherXMin, e.m_otherXMax, e.m_otherYMin, e.m_otherYMax);
    }
    e.m_deep = std::move(region);
    e.m_otherDeep = std::move(other);
}
