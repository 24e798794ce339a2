#pragma once

#include "engine/FractalEngine.h"

// A region inside the Siegel disk of the Julia set of the golden mean
// rotation: every point turns about the fixed point for ever and never comes
// back to the very same z, so a pass over it at a high limit runs long, even
// with the look for repeating values.
inline void Rotating(CFractalEngine& e) {
    e.m_kind = 1;
    e.m_juliaRe = -0.3905408702184;
    e.m_juliaIm = -0.5867879073469687;
    e.m_xMin = -0.39;
    e.m_xMax = -0.35;
    e.m_yMin = -0.36;
    e.m_yMax = -0.32;
}
