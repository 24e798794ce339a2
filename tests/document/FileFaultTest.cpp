// File-system faults met by Open and Save on the real file system: a full
// disk, a read-only folder, a folder that vanishes before the write, a file
// that may not be read, targets that are no regular file, shared files and
// chains of links. Each must give the user's message naming the
// path, keep the earlier file byte for byte, leave no temporary file behind
// and leave the document as the flows promise.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ParameterFile.h"
#include "document/DocumentFlows.h"
#include "document/FileStore.h"
#include "document/MorvaneDoc.h"

namespace fs = std::filesystem;

namespace {

const std::string kDiskFull = " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。";
const std::string kAccessDenied = " へのｱｸｾｽは拒否されました。";
const std::string kNotFound = " が見つかりませんでした。";
const std::string kBadPath = " には無効なﾊﾟｽが含まれています。";
const std::string kLockViolation = " へのｱｸｾｽ中にﾛｯｸ違反が発生しました。";
const std::string kSharingViolation = " へのｱｸｾｽ中に共有違反が発生しました。";

// The real file system, except that opening for reading fails as told: what
// a file locked or withheld by its owner looks like when the test cannot
// arrange it for real (the superuser reads every file).
class CWithheldStore : public CPosixFileStore {
public:
    explicit CWithheldStore(int error) : m_error(error) {}
    CFileResult Read(const std::string&, std::size_t, std::vector<std::uint8_t>& bytes) override {
        bytes.clear();
        return {CFileResult::openFailed, m_error};
    }

private:
    int m_error;
};

// Whether permission bits stop this process (they do not stop the superuser),
// tried on a folder of its own inside `parent`.
bool PermissionsApply(const std::string& parent) {
    const std::string probe = parent + "/probe";
    if (::mkdir(probe.c_str(), 0555) != 0) {
        return false;
    }
    const bool apply = ::access(probe.c_str(), W_OK) != 0;
    ::rmdir(probe.c_str());
    return apply;
}

}  // namespace

class FileFaults : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmora-faults-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        SetParams(m_doc, SampleParams());
        m_earlierPath = PathOf("earlier.mvn");
    }

    void TearDown() override {
        if (!m_mount.empty()) {
            ::umount2(m_mount.c_str(), MNT_DETACH);
        }
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir, ignored)) {
            ::chmod(entry.path().c_str(), 0700);
        }
        ::chmod(m_dir.c_str(), 0700);
        fs::remove_all(m_dir, ignored);
    }

    std::string PathOf(const std::string& name) const { return m_dir + "/" + name; }

    // A small disk of its own at `folder`; false when this process may not mount.
    bool MountSmallDisk(const std::string& folder) {
        fs::create_directories(folder);
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16k,mode=0755") != 0) {
            return false;
        }
        m_mount = folder;
        return true;
    }

    // Writes until the disk refuses, leaving it with no free block.
    static void FillDisk(const std::string& folder) {
        const int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const std::vector<char> block(4096, 'x');
        int error = 0;
        for (int i = 0; i < 1024 && error == 0; ++i) {
            if (::write(fd, block.data(), block.size()) < 0) {
                error = errno;
            }
        }
        ::close(fd);
        ASSERT_EQ(error, ENOSPC);
    }

    // The earlier document: saved to `path`, then changed without saving.
    void SaveEarlierDocument(const std::string& path) {
        m_earlierPath = path;
        ASSERT_TRUE(SaveDocumentFile(m_doc, path, m_store).ok);
        m_earlierBytes = ReadFile(path);
        ASSERT_EQ(m_earlierBytes, FileBytes(SampleParams()));
        SetParams(m_doc, AltParams());
        m_doc.SetModifiedFlag(true);
    }

    // A failed save keeps the unsaved values, the earlier name and file.
    void ExpectSaveFailedKeepingEverything(const CFileOutcome& outcome,
                                           const std::string& message) {
        EXPECT_FALSE(outcome.ok);
        EXPECT_FALSE(outcome.reset);
        EXPECT_EQ(outcome.message, message);
        EXPECT_TRUE(SameParams(AltParams(), ParamsOf(m_doc)));
        EXPECT_EQ(m_doc.GetPathName(), m_earlierPath);
        EXPECT_EQ(m_doc.GetTitle(), fs::path(m_earlierPath).filename().string());
        EXPECT_TRUE(m_doc.IsModified());
        EXPECT_EQ(ReadFile(m_earlierPath), m_earlierBytes);
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

    std::string m_dir;
    std::string m_mount;
    std::string m_earlierPath;
    std::vector<std::uint8_t> m_earlierBytes;
    CPosixFileStore m_store;
    CMorvaneDoc m_doc{1};
};

TEST_F(FileFaults, SaveOntoAFullDiskKeepsTheEarlierFile) {
    const std::string disk = PathOf("disk");
    if (!MountSmallDisk(disk)) {
        GTEST_SKIP() << "a small disk cannot be mounted here";
    }
    SaveEarlierDocument(disk + "/picture.mvn");
    FillDisk(disk);

    // Save over the earlier file, then Save As a new one.
    ExpectSaveFailedKeepingEverything(SaveDocumentFile(m_doc, m_earlierPath, m_store),
                                      m_earlierPath + kDiskFull);
    const std::string other = disk + "/other.mvn";
    ExpectSaveFailedKeepingEverything(SaveDocumentFile(m_doc, other, m_store), other + kDiskFull);
    EXPECT_EQ(Entries(disk), (std::vector<std::string>{"filler", "picture.mvn"}));

    // Once there is room again the same save goes through.
    ASSERT_EQ(::unlink((disk + "/filler").c_str()), 0);
    EXPECT_TRUE(SaveDocumentFile(m_doc, m_earlierPath, m_store).ok);
    EXPECT_EQ(ReadFile(m_earlierPath), FileBytes(AltParams()));
    EXPECT_EQ(Entries(disk), std::vector<std::string>{"picture.mvn"});
}

TEST_F(FileFaults, SaveIntoAReadOnlyFolderKeepsTheEarlierFile) {
    const std::string folder = PathOf("locked");
    fs::create_directories(folder);
    if (PermissionsApply(m_dir)) {
        // A file that may be written is saved in place; see the test below.
        SaveEarlierDocument(folder + "/picture.mvn");
        ASSERT_EQ(::chmod(m_earlierPath.c_str(), 0444), 0);
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    } else {
        // The superuser writes through permission bits, not onto a read-only disk.
        if (!MountSmallDisk(folder)) {
            GTEST_SKIP() << "permissions do not apply and no disk can be mounted here";
        }
        SaveEarlierDocument(folder + "/picture.mvn");
        ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=16k"), 0);
    }

    ExpectSaveFailedKeepingEverything(SaveDocumentFile(m_doc, m_earlierPath, m_store),
                                      m_earlierPath + kAccessDenied);
    const std::string other = folder + "/other.mvn";
    ExpectSaveFailedKeepingEverything(SaveDocumentFile(m_doc, other, m_store),
                                      other + kAccessDenied);
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"picture.mvn"});
}

TEST_F(FileFaults, SaveIntoAFolderThatVanishedCreatesNothing) {
    SaveEarlierDocument(PathOf("earlier.mvn"));

    // The dialog offered a folder that is removed before the write.
    const std::string folder = PathOf("chosen");
    fs::create_directories(folder);
    const std::string chosen = folder + "/picture.mvn";
    fs::remove(folder);
    ExpectSaveFailedKeepingEverything(SaveDocumentFile(m_doc, chosen, m_store), chosen + kNotFound);
    EXPECT_EQ(Entries(m_dir), std::vector<std::string>{"earlier.mvn"});

    // Or replaced by a file of the same name, which is left alone.
    std::ofstream(folder) << "not a folder";
    ExpectSaveFailedKeepingEverything(SaveDocumentFile(m_doc, chosen, m_store), chosen + kBadPath);
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"chosen", "earlier.mvn"}));
    EXPECT_EQ(fs::file_size(folder), 12u);
}

TEST_F(FileFaults, OpenOfAnUnreadableFileChangesNothing) {
    SaveEarlierDocument(PathOf("earlier.mvn"));
    m_doc.SetModifiedFlag(false);
    const std::string secret = PathOf("secret.mvn");
    {
        std::ofstream out(secret, std::ios::binary);
        const std::vector<std::uint8_t> bytes = FileBytes(SampleParams());
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    ASSERT_EQ(::chmod(secret.c_str(), 0), 0);

    struct Case {
        int error;  // 0: the real file system
        std::string message;
    };
    std::vector<Case> cases = {{EACCES, secret + kAccessDenied},
                               {EAGAIN, secret + kLockViolation},
                               {EBUSY, secret + kSharingViolation}};
    if (PermissionsApply(m_dir)) {
        cases.insert(cases.begin(), {0, secret + kAccessDenied});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        CWithheldStore withheld(c.error);
        IFileStore& store = c.error == 0 ? static_cast<IFileStore&>(m_store) : withheld;
        const CFileOutcome outcome = OpenDocumentFile(m_doc, secret, store);
        EXPECT_FALSE(outcome.ok);
        EXPECT_FALSE(outcome.reset);
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_TRUE(SameParams(AltParams(), ParamsOf(m_doc)));
        EXPECT_EQ(m_doc.GetPathName(), m_earlierPath);
        EXPECT_EQ(m_doc.GetTitle(), "earlier.mvn");
        EXPECT_FALSE(m_doc.IsModified());
    }
    ::chmod(secret.c_str(), 0644);
    EXPECT_EQ(ReadFile(secret), FileBytes(SampleParams()));
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"earlier.mvn", "secret.mvn"}));
}

TEST_F(FileFaults, SaveOverAWritableFileInAReadOnlyFolderRewritesIt) {
    if (!PermissionsApply(m_dir)) {
        GTEST_SKIP() << "permission bits do not stop this process";
    }
    const std::string folder = PathOf("locked");
    fs::create_directories(folder);
    SaveEarlierDocument(folder + "/picture.mvn");
    struct stat before {};
    ASSERT_EQ(::stat(m_earlierPath.c_str(), &before), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    EXPECT_TRUE(SaveDocumentFile(m_doc, m_earlierPath, m_store).ok);
    EXPECT_EQ(ReadFile(m_earlierPath), FileBytes(AltParams()));
    struct stat after {};
    ASSERT_EQ(::stat(m_earlierPath.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"picture.mvn"});
}

TEST_F(FileFaults, SaveOntoAPipeOrAFolderLeavesIt) {
    SaveEarlierDocument(PathOf("earlier.mvn"));
    const std::string pipe = PathOf("pipe.mvn");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string folder = PathOf("folder.mvn");
    fs::create_directories(folder + "/inside");

    ExpectSaveFailedKeepingEverything(SaveDocumentFile(m_doc, pipe, m_store), pipe + kAccessDenied);
    ExpectSaveFailedKeepingEverything(SaveDocumentFile(m_doc, folder, m_store),
                                      folder + kAccessDenied);
    EXPECT_EQ(fs::symlink_status(pipe).type(), fs::file_type::fifo);
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"inside"});
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"earlier.mvn", "folder.mvn", "pipe.mvn"}));
}

TEST_F(FileFaults, SaveOverAHardLinkedFileUpdatesEveryName) {
    SaveEarlierDocument(PathOf("picture.mvn"));
    const std::string other = PathOf("other.mvn");
    ASSERT_EQ(::link(m_earlierPath.c_str(), other.c_str()), 0);

    EXPECT_TRUE(SaveDocumentFile(m_doc, m_earlierPath, m_store).ok);
    EXPECT_EQ(ReadFile(m_earlierPath), FileBytes(AltParams()));
    EXPECT_EQ(ReadFile(other), FileBytes(AltParams()));
    EXPECT_EQ(fs::hard_link_count(other), 2u);
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"other.mvn", "picture.mvn"}));

    // One too large for its old bytes to be kept is refused and left alone.
    const std::vector<std::uint8_t> large(kMaxParameterFileBytes + 1, 'l');
    std::ofstream(other, std::ios::binary)
        .write(reinterpret_cast<const char*>(large.data()),
               static_cast<std::streamsize>(large.size()));
    EXPECT_EQ(m_store.Replace(m_earlierPath, FileBytes(SampleParams())).error, EACCES);
    EXPECT_TRUE(ReadFile(m_earlierPath) == large);
}

// A write that fails part way, made with a file-size limit: the shared file
// rewritten in place and the single one replaced both keep their bytes.
TEST_F(FileFaults, WriteFailureKeepsTheOldBytesOfEveryKindOfTarget) {
    const std::vector<std::uint8_t> old(100, 'o');
    const std::string shared = PathOf("shared.mvn");
    const std::string single = PathOf("single.mvn");
    for (const std::string& path : {shared, single}) {
        ASSERT_TRUE(m_store.Replace(path, old).Ok());
    }
    ASSERT_EQ(::link(shared.c_str(), PathOf("twin.mvn").c_str()), 0);

    const std::vector<std::uint8_t> larger(8192, 'n');
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const CFileResult inPlace = m_store.Replace(shared, larger);
    const CFileResult replaced = m_store.Replace(single, larger);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);

    EXPECT_EQ(inPlace.error, EFBIG);
    EXPECT_EQ(replaced.error, EFBIG);
    EXPECT_EQ(ReadFile(shared), old);
    EXPECT_EQ(ReadFile(PathOf("twin.mvn")), old);
    EXPECT_EQ(ReadFile(single), old);
    EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"shared.mvn", "single.mvn", "twin.mvn"}));
}

TEST_F(FileFaults, SaveThroughLinksWritesTheEndOfTheChain) {
    // link1 -> link2 -> <absolute>/sub/link3 -> ../final.mvn, not there yet.
    fs::create_directories(PathOf("sub"));
    fs::create_symlink("link2", PathOf("link1"));
    fs::create_symlink(PathOf("sub/link3"), PathOf("link2"));
    fs::create_symlink("../final.mvn", PathOf("sub/link3"));
    for (const auto& params : {SampleParams(), AltParams()}) {
        SetParams(m_doc, params);
        EXPECT_TRUE(SaveDocumentFile(m_doc, PathOf("link1"), m_store).ok);
        EXPECT_EQ(ReadFile(PathOf("final.mvn")), FileBytes(params));
        for (const char* link : {"link1", "link2", "sub/link3"}) {
            EXPECT_TRUE(fs::is_symlink(PathOf(link))) << link;
        }
        EXPECT_EQ(Entries(m_dir), (std::vector<std::string>{"final.mvn", "link1", "link2", "sub"}));
    }

    // A loop is refused and left as it is.
    fs::create_symlink("b.mvn", PathOf("a.mvn"));
    fs::create_symlink("a.mvn", PathOf("b.mvn"));
    EXPECT_EQ(m_store.Replace(PathOf("a.mvn"), FileBytes(SampleParams())).error, ELOOP);
    EXPECT_TRUE(fs::is_symlink(PathOf("a.mvn")));
    EXPECT_TRUE(fs::is_symlink(PathOf("b.mvn")));
}
