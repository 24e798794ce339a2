#include "platform/DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <cstdint>

namespace {

const QString kDialogFamily = QStringLiteral("ＭＳ Ｐゴシック");
const QString kDialogFamilyAscii = QStringLiteral("MS PGothic");
const QString kSubstituteFamily = QStringLiteral("IPAPGothic");
constexpr int kDialogPointSize = 9;

// number * numerator / denominator rounded to the nearest integer, halves
// away from zero.
int MulDiv(int number, int numerator, int denominator) {
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t half = denominator / 2;
    const std::int64_t rounded =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(rounded);
}

int AverageCharWidth(const QFontMetrics& metrics) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
}

}  // namespace

void InstallDialogFontSubstitutes() {
    QFont::insertSubstitution(kDialogFamily, kSubstituteFamily);
    QFont::insertSubstitution(kDialogFamilyAscii, kSubstituteFamily);
}

QFont DialogFont() {
    return QFont(kDialogFamily, kDialogPointSize);
}

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_baseX = AverageCharWidth(metrics);
    m_baseY = metrics.height();
}

QRect CDialogUnits::ToPixels(int x, int y, int w, int h) const {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(w), ToPixelsY(h));
}

int CDialogUnits::ToPixelsX(int x) const {
    return MulDiv(x, m_baseX, 4);
}

int CDialogUnits::ToPixelsY(int y) const {
    return MulDiv(y, m_baseY, 8);
}
