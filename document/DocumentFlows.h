#pragma once

#include <cstddef>
#include <string>

class CMorvaneDoc;
class IFileStore;

// The open and save rules of the parameter files, shared by the window
// program's File menu and the command line.

inline constexpr const char* kUntitledTitle = "無題";
inline constexpr const char* kFileExtension = ".mvn";
// Bytes after the last field are ignored; nothing beyond this is read.
inline constexpr std::size_t kMaxParameterFileBytes = 4 << 20;

struct CFileOutcome {
    bool ok = true;
    std::string message;  // what to show the user when not ok
    bool reset = false;   // the document was replaced by a new untitled one
};

// File New: the untitled name and the new-document values.
void NewDocument(CMorvaneDoc& doc);

// File Open. A file that cannot be opened changes nothing. A file that opens
// but cannot be read or is refused leaves a new untitled document. An empty
// file opens without reading anything.
CFileOutcome OpenDocumentFile(CMorvaneDoc& doc, const std::string& path, IFileStore& store);

// Save and Save As. On failure the document and any earlier file stay as they were.
CFileOutcome SaveDocumentFile(CMorvaneDoc& doc, const std::string& path, IFileStore& store);

// The name Save As proposes: the document's path, or its title cut before
// the first of " #%;/\" with the extension appended.
std::string ProposedFileName(const CMorvaneDoc& doc);
