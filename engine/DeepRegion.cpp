#include "engine/DeepRegion.h"

#include <algorithm>
#include <cmath>

CDeepRegion::CDeepRegion(long precisionBits)
    : m_xMin(precisionBits), m_xMax(precisionBits), m_yMin(precisionBits), m_yMax(precisionBits) {}

bool CDeepRegion::Set(long precisionBits, const std::string& xMin, const std::string& xMax,
                      const std::string& yMin, const std::string& yMax) {
    if (precisionBits < kMinPrecision || precisionBits > kMaxPrecision) {
        return false;
    }
    CBigReal values[4] = {CBigReal(precisionBits), CBigReal(precisionBits), CBigReal(precisionBits),
                          CBigReal(precisionBits)};
    const std::string* texts[4] = {&xMin, &xMax, &yMin, &yMax};
    for (int i = 0; i < 4; ++i) {
        if (!values[i].Set(*texts[i])) {
            return false;
        }
    }
    m_xMin = values[0];
    m_xMax = values[1];
    m_yMin = values[2];
    m_yMax = values[3];
    return true;
}

bool CDeepRegion::Rounds(double xMin, double xMax, double yMin, double yMax) const {
    return m_xMin.ToDouble() == xMin && m_xMax.ToDouble() == xMax && m_yMin.ToDouble() == yMin &&
           m_yMax.ToDouble() == yMax;
}

void CDeepRegion::Order() {
    if (mpfr_greater_p(m_xMin.Get(), m_xMax.Get())) {
        mpfr_swap(m_xMin.Get(), m_xMax.Get());
    }
    if (mpfr_greater_p(m_yMin.Get(), m_yMax.Get())) {
        mpfr_swap(m_yMin.Get(), m_yMax.Get());
    }
}

CDeepRegion::CGrid CDeepRegion::Grid(int width, int height, CBigReal& centreRe,
                                     CBigReal& centreIm) const {
    const long p = Precision();
    centreRe.SetPrecision(p);
    centreIm.SetPrecision(p);
    CBigReal span(p);
    CGrid grid;
    // Centre and half the span; the first pixel lies half a span before it.
    mpfr_sub(span.Get(), m_xMax.Get(), m_xMin.Get(), MPFR_RNDN);
    grid.dxFirst = CFloatExp::FromDouble(-0.5) * span.ToFloatExp();
    mpfr_div_si(span.Get(), span.Get(), width, MPFR_RNDN);
    grid.xStep = span.ToFloatExp();
    mpfr_add(centreRe.Get(), m_xMin.Get(), m_xMax.Get(), MPFR_RNDN);
    mpfr_div_2ui(centreRe.Get(), centreRe.Get(), 1, MPFR_RNDN);
    mpfr_sub(span.Get(), m_yMax.Get(), m_yMin.Get(), MPFR_RNDN);
    grid.dyFirst = CFloatExp::FromDouble(-0.5) * span.ToFloatExp();
    mpfr_div_si(span.Get(), span.Get(), height, MPFR_RNDN);
    grid.yStep = span.ToFloatExp();
    mpfr_add(centreIm.Get(), m_yMin.Get(), m_yMax.Get(), MPFR_RNDN);
    mpfr_div_2ui(centreIm.Get(), centreIm.Get(), 1, MPFR_RNDN);
    return grid;
}

bool CDeepRegion::DoublesSuffice(double xMin, double xMax, double yMin, double yMax, int width,
                                 int height) {
    if (width <= 0 || height <= 0) {
        return true;
    }
    const double largest =
        std::max({std::abs(xMin), std::abs(xMax), std::abs(yMin), std::abs(yMax)});
    const double step = std::min(std::abs(xMax - xMin) / width, std::abs(yMax - yMin) / height);
    return step >= std::ldexp(largest, -46);
}

long CDeepRegion::PrecisionForStep(const CFloatExp& step) {
    if (step.IsZero() || !std::isfinite(step.Mantissa())) {
        return kMinPrecision;
    }
    // |step| lies in [2^e, 2^(e+1)): it takes -e bits below the point.
    const std::int64_t bits = 64 - step.Exponent();
    if (bits > kMaxPrecision) {
        return 0;
    }
    return std::max<long>(static_cast<long>(bits), kMinPrecision);
}

namespace {

CFloatExp Span(const CBigReal& low, const CBigReal& high) {
    CBigReal span(std::max(low.Precision(), high.Precision()));
    mpfr_sub(span.Get(), high.Get(), low.Get(), MPFR_RNDN);
    return span.ToFloatExp().Abs();
}

}  // namespace

CFloatExp CDeepRegion::Width() const {
    return Span(m_xMin, m_xMax);
}

CFloatExp CDeepRegion::Height() const {
    return Span(m_yMin, m_yMax);
}

namespace {

// low + f * (high - low), for both new bounds of one axis, in place.
void Reframe(CBigReal& low, CBigReal& high, const CDeepRegion::CMove::CFraction& a,
             const CDeepRegion::CMove::CFraction& b) {
    const long p = low.Precision();
    CBigReal span(p);
    CBigReal t(p);
    mpfr_sub(span.Get(), high.Get(), low.Get(), MPFR_RNDN);
    const CBigReal base(low);
    for (auto [target, f] : {std::pair{&low, &a}, std::pair{&high, &b}}) {
        mpfr_mul_d(t.Get(), span.Get(), f->num, MPFR_RNDN);
        mpfr_div_d(t.Get(), t.Get(), f->den, MPFR_RNDN);
        mpfr_add(target->Get(), base.Get(), t.Get(), MPFR_RNDN);
    }
}

// The same size about a centre.
void Recentre(CBigReal& low, CBigReal& high, double centre) {
    const long p = low.Precision();
    CBigReal half(p);
    mpfr_sub(half.Get(), high.Get(), low.Get(), MPFR_RNDN);
    mpfr_div_2ui(half.Get(), half.Get(), 1, MPFR_RNDN);
    mpfr_d_sub(low.Get(), centre, half.Get(), MPFR_RNDN);
    mpfr_add_d(high.Get(), half.Get(), centre, MPFR_RNDN);
}

}  // namespace

void CDeepRegion::Apply(const CMove& move, long precisionBits) {
    if (precisionBits > Precision()) {
        for (CBigReal* bound : {&m_xMin, &m_xMax, &m_yMin, &m_yMax}) {
            bound->SetPrecision(precisionBits);
        }
    }
    if (move.recentre) {
        Recentre(m_xMin, m_xMax, move.x);
        Recentre(m_yMin, m_yMax, move.y);
        return;
    }
    Reframe(m_xMin, m_xMax, move.left, move.right);
    Reframe(m_yMin, m_yMax, move.top, move.bottom);
}

CDeepRegion CDeepRegion::FromDoubles(long precisionBits, double xMin, double xMax, double yMin,
                                     double yMax) {
    CDeepRegion region(precisionBits);
    region.m_xMin.Set(xMin);
    region.m_xMax.Set(xMax);
    region.m_yMin.Set(yMin);
    region.m_yMax.Set(yMax);
    return region;
}
