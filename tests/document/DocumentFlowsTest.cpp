#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ParameterFile.h"
#include "document/DocumentFlows.h"
#include "document/FileMessages.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"

namespace fs = std::filesystem;

namespace {

// Answers every call with the result it was given.
class CFakeStore : public IFileStore {
public:
    CFileResult Read(const std::string&, std::size_t, std::vector<std::uint8_t>& bytes) override {
        bytes = m_readBytes;
        return m_readResult;
    }
    CFileResult Replace(const std::string&, std::span<const std::uint8_t>) override {
        ++m_replaceCalls;
        return m_replaceResult;
    }

    std::vector<std::uint8_t> m_readBytes;
    CFileResult m_readResult;
    CFileResult m_replaceResult;
    int m_replaceCalls = 0;
};

const std::vector<std::uint8_t> kOldContent = {'o', 'l', 'd'};

}  // namespace

class DocumentFlows : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmora-document-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    std::string PathOf(const std::string& name) const { return m_dir + "/" + name; }

    void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good()) << path;
    }

    static std::vector<std::uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The names in a folder, sorted.
    static std::vector<std::string> Entries(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // A document that differs from a new one everywhere, with a path of its own.
    void PrepareEarlierDocument() {
        SetParams(m_doc, SampleParams());
        m_doc.SetPathName(PathOf("earlier.mvn"));
    }

    void ExpectEarlierDocumentKept() {
        EXPECT_TRUE(SameParams(SampleParams(), ParamsOf(m_doc)));
        EXPECT_EQ(m_doc.GetPathName(), PathOf("earlier.mvn"));
        EXPECT_EQ(m_doc.GetTitle(), "earlier.mvn");
    }

    void ExpectUntitledNewDocument(const CParams& expected) {
        EXPECT_TRUE(SameParams(expected, ParamsOf(m_doc)));
        EXPECT_EQ(m_doc.GetTitle(), kUntitledTitle);
        EXPECT_EQ(m_doc.GetPathName(), "");
        EXPECT_FALSE(m_doc.IsModified());
    }

    std::string m_dir;
    CPosixFileStore m_store;
    CMorvaneDoc m_doc{1};
};

TEST_F(DocumentFlows, OpenLoadsTheFileAndTakesItsName) {
    const std::string path = PathOf("spiral.mvn");
    WriteFile(path, FileBytes(AltParams()));
    m_doc.SetModifiedFlag(true);

    const CFileOutcome outcome = OpenDocumentFile(m_doc, path, m_store);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_TRUE(SameParams(AltParams(), ParamsOf(m_doc)));
    EXPECT_EQ(m_doc.GetPathName(), path);
    EXPECT_EQ(m_doc.GetTitle(), "spiral.mvn");
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(DocumentFlows, FilesThatCannotBeOpenedChangeNothing) {
    PrepareEarlierDocument();
    const std::string missing = PathOf("missing.mvn");
    CFileOutcome outcome = OpenDocumentFile(m_doc, missing, m_store);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, missing + " が見つかりませんでした。");
    ExpectEarlierDocumentKept();
    EXPECT_FALSE(m_doc.IsModified());

    const std::string folder = PathOf("folder.mvn");
    ASSERT_TRUE(fs::create_directory(folder));
    outcome = OpenDocumentFile(m_doc, folder, m_store);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, folder + " へのｱｸｾｽは拒否されました。");
    ExpectEarlierDocumentKept();
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(DocumentFlows, RefusedOrCutFilesLeaveANewDocument) {
    PrepareEarlierDocument();
    const std::string newer = PathOf("newer.mvn");
    WriteFile(newer, FileBytes(AltParams(), "0.4"));
    CFileOutcome outcome = OpenDocumentFile(m_doc, newer, m_store);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "予期しないﾌｧｲﾙ形式です。");
    CParams expected = NewParamsKeepingOtherRegion(SampleParams());
    ExpectUntitledNewDocument(expected);

    // Cut right after the first two other-kind bounds: those two stay as read.
    PrepareEarlierDocument();
    const std::string cut = PathOf("cut.mvn");
    auto bytes = FileBytes(AltParams());
    bytes.resize(100);
    WriteFile(cut, bytes);
    outcome = OpenDocumentFile(m_doc, cut, m_store);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "予期しないﾌｧｲﾙ形式です。");
    expected.otherXMin = AltParams().otherXMin;
    expected.otherXMax = AltParams().otherXMax;
    ExpectUntitledNewDocument(expected);
}

TEST_F(DocumentFlows, EmptyFileOpensWithoutReading) {
    PrepareEarlierDocument();
    const std::string path = PathOf("empty.mvn");
    WriteFile(path, {});
    const CFileOutcome outcome = OpenDocumentFile(m_doc, path, m_store);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_TRUE(SameParams(SampleParams(), ParamsOf(m_doc)));
    EXPECT_EQ(m_doc.GetPathName(), path);
    EXPECT_EQ(m_doc.GetTitle(), "empty.mvn");
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(DocumentFlows, ReadErrorLeavesANewDocument) {
    PrepareEarlierDocument();
    CFakeStore store;
    store.m_readResult = {CFileResult::readFailed, EIO};
    store.m_readBytes = FileBytes(AltParams());
    const std::string path = PathOf("bad-sector.mvn");
    const CFileOutcome outcome = OpenDocumentFile(m_doc, path, store);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, path + " へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。");
    CParams expected = NewParamsKeepingOtherRegion(SampleParams());
    ExpectUntitledNewDocument(expected);
}

TEST_F(DocumentFlows, SaveWritesTheParametersAndTakesTheName) {
    NewDocument(m_doc);
    SetParams(m_doc, AltParams());
    m_doc.SetModifiedFlag(true);
    const std::string path = PathOf("saved.mvn");

    const CFileOutcome outcome = SaveDocumentFile(m_doc, path, m_store);
    EXPECT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(ReadFile(path), FileBytes(AltParams()));
    EXPECT_EQ(m_doc.GetPathName(), path);
    EXPECT_EQ(m_doc.GetTitle(), "saved.mvn");
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(Entries(m_dir), std::vector<std::string>{"saved.mvn"});
}

TEST_F(DocumentFlows, FailedSaveKeepsTheDocumentName) {
    PrepareEarlierDocument();
    const std::string path = PathOf("full.mvn");
    WriteFile(path, kOldContent);
    CFakeStore store;
    store.m_replaceResult = {CFileResult::writeFailed, ENOSPC};

    const CFileOutcome outcome = SaveDocumentFile(m_doc, path, store);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。");
    EXPECT_EQ(store.m_replaceCalls, 1);
    ExpectEarlierDocumentKept();
    EXPECT_EQ(ReadFile(path), kOldContent);
}

TEST_F(DocumentFlows, ReplaceKeepsPermissionsAndLeavesNoTemporary) {
    const std::string path = PathOf("picture.mvn");
    WriteFile(path, kOldContent);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    const std::vector<std::uint8_t> content = {1, 2, 3, 4, 5};
    EXPECT_TRUE(m_store.Replace(path, content).Ok());
    EXPECT_EQ(ReadFile(path), content);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(m_dir), std::vector<std::string>{"picture.mvn"});
}

TEST_F(DocumentFlows, ReplaceIntoAMissingFolderCreatesNothing) {
    const CFileResult result = m_store.Replace(PathOf("nowhere/picture.mvn"), kOldContent);
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(CauseFromErrno(result.error), CFileErrorCause::fileNotFound);
    EXPECT_TRUE(Entries(m_dir).empty());
}

TEST_F(DocumentFlows, ReplaceOfAFolderLeavesItIntact) {
    const std::string folder = PathOf("folder.mvn");
    ASSERT_TRUE(fs::create_directory(folder));
    WriteFile(folder + "/inside", kOldContent);

    EXPECT_FALSE(m_store.Replace(folder, std::vector<std::uint8_t>{1, 2, 3}).Ok());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"inside"});
    EXPECT_EQ(ReadFile(folder + "/inside"), kOldContent);
    EXPECT_EQ(Entries(m_dir), std::vector<std::string>{"folder.mvn"});
}

TEST_F(DocumentFlows, ReplaceThroughALinkReplacesTheLinkedFile) {
    const std::string target = PathOf("real.mvn");
    const std::string link = PathOf("link.mvn");
    WriteFile(target, kOldContent);
    fs::create_symlink("real.mvn", link);

    const std::vector<std::uint8_t> content = {9, 8, 7};
    EXPECT_TRUE(m_store.Replace(link, content).Ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), fs::path("real.mvn"));
    EXPECT_EQ(ReadFile(target), content);
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"link.mvn", "real.mvn"}));
}

TEST_F(DocumentFlows, ReplaceHandlesLongNamesAndDanglingLinks) {
    // The temporary file's name must not grow with the target's.
    const std::string longName = m_dir + "/" + std::string(250, 'n') + ".mvn";
    const std::vector<std::uint8_t> content = {1, 2, 3};
    EXPECT_TRUE(m_store.Replace(longName, content).Ok());
    EXPECT_EQ(ReadFile(longName), content);

    // A link to a file that does not exist yet creates that file.
    const std::string link = m_dir + "/dangling.mvn";
    fs::create_symlink("later.mvn", link);
    EXPECT_TRUE(m_store.Replace(link, content).Ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(m_dir + "/later.mvn"), content);
}

TEST(FileMessages, UntitledPathAndCauses) {
    EXPECT_EQ(FileErrorMessage(CFileErrorCause::fileNotFound, ""),
              "無題のﾌｧｲﾙ が見つかりませんでした。");
    EXPECT_EQ(FileErrorMessage(CFileErrorCause::diskFull, ""),
              "無題のﾌｧｲﾙ へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。");
    EXPECT_EQ(FileErrorMessage(CFileErrorCause::tooManyOpenFiles, "/a b/c.mvn"),
              "開いているﾌｧｲﾙが多すぎるため、/a b/c.mvn を開けませんでした。");

    EXPECT_EQ(CauseFromErrno(ENOENT), CFileErrorCause::fileNotFound);
    EXPECT_EQ(CauseFromErrno(EACCES), CFileErrorCause::accessDenied);
    EXPECT_EQ(CauseFromErrno(ENOSPC), CFileErrorCause::diskFull);
    EXPECT_EQ(CauseFromErrno(EIO), CFileErrorCause::hardIO);
    EXPECT_EQ(CauseFromErrno(EMFILE), CFileErrorCause::tooManyOpenFiles);
}

TEST(ProposedFileName, FromTitleOrPath) {
    CMorvaneDoc doc(1);
    NewDocument(doc);
    EXPECT_EQ(ProposedFileName(doc), "無題.mvn");

    doc.SetTitle("my pic#2");
    EXPECT_EQ(ProposedFileName(doc), "my.mvn");
    for (const char* title : {"a#b", "a%b", "a;b", "a/b", "a\\b", "a b"}) {
        doc.SetTitle(title);
        EXPECT_EQ(ProposedFileName(doc), "a.mvn") << title;
    }

    doc.SetPathName("/pictures/spiral.mvn");
    EXPECT_EQ(ProposedFileName(doc), "/pictures/spiral.mvn");
}
