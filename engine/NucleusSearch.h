#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/BigReal.h"
#include "engine/FloatExp.h"

// The centre of the largest island of the Mandelbrot set in a picture: its
// orbit never escapes, so it makes the best reference for every pixel there.

// The first n at which a disk of this radius about the orbit's c maps to a
// disk about z_n that holds 0, from the orbit's points (z_0 = 0 first): the
// period of the island the disk reaches. 0 when there is none.
std::size_t FindPeriod(const std::vector<double>& re, const std::vector<double>& im,
                       const CFloatExp& radius);

// Newton's method for the point c near (re, im) whose z_period is 0, in the
// precision of re and im, until a step is below `tolerance`. False, values
// unchanged, when it does not settle within 64 steps or cancel was raised.
bool FindNucleus(CBigReal& re, CBigReal& im, std::size_t period, const CFloatExp& tolerance,
                 const std::atomic<std::int32_t>* cancel = nullptr);

// The size of the island whose nucleus has this orbit (z_0 = 0 first) and
// period, from the product of the orbit's derivatives: about the width of
// its main body.
CFloatExp NucleusSize(const std::vector<double>& re, const std::vector<double>& im,
                      std::size_t period);
