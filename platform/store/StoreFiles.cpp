// The store's files on disk: what UserDefaults does with paths, descriptors and locks.
#include "platform/store/StoreFiles.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The first free <path>.corrupt-<n>.
std::string setAsideName(const std::string& path) {
    for (int n = 1;; ++n) {
        std::string candidate = path + ".corrupt-" + std::to_string(n);
        struct stat info {};
        if (::lstat(candidate.c_str(), &info) != 0 && errno == ENOENT) return candidate;
        if (n >= 10000) return {};
    }
}

// Temporary files are named <store>.tmp-<pid>-XXXXXX, so that the file of a writer that died
// mid-save can be told from one still being written, and from the player's own files.
std::string temporaryPattern(const std::string& path) {
    return path + ".tmp-" + std::to_string(::getpid()) + "-XXXXXX";
}

// The writer's process id when `name` has exactly the shape above for the store `storeName`.
std::optional<pid_t> temporaryFileOwner(const std::string& name, const std::string& storeName) {
    const std::string prefix = storeName + ".tmp-";
    if (name.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    std::size_t i = prefix.size();
    long long pid = 0;
    const std::size_t digitsFrom = i;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && i - digitsFrom < 10; ++i)
        pid = pid * 10 + (name[i] - '0');
    if (i == digitsFrom || pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return std::nullopt;
    if (i >= name.size() || name[i] != '-' || name.size() - i - 1 != 6) return std::nullopt;
    for (++i; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return std::nullopt;
    return static_cast<pid_t>(pid);
}

// Removes the temporary files of writers that no longer run, so that crashes mid-save do not
// gather litter. A file of this process, of a live process or of one we may not signal stays.
void removeDeadWritersFiles(const fs::path& folder, const std::string& storeName) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::optional<pid_t> owner =
            temporaryFileOwner(it->path().filename().string(), storeName);
        if (!owner || *owner == ::getpid()) continue;
        if (::kill(*owner, 0) == 0 || errno != ESRCH) continue;
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(it->path().c_str());
    }
}

StoreLock::StoreLock(const std::string& storePath) {
    constexpr int kLockWaitMs = 5000;
    constexpr int kPollMs = 5;
    const std::string lockPath = storePath + ".lock";
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    for (int waited = 0;; waited += kPollMs) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            locked_ = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (waited >= kLockWaitMs) break;
        ::usleep(kPollMs * 1000);
    }
    error_ = errno == EWOULDBLOCK ? ETIMEDOUT : errno;
}

StoreLock::~StoreLock() {
    if (fd_ >= 0) ::close(fd_); // closing releases the lock
}

// The file a store path leads to: symbolic links followed, so that a link stays a link and the
// file it leads to is the one replaced. A dangling link leads to the file it names.
std::string fileBehind(const std::string& path) {
    fs::path current = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        const fs::path target = fs::read_symlink(current, ec);
        if (ec) break; // not a link
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current.string();
}

// Makes a missing store folder: the folder itself, and the one holding it when that one's own
// parent exists (a configuration folder not made yet), never more, so that a wrong HOME does not
// grow a tree of folders. False with the reason in words. With `make` false it only looks.
bool makeStoreFolder(const fs::path& folder, std::string& whyNot, bool make) {
    std::error_code ec;
    if (folder.empty() || fs::is_directory(folder, ec)) return true;
    const fs::path holder = folder.parent_path();
    if (!fs::is_directory(holder, ec) && !fs::is_directory(holder.parent_path(), ec)) {
        whyNot = "neither " + holder.string() + " nor the folder holding it exists";
        return false;
    }
    if (!make) return true;
    for (const fs::path& made : {holder, folder}) {
        if (fs::is_directory(made, ec)) continue;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            whyNot = "making " + made.string() + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}
