#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <sstream>
#include <string_view>
#include <variant>
#include <vector>

#include "document/Archive.h"
#include "document/MorvaneDoc.h"

// Little-endian bytes put together by hand, so that expected files do not
// depend on the archive under test.
class CByteWriter {
public:
    CByteWriter& U8(std::uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    CByteWriter& U16(std::uint16_t v) { return Le(v, 2); }
    CByteWriter& U32(std::uint32_t v) { return Le(v, 4); }
    CByteWriter& I32(std::int32_t v) { return Le(static_cast<std::uint32_t>(v), 4); }
    CByteWriter& F64(double v) { return Le(std::bit_cast<std::uint64_t>(v), 8); }
    CByteWriter& Put(std::int32_t v) { return I32(v); }
    CByteWriter& Put(double v) { return F64(v); }
    CByteWriter& Raw(std::string_view s) {
        m_bytes.insert(m_bytes.end(), s.begin(), s.end());
        return *this;
    }
    // One length byte, then the bytes: the form the program writes.
    CByteWriter& Str(std::string_view s) { return U8(static_cast<std::uint8_t>(s.size())).Raw(s); }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    CByteWriter& Le(std::uint64_t v, int count) {
        for (int i = 0; i < count; ++i) {
            m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    std::vector<std::uint8_t> m_bytes;
};

// Every value a parameter file holds, in file order.
struct CParams {
    std::int32_t kind;
    double xMin, xMax, yMin, yMax, juliaRe, juliaIm;
    std::int32_t limit, count, pattern, width, height;
    double otherXMin, otherXMax, otherYMin, otherYMax;
};

struct CFieldInfo {
    const char* name;
    std::variant<std::int32_t CParams::*, double CParams::*> member;

    bool IsInt() const { return std::holds_alternative<std::int32_t CParams::*>(member); }
    std::size_t Size() const { return IsInt() ? 4 : 8; }
    bool IsLimit() const { return IsInt() && std::get<0>(member) == &CParams::limit; }
    void Copy(const CParams& from, CParams& to) const {
        std::visit([&](auto m) { to.*m = from.*m; }, member);
    }
};

inline const std::vector<CFieldInfo>& FileFields() {
    static const std::vector<CFieldInfo> fields = {
        {"kind", &CParams::kind},           {"xMin", &CParams::xMin},
        {"xMax", &CParams::xMax},           {"yMin", &CParams::yMin},
        {"yMax", &CParams::yMax},           {"juliaRe", &CParams::juliaRe},
        {"juliaIm", &CParams::juliaIm},     {"limit", &CParams::limit},
        {"count", &CParams::count},         {"pattern", &CParams::pattern},
        {"width", &CParams::width},         {"height", &CParams::height},
        {"otherXMin", &CParams::otherXMin}, {"otherXMax", &CParams::otherXMax},
        {"otherYMin", &CParams::otherYMin}, {"otherYMax", &CParams::otherYMax},
    };
    return fields;
}

inline CParams NewDocumentParams() {
    return {0, -1.8, 0.6, -1.2, 1.2, -0.725, 0.21, 100, 100, 0, 240, 240, -1.5, 1.5, -1.5, 1.5};
}

// A new document keeps the other-kind region it had, here the one of `other`.
inline CParams NewParamsKeepingOtherRegion(const CParams& other) {
    CParams p = NewDocumentParams();
    p.otherXMin = other.otherXMin;
    p.otherXMax = other.otherXMax;
    p.otherYMin = other.otherYMin;
    p.otherYMax = other.otherYMax;
    return p;
}

// Two sets that differ from the new document, and from each other, in every value but the kind.
inline CParams SampleParams() {
    return {1,  -0.75, -0.25, 0.1, 0.35,  0.285, 0.01,  500,
            64, 3,     320,   200, -2.25, 1.25,  -1.75, 1.75};
}
inline CParams AltParams() {
    return {1, -0.5, 0.5, -0.4, 0.4, -0.4, 0.6, 777, 333, 5, 640, 480, -1.25, 0.25, -0.5, 0.5};
}

inline CParams ParamsOf(const CMorvaneDoc& doc) {
    const CFractalEngine& e = doc.m_engine;
    return {e.m_kind,         e.m_xMin,           e.m_xMax,         e.m_yMin,
            e.m_yMax,         e.m_juliaRe,        e.m_juliaIm,      doc.m_iterationLimit,
            doc.m_colorCount, doc.m_colorPattern, doc.m_imageWidth, doc.m_imageHeight,
            e.m_otherXMin,    e.m_otherXMax,      e.m_otherYMin,    e.m_otherYMax};
}

inline void SetParams(CMorvaneDoc& doc, const CParams& p) {
    CFractalEngine& e = doc.m_engine;
    e.m_kind = p.kind;
    e.m_xMin = p.xMin;
    e.m_xMax = p.xMax;
    e.m_yMin = p.yMin;
    e.m_yMax = p.yMax;
    e.m_juliaRe = p.juliaRe;
    e.m_juliaIm = p.juliaIm;
    doc.m_iterationLimit = p.limit;
    doc.m_colorCount = p.count;
    doc.m_colorPattern = p.pattern;
    doc.m_imageWidth = p.width;
    doc.m_imageHeight = p.height;
    e.m_otherXMin = p.otherXMin;
    e.m_otherXMax = p.otherXMax;
    e.m_otherYMin = p.otherYMin;
    e.m_otherYMax = p.otherYMax;
}

inline bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
inline bool SameValue(double a, double b) {
    return SameBits(a, b);
}
inline bool SameValue(std::int32_t a, std::int32_t b) {
    return a == b;
}

// Every field equal, reals bit for bit; names each field that differs.
inline ::testing::AssertionResult SameParams(const CParams& expected, const CParams& actual) {
    std::ostringstream differences;
    for (const CFieldInfo& f : FileFields()) {
        std::visit(
            [&](auto m) {
                if (!SameValue(expected.*m, actual.*m)) {
                    differences << " " << f.name << " " << actual.*m << " not " << expected.*m;
                }
            },
            f.member);
    }
    if (differences.str().empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "differ:" << differences.str();
}

// A parameter file; files older than "0.3" have no iteration limit (withLimit false).
inline std::vector<std::uint8_t> FileBytes(const CParams& p, std::string_view version = "0.3",
                                           bool withLimit = true,
                                           std::string_view signature = "Velmora") {
    CByteWriter w;
    w.Str(signature).Str(version);
    for (const CFieldInfo& f : FileFields()) {
        if (withLimit || !f.IsLimit()) {
            std::visit([&](auto m) { w.Put(p.*m); }, f.member);
        }
    }
    return w.Bytes();
}

// The cause the call threw, or nothing when it returned normally.
template <class F>
std::optional<CArchiveException::Cause> ThrownCause(F&& f) {
    try {
        f();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return std::nullopt;
}

inline std::optional<CArchiveException::Cause> Load(CMorvaneDoc& doc,
                                                    const std::vector<std::uint8_t>& bytes) {
    return ThrownCause([&] {
        CArchive ar(bytes);
        doc.Serialize(ar);
    });
}

inline std::vector<std::uint8_t> Store(CMorvaneDoc& doc) {
    CArchive ar;
    doc.Serialize(ar);
    return ar.Data();
}
