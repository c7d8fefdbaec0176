// Property-list files on libplist, read within fixed bounds so that a hostile file costs
// milliseconds and kilobytes, and the value tree they become. No SDL, nothing game-specific.
#include "platform/store/PropertyList.h"

#include <plist/plist.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

const char* notAFileReason(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder, not a file";
    if (S_ISFIFO(mode)) return "it is a FIFO (a named pipe), not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a file";
    if (S_ISSOCK(mode)) return "it is a socket, not a file";
    return "it is not a regular file";
}

std::string tooLarge(long long bytes) {
    return "it is larger than 1 MiB (" + std::to_string(bytes) + " bytes or more)";
}

// The whole file into `bytes`: a regular file of at most kMaxPropertyListBytes, opened without
// blocking so that a FIFO put in its place between the checks cannot hold the caller.
bool readBoundedFile(const std::string& path, std::string& bytes, std::string& whyNot,
                     PropertyListFault& fault) {
    auto failed = [&](PropertyListFault kind, std::string reason) {
        fault = kind;
        whyNot = std::move(reason);
        return false;
    };
    auto openError = [&](int error) {
        return failed(error == ENOENT ? PropertyListFault::Missing : PropertyListFault::Unreadable,
                      std::strerror(error));
    };
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return openError(errno);
    if (!S_ISREG(info.st_mode))
        return failed(PropertyListFault::NotAFile, notAFileReason(info.st_mode));
    if (info.st_size > kMaxPropertyListBytes)
        return failed(PropertyListFault::Unusable, tooLarge(info.st_size));
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return openError(errno);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return failed(PropertyListFault::NotAFile, notAFileReason(info.st_mode));
    }
    // As large as the file said it was, growing should it grow, up to one byte past the bound.
    constexpr auto kLimit = static_cast<std::size_t>(kMaxPropertyListBytes) + 1;
    bytes.assign(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t done = 0;
    while (done < kLimit) {
        if (done == bytes.size()) bytes.resize(std::min(2 * bytes.size(), kLimit));
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return failed(PropertyListFault::Unreadable, std::strerror(error));
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (done > static_cast<std::size_t>(kMaxPropertyListBytes))
        return failed(PropertyListFault::Unusable, tooLarge(static_cast<long long>(done)));
    bytes.resize(done);
    return true;
}

std::uint64_t bigEndian(const unsigned char* p, unsigned width) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < width; ++i)
        value = value << 8 | p[i];
    return value;
}

const std::string kTooMany = "it holds more than " + std::to_string(kMaxPropertyListValues) +
                             " values (a shared value counted each time it is used)";
const std::string kTooDeep =
    "it is nested deeper than " + std::to_string(kMaxPropertyListDepth) + " levels";

// Walks a binary property list's objects from the root without building anything, iteratively,
// and checks that every object lies inside the file. The library's parser recurses and copies a
// shared object at each use, so these counts are what it would build.
bool binaryWithinBounds(const std::string& bytes, std::string& whyNot) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::uint64_t size = bytes.size();
    auto refuse = [&whyNot](const std::string& why) {
        whyNot = why;
        return false;
    };
    auto damaged = [&](const char* what) {
        return refuse(std::string("a damaged binary property list (") + what + ")");
    };
    if (size < 8 + 32) return damaged("too short");
    const unsigned char* trailer = data + size - 32;
    const unsigned offsetSize = trailer[6], refSize = trailer[7];
    const std::uint64_t objects = bigEndian(trailer + 8, 8), root = bigEndian(trailer + 16, 8);
    const std::uint64_t tableAt = bigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || objects == 0 ||
        root >= objects || tableAt < 9 || tableAt > size - 32 ||
        objects > (size - 32 - tableAt) / offsetSize)
        return damaged("its trailer");
    const std::uint64_t objectsEnd = tableAt; // objects lie between the header and the table

    struct Pending {
        std::uint64_t index;
        int depth;
        bool isKey;
    };
    std::vector<Pending> pending{{root, 1, false}};
    int reached = 1;
    while (!pending.empty()) {
        const Pending item = pending.back();
        pending.pop_back();
        const std::uint64_t at = bigEndian(data + tableAt + item.index * offsetSize, offsetSize);
        if (at < 8 || at >= objectsEnd) return damaged("an object outside the file");
        const unsigned kind = data[at] >> 4, low = data[at] & 0xFu;
        std::uint64_t cursor = at + 1, length = low;
        if (low == 0xF && (kind == 0x4 || kind == 0x5 || kind == 0x6 || kind == 0xA ||
                           kind == 0xC || kind == 0xD)) {
            const unsigned width =
                cursor < objectsEnd && data[cursor] >> 4 == 0x1 ? 1u << (data[cursor] & 0xFu) : 0u;
            if (width == 0 || width > 8 || cursor + 1 + width > objectsEnd)
                return damaged("a length");
            length = bigEndian(data + cursor + 1, width);
            cursor += 1 + width;
        }
        if (item.isKey && kind != 0x5 && kind != 0x6) return damaged("a key that is no string");
        if (length > size) return damaged("a length");
        std::uint64_t extent = 0, refs = 0;
        switch (kind) {
        case 0x0:
            break; // null, booleans, fill
        case 0x1:
        case 0x2:
            extent = low > 4 ? size : 1u << low;
            break;
        case 0x3:
            extent = 8;
            break;
        case 0x4:
        case 0x5:
            extent = length;
            break;
        case 0x6:
            extent = 2 * length;
            break;
        case 0x8:
            extent = low + 1;
            break;
        case 0xA:
        case 0xC:
            refs = length;
            break;
        case 0xD:
            refs = 2 * length;
            break;
        default:
            return damaged("an unknown object type");
        }
        if (refs > 0) extent = refs * refSize;
        if (extent > objectsEnd - cursor) return damaged("an object running past its end");
        for (std::uint64_t i = 0; i < refs; ++i) {
            const std::uint64_t ref = bigEndian(data + cursor + i * refSize, refSize);
            if (ref >= objects) return damaged("a reference to no object");
            if (++reached > kMaxPropertyListValues) return refuse(kTooMany);
            if (item.depth + 1 > kMaxPropertyListDepth) return refuse(kTooDeep);
            pending.push_back({ref, item.depth + 1, kind == 0xD && i < length});
        }
    }
    return true;
}

// Counts an XML property list's elements and nesting before the library parses it. Every '<'
// not followed by '/', '?' or '!' counts as an element, also inside comments, so that no way of
// hiding one from this scan makes the library build more than the bound.
bool xmlWithinBounds(const std::string& text, std::string& whyNot) {
    auto refuse = [&whyNot](const std::string& why) {
        whyNot = why;
        return false;
    };
    int elements = 0, depth = 0;
    for (std::size_t i = text.find('<'); i != std::string::npos; i = text.find('<', i + 1)) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (next == '/') {
            --depth;
            continue;
        }
        if (next == '?' || next == '!') continue;
        if (++elements > kMaxPropertyListValues) return refuse(kTooMany);
        const std::size_t close = text.find('>', i);
        if (close == std::string::npos) break;
        if (text[close - 1] != '/' && ++depth > kMaxPropertyListDepth) return refuse(kTooDeep);
    }
    return true;
}

// The library's tree as values, refusing to go deeper than the bound (the XML scan above counts
// nesting the simple way; this is the check that no file can get past).
bool fromPlist(plist_t node, int depth, PropertyList& value) {
    if (depth > kMaxPropertyListDepth) return false;
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        value.type = PropertyList::Type::String;
        if (text) value.string.assign(text, static_cast<std::size_t>(length));
        return true;
    }
    case PLIST_UINT: {
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        value.type = PropertyList::Type::Integer;
        value.integer = static_cast<std::int64_t>(number); // negatives are stored two's-complement
        return true;
    }
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        value.type = PropertyList::Type::Boolean;
        value.boolean = flag != 0;
        return true;
    }
    case PLIST_REAL:
        value.type = PropertyList::Type::Real;
        plist_get_real_val(node, &value.real);
        return true;
    case PLIST_ARRAY: {
        value.type = PropertyList::Type::Array;
        const uint32_t size = plist_array_get_size(node);
        value.array.resize(size);
        for (uint32_t i = 0; i < size; ++i)
            if (!fromPlist(plist_array_get_item(node, i), depth + 1, value.array[i])) return false;
        return true;
    }
    case PLIST_DICT: {
        value.type = PropertyList::Type::Dictionary;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        bool ok = true;
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            if (!key) break;
            if (ok && item) ok = fromPlist(item, depth + 1, value.dictionary[key]);
            std::free(key);
        }
        std::free(iter);
        return ok;
    }
    default: // dates, data, UIDs: kept as they are
        value.type = PropertyList::Type::Opaque;
        value.opaque = PlistHandle(plist_copy(node));
        return true;
    }
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
    case PropertyList::Type::Opaque:
        return value.opaque ? plist_copy(static_cast<plist_t>(value.opaque.get())) : nullptr;
    case PropertyList::Type::None:
        break;
    }
    return nullptr;
}

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

std::optional<std::uint32_t> PropertyList::unsignedValue() const {
    constexpr std::uint64_t kLargest = 0xFFFFFFFFu;
    if (type == Type::Integer) {
        if (integer < 0 || static_cast<std::uint64_t>(integer) > kLargest) return std::nullopt;
        return static_cast<std::uint32_t>(integer);
    }
    if (type == Type::Real) {
        if (!(real > -1.0 && real < static_cast<double>(kLargest) + 1.0)) return std::nullopt;
        return static_cast<std::uint32_t>(real);
    }
    if (type != Type::String) return std::nullopt;
    std::size_t i = string.find_first_not_of(" \t\n\r");
    if (i == std::string::npos) return std::nullopt;
    if (string[i] == '+') ++i;
    const std::size_t digitsFrom = i;
    std::uint64_t number = 0;
    for (; i < string.size() && string[i] >= '0' && string[i] <= '9'; ++i) {
        number = number * 10 + static_cast<std::uint64_t>(string[i] - '0');
        if (number > kLargest) return std::nullopt;
    }
    if (i == digitsFrom) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

std::optional<PropertyList> readPropertyListFile(const std::string& path, std::string* whyNot,
                                                 PropertyListFault* fault) {
    std::string bytes, reason;
    PropertyListFault kind = PropertyListFault::None;
    std::optional<PropertyList> result;
    if (readBoundedFile(path, bytes, reason, kind)) {
        kind = PropertyListFault::Unusable;
        const bool binary = bytes.compare(0, 8, "bplist00") == 0;
        plist_t root = nullptr;
        if (binary ? binaryWithinBounds(bytes, reason) : xmlWithinBounds(bytes, reason)) {
            const auto length = static_cast<uint32_t>(bytes.size());
            if (binary)
                plist_from_bin(bytes.data(), length, &root);
            else if (!bytes.empty())
                plist_from_xml(bytes.data(), length, &root);
            reason = "it is not a property list";
        }
        const PlistHandle owner(root);
        PropertyList value;
        if (root && fromPlist(root, 1, value)) {
            result = std::move(value);
            kind = PropertyListFault::None;
        } else if (root) {
            reason = kTooDeep;
        }
    }
    if (!result && whyNot) *whyNot = reason;
    if (fault) *fault = kind;
    return result;
}

std::optional<std::string> xmlPropertyList(const PropertyList& root) {
    const PlistHandle node(toPlist(root));
    if (!node) return std::nullopt;
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(static_cast<plist_t>(node.get()), &xml, &length);
    if (!xml) return std::nullopt;
    std::string text(xml, length);
    plist_to_xml_free(xml);
    return text;
}

bool xmlWithinReadBounds(const std::string& text, std::string* whyNot) {
    std::string reason;
    if (static_cast<std::int64_t>(text.size()) > kMaxPropertyListBytes)
        reason = tooLarge(static_cast<long long>(text.size()));
    else
        xmlWithinBounds(text, reason);
    if (whyNot) *whyNot = reason;
    return reason.empty();
}

namespace {

// Whether `text` holds anything an XML 1.0 file cannot; when it does, `text` becomes the cleaned
// form.
bool cleanForXml(std::string& text) {
    std::string clean;
    bool changed = false;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        if (c < 0x80)
            length = c >= 0x20 || c == '\t' || c == '\n' || c == '\r' ? 1 : 0;
        else if (c >= 0xC2 && c <= 0xF4)
            length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (length > 1) {
            const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
            bool valid = i + length <= text.size();
            for (std::size_t k = 1; valid && k < length; ++k)
                valid = (at(k) & 0xC0) == 0x80;
            if (valid && length == 3) {
                const unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
                valid =
                    at(1) >= lo && at(1) <= hi && !(c == 0xEF && at(1) == 0xBF && at(2) >= 0xBE);
            } else if (valid && length == 4) {
                valid = (c != 0xF0 || at(1) >= 0x90) && (c != 0xF4 || at(1) <= 0x8F);
            }
            if (!valid) length = 0;
        }
        if (length == 0) {
            clean += "\xEF\xBF\xBD"; // U+FFFD
            changed = true;
            ++i;
        } else {
            clean.append(text, i, length);
            i += length;
        }
    }
    if (changed) text = std::move(clean);
    return changed;
}

} // namespace

int replaceCharactersXmlForbids(PropertyList& value) {
    int changed = 0;
    if (value.type == PropertyList::Type::String) changed += cleanForXml(value.string);
    for (PropertyList& item : value.array)
        changed += replaceCharactersXmlForbids(item);
    if (value.type != PropertyList::Type::Dictionary) return changed;
    PropertyList::Dictionary cleaned;
    for (auto& [key, item] : value.dictionary) {
        std::string name = key;
        changed += cleanForXml(name);
        changed += replaceCharactersXmlForbids(item);
        // Two keys that clean to the same name: the later one gets a free name of its own.
        std::string free = name;
        for (int n = 2; cleaned.count(free); ++n)
            free = name + "-" + std::to_string(n);
        cleaned[free] = std::move(item);
    }
    value.dictionary = std::move(cleaned);
    return changed;
}
