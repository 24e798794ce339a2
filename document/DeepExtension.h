#pragma once

class CArchive;
class CFractalEngine;

// The deep regions of a parameter file, after its last designed field:
//   int32 tag "VDEP", int32 version 1, int32 which regions follow (1 the
//   region, 2 the other-kind region, or both), int32 precision in bits,
//   then for each region four strings: the decimal bounds left, right, top,
//   bottom, each rounding to the double stored for it before.
// A file without deep regions ends before it, as every earlier file does.

// Writes the regions the engine holds in arbitrary precision; nothing when
// its doubles suffice.
void StoreDeepExtension(CArchive& ar, const CFractalEngine& engine);

// Reads the extension when the bytes that follow start with its tag (other
// trailing bytes are ignored, as ever). A damaged extension, or bounds that
// do not round to the doubles read before, refuse the file (bad format).
void LoadDeepExtension(CArchive& ar, CFractalEngine& engine);
