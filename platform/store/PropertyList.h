// Property lists: a plain value tree, the bounded reading of property-list files (XML or binary)
// and their writing as XML. libplist stays inside the .cpp; no SDL, nothing game-specific.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One property-list value. Dates, data and UIDs are kept as read (Type::Opaque) so that writing
// the tree back leaves them exactly as they were.
struct PropertyList {
    enum class Type { None, String, Integer, Boolean, Real, Array, Dictionary, Opaque };
    using Dictionary = std::map<std::string, PropertyList>;

    Type type = Type::None;
    std::string string;
    std::int64_t integer = 0; // integers above INT64_MAX come back wrapped, as negatives
    bool boolean = false;
    double real = 0.0;
    std::vector<PropertyList> array;
    Dictionary dictionary;
    std::shared_ptr<void> opaque; // the library's own node of a Type::Opaque value, never changed

    static PropertyList makeString(std::string value);
    static PropertyList makeInteger(std::int64_t value);

    // The entry under `key` of a dictionary; nullptr when absent or not a dictionary.
    const PropertyList* valueForKey(const std::string& key) const;

    // An unsigned 32-bit number read leniently: an integer in range; a string's leading decimal
    // digits after blanks and an optional '+' ("5000abc" is 5000); a real truncated (5000.5 is
    // 5000). None for anything else: no digits, a sign '-', more than 4294967295, other types.
    std::optional<std::uint32_t> unsignedValue() const;
};

// Bounds that the files of a game never come near. A file beyond them is refused before any of
// it is expanded: a binary file's object table is walked without building the tree, counting a
// shared object each time it is reached, and an XML file's nesting is counted before parsing.
constexpr std::int64_t kMaxPropertyListBytes = 1024 * 1024;
constexpr int kMaxPropertyListDepth = 128;
constexpr int kMaxPropertyListValues = 20000;

// Why a file gave no property list.
enum class PropertyListFault {
    None,
    Missing,    // nothing at the path (a dangling link included)
    Unreadable, // there, but it could not be opened or read: permissions, I/O errors
    NotAFile,   // a folder, device, FIFO or socket (or a link to one): never a store
    Unusable,   // too large, beyond the bounds, or not a property list
};

// The file's contents, or none. Never waits: a FIFO or a device is refused without being
// opened for reading, and only a regular file of at most kMaxPropertyListBytes is read. Logs
// nothing: `whyNot` receives the reason in words for the caller's one log line.
std::optional<PropertyList> readPropertyListFile(const std::string& path,
                                                 std::string* whyNot = nullptr,
                                                 PropertyListFault* fault = nullptr);

// The tree as an XML property list; none when it cannot be encoded.
std::optional<std::string> xmlPropertyList(const PropertyList& root);

// Whether readPropertyListFile would take `text` (an XML property list, as written above) as
// far as its bounds go: size, values and depth. Else false with the reason in `whyNot`.
bool xmlWithinReadBounds(const std::string& text, std::string* whyNot);

// Replaces, in every string and dictionary key of the tree, what an XML 1.0 file cannot hold
// (control characters other than tab, newline and carriage return, bytes that are not UTF-8,
// U+FFFE and U+FFFF) with U+FFFD. The number of strings and keys changed.
int replaceCharactersXmlForbids(PropertyList& value);
