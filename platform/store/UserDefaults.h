// The user-defaults store: the player's preferences in an XML property list in the user's
// configuration folder, changed only under a lock and replaced atomically. No SDL, nothing
// game-specific.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "platform/store/PropertyList.h"

class UserDefaults {
public:
    // The process-wide store at defaultPath(), loaded on first use.
    static UserDefaults& standardUserDefaults();

    // $SPHERON_PREFERENCES (a file path, for tests and trials), else
    // $XDG_CONFIG_HOME/spheron/preferences.plist, else ~/.config/spheron/preferences.plist.
    static std::string defaultPath();

    // Loads the store at `path` (read as readPropertyListFile reads, so never waiting on it). A
    // missing file is an empty store. Only a regular file is ever a store: a path that is, or
    // leads to, a folder, a device, a FIFO or a socket is left exactly as it is (no lock, nothing
    // set aside), and a regular file without write permission is read but never replaced; each
    // says once that preferences will not be kept. A regular file that gives no usable
    // dictionary (damaged, beyond the bounds) is renamed to <file>.corrupt-<n> under the store's
    // lock, never deleted, and the store starts empty, with one log line; a file that cannot be
    // read at all is left alone and never overwritten. A store that is a symbolic link stays
    // one: <file> is the file it leads to, which every write replaces.
    explicit UserDefaults(std::string path);

    const std::string& storePath() const { return path_; }

    // Stored value, else registered default. Strings as they are, numbers as decimal text,
    // booleans as "true"/"false"; none for nothing stored or another type.
    std::optional<std::string> stringForKey(const std::string& key) const;

    // 0 when nothing is stored. A string is parsed as a leading decimal integer (saturating;
    // 0 when it has none); a boolean is 1 or 0; a real is truncated.
    std::int64_t integerForKey(const std::string& key) const;

    // An unsigned 32-bit number read leniently (PropertyList::unsignedValue). Nothing stored is
    // 0; a value that cannot be read so is 0 with one log line (the file keeps it).
    std::uint32_t unsignedForKey(const std::string& key) const;

    void setObject(const std::string& value, const std::string& key);
    void setObject(std::int64_t value, const std::string& key);

    // Adds to the registered defaults: they answer reads of keys that hold no written value and
    // are never saved.
    void registerDefaults(const PropertyList::Dictionary& defaults);

    // Names keys as the player's own: when a save would make a file beyond the reader's bounds,
    // these keys (with the registered defaults' and the ones written through setObject) go to a
    // fresh file, and the old one is kept whole as <file>.corrupt-<n>.
    void addOwnKeys(const std::set<std::string>& keys);

    // How many saves (synchronize, update) failed since the store was made: a scripted run uses
    // it to say that its result was not kept.
    int failedSaves() const { return failedSaves_; }

    // Saves the values written since the last save, on top of what the file holds now (another
    // process may have saved other keys meanwhile), through update(). True when nothing needed
    // saving. On failure: false, the old file untouched and the values kept in memory for the
    // next attempt.
    bool synchronize();

    // The one way the file is written. Under the store's lock (an flock on <file>.lock beside
    // it, so that every writer, in this process or another, waits for the one before, at most
    // five seconds): reads the file afresh, lets `change` edit what it holds (keys it does not
    // touch, of any type, are written back as they were), and unless `change` returns false
    // writes the result to a temporary file in the same folder (<file>.tmp-<pid>-XXXXXX, with
    // the old file's permissions), flushed to disk and renamed over <file>; then the temporary
    // files of writers that died mid-save are removed. What is written is first checked against
    // the reader's bounds: beyond them, the own keys alone are written (see addOwnKeys). Text
    // that XML cannot hold is written as U+FFFD, after the file as it was is kept aside. Makes
    // the store's folder when missing, and the folder holding that one when its own parent
    // exists, never more. The values in memory become what the file holds then. False, with
    // one log line, when the store could not be locked, read or written (each reason is logged
    // once per store); nothing in the file changes then.
    bool update(const std::function<bool(PropertyList::Dictionary& stored)>& change);

    // For a `change` running under update(): gives the file as it is now a second name,
    // <file>.corrupt-<n>, so that the write that follows replaces it without losing it. That
    // name, or "" after a log line (also outside update()).
    std::string keepCopyAside();

private:
    const PropertyList* objectForKey(const std::string& key) const;
    // Reads the file into `values`; false when it exists but gave nothing usable. A file that
    // is set aside is looked at again under the lock first, unless `locked` says it is held.
    bool load(PropertyList::Dictionary& values, bool locked);
    enum class Write { Done, Failed, BeyondBounds };
    Write writeFile(const std::string& file, const PropertyList::Dictionary& values,
                    std::string* whyBeyond = nullptr);
    // Writes `stored` under the lock, falling back to the own keys; false after a log line.
    bool writeWithinBounds(const std::string& file, PropertyList::Dictionary& stored);
    // <file>.corrupt-<n> as a second name (or copy) of the locked file; "" after a log line.
    std::string copyAside();
    // Whether the file at `file` may be replaced: it is missing or a writable regular file.
    // Else says once why not and makes every later save fail.
    bool mayWrite(const std::string& file);
    // Whether the store has a folder, or can make it (and does when `makeFolder`); else says
    // once that preferences will not be kept.
    bool keepsPreferences(bool makeFolder);
    // Logs the line unless this store has logged it before: a store that cannot be kept says so
    // once, not at every save.
    void report(const char* format, ...) __attribute__((format(printf, 2, 3)));

    std::string path_;
    PropertyList::Dictionary values_;
    PropertyList::Dictionary defaults_;
    std::set<std::string> changed_;
    bool mayReplace_ = true; // false after a file that could be neither read nor set aside
    std::string lockedFile_; // the file whose lock update() holds; "" outside update()
    std::set<std::string> reported_;
    std::set<std::string> ownKeys_;
    int failedSaves_ = 0;
};
