// The user-defaults store: the player's preferences in an XML property list in the user's
// configuration folder, replaced atomically on every save; and property-list files read into a
// plain value tree. libplist stays inside the .cpp; no SDL, nothing game-specific.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// One property-list value. Dates, data and the like read as Type::None, but a value read from a
// file keeps them as they were, so that writing it back loses nothing.
struct PropertyList {
    enum class Type { None, String, Integer, Boolean, Real, Array, Dictionary };
    using Dictionary = std::map<std::string, PropertyList>;

    Type type = Type::None;
    std::string string;
    std::int64_t integer = 0; // integers above INT64_MAX come back wrapped, as negatives
    bool boolean = false;
    double real = 0.0;
    std::vector<PropertyList> array;
    Dictionary dictionary;
    std::shared_ptr<const void> opaque; // Type::None read from a file: the node as it was

    static PropertyList makeString(std::string value);
    static PropertyList makeInteger(std::int64_t value);

    // The entry under `key` of a dictionary; nullptr when absent or not a dictionary.
    const PropertyList* valueForKey(const std::string& key) const;
};

// The file's contents (XML or binary), or none when it is missing, unreadable or not a property
// list. Logs nothing; `whyNot` receives a short reason for the caller's one log line.
std::optional<PropertyList> readPropertyListFile(const std::string& path,
                                                 std::string* whyNot = nullptr);

class UserDefaults {
public:
    // The process-wide store at defaultPath(), loaded on first use.
    static UserDefaults& standardUserDefaults();

    // $SPHERON_PREFERENCES (a file path, for tests and trials), else
    // $XDG_CONFIG_HOME/spheron/preferences.plist, else ~/.config/spheron/preferences.plist.
    static std::string defaultPath();

    // Loads the store at `path`. A missing file is an empty store. A file that cannot be parsed
    // is renamed to <path>.corrupt-<n> (never deleted) and the store starts empty, with one log
    // line; a file that cannot be read at all is left alone and never overwritten.
    explicit UserDefaults(std::string path);

    const std::string& storePath() const { return path_; }

    // Stored value, else registered default. Strings as they are, integers as decimal text,
    // booleans as "true"/"false"; none for nothing stored or another type.
    std::optional<std::string> stringForKey(const std::string& key) const;

    // 0 when nothing is stored. A string is parsed as a leading decimal integer (saturating;
    // 0 when it has none); a boolean is 1 or 0; a real is truncated.
    std::int64_t integerForKey(const std::string& key) const;

    // An unsigned 32-bit number from an integer or a decimal string (surrounding blanks
    // allowed). Nothing stored is 0; a negative, non-numeric or too large value is 0 with one
    // log line.
    std::uint32_t unsignedForKey(const std::string& key) const;

    void setObject(const std::string& value, const std::string& key);
    void setObject(std::int64_t value, const std::string& key);

    // Adds to the registered defaults: they answer reads of keys that hold no written value and
    // are never saved.
    void registerDefaults(const PropertyList::Dictionary& defaults);

    // Saves the values written since the last save, on top of what the file holds now (another
    // process may have saved other keys meanwhile): a temporary file in the same folder
    // (<path>.tmp-<pid>-XXXXXX), flushed to disk, renamed over the store; then the temporary files
    // of writers that died mid-save are removed. Creates the folder when missing. True when
    // nothing needed saving. On failure: false, one log line, the old file untouched and the
    // values kept in memory for the next attempt.
    bool synchronize();

    // The one way the file is written. Under the store's lock (an flock on <path>.lock beside
    // it, so that every writer, in this process or another, waits for the one before): reads the
    // file afresh, lets `change` edit what it holds, and writes the result atomically as
    // synchronize() does, unless `change` returns false. The values in memory become what the
    // file holds then. False, with one log line, when the store could not be locked, read or
    // written; nothing in the file changes then.
    bool update(const std::function<bool(PropertyList::Dictionary& stored)>& change);

private:
    const PropertyList* objectForKey(const std::string& key) const;
    // Reads the file into `values`; false when it exists but gave nothing usable.
    bool load(PropertyList::Dictionary& values);
    bool writeFile(const PropertyList::Dictionary& values);

    std::string path_;
    PropertyList::Dictionary values_;
    PropertyList::Dictionary defaults_;
    std::set<std::string> changed_;
    bool mayReplace_ = true; // false after a file that could be neither read nor set aside
};
