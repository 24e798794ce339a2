#pragma once

#include <mpfr.h>

#include <string>

#include "engine/FloatExp.h"

// A real number of a chosen binary precision, rounded to nearest: a thin owner
// of an MPFR value for the regions and reference orbits of deep pictures.
class CBigReal {
public:
    explicit CBigReal(long precisionBits, double value = 0.0);
    CBigReal(const CBigReal& other);
    CBigReal& operator=(const CBigReal& other);
    ~CBigReal();

    // Parses a decimal text (as strtod takes it); false, value unchanged,
    // when the text is not a finite number.
    bool Set(const std::string& text);
    void Set(double value) { mpfr_set_d(m_value, value, MPFR_RNDN); }

    long Precision() const { return static_cast<long>(mpfr_get_prec(m_value)); }
    // Changes the precision, keeping the value rounded to it.
    void SetPrecision(long precisionBits);

    double ToDouble() const { return mpfr_get_d(m_value, MPFR_RNDN); }
    // The nearest value of 53 bits, of any exponent.
    CFloatExp ToFloatExp() const;
    // The shortest decimal text that reads back as this value.
    std::string ToString() const;

    mpfr_ptr Get() { return m_value; }
    mpfr_srcptr Get() const { return m_value; }

private:
    mpfr_t m_value;
};
