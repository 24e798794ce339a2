#pragma once

#include <QIcon>

// Registers the compiled-in resources (":/icons/..."). They live in a static library,
// so nothing registers them by itself: call this before loading a resource by its path.
// ResourceIcon calls it on first use. Calling it again does no harm.
void InitResources();

// The icon with the given resource id: the application icon IDR_MAINFRAME (16, 32 and
// 48 pixels) or one of the navigation button icons IDI_ARROW_DOWN to IDI_ZOOM_OUT
// (drawn at 32 x 32, painted as paths at other sizes). A null icon for any other id.
QIcon ResourceIcon(int id);
