#include "platform/base/LineBreaks.h"

#include <cstddef>

namespace {

// The code point at text[at] and the length of its UTF-8 sequence; a byte that starts no valid
// sequence stands for itself, so that broken text still splits without losing a byte.
char32_t decode(std::string_view text, std::size_t at, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    std::size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                  : (lead >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || at + n > text.size()) n = 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((byte(i) & 0xC0) != 0x80) n = 0;
    if (n <= 1) {
        length = 1;
        return lead;
    }
    length = n;
    char32_t c = lead & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) c = (c << 6) | (byte(i) & 0x3F);
    return c;
}

// Scripts written without spaces between words: CJK symbols and punctuation, kana, ideographs,
// and the full-width forms.
bool writtenWithoutSpaces(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

bool isIn(char32_t c, std::u32string_view set) {
    return set.find(c) != std::u32string_view::npos;
}

// Characters that never begin a line: closing punctuation, small kana, marks that lean on the
// character before them.
bool staysWithPrevious(char32_t c) {
    return isIn(c, U"、。，．・：；？！゛゜ヽヾゝゞ々〻ー〜～‐–—…‥)]},.:;!?%"
                   U"）］｝〕〉》」』】〙〗〟’”｠»"
                   U"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶ") ||
           (c >= 0x31F0 && c <= 0x31FF); // small katakana for Ainu
}

// Characters that never end a line: opening punctuation.
bool staysWithNext(char32_t c) {
    return isIn(c, U"([{（［｛〔〈《「『【〘〖〝‘“｟«");
}

bool mayBreakBetween(char32_t before, char32_t after) {
    if (staysWithPrevious(after) || staysWithNext(before)) return false;
    return writtenWithoutSpaces(before) || writtenWithoutSpaces(after);
}

} // namespace

std::vector<TextPiece> textPieces(std::string_view paragraph) {
    std::vector<TextPiece> pieces;
    constexpr std::size_t kNone = std::string_view::npos;
    std::size_t start = kNone;
    bool spaceBefore = false;
    char32_t previous = 0;
    const auto finish = [&](std::size_t end) {
        pieces.push_back({paragraph.substr(start, end - start), spaceBefore});
        spaceBefore = false;
    };
    for (std::size_t at = 0, length = 0; at < paragraph.size(); at += length) {
        const char32_t c = decode(paragraph, at, length);
        if (c == U' ') {
            if (start != kNone) finish(at);
            start = kNone;
            spaceBefore = !pieces.empty();
            continue;
        }
        if (start == kNone) {
            start = at;
        } else if (mayBreakBetween(previous, c)) {
            finish(at);
            start = at;
        }
        previous = c;
    }
    if (start != kNone) finish(paragraph.size());
    return pieces;
}
