#pragma once

#include <QString>
#include <cstdint>

// The text rules of the form's numeric fields, free of any widget.

// Text rules shared by every numeric exchange: only the first 31 characters
// count, leading blanks and tabs are skipped, the number is decimal, a zero
// result is accepted only when the text starts with the digit 0, and only
// blanks and tabs may follow the number. A value that does not fit the type
// is rejected. On failure `value` is left as it was.
bool DdxParseInt(const QString& text, std::int32_t& value);
// As DdxParseInt; a text starting with "-" is rejected.
bool DdxParseUInt(const QString& text, std::uint32_t& value);
// As DdxParseInt for a decimal floating-point number ("1e3", " -0.5 ");
// infinities, NaN and hexadecimal spellings are rejected. Locale-independent.
bool DdxParseReal(const QString& text, double& value);

// "%d", "%u" and "%.15g", independent of the locale. Negative zero is written
// as "0" so that what is written can always be read back.
QString DdxFormatInt(std::int32_t value);
QString DdxFormatUInt(std::uint32_t value);
QString DdxFormatReal(double value);
