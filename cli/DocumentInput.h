#pragma once

#include <string>

class CMorvaneDoc;

// Reads a parameter file into the document exactly as File Open does. On
// failure prints the program's message to stderr and returns false.
bool LoadDocument(CMorvaneDoc& doc, const std::string& path);
