#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ParameterFile.h"
#include "document/MorvaneDoc.h"

namespace {

constexpr std::size_t kFileSize = 116;
constexpr std::size_t kHeaderSize = 12;  // both strings with their length bytes

}  // namespace

TEST(MorvaneDoc, NewDocumentValues) {
    CMorvaneDoc doc(1);
    EXPECT_TRUE(SameParams(NewDocumentParams(), ParamsOf(doc)));
    EXPECT_EQ(doc.m_benchmarkRunning, 0);
    EXPECT_EQ(doc.m_fileSignature, "Velmora");
    EXPECT_EQ(doc.m_fileVersion, "0.3");
    EXPECT_FALSE(doc.IsModified());
}

TEST(MorvaneDoc, FileNewKeepsTheOtherKindRegion) {
    CMorvaneDoc doc(1);
    SetParams(doc, SampleParams());
    doc.m_benchmarkRunning = 1;
    doc.SetPathName("/pictures/old.mvn");
    doc.SetModifiedFlag(true);

    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_TRUE(SameParams(NewParamsKeepingOtherRegion(SampleParams()), ParamsOf(doc)));
    EXPECT_EQ(doc.m_benchmarkRunning, 0);
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_FALSE(doc.IsModified());
}

TEST(MorvaneDoc, RestoreGivesBackTheBackedUpSet) {
    CMorvaneDoc doc(1);
    SetParams(doc, SampleParams());
    doc.BackupParameters();

    SetParams(doc, AltParams());
    doc.m_engine.m_kind = 0;
    const std::uint32_t table[4] = {1, 2, 3, 4};
    doc.m_engine.SetColorTable(table, 4);
    doc.m_engine.m_reportProgress = 1;

    doc.RestoreParameters();
    EXPECT_TRUE(SameParams(SampleParams(), ParamsOf(doc)));
    EXPECT_EQ(doc.m_engine.m_colorTable, nullptr);
    EXPECT_EQ(doc.m_engine.m_reportProgress, 0);
}

TEST(MorvaneDoc, NewDocumentFileBytes) {
    CByteWriter w;
    w.U8(7).Raw("Velmora").U8(3).Raw("0.3").I32(0);
    for (double v : {-1.8, 0.6, -1.2, 1.2, -0.725, 0.21}) {
        w.F64(v);
    }
    for (std::int32_t v : {100, 100, 0, 240, 240}) {
        w.I32(v);
    }
    for (double v : {-1.5, 1.5, -1.5, 1.5}) {
        w.F64(v);
    }
    const std::vector<std::uint8_t>& expected = w.Bytes();
    ASSERT_EQ(expected.size(), kFileSize);
    CMorvaneDoc doc(1);
    EXPECT_EQ(Store(doc), expected);
}

TEST(MorvaneDoc, StoreThenLoadReproducesEveryValue) {
    const double denormal = std::numeric_limits<double>::denorm_min();
    const std::int32_t maxLimit = CMorvaneDoc::kMaxIterationLimit;
    const std::int32_t maxSide = CMorvaneDoc::kMaxImageSide;
    const double aboveOne = std::nextafter(1.0, 2.0);
    const CParams extreme = {1, -0.0, 0.1 + 0.2, 1e-300, denormal, -DBL_MAX, 0.1, maxLimit,
                             1, -7,   maxSide,   1,      aboveOne, -1e300,   0.0, 1.0 / 3.0};
    CMorvaneDoc source(1);
    SetParams(source, extreme);
    const auto bytes = Store(source);
    EXPECT_EQ(bytes.size(), kFileSize);

    CMorvaneDoc target(1);
    ASSERT_EQ(Load(target, bytes), std::nullopt);
    EXPECT_TRUE(SameParams(extreme, ParamsOf(target)));
    EXPECT_EQ(target.m_fileSignature, "Velmora");
    EXPECT_EQ(target.m_fileVersion, "0.3");
}

TEST(MorvaneDoc, OlderVersionsHaveNoIterationLimit) {
    CMorvaneDoc doc(1);
    for (const char* version : {"0.2", "0.25", ""}) {
        SetParams(doc, NewDocumentParams());
        ASSERT_EQ(Load(doc, FileBytes(SampleParams(), version, false)), std::nullopt) << version;
        CParams expected = SampleParams();
        expected.limit = expected.count;
        EXPECT_TRUE(SameParams(expected, ParamsOf(doc))) << version;
        // Saved again, the file is of the current version, with the limit.
        EXPECT_EQ(doc.m_fileVersion, "0.3");
        EXPECT_EQ(Store(doc), FileBytes(expected)) << version;
    }
}

TEST(MorvaneDoc, NewerVersionsAndOtherSignaturesAreRefused) {
    CMorvaneDoc doc(1);
    for (const char* version : {"0.4", "1.0", "0.30"}) {
        SetParams(doc, NewDocumentParams());
        EXPECT_EQ(Load(doc, FileBytes(SampleParams(), version)), CArchiveException::badFormat)
            << version;
        EXPECT_TRUE(SameParams(NewDocumentParams(), ParamsOf(doc))) << version;
        EXPECT_EQ(doc.m_fileVersion, "0.3");
    }
    for (const char* signature : {"velmora", "VELMORA", "VelmorA"}) {
        SetParams(doc, NewDocumentParams());
        EXPECT_EQ(Load(doc, FileBytes(SampleParams(), "0.3", true, signature)),
                  CArchiveException::badFormat)
            << signature;
        EXPECT_TRUE(SameParams(NewDocumentParams(), ParamsOf(doc))) << signature;
    }
}

TEST(MorvaneDoc, SignatureStoredAsUtf16IsAccepted) {
    CByteWriter w;
    w.U8(0xFF).U16(0xFFFE).U8(7);
    for (char c : std::string("Velmora")) {
        w.U16(static_cast<std::uint16_t>(c));
    }
    const auto rest = FileBytes(SampleParams());
    std::vector<std::uint8_t> bytes = w.Bytes();
    bytes.insert(bytes.end(), rest.begin() + 8, rest.end());

    CMorvaneDoc doc(1);
    ASSERT_EQ(Load(doc, bytes), std::nullopt);
    EXPECT_TRUE(SameParams(SampleParams(), ParamsOf(doc)));
}

// A cut file is refused, but each field that was complete before the cut has
// already been stored; the rest keep what the document held.
TEST(MorvaneDoc, EveryTruncationIsRefused) {
    const auto full = FileBytes(SampleParams());
    ASSERT_EQ(full.size(), kFileSize);
    CMorvaneDoc doc(1);
    for (std::size_t length = 1; length < kFileSize; ++length) {
        SetParams(doc, NewDocumentParams());
        const std::vector<std::uint8_t> cut(full.begin(), full.begin() + length);
        EXPECT_EQ(Load(doc, cut), CArchiveException::endOfFile) << length;

        CParams expected = NewDocumentParams();
        std::size_t end = kHeaderSize;
        for (const CFieldInfo& f : FileFields()) {
            end += f.Size();
            if (end <= length) {
                f.Copy(SampleParams(), expected);
            }
        }
        EXPECT_TRUE(SameParams(expected, ParamsOf(doc))) << "cut to " << length;
    }
}

TEST(MorvaneDoc, BytesAfterTheLastFieldAreIgnored) {
    auto bytes = FileBytes(SampleParams());
    bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 'x', 'y', 'z'});
    CMorvaneDoc doc(1);
    ASSERT_EQ(Load(doc, bytes), std::nullopt);
    EXPECT_TRUE(SameParams(SampleParams(), ParamsOf(doc)));
}

// A value the program cannot use refuses the file before it is stored; the
// values before it have been taken, the ones after it have not.
TEST(MorvaneDoc, UnusableValuesAreRefused) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* field;
        std::function<void(CParams&)> spoil;
    };
    const Case cases[] = {
        {"xMin", [&](CParams& p) { p.xMin = nan; }},
        {"yMax", [&](CParams& p) { p.yMax = inf; }},
        {"juliaRe", [&](CParams& p) { p.juliaRe = nan; }},
        {"juliaIm", [&](CParams& p) { p.juliaIm = -inf; }},
        {"otherXMin", [&](CParams& p) { p.otherXMin = inf; }},
        {"otherYMax", [&](CParams& p) { p.otherYMax = nan; }},
        {"count", [](CParams& p) { p.count = 0; }},
        {"count", [](CParams& p) { p.count = -5; }},
        {"limit", [](CParams& p) { p.limit = 0; }},
        {"width", [](CParams& p) { p.width = 0; }},
        {"width", [](CParams& p) { p.width = -1; }},
        {"width", [](CParams& p) { p.width = CMorvaneDoc::kMaxImageSide + 1; }},
        {"height", [](CParams& p) { p.height = 100000; }},
    };
    CMorvaneDoc doc(1);
    for (const Case& c : cases) {
        CParams file = SampleParams();
        c.spoil(file);
        SetParams(doc, NewDocumentParams());
        EXPECT_EQ(Load(doc, FileBytes(file)), CArchiveException::badFormat) << c.field;

        CParams expected = NewDocumentParams();
        for (const CFieldInfo& f : FileFields()) {
            if (std::string(f.name) == c.field) {
                break;
            }
            f.Copy(file, expected);
        }
        EXPECT_TRUE(SameParams(expected, ParamsOf(doc))) << c.field;
    }
}
