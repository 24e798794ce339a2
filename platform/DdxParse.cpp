#include "platform/DdxParse.h"

#include <QByteArray>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

constexpr int kMaxTextLength = 31;

// The characters that count, as ASCII-compatible bytes; anything outside
// ASCII cannot be part of a number and makes the text unreadable.
QByteArray Significant(const QString& text) {
    return text.left(kMaxTextLength).toUtf8();
}

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t';
}
bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

const char* SkipBlanks(const char* p, const char* end) {
    while (p != end && IsBlank(*p)) {
        ++p;
    }
    return p;
}

bool OnlyBlanksFollow(const char* p, const char* end) {
    return SkipBlanks(p, end) == end;
}

// A decimal integer: optional sign, digits, trailing blanks only.
struct ScannedInteger {
    char first;  // first character after the leading blanks
    bool negative;
    std::uint64_t magnitude;
};

bool ScanInteger(const QString& text, ScannedInteger& scanned) {
    const QByteArray bytes = Significant(text);
    const char* const end = bytes.constData() + bytes.size();
    const char* p = SkipBlanks(bytes.constData(), end);
    if (p == end) {
        return false;
    }
    scanned.first = *p;
    scanned.negative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    // Unsigned parsing takes digits only: no second sign, no blanks.
    const auto [next, error] = std::from_chars(p, end, scanned.magnitude);
    return error == std::errc{} && OnlyBlanksFollow(next, end);
}

bool AcceptedZero(char first, bool isZero) {
    return !isZero || first == '0';
}

}  // namespace

bool DdxParseInt(const QString& text, std::int32_t& value) {
    ScannedInteger scanned{};
    if (!ScanInteger(text, scanned)) {
        return false;
    }
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) +
        (scanned.negative ? 1 : 0);
    if (scanned.magnitude > limit || !AcceptedZero(scanned.first, scanned.magnitude == 0)) {
        return false;
    }
    const auto signedMagnitude = static_cast<std::int64_t>(scanned.magnitude);
    value = static_cast<std::int32_t>(scanned.negative ? -signedMagnitude : signedMagnitude);
    return true;
}

bool DdxParseUInt(const QString& text, std::uint32_t& value) {
    ScannedInteger scanned{};
    if (!ScanInteger(text, scanned) || scanned.negative) {
        return false;
    }
    if (scanned.magnitude > std::numeric_limits<std::uint32_t>::max() ||
        !AcceptedZero(scanned.first, scanned.magnitude == 0)) {
        return false;
    }
    value = static_cast<std::uint32_t>(scanned.magnitude);
    return true;
}

bool DdxParseReal(const QString& text, double& value) {
    const QByteArray bytes = Significant(text);
    const char* const end = bytes.constData() + bytes.size();
    const char* p = SkipBlanks(bytes.constData(), end);
    if (p == end) {
        return false;
    }
    const char first = *p;
    const bool negative = first == '-';
    if (first == '+' || first == '-') {
        ++p;
    }
    // Digits or a decimal point must come first: this keeps out "inf", "nan"
    // and a second sign; "0x" stops after the 0 and fails on what follows.
    if (p == end || !(IsDigit(*p) || *p == '.')) {
        return false;
    }
    double magnitude = 0.0;
    const auto [next, error] = std::from_chars(p, end, magnitude, std::chars_format::general);
    if (error != std::errc{} || !std::isfinite(magnitude) || !OnlyBlanksFollow(next, end) ||
        !AcceptedZero(first, magnitude == 0.0)) {
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

QString DdxFormatInt(std::int32_t value) {
    return QString::number(value);
}

QString DdxFormatUInt(std::uint32_t value) {
    return QString::number(value);
}

QString DdxFormatReal(double value) {
    if (value == 0.0) {
        return QStringLiteral("0");  // "-0" would not read back
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
    // Fifteen digits round the largest values beyond the range of a double,
    // and such a text would not read back: write the shortest exact text then.
    double back = 0.0;
    if (!DdxParseReal(text, back)) {
        const auto exact = std::to_chars(buffer, buffer + sizeof buffer, value);
        text = QString::fromLatin1(buffer, static_cast<qsizetype>(exact.ptr - buffer));
    }
    return text;
}
