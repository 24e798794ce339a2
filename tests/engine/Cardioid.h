#pragma once

#include <complex>

// The point of the Mandelbrot set's main cardioid whose fixed point has the
// multiplier of this size at this internal angle (in turns): on its edge for
// size 1, inside below, outside above.
inline std::complex<double> CardioidPoint(double turns, double size) {
    const double pi = 3.14159265358979323846;
    const std::complex<double> w = std::polar(size, 2.0 * pi * turns);
    return w / 2.0 - w * w / 4.0;
}
