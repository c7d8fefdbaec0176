// UTF-8 text as the player types it and the store keeps it: checking, counting and trimming by
// whole characters. Standard library only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length of the well-formed character at `text[at]` (1 ... 4), or 0 when the bytes there are
// not one: a stray continuation byte, a cut sequence, an overlong form, a surrogate or a code
// point above U+10FFFF.
inline std::size_t utf8CharLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b = byte(at);
    std::size_t n = 0;
    char32_t cp = 0;
    if (b < 0x80) return 1;
    if (b >= 0xc2 && b <= 0xdf) {
        n = 2;
        cp = b & 0x1fu;
    } else if (b >= 0xe0 && b <= 0xef) {
        n = 3;
        cp = b & 0x0fu;
    } else if (b >= 0xf0 && b <= 0xf4) {
        n = 4;
        cp = b & 0x07u;
    } else {
        return 0;
    }
    if (at + n > text.size()) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(at + i) & 0xc0u) != 0x80u) return 0;
        cp = (cp << 6) | (byte(at + i) & 0x3fu);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10ffff) return 0;
    if (cp >= 0xd800 && cp <= 0xdfff) return 0;
    return n;
}

// The code point of the well-formed character at `text[at]` of length `n`.
inline char32_t utf8CodePoint(std::string_view text, std::size_t at, std::size_t n) {
    const auto b = static_cast<unsigned char>(text[at]);
    if (n == 1) return b;
    char32_t cp = b & (n == 2 ? 0x1fu : n == 3 ? 0x0fu : 0x07u);
    for (std::size_t i = 1; i < n; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3fu);
    return cp;
}

inline bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = utf8CharLength(text, at);
        if (n == 0) return false;
        at += n;
    }
    return true;
}

// Characters of well-formed text (a malformed byte counts as one).
inline std::size_t utf8CharCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count) {
        const std::size_t n = utf8CharLength(text, at);
        at += n ? n : 1;
    }
    return count;
}

// Removes the last character, all of its bytes; nothing on empty text.
inline void utf8DropLast(std::string& text) {
    if (text.empty()) return;
    std::size_t at = text.size() - 1;
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xc0u) == 0x80u &&
           text.size() - at < 4)
        --at;
    text.erase(at);
}
