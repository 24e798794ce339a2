#pragma once

// Settled orbits that do not repeat bit for bit yet.
//
// An orbit drawn into an attracting cycle comes back close to where it was
// long before it repeats exactly, most of all near the set's boundary, where
// the cycle attracts weakly. NeverEscapes proves from one point of such an
// orbit that it stays bounded for ever, as the escape loops compute it in
// double: then its count is the maximum, exactly as the plain loop's.

// Lanes and points try the proof when their z comes within this squared
// distance of the z they saved last.
inline constexpr double kNearReturnSquared = 0x1p-26;

// Steps the proof follows the orbit at most, looking for its return.
inline constexpr int kProofSteps = 256;

// True when the orbit of z under w <- w * w + c, with every update rounded as
// the escape loops round it, never reaches |w|^2 >= 10000, however long it
// runs. False when that cannot be shown from here (never wrongly true).
//
// The proof follows a disc around z for up to kProofSteps updates, bounding
// how far any point of the disc (with the roundings of its updates) can be from
// the orbit of z. When the disc comes back inside itself, every later update
// of z stays inside the discs it passed through, all far from the escape
// circle.
bool NeverEscapes(double zr, double zi, double cr, double ci);
