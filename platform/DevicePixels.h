#pragma once

#include <cmath>

// Lengths between the toolkit's logical pixels and the screen's device pixels
// at a device pixel ratio, whole or fractional. The small allowance keeps a
// product such as 100 x 1.15 = 114.99999999999999 on its whole number, so that
// LogicalCeil(DeviceFloor(n, r), r) == n for every logical length n.
inline int DeviceFloor(double logical, double ratio) {
    return static_cast<int>(std::floor(logical * ratio + 1e-6));
}
inline int DeviceCeil(double logical, double ratio) {
    return static_cast<int>(std::ceil(logical * ratio - 1e-6));
}
inline int LogicalCeil(int device, double ratio) {
    return static_cast<int>(std::ceil(device / ratio - 1e-6));
}
