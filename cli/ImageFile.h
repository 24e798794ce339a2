#pragma once

#include <QString>

class CDibSurface;

// Writes the surface as an 8-bit RGB PNG, top row first. The file appears
// whole or not at all: a failed write leaves any earlier file untouched.
// On failure, error holds the reason.
bool WritePng(const CDibSurface& surface, const QString& path, QString& error);
