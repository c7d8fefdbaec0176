// The user-defaults store: read-change-write under an flock, written by write-to-temporary,
// fsync and rename so that a crash, a full disk or a second writer never costs a value. No SDL,
// nothing game-specific.
#include "platform/store/UserDefaults.h"

#include "platform/base/Log.h"
#include "platform/store/StoreFiles.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A leading decimal integer after blanks, read as a preferences store reads one: saturating,
// 0 when there is none.
std::int64_t leadingInteger(const std::string& text) {
    std::size_t i = text.find_first_not_of(" \t\n\r");
    if (i == std::string::npos) return 0;
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    const std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (limit - digit) / 10)
            return negative ? std::numeric_limits<std::int64_t>::min() : limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

// A stored value as it may appear inside one log line.
std::string printable(const PropertyList& value) {
    switch (value.type) {
    case PropertyList::Type::String:
        return "\"" + shownValue(value.string) + "\"";
    case PropertyList::Type::Integer:
        return std::to_string(value.integer);
    case PropertyList::Type::Real:
        return std::to_string(value.real);
    default:
        return "a value of another type";
    }
}

const char* notAFileReason(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO (a named pipe)";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults() {
    static UserDefaults store(defaultPath());
    return store;
}

std::string UserDefaults::defaultPath() {
    if (const char* file = std::getenv("SPHERON_PREFERENCES"); file && *file) return file;
    fs::path folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* user = ::getpwuid(::getuid());
            home = user ? user->pw_dir : nullptr;
        }
        if (!home || !*home) return {};
        folder = fs::path(home) / ".config";
    }
    return (folder / "spheron" / "preferences.plist").string();
}

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)) {
    // Said at once, not only at the first save.
    if (load(values_, false) && !path_.empty()) mayWrite(fileBehind(path_));
    keepsPreferences(false);
}

bool UserDefaults::mayWrite(const std::string& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return true; // missing, or load has said why
    if (!S_ISREG(info.st_mode)) {
        report("preferences will not be kept: %s is %s, not a file; it is left as it is",
               file.c_str(), notAFileReason(info.st_mode));
        mayReplace_ = false;
    } else if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        report("preferences at %s are read-only: they are read, and changes will not be kept",
               file.c_str());
        mayReplace_ = false;
    }
    return mayReplace_;
}

bool UserDefaults::keepsPreferences(bool makeFolder) {
    if (path_.empty()) {
        report("preferences will not be kept: there is no configuration folder (neither "
               "XDG_CONFIG_HOME nor HOME names one)");
        return false;
    }
    std::string why;
    const std::string file = fileBehind(path_);
    if (makeStoreFolder(fs::path(file).parent_path(), why, makeFolder)) return true;
    report("preferences will not be kept in %s: %s", file.c_str(), why.c_str());
    return false;
}

void UserDefaults::report(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (reported_.insert(line).second) platformLog("%s", line);
}

bool UserDefaults::load(PropertyList::Dictionary& values, bool locked) {
    values.clear();
    if (path_.empty()) return true;
    const std::string file = fileBehind(path_);
    std::string why;
    PropertyListFault fault = PropertyListFault::None;
    std::optional<PropertyList> root = readPropertyListFile(file, &why, &fault);
    if (root && root->type == PropertyList::Type::Dictionary) {
        values = std::move(root->dictionary);
        return true;
    }
    if (root) why = "it holds no dictionary";
    if (fault == PropertyListFault::Missing) return true;
    if (fault == PropertyListFault::NotAFile) { // never opened, locked, renamed or replaced
        if (mayWrite(file)) {                   // it changed under us: refuse all the same
            report("preferences will not be kept: %s is not a file; it is left as it is",
                   file.c_str());
            mayReplace_ = false;
        }
        return false;
    }
    if (fault == PropertyListFault::Unreadable) {
        report("preferences at %s could not be read (%s); they are left as they are, and "
               "preferences will not be kept",
               file.c_str(), why.c_str());
        mayReplace_ = false;
        return false;
    }
    if (!locked) {
        // Another writer may be replacing the file right now: look again under the lock.
        const StoreLock lock(file);
        if (lock.locked()) return load(values, true);
        report("preferences at %s cannot be used (%s); they are set aside at the next save",
               file.c_str(), why.c_str());
        return false;
    }
    // Keep what is there for the player to inspect; the game goes on from the defaults.
    const std::string aside = setAsideName(file);
    if (aside.empty()) errno = EEXIST;
    if (aside.empty() || std::rename(file.c_str(), aside.c_str()) != 0) {
        report("preferences at %s cannot be used (%s) and could not be set aside (%s); they "
               "are left as they are, and preferences will not be kept",
               file.c_str(), why.c_str(), std::strerror(errno));
        mayReplace_ = false;
        return false;
    }
    report("preferences at %s cannot be used (%s); set aside as %s, starting from the defaults",
           file.c_str(), why.c_str(), aside.c_str());
    return false;
}

const PropertyList* UserDefaults::objectForKey(const std::string& key) const {
    if (auto it = values_.find(key); it != values_.end()) return &it->second;
    if (auto it = defaults_.find(key); it != defaults_.end()) return &it->second;
    return nullptr;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    const PropertyList* value = objectForKey(key);
    if (!value) return std::nullopt;
    switch (value->type) {
    case PropertyList::Type::String:
        return value->string;
    case PropertyList::Type::Integer:
        return std::to_string(value->integer);
    case PropertyList::Type::Boolean:
        return std::string(value->boolean ? "true" : "false");
    case PropertyList::Type::Real: {
        char text[32]; // the shortest text that reads back as the same number
        for (int digits = 15; digits <= 17; ++digits) {
            std::snprintf(text, sizeof text, "%.*g", digits, value->real);
            if (std::strtod(text, nullptr) == value->real) break;
        }
        return std::string(text);
    }
    default:
        return std::nullopt;
    }
}

std::int64_t UserDefaults::integerForKey(const std::string& key) const {
    const PropertyList* value = objectForKey(key);
    if (!value) return 0;
    switch (value->type) {
    case PropertyList::Type::String:
        return leadingInteger(value->string);
    case PropertyList::Type::Integer:
        return value->integer;
    case PropertyList::Type::Boolean:
        return value->boolean ? 1 : 0;
    case PropertyList::Type::Real: {
        constexpr double kLimit = 9.2e18; // inside the int64 range, so the cast is defined
        if (!(value->real > -kLimit && value->real < kLimit)) return 0;
        return static_cast<std::int64_t>(value->real);
    }
    default:
        return 0;
    }
}

std::uint32_t UserDefaults::unsignedForKey(const std::string& key) const {
    const PropertyList* value = objectForKey(key);
    if (!value) return 0;
    if (const std::optional<std::uint32_t> number = value->unsignedValue()) return *number;
    platformLog("preference \"%s\" in %s is not a number from 0 to 4294967295 (%s); using 0",
                key.c_str(), path_.c_str(), printable(*value).c_str());
    return 0;
}

void UserDefaults::setObject(const std::string& value, const std::string& key) {
    values_[key] = PropertyList::makeString(value);
    changed_.insert(key);
}

void UserDefaults::setObject(std::int64_t value, const std::string& key) {
    values_[key] = PropertyList::makeInteger(value);
    changed_.insert(key);
}

void UserDefaults::registerDefaults(const PropertyList::Dictionary& defaults) {
    for (const auto& [key, value] : defaults)
        defaults_[key] = value;
}

void UserDefaults::addOwnKeys(const std::set<std::string>& keys) {
    ownKeys_.insert(keys.begin(), keys.end());
}

bool UserDefaults::synchronize() {
    if (changed_.empty()) return true;
    // On top of what is on disk now, so that keys saved meanwhile by another writer survive.
    const bool saved = update([this](PropertyList::Dictionary& stored) {
        for (const std::string& key : changed_)
            stored[key] = values_[key];
        return true;
    });
    if (saved) changed_.clear();
    return saved;
}

bool UserDefaults::update(const std::function<bool(PropertyList::Dictionary& stored)>& change) {
    const bool saved = [&] {
        if (!mayReplace_) return false; // said so when the file was read
        if (!keepsPreferences(true)) return false;
        const std::string file = fileBehind(path_);
        if (!mayWrite(file)) return false;
        // The lock goes beside the file only in a folder we may write: never beside a device.
        const std::string folder = fs::path(file).parent_path().string();
        if (::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0) {
            report("preferences will not be kept in %s: its folder cannot be written (%s)",
                   file.c_str(), std::strerror(errno));
            return false;
        }
        const StoreLock lock(file);
        if (!lock.locked()) {
            report("could not save preferences to %s: locking %s.lock: %s", file.c_str(),
                   file.c_str(),
                   lock.error() == ETIMEDOUT ? "another program has held it for 5 seconds"
                                             : std::strerror(lock.error()));
            return false;
        }
        PropertyList::Dictionary stored;
        load(stored, true);
        if (!mayReplace_) return false; // load has said why
        lockedFile_ = file;
        struct Unlocked {
            std::string& file;
            ~Unlocked() { file.clear(); }
        } unlocked{lockedFile_};
        if (!change(stored)) return true;
        if (!writeWithinBounds(file, stored)) return false;
        // Keys written in memory and not yet saved keep their unsaved values.
        for (const std::string& key : changed_)
            stored[key] = values_[key];
        values_ = std::move(stored);
        return true;
    }();
    if (!saved) ++failedSaves_;
    return saved;
}

bool UserDefaults::writeWithinBounds(const std::string& file, PropertyList::Dictionary& stored) {
    PropertyList root;
    root.type = PropertyList::Type::Dictionary;
    root.dictionary = std::move(stored);
    if (replaceCharactersXmlForbids(root) > 0) {
        // An XML file cannot hold them; the file as it was, when there is one, keeps them.
        struct stat info {};
        std::string aside = "no file was there before";
        if (::stat(file.c_str(), &info) == 0 && (aside = copyAside()).empty()) return false;
        report("%s: written with U+FFFD for text XML cannot hold; the file as it was: %s",
               file.c_str(), aside.c_str());
    }
    stored = std::move(root.dictionary);
    std::string why;
    const Write written = writeFile(file, stored, &why);
    if (written != Write::BeyondBounds) return written == Write::Done;
    // The game's own keys in a fresh file keep the record live; the old file stays whole.
    PropertyList::Dictionary fresh;
    for (const auto& [key, value] : stored)
        if (ownKeys_.count(key) || changed_.count(key) || defaults_.count(key)) fresh[key] = value;
    if (writeFile(file, fresh) != Write::Done) return false; // said why
    stored = std::move(fresh);
    return true;
}

std::string UserDefaults::copyAside() {
    const std::string aside = setAsideName(lockedFile_);
    std::error_code ec(EEXIST, std::generic_category());
    // A second name costs nothing; a folder that takes no hard links gets a copy.
    if (aside.empty() || (::link(lockedFile_.c_str(), aside.c_str()) != 0 &&
                          !fs::copy_file(lockedFile_, aside, ec))) {
        report("could not keep a copy of %s before replacing it: %s", lockedFile_.c_str(),
               ec.message().c_str());
        return {};
    }
    return aside;
}

std::string UserDefaults::keepCopyAside() {
    if (lockedFile_.empty()) {
        platformLog("preferences at %s: a copy is kept aside only during a save", path_.c_str());
        return {};
    }
    const std::string aside = copyAside();
    if (!aside.empty())
        platformLog("preferences at %s hold a value the game cannot read; the file is kept as %s",
                    lockedFile_.c_str(), aside.c_str());
    return aside;
}

UserDefaults::Write UserDefaults::writeFile(const std::string& file,
                                            const PropertyList::Dictionary& values,
                                            std::string* whyBeyond) {
    auto fail = [this, &file](const char* what, const char* reason) {
        report("could not save preferences to %s: %s: %s", file.c_str(), what, reason);
        return Write::Failed;
    };
    PropertyList root;
    root.type = PropertyList::Type::Dictionary;
    root.dictionary = values;
    const std::optional<std::string> text = xmlPropertyList(root);
    if (!text) return fail("encoding", "the library could not write them");
    // A file the next read would refuse is not written in the first place.
    std::string why;
    if (!xmlWithinReadBounds(*text, &why)) {
        if (!whyBeyond) return fail("encoding", why.c_str());
        *whyBeyond = why;
        if (lockedFile_.empty()) return fail("encoding", why.c_str());
        const std::string aside = copyAside();
        if (aside.empty()) return Write::Failed;
        report("%s would be beyond what the game reads (%s): kept as %s, and a fresh file holds "
               "the game's own values",
               file.c_str(), why.c_str(), aside.c_str());
        return Write::BeyondBounds;
    }

    std::string temp = temporaryPattern(file);
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail("creating a temporary file", std::strerror(errno));
    // The replaced file's permissions stay (mkstemp makes 0600).
    struct stat old {};
    if (::stat(file.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
    const char* step = nullptr;
    if (!writeAll(fd, text->data(), text->size()))
        step = "writing";
    else if (::fsync(fd) != 0)
        step = "flushing";
    int error = errno;
    if (::close(fd) != 0 && !step) {
        step = "closing";
        error = errno;
    }
    if (!step && std::rename(temp.c_str(), file.c_str()) != 0) {
        step = "replacing the old file";
        error = errno;
    }
    if (step) {
        ::unlink(temp.c_str());
        return fail(step, std::strerror(error));
    }
    // Make the rename itself durable; a folder that cannot be flushed still holds the new file.
    const fs::path folder = fs::path(file).parent_path();
    const std::string dir = folder.empty() ? "." : folder.string();
    if (int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    removeDeadWritersFiles(dir, fs::path(file).filename().string());
    return Write::Done;
}
