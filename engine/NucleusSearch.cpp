#include "engine/NucleusSearch.h"

#include <algorithm>

std::size_t FindPeriod(const std::vector<double>& re, const std::vector<double>& im,
                       const CFloatExp& radius) {
    const CFloatExp r2 = radius * radius;
    // d = dz/dc: a disk of radius r about c maps to about |d| r about z.
    CComplexExp d;
    const CComplexExp one{CFloatExp::FromDouble(1.0), CFloatExp()};
    const std::size_t n = std::min(re.size(), im.size());
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const CComplexExp twice{CFloatExp::FromDouble(2.0 * re[i]),
                                CFloatExp::FromDouble(2.0 * im[i])};
        d = twice * d + one;
        const CComplexExp z{CFloatExp::FromDouble(re[i + 1]), CFloatExp::FromDouble(im[i + 1])};
        if (z.Norm() < d.Norm() * r2) {
            return i + 1;
        }
    }
    return 0;
}

bool FindNucleus(CBigReal& re, CBigReal& im, std::size_t period, const CFloatExp& tolerance,
                 const std::atomic<std::int32_t>* cancel) {
    const long p = std::max(re.Precision(), im.Precision());
    CBigReal cr(re), ci(im), zr(p), zi(p), dr(p), di(p), t(p), u(p), v(p), w(p);
    cr.SetPrecision(p);
    ci.SetPrecision(p);
    for (int step = 0; step < 64; ++step) {
        mpfr_set_ui(zr.Get(), 0, MPFR_RNDN);
        mpfr_set_ui(zi.Get(), 0, MPFR_RNDN);
        mpfr_set_ui(dr.Get(), 0, MPFR_RNDN);
        mpfr_set_ui(di.Get(), 0, MPFR_RNDN);
        for (std::size_t i = 0; i < period; ++i) {
            if (i % 1024 == 0 && cancel && cancel->load(std::memory_order_relaxed) != 0) {
                return false;
            }
            // d = 2 z d + 1
            mpfr_mul(t.Get(), zr.Get(), dr.Get(), MPFR_RNDN);
            mpfr_mul(u.Get(), zi.Get(), di.Get(), MPFR_RNDN);
            mpfr_sub(t.Get(), t.Get(), u.Get(), MPFR_RNDN);
            mpfr_mul(u.Get(), zr.Get(), di.Get(), MPFR_RNDN);
            mpfr_mul(v.Get(), zi.Get(), dr.Get(), MPFR_RNDN);
            mpfr_add(u.Get(), u.Get(), v.Get(), MPFR_RNDN);
            mpfr_mul_2ui(t.Get(), t.Get(), 1, MPFR_RNDN);
            mpfr_add_ui(dr.Get(), t.Get(), 1, MPFR_RNDN);
            mpfr_mul_2ui(di.Get(), u.Get(), 1, MPFR_RNDN);
            // z = z^2 + c
            mpfr_sqr(t.Get(), zr.Get(), MPFR_RNDN);
            mpfr_sqr(u.Get(), zi.Get(), MPFR_RNDN);
            mpfr_mul(v.Get(), zr.Get(), zi.Get(), MPFR_RNDN);
            mpfr_sub(t.Get(), t.Get(), u.Get(), MPFR_RNDN);
            mpfr_add(zr.Get(), t.Get(), cr.Get(), MPFR_RNDN);
            mpfr_mul_2ui(v.Get(), v.Get(), 1, MPFR_RNDN);
            mpfr_add(zi.Get(), v.Get(), ci.Get(), MPFR_RNDN);
        }
        // c -= z / d = z conj(d) / |d|^2
        mpfr_sqr(t.Get(), dr.Get(), MPFR_RNDN);
        mpfr_sqr(u.Get(), di.Get(), MPFR_RNDN);
        mpfr_add(w.Get(), t.Get(), u.Get(), MPFR_RNDN);
        if (mpfr_zero_p(w.Get()) != 0 || mpfr_number_p(w.Get()) == 0 ||
            mpfr_number_p(zr.Get()) == 0 || mpfr_number_p(zi.Get()) == 0) {
            return false;
        }
        mpfr_mul(t.Get(), zr.Get(), dr.Get(), MPFR_RNDN);
        mpfr_mul(u.Get(), zi.Get(), di.Get(), MPFR_RNDN);
        mpfr_add(t.Get(), t.Get(), u.Get(), MPFR_RNDN);
        mpfr_div(t.Get(), t.Get(), w.Get(), MPFR_RNDN);
        mpfr_mul(u.Get(), zi.Get(), dr.Get(), MPFR_RNDN);
        mpfr_mul(v.Get(), zr.Get(), di.Get(), MPFR_RNDN);
        mpfr_sub(u.Get(), u.Get(), v.Get(), MPFR_RNDN);
        mpfr_div(u.Get(), u.Get(), w.Get(), MPFR_RNDN);
        mpfr_sub(cr.Get(), cr.Get(), t.Get(), MPFR_RNDN);
        mpfr_sub(ci.Get(), ci.Get(), u.Get(), MPFR_RNDN);
        const CComplexExp delta{t.ToFloatExp(), u.ToFloatExp()};
        if (delta.Norm() < tolerance * tolerance) {
            re = cr;
            im = ci;
            return true;
        }
    }
    return false;
}

namespace {

CComplexExp Reciprocal(const CComplexExp& z) {
    const CFloatExp n = z.Norm();
    const CFloatExp inverse = CFloatExp::FromParts(1.0 / n.Mantissa(), -n.Exponent());
    return {z.re * inverse, -(z.im * inverse)};
}

}  // namespace

CFloatExp NucleusSize(const std::vector<double>& re, const std::vector<double>& im,
                      std::size_t period) {
    // l = prod 2 z_j and b = sum 1 / (prod up to j), for j = 1 .. period - 1;
    // the size is |1 / (b l^2)|.
    const CComplexExp one{CFloatExp::FromDouble(1.0), CFloatExp()};
    CComplexExp l = one;
    CComplexExp b = one;
    const std::size_t n = std::min({period, re.size(), im.size()});
    for (std::size_t j = 1; j < n; ++j) {
        l = l * CComplexExp{CFloatExp::FromDouble(2.0 * re[j]), CFloatExp::FromDouble(2.0 * im[j])};
        if (l.Norm().IsZero()) {
            return {};
        }
        b = b + Reciprocal(l);
    }
    const CComplexExp d = b * l * l;
    return d.Norm().IsZero() ? CFloatExp() : Reciprocal(d).Norm().Sqrt();
}
