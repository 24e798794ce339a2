#include <gtest/gtest.h>

#include "ParameterFile.h"
#include "engine/DeepRegion.h"

namespace {

// A document whose region is 1e-30 wide about -0.75 + 0.1i, held deep.
void MakeDeep(CMorvaneDoc& doc) {
    auto deep = std::make_unique<CDeepRegion>(180);
    ASSERT_TRUE(deep->Set(180, "-0.750000000000000000000000000001",
                          "-0.749999999999999999999999999999", "0.099999999999999999999999999999",
                          "0.100000000000000000000000000001"));
    CFractalEngine& e = doc.m_engine;
    e.m_xMin = deep->XMin().ToDouble();
    e.m_xMax = deep->XMax().ToDouble();
    e.m_yMin = deep->YMin().ToDouble();
    e.m_yMax = deep->YMax().ToDouble();
    e.m_deep = std::move(deep);
}

}  // namespace

TEST(DeepExtension, DeepRegionsFollowTheDesignedFieldsAndComeBackExactly) {
    CMorvaneDoc shallow(1);
    const auto plain = Store(shallow);
    EXPECT_EQ(plain.size(), 116u);  // nothing deep: the file is as ever

    CMorvaneDoc doc(1);
    MakeDeep(doc);
    const auto bytes = Store(doc);
    ASSERT_GT(bytes.size(), 116u);
    CMorvaneDoc reread(1);
    ASSERT_EQ(Load(reread, bytes), std::nullopt);
    ASSERT_TRUE(reread.m_engine.m_deep);
    EXPECT_TRUE(
        mpfr_equal_p(reread.m_engine.m_deep->XMin().Get(), doc.m_engine.m_deep->XMin().Get()));
    EXPECT_EQ(Store(reread), bytes);  // open, then save: the same bytes

    // The kind switch takes the deep region with the doubles.
    reread.m_engine.SwapRegions();
    const auto swapped = Store(reread);
    CMorvaneDoc other(1);
    ASSERT_EQ(Load(other, swapped), std::nullopt);
    EXPECT_FALSE(other.m_engine.m_deep);
    ASSERT_TRUE(other.m_engine.m_otherDeep);
}

TEST(DeepExtension, DamagedExtensionsAreRefusedAndOtherBytesIgnored) {
    CMorvaneDoc doc(1);
    MakeDeep(doc);
    const auto bytes = Store(doc);
    CMorvaneDoc target(1);
    // Cut anywhere after its tag.
    for (std::size_t cut = 120; cut < bytes.size(); cut += 5) {
        const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + cut);
        EXPECT_NE(Load(target, part), std::nullopt) << cut;
    }
    auto damaged = [&](std::size_t at, std::uint8_t value) {
        auto copy = bytes;
        copy[at] = value;
        return Load(target, copy);
    };
    EXPECT_EQ(damaged(120, 2), CArchiveException::badFormat);     // a newer version
    EXPECT_EQ(damaged(124, 9), CArchiveException::badFormat);     // unknown regions
    EXPECT_EQ(damaged(130, 0xFF), CArchiveException::badFormat);  // precision out of range
    // Bounds that do not round to the doubles before them.
    EXPECT_EQ(damaged(41, bytes[41] ^ 1), CArchiveException::badFormat);

    // Bytes after the designed fields that are no extension mean nothing.
    CMorvaneDoc shallow(1);
    auto trailing = Store(shallow);
    trailing.insert(trailing.end(), {'X', 'Y', 'Z', 'W', 1, 2, 3});
    ASSERT_EQ(Load(target, trailing), std::nullopt);
    EXPECT_FALSE(target.m_engine.m_deep);
}
