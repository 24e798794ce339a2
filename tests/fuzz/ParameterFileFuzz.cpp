// Feeds arbitrary bytes to File Open. Whatever the bytes, opening must not
// crash, hang or allocate without bound; an accepted file must leave values
// the program can use, and saving them must give a file that opens again to
// the same bytes.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "document/Archive.h"
#include "document/DocumentFlows.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"

namespace {

class CBytesStore : public IFileStore {
public:
    std::span<const std::uint8_t> content;
    std::vector<std::uint8_t> written;

    CFileResult Read(const std::string&, std::size_t maxBytes,
                     std::vector<std::uint8_t>& bytes) override {
        bytes.assign(content.begin(), content.begin() + std::min(maxBytes, content.size()));
        return {};
    }
    CFileResult Replace(const std::string&, std::span<const std::uint8_t> bytes) override {
        written.assign(bytes.begin(), bytes.end());
        return {};
    }
};

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool Usable(const CMorvaneDoc& doc) {
    const CFractalEngine& e = doc.m_engine;
    for (double v : {e.m_xMin, e.m_xMax, e.m_yMin, e.m_yMax, e.m_juliaRe, e.m_juliaIm,
                     e.m_otherXMin, e.m_otherXMax, e.m_otherYMin, e.m_otherYMax}) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    return doc.m_iterationLimit >= 1 && doc.m_colorCount >= 1 && doc.m_imageWidth >= 1 &&
           doc.m_imageHeight >= 1 && doc.m_imageWidth <= CMorvaneDoc::kMaxImageSide &&
           doc.m_imageHeight <= CMorvaneDoc::kMaxImageSide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One document for the whole run: its engines never render here.
    static CMorvaneDoc doc(1);
    CBytesStore store;
    store.content = std::span(data, size);
    NewDocument(doc);
    const CFileOutcome opened = OpenDocumentFile(doc, "fuzz.mvn", store);
    Check(Usable(doc));
    if (!opened.ok) {
        Check(doc.GetTitle() == kUntitledTitle && doc.GetPathName().empty());
        return 0;
    }
    Check(SaveDocumentFile(doc, "again.mvn", store).ok);
    const std::vector<std::uint8_t> first = store.written;
    store.content = first;
    Check(OpenDocumentFile(doc, "again.mvn", store).ok);
    Check(SaveDocumentFile(doc, "again.mvn", store).ok);
    Check(store.written == first);
    return 0;
}
