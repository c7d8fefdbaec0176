// The user-defaults store on libplist, saved by write-to-temporary, fsync and rename so that a
// crash or a full disk never leaves a torn store. No SDL, nothing game-specific.
#include "platform/store/UserDefaults.h"

#include "platform/base/Log.h"

#include <plist/plist.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <memory>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A preferences file is a few hundred bytes; anything this large is not ours.
constexpr off_t kMaxFileBytes = 16 * 1024 * 1024;
// Deeper nesting than this is dropped rather than recursed into.
constexpr int kMaxDepth = 32;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

PropertyList fromPlist(plist_t node, int depth) {
    PropertyList value;
    if (!node || depth > kMaxDepth) return value;
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        value.type = PropertyList::Type::String;
        if (text) value.string.assign(text, static_cast<std::size_t>(length));
        break;
    }
    case PLIST_UINT: {
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        value.type = PropertyList::Type::Integer;
        value.integer = static_cast<std::int64_t>(number); // negatives are stored two's-complement
        break;
    }
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        value.type = PropertyList::Type::Boolean;
        value.boolean = flag != 0;
        break;
    }
    case PLIST_REAL:
        value.type = PropertyList::Type::Real;
        plist_get_real_val(node, &value.real);
        break;
    case PLIST_ARRAY: {
        value.type = PropertyList::Type::Array;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size; ++i)
            value.array.push_back(fromPlist(plist_array_get_item(node, i), depth + 1));
        break;
    }
    case PLIST_DICT: {
        value.type = PropertyList::Type::Dictionary;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            if (!key) break;
            value.dictionary[key] = fromPlist(item, depth + 1);
            std::free(key);
        }
        std::free(iter);
        break;
    }
    default: // dates, data, UIDs: not used by preferences, but not ours to drop
        if (plist_t copy = plist_copy(node))
            value.opaque = std::shared_ptr<const void>(copy, PlistDeleter{});
        break;
    }
    return value;
}

plist_t toPlist(const PropertyList& value) {
    switch (value.type) {
    case PropertyList::Type::String:
        return plist_new_string(value.string.c_str());
    case PropertyList::Type::Integer:
        return plist_new_uint(static_cast<uint64_t>(value.integer)); // written back signed
    case PropertyList::Type::Boolean:
        return plist_new_bool(value.boolean ? 1 : 0);
    case PropertyList::Type::Real:
        return plist_new_real(value.real);
    case PropertyList::Type::Array: {
        plist_t array = plist_new_array();
        for (const PropertyList& item : value.array)
            if (plist_t node = toPlist(item)) plist_array_append_item(array, node);
        return array;
    }
    case PropertyList::Type::Dictionary: {
        plist_t dict = plist_new_dict();
        for (const auto& [key, item] : value.dictionary)
            if (plist_t node = toPlist(item)) plist_dict_set_item(dict, key.c_str(), node);
        return dict;
    }
    case PropertyList::Type::None:
        if (value.opaque) return plist_copy(const_cast<void*>(value.opaque.get()));
        break;
    }
    return nullptr;
}

// Whole file into `bytes`. False with `whyNot` set; `missing` tells a plain absence apart.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& whyNot,
                   bool& missing) {
    missing = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        whyNot = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        whyNot = "not a regular file";
        ::close(fd);
        return false;
    }
    if (info.st_size > kMaxFileBytes) {
        whyNot = "file too large";
        ::close(fd);
        return false;
    }
    bytes.assign(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            whyNot = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0) break; // shrank while reading: parse what there is
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    ::close(fd);
    return true;
}

std::optional<PropertyList> parsePropertyList(const std::string& bytes, std::string& whyNot) {
    plist_t root = nullptr;
    if (!bytes.empty()) plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    if (!root) {
        whyNot = "not a property list";
        return std::nullopt;
    }
    PlistHandle owner(root);
    return fromPlist(root, 0);
}

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

// A leading decimal integer after blanks, as the phone's string-to-integer does: saturating,
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

// Digits only, between optional blanks, at most UINT32_MAX.
std::optional<std::uint32_t> strictUnsigned(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\n\r");
    if (first == std::string::npos) return std::nullopt;
    const std::size_t last = text.find_last_not_of(" \t\n\r");
    std::uint64_t value = 0;
    for (std::size_t i = first; i <= last; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// A stored text as it may appear inside one log line.
std::string printable(const std::string& text) {
    std::string shown = "\"";
    for (std::size_t i = 0; i < text.size() && i < 40; ++i)
        shown += (text[i] >= ' ' && text[i] != 0x7f) ? text[i] : '?';
    return shown + (text.size() > 40 ? "...\"" : "\"");
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

// Holds an exclusive flock on <store>.lock while it lives. Waits for another writer at most
// kLockWaitMs, so that a writer that hangs cannot stop the game from quitting.
class StoreLock {
public:
    explicit StoreLock(const std::string& storePath) {
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
    ~StoreLock() {
        if (fd_ >= 0) ::close(fd_); // closing releases the lock
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool locked() const { return locked_; }
    int error() const { return error_; }

private:
    static constexpr int kLockWaitMs = 5000;
    static constexpr int kPollMs = 5;
    int fd_ = -1;
    bool locked_ = false;
    int error_ = 0;
};

} // namespace

PropertyList PropertyList::makeString(std::string value) {
    PropertyList item;
    item.type = Type::String;
    item.string = std::move(value);
    return item;
}

PropertyList PropertyList::makeInteger(std::int64_t value) {
    PropertyList item;
    item.type = Type::Integer;
    item.integer = value;
    return item;
}

const PropertyList* PropertyList::valueForKey(const std::string& key) const {
    if (type != Type::Dictionary) return nullptr;
    const auto it = dictionary.find(key);
    return it == dictionary.end() ? nullptr : &it->second;
}

std::optional<PropertyList> readPropertyListFile(const std::string& path, std::string* whyNot) {
    std::string bytes, reason;
    bool missing = false;
    std::optional<PropertyList> result;
    if (readWholeFile(path, bytes, reason, missing)) result = parsePropertyList(bytes, reason);
    if (!result && whyNot) *whyNot = reason;
    return result;
}

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
    load(values_);
}

bool UserDefaults::load(PropertyList::Dictionary& values) {
    values.clear();
    if (path_.empty()) return true;
    std::string bytes, reason;
    bool missing = false;
    if (!readWholeFile(path_, bytes, reason, missing)) {
        if (missing) return true;
        platformLog("preferences at %s could not be read (%s); they will not be overwritten",
                    path_.c_str(), reason.c_str());
        mayReplace_ = false;
        return false;
    }
    std::optional<PropertyList> root = parsePropertyList(bytes, reason);
    if (root && root->type == PropertyList::Type::Dictionary) {
        values = std::move(root->dictionary);
        return true;
    }
    if (root) reason = "not a dictionary";
    // Keep the damaged file for the player to inspect; the game goes on from the defaults.
    const std::string aside = setAsideName(path_);
    if (aside.empty()) errno = EEXIST;
    if (aside.empty() || std::rename(path_.c_str(), aside.c_str()) != 0) {
        platformLog("preferences at %s are damaged (%s) and could not be set aside (%s); they "
                    "will not be overwritten",
                    path_.c_str(), reason.c_str(), std::strerror(errno));
        mayReplace_ = false;
        return false;
    }
    platformLog("preferences at %s are damaged (%s); set aside as %s, starting from the defaults",
                path_.c_str(), reason.c_str(), aside.c_str());
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
    std::optional<std::uint32_t> number;
    std::string shown;
    if (value->type == PropertyList::Type::String) {
        number = strictUnsigned(value->string);
        shown = printable(value->string);
    } else if (value->type == PropertyList::Type::Integer) {
        if (value->integer >= 0 && value->integer <= std::numeric_limits<std::uint32_t>::max())
            number = static_cast<std::uint32_t>(value->integer);
        shown = std::to_string(value->integer);
    } else {
        shown = "a value of another type";
    }
    if (number) return *number;
    platformLog("preference \"%s\" is not an unsigned 32-bit number (%s); using 0", key.c_str(),
                shown.c_str());
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
    if (!mayReplace_) {
        platformLog("preferences not saved: %s could not be read earlier and is kept",
                    path_.c_str());
        return false;
    }
    if (path_.empty()) {
        platformLog("preferences not saved: there is no configuration folder");
        return false;
    }
    const fs::path folder = fs::path(path_).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) {
            platformLog("could not save preferences to %s: creating the folder: %s", path_.c_str(),
                        ec.message().c_str());
            return false;
        }
    }
    const StoreLock lock(path_);
    if (!lock.locked()) {
        platformLog("could not save preferences to %s: locking %s.lock: %s", path_.c_str(),
                    path_.c_str(), std::strerror(lock.error()));
        return false;
    }
    PropertyList::Dictionary stored;
    load(stored);
    if (!mayReplace_) return false; // load has logged why
    if (!change(stored)) return true;
    if (!writeFile(stored)) return false;
    // Keys written in memory and not yet saved keep their unsaved values.
    for (const std::string& key : changed_)
        stored[key] = values_[key];
    values_ = std::move(stored);
    return true;
}

bool UserDefaults::writeFile(const PropertyList::Dictionary& values) {
    auto fail = [this](const char* what, int error) {
        platformLog("could not save preferences to %s: %s: %s", path_.c_str(), what,
                    std::strerror(error));
        return false;
    };
    if (path_.empty()) return fail("no configuration folder", ENOENT);
    const fs::path folder = fs::path(path_).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) return fail("creating the folder", ec.value());
    }

    PropertyList root;
    root.type = PropertyList::Type::Dictionary;
    root.dictionary = values;
    PlistHandle node(toPlist(root));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(static_cast<plist_t>(node.get()), &xml, &length);
    if (!xml) return fail("encoding", EINVAL);
    const std::string text(xml, length);
    plist_to_xml_free(xml);

    std::string temp = temporaryPattern(path_);
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail("creating a temporary file", errno);
    const char* step = nullptr;
    if (!writeAll(fd, text.data(), text.size()))
        step = "writing";
    else if (::fsync(fd) != 0)
        step = "flushing";
    int error = errno;
    if (::close(fd) != 0 && !step) {
        step = "closing";
        error = errno;
    }
    if (!step && std::rename(temp.c_str(), path_.c_str()) != 0) {
        step = "replacing the old file";
        error = errno;
    }
    if (step) {
        ::unlink(temp.c_str());
        return fail(step, error);
    }
    // Make the rename itself durable; a folder that cannot be flushed still holds the new file.
    const std::string dir = folder.empty() ? "." : folder.string();
    if (int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    removeDeadWritersFiles(dir, fs::path(path_).filename().string());
    return true;
}
