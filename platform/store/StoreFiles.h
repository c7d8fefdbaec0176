// The store's files on disk: complete writes, set-aside names, temporary files and their
// owners, the store's lock, the file a link leads to and the folders a store may make. POSIX and
// the standard library only; nothing game-specific.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

// Writes all of `data`, retrying short writes; false with errno set.
bool writeAll(int fd, const char* data, std::size_t size);

// The first free <path>.corrupt-<n>; "" after 10,000 taken.
std::string setAsideName(const std::string& path);

// Temporary files are named <store>.tmp-<pid>-XXXXXX, so that the file of a writer that died
// mid-save can be told from one still being written, and from the player's own files.
std::string temporaryPattern(const std::string& path);
// The writer's process id when `name` has exactly that shape for the store `storeName`.
std::optional<pid_t> temporaryFileOwner(const std::string& name, const std::string& storeName);
// Removes the temporary files of writers that no longer run, so that crashes mid-save do not
// gather litter. A file of this process, of a live process or of one we may not signal stays.
void removeDeadWritersFiles(const std::filesystem::path& folder, const std::string& storeName);

// Holds an exclusive flock on <store>.lock while it lives. Waits for another writer at most
// five seconds, so that a writer that hangs cannot stop the game from quitting.
class StoreLock {
public:
    explicit StoreLock(const std::string& storePath);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool locked() const { return locked_; }
    int error() const { return error_; } // ETIMEDOUT after the wait

private:
    int fd_ = -1;
    bool locked_ = false;
    int error_ = 0;
};

// The file a store path leads to: symbolic links followed, so that a link stays a link and the
// file it leads to is the one replaced. A dangling link leads to the file it names.
std::string fileBehind(const std::string& path);

// Makes a missing store folder: the folder itself, and the one holding it when that one's own
// parent exists (a configuration folder not made yet), never more, so that a wrong HOME does not
// grow a tree of folders. False with the reason in words. With `make` false it only looks.
bool makeStoreFolder(const std::filesystem::path& folder, std::string& whyNot, bool make = true);
