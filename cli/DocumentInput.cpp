#include "cli/DocumentInput.h"

#include <cstdio>

#include "document/DocumentFlows.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"

bool LoadDocument(CMorvaneDoc& doc, const std::string& path) {
    CPosixFileStore store;
    const CFileOutcome outcome = OpenDocumentFile(doc, path, store);
    if (!outcome.ok) {
        std::fprintf(stderr, "velmora-cli: %s\n", outcome.message.c_str());
    }
    return outcome.ok;
}
