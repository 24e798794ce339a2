#include "engine/BigReal.h"

#include <cmath>
#include <vector>

CBigReal::CBigReal(long precisionBits, double value) {
    mpfr_init2(m_value, static_cast<mpfr_prec_t>(precisionBits));
    mpfr_set_d(m_value, value, MPFR_RNDN);
}

CBigReal::CBigReal(const CBigReal& other) {
    mpfr_init2(m_value, mpfr_get_prec(other.m_value));
    mpfr_set(m_value, other.m_value, MPFR_RNDN);
}

CBigReal& CBigReal::operator=(const CBigReal& other) {
    if (this != &other) {
        mpfr_set_prec(m_value, mpfr_get_prec(other.m_value));
        mpfr_set(m_value, other.m_value, MPFR_RNDN);
    }
    return *this;
}

CBigReal::~CBigReal() {
    mpfr_clear(m_value);
}

bool CBigReal::Set(const std::string& text) {
    mpfr_t parsed;
    mpfr_init2(parsed, mpfr_get_prec(m_value));
    char* end = nullptr;
    mpfr_strtofr(parsed, text.c_str(), &end, 10, MPFR_RNDN);
    const bool ok = end != text.c_str() && *end == '\0' && mpfr_number_p(parsed);
    if (ok) {
        mpfr_swap(parsed, m_value);
    }
    mpfr_clear(parsed);
    return ok;
}

void CBigReal::SetPrecision(long precisionBits) {
    mpfr_prec_round(m_value, static_cast<mpfr_prec_t>(precisionBits), MPFR_RNDN);
}

std::string CBigReal::ToString() const {
    // Enough decimal digits to give the binary value back.
    const auto digits =
        static_cast<std::size_t>(std::ceil(static_cast<double>(mpfr_get_prec(m_value)) * 0.30103)) +
        2;
    std::vector<char> text(digits + 32);
    mpfr_snprintf(text.data(), text.size(), "%.*Rg", static_cast<int>(digits), m_value);
    return text.data();
}
