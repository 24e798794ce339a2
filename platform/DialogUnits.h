#pragma once

#include <QFont>
#include <QRect>

// Maps the dialog font's names, full-width and ASCII, to the metric-compatible
// IPAPGothic, which fontconfig does not alias by itself. Call once at start.
void InstallDialogFontSubstitutes();

// The font of the program's forms and dialogs: "ＭＳ Ｐゴシック", 9 point.
QFont DialogFont();

// Font-relative layout units: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its line height.
// Conversions round to the nearest pixel, halves away from zero.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

    // Position and size are converted independently, as for a control
    // placed from a template.
    QRect ToPixels(int x, int y, int w, int h) const;
    int ToPixelsX(int x) const;
    int ToPixelsY(int y) const;

private:
    int m_baseX;
    int m_baseY;
};
