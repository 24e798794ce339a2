// Feeds arbitrary text to the form's integer, unsigned and real rules. No
// text may crash them; whatever they accept must be written back by the
// matching format function as a text that reads again to the same value;
// only the first 31 characters may matter; the unsigned rule refuses a
// leading minus sign.
#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "platform/DdxParse.h"

namespace {

constexpr qsizetype kSignificantLength = 31;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// The first character after leading blanks and tabs, or none.
QChar FirstAfterBlanks(const QString& text) {
    for (const QChar ch : text) {
        if (ch != QLatin1Char(' ') && ch != QLatin1Char('\t')) {
            return ch;
        }
    }
    return QChar();
}

// Parses with the rule, seeding the value so that a rule that fails yet
// writes it is caught.
template <class T, class Parse>
bool ParseKeeping(Parse parse, const QString& text, T& value) {
    const T untouched = static_cast<T>(37);
    value = untouched;
    const bool ok = parse(text, value);
    Check(ok || value == untouched);
    return ok;
}

void CheckInt(const QString& text) {
    std::int32_t value = 0;
    const bool ok = ParseKeeping(DdxParseInt, text, value);
    std::int32_t cut = 0;
    Check(ParseKeeping(DdxParseInt, text.left(kSignificantLength), cut) == ok);
    if (!ok) {
        return;
    }
    Check(cut == value);
    std::int32_t again = 0;
    Check(ParseKeeping(DdxParseInt, DdxFormatInt(value), again) && again == value);
}

void CheckUInt(const QString& text) {
    std::uint32_t value = 0;
    const bool ok = ParseKeeping(DdxParseUInt, text, value);
    std::uint32_t cut = 0;
    Check(ParseKeeping(DdxParseUInt, text.left(kSignificantLength), cut) == ok);
    if (!ok) {
        return;
    }
    Check(cut == value);
    Check(FirstAfterBlanks(text.left(kSignificantLength)) != QLatin1Char('-'));
    std::uint32_t again = 0;
    Check(ParseKeeping(DdxParseUInt, DdxFormatUInt(value), again) && again == value);

    // A value both rules can hold reads the same with either.
    std::int32_t asInt = 0;
    if (value <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        Check(ParseKeeping(DdxParseInt, text, asInt) && asInt == static_cast<std::int32_t>(value));
    }
}

void CheckReal(const QString& text) {
    double value = 0.0;
    const bool ok = ParseKeeping(DdxParseReal, text, value);
    double cut = 0.0;
    Check(ParseKeeping(DdxParseReal, text.left(kSignificantLength), cut) == ok);
    if (!ok) {
        return;
    }
    Check(std::isfinite(value) && cut == value);
    // Fifteen significant digits: the text written reads back to a value it
    // writes again unchanged, within the last digit of the first.
    const QString written = DdxFormatReal(value);
    double again = 0.0;
    Check(ParseKeeping(DdxParseReal, written, again));
    Check(std::isfinite(again) && DdxFormatReal(again) == written);
    Check(std::fabs(again - value) <= 1e-14 * std::fabs(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* chars = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    // The same bytes as UTF-8 (what a user types) and as raw UTF-16 units,
    // which reach lone surrogates and characters beyond the 31st unit.
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    const QString texts[] = {
        QString::fromUtf8(chars, length),
        QString::fromStdU16String(units),
    };
    for (const QString& text : texts) {
        CheckInt(text);
        CheckUInt(text);
        CheckReal(text);
    }
    return 0;
}
