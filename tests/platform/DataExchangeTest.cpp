#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/DataExchange.h"

namespace {

constexpr std::int32_t kIntUntouched = 4711;
constexpr std::uint32_t kUIntUntouched = 4711U;
constexpr double kRealUntouched = 47.11;

// The value read, or nothing when the text is rejected; a rejected text must
// leave the field as it was.
template <typename T, typename Parse>
std::optional<T> Read(Parse parse, const QString& text, T untouched) {
    T value = untouched;
    if (parse(text, value)) {
        return value;
    }
    EXPECT_EQ(value, untouched) << "rejected \"" << text.toStdString() << "\" changed the field";
    return std::nullopt;
}

std::optional<std::int32_t> Int(const QString& text) {
    return Read(DdxParseInt, text, kIntUntouched);
}
std::optional<std::uint32_t> UInt(const QString& text) {
    return Read(DdxParseUInt, text, kUIntUntouched);
}
std::optional<double> Real(const QString& text) {
    return Read(DdxParseReal, text, kRealUntouched);
}

}  // namespace

TEST(DdxParseInt, AcceptsDecimalWithBlanksAndTabsAround) {
    EXPECT_EQ(Int("12"), 12);
    EXPECT_EQ(Int("  12  "), 12);
    EXPECT_EQ(Int("\t 12\t "), 12);
    EXPECT_EQ(Int("-35"), -35);
    EXPECT_EQ(Int("+35"), 35);
    EXPECT_EQ(Int("007"), 7);  // base 10 even with leading zeros
}

TEST(DdxParseInt, ZeroOnlyFromALeadingZeroDigit) {
    EXPECT_EQ(Int("0"), 0);
    EXPECT_EQ(Int("  00 "), 0);
    EXPECT_EQ(Int("-0"), std::nullopt);
    EXPECT_EQ(Int("+0"), std::nullopt);
}

TEST(DdxParseInt, RejectsTextThatIsNotJustANumber) {
    for (const char* text : {"", "   ", "12a", "a12", "1 2", "- 5", "--5", "+-5", "1.5", "0x10",
                             "12\n", "\n12", "１２"}) {
        EXPECT_EQ(Int(QString::fromUtf8(text)), std::nullopt) << text;
    }
}

TEST(DdxParseInt, RejectsValuesOutsideThe32BitRange) {
    EXPECT_EQ(Int("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Int("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Int("2147483648"), std::nullopt);
    EXPECT_EQ(Int("-2147483649"), std::nullopt);
    EXPECT_EQ(Int("99999999999999999999999"), std::nullopt);
}

TEST(DdxParseInt, OnlyTheFirst31CharactersCount) {
    // 30 blanks after the digit fill the 31 characters; what follows is cut.
    const QString padded = QStringLiteral("5") + QString(30, QLatin1Char(' '));
    EXPECT_EQ(Int(padded + QStringLiteral("x")), 5);
    EXPECT_EQ(Int(padded.left(30) + QStringLiteral("x")), std::nullopt);
    // A number whose digits reach past the cut is read from its first part.
    EXPECT_EQ(Int(QString(25, QLatin1Char(' ')) + QStringLiteral("1234567890")), 123456);
}

TEST(DdxParseUInt, RejectsAMinusSignButReadsTheFull32Bits) {
    EXPECT_EQ(UInt(" 640 "), 640U);
    EXPECT_EQ(UInt("+3"), 3U);
    EXPECT_EQ(UInt("0"), 0U);
    EXPECT_EQ(UInt("4294967295"), std::numeric_limits<std::uint32_t>::max());
    EXPECT_EQ(UInt("4294967296"), std::nullopt);
    EXPECT_EQ(UInt("-5"), std::nullopt);
    EXPECT_EQ(UInt("  -0"), std::nullopt);
    EXPECT_EQ(UInt("+0"), std::nullopt);
    EXPECT_EQ(UInt("12a"), std::nullopt);
    EXPECT_EQ(UInt(""), std::nullopt);
}

TEST(DdxParseReal, AcceptsDecimalFloatingPoint) {
    EXPECT_EQ(Real("1e3"), 1000.0);
    EXPECT_EQ(Real(" -0.5 "), -0.5);
    EXPECT_EQ(Real("\t+.25\t"), 0.25);
    EXPECT_EQ(Real("5."), 5.0);
    EXPECT_EQ(Real("-0.6"), -0.6);  // correctly rounded, as strtod
    EXPECT_EQ(Real("0.1"), 0.1);
    EXPECT_EQ(Real("2.5E-3"), 2.5e-3);
}

TEST(DdxParseReal, ZeroOnlyFromALeadingZeroDigit) {
    EXPECT_EQ(Real("0.0"), 0.0);
    EXPECT_EQ(Real("0"), 0.0);
    EXPECT_EQ(Real(" 0e5"), 0.0);
    EXPECT_EQ(Real("-0"), std::nullopt);
    EXPECT_EQ(Real(".0"), std::nullopt);
    EXPECT_EQ(Real("+0.0"), std::nullopt);
}

TEST(DdxParseReal, RejectsNonDecimalAndNonFiniteSpellings) {
    for (const char* text : {"", " ", "12a", "1e", "1e+", ".", "-", "- 1", "--1", "inf", "-inf",
                             "infinity", "nan", "0x1p3", "0x10", "1e999", "-1e999", "1,5"}) {
        EXPECT_EQ(Real(QString::fromUtf8(text)), std::nullopt) << text;
    }
}

TEST(DdxParseReal, OnlyTheFirst31CharactersCount) {
    const QString padded = QStringLiteral("2.5") + QString(28, QLatin1Char('\t'));
    EXPECT_EQ(Real(padded + QStringLiteral("junk")), 2.5);
    EXPECT_EQ(Real(padded.left(30) + QStringLiteral("junk")), std::nullopt);
}

TEST(DdxFormat, MatchesPrintfConversions) {
    EXPECT_EQ(DdxFormatInt(std::numeric_limits<std::int32_t>::min()),
              QStringLiteral("-2147483648"));
    EXPECT_EQ(DdxFormatInt(0), QStringLiteral("0"));
    EXPECT_EQ(DdxFormatUInt(4294967295U), QStringLiteral("4294967295"));
    EXPECT_EQ(DdxFormatReal(-0.6), QStringLiteral("-0.6"));
    EXPECT_EQ(DdxFormatReal(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(DdxFormatReal(1.0 / 3.0), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(DdxFormatReal(1e20), QStringLiteral("1e+20"));
    EXPECT_EQ(DdxFormatReal(1.5e-7), QStringLiteral("1.5e-07"));
    EXPECT_EQ(DdxFormatReal(123456789012345678.0), QStringLiteral("1.23456789012346e+17"));
}

TEST(DdxFormat, WrittenValuesReadBack) {
    // The largest doubles round beyond the range at 15 digits; they must still read back.
    for (const double value :
         {-1.8, 0.6, 1.0 / 3.0, 0.0, -0.0, 1e-300, -2.5e10, std::numeric_limits<double>::max(),
          -std::numeric_limits<double>::max()}) {
        const std::optional<double> read = Real(DdxFormatReal(value));
        ASSERT_TRUE(read.has_value()) << value;
        EXPECT_NEAR(*read, value, std::abs(value) * 1e-14);  // 15 significant digits
    }
    for (const std::int32_t value : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_EQ(Int(DdxFormatInt(value)), value);
    }
}
