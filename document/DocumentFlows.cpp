#include "document/DocumentFlows.h"

#include <exception>
#include <vector>

#include "document/Archive.h"
#include "document/FileMessages.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"

namespace {

CFileOutcome Failure(std::string message) {
    return CFileOutcome{false, std::move(message)};
}

}  // namespace

void NewDocument(CMorvaneDoc& doc) {
    doc.SetTitle(kUntitledTitle);
    doc.OnNewDocument();
}

CFileOutcome OpenDocumentFile(CMorvaneDoc& doc, const std::string& path, IFileStore& store) {
    std::vector<std::uint8_t> bytes;
    const CFileResult read = store.Read(path, kMaxParameterFileBytes, bytes);
    if (read.stage == CFileResult::openFailed) {
        return Failure(FileErrorMessage(CauseFromErrno(read.error), path));
    }

    doc.SetModifiedFlag(true);
    std::string message;
    if (!read.Ok()) {
        message = FileErrorMessage(CauseFromErrno(read.error), path);
    } else if (!bytes.empty()) {
        try {
            CArchive ar(bytes);
            doc.Serialize(ar);
        } catch (const CArchiveException&) {
            message = kBadFormatMessage;
        } catch (const std::exception&) {
            message = kOpenFailedMessage;
        }
    }
    if (!message.empty()) {
        // The file was opened: what it left behind is replaced by a new document.
        NewDocument(doc);
        CFileOutcome failed = Failure(message);
        failed.reset = true;
        return failed;
    }
    doc.SetModifiedFlag(false);
    doc.SetPathName(path);
    return {};
}

CFileOutcome SaveDocumentFile(CMorvaneDoc& doc, const std::string& path, IFileStore& store) {
    CFileResult written;
    try {
        CArchive ar;
        doc.Serialize(ar);
        written = store.Replace(path, ar.Data());
    } catch (const std::exception&) {
        return Failure(kSaveFailedMessage);
    }
    if (!written.Ok()) {
        return Failure(FileErrorMessage(CauseFromErrno(written.error), path));
    }
    doc.SetPathName(path);
    doc.SetModifiedFlag(false);
    return {};
}

std::string ProposedFileName(const CMorvaneDoc& doc) {
    if (!doc.GetPathName().empty()) {
        return doc.GetPathName();
    }
    std::string name = doc.GetTitle();
    const std::size_t cut = name.find_first_of(" #%;/\\");
    if (cut != std::string::npos) {
        name.erase(cut);
    }
    return name + kFileExtension;
}
