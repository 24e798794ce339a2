#pragma once

#include <memory>
#include <string>

#include "engine/DeepRegion.h"

// The deep region that "XMIN,XMAX,YMIN,YMAX" gives a picture of width x
// height pixels, in the precision its pixel step needs or its digits carry,
// whichever is more; null when doubles place its pixels well enough, or when
// the text is not four finite numbers.
std::unique_ptr<CDeepRegion> DeepRegionFromText(const std::string& text, int width, int height);
