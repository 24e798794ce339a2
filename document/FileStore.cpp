#include "document/FileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

namespace {

CFileResult Failed(CFileResult::Stage stage, int error) {
    return CFileResult{stage, error};
}

// A descriptor that is closed however the function leaves.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    // Closes now and reports the error a deferred write may only show here.
    int Close() {
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes, int& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a path finally names: saving through a link replaces the linked
// file, also when that file does not exist yet.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) {
        return resolved;
    }
    char link[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
    if (n <= 0) {
        return path;
    }
    const std::string target(link, static_cast<std::size_t>(n));
    const std::size_t slash = path.find_last_of('/');
    if (target.front() == '/' || slash == std::string::npos) {
        return target;
    }
    return path.substr(0, slash + 1) + target;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

CFileResult CPosixFileStore::Read(const std::string& path, std::size_t maxBytes,
                                  std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    // Non-blocking, so that a named pipe cannot hang the open.
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        return Failed(CFileResult::openFailed, errno);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return Failed(CFileResult::openFailed, errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return Failed(CFileResult::openFailed, S_ISDIR(st.st_mode) ? EISDIR : EACCES);
    }
    bytes.resize(maxBytes);
    std::size_t done = 0;
    while (done < maxBytes) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + done, maxBytes - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            bytes.clear();
            return Failed(CFileResult::readFailed, error);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return {};
}

CFileResult CPosixFileStore::Replace(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::string target = ResolveTarget(path);
    const std::string folder = FolderOf(target);

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // A file that may not be written is not replaced behind its back.
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        return Failed(CFileResult::writeFailed, errno);
    }

    // A short name of its own beside the target, whatever the target's length.
    std::random_device random;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/.velmora-" + std::to_string(random() % 100000000) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return Failed(CFileResult::writeFailed, errno);
        }
    }
    if (fd < 0) {
        return Failed(CFileResult::writeFailed, EEXIST);
    }
    CFd file(fd);

    if (exists && S_ISREG(old.st_mode)) {
        // Keep the old file's owner and permissions where we may.
        [[maybe_unused]] const int owned = ::fchown(file.Get(), old.st_uid, old.st_gid);
        ::fchmod(file.Get(), old.st_mode & 07777);
    }
    int error = 0;
    if (!WriteAll(file.Get(), bytes, error)) {
        // error is set
    } else if (::fsync(file.Get()) != 0) {
        error = errno;
    } else if ((error = file.Close()) != 0) {
        // a write the disk refused late
    } else if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return Failed(CFileResult::writeFailed, error);
    }
    // Make the rename itself durable; a folder that cannot be synced is no failure.
    CFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
    return {};
}
