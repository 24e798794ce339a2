#include "engine/BigReal.h"

#include <cctype>
#include <cmath>
#include <string_view>
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
    // Plain decimal numbers only, with an exponent of at most four digits:
    // a huge exponent would take the parser minutes.
    const std::size_t e = text.find_first_of("eE");
    if (e != std::string::npos) {
        std::size_t digits = 0;
        for (std::size_t i = e + 1; i < text.size(); ++i) {
            digits += std::isdigit(static_cast<unsigned char>(text[i])) ? 1 : 0;
        }
        if (digits > 4) {
            return false;
        }
    }
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)) &&
            std::string_view("+-.eE").find(c) == std::string_view::npos) {
            return false;
        }
    }
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
    // The fewest significant digits that read back as this very value: a
    // value read from a decimal text prints as that text. More digits than
    // enough always read back too, so the count is found by bisection.
    const auto most =
        static_cast<int>(std::ceil(static_cast<double>(mpfr_get_prec(m_value)) * 0.30103)) + 2;
    std::vector<char> text(static_cast<std::size_t>(most) + 32);
    const auto format = [&](int digits) {
        mpfr_snprintf(text.data(), text.size(), "%.*Rg", digits, m_value);
        return std::string(text.data());
    };
    CBigReal back(Precision());
    int low = 1;
    int high = most;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (back.Set(format(mid)) && mpfr_equal_p(back.m_value, m_value)) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    return format(high);
}

CFloatExp CBigReal::ToFloatExp() const {
    if (mpfr_zero_p(m_value) != 0 || mpfr_number_p(m_value) == 0) {
        return CFloatExp::FromDouble(ToDouble());
    }
    long exponent = 0;
    const double mantissa = mpfr_get_d_2exp(&exponent, m_value, MPFR_RNDN);
    return CFloatExp::FromParts(mantissa, exponent);
}
