// One-line log messages to stderr or a test's sink.
#include "platform/base/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

LogSink logSink = nullptr;

// Length of the valid UTF-8 sequence of two to four bytes at text[i], or 0.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(i);
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (lead == 0xE0)
        low = 0xA0; // no overlong forms
    else if (lead == 0xED)
        high = 0x9F; // no surrogates
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F; // nothing above U+10FFFF
    if (length == 0 || i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return length;
}

} // namespace

std::string escapeControlCharacters(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    char hex[8];
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7F && c < 0x80) {
            shown += text[i++];
        } else if (c == '\n' || c == '\t' || c == '\r') {
            shown += c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r";
            ++i;
        } else if (const std::size_t n = c >= 0x80 ? utf8SequenceLength(text, i) : 0; n > 0) {
            const auto second = static_cast<unsigned char>(text[i + 1]);
            if (c == 0xC2 && second < 0xA0) { // C1 controls, U+0080 ... U+009F
                std::snprintf(hex, sizeof hex, "\\u%04x", second);
                shown += hex;
            } else {
                shown.append(text.substr(i, n));
            }
            i += n;
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            shown += hex;
            ++i;
        }
    }
    return shown;
}

std::string shownValue(std::string_view text, std::size_t limit) {
    // Escaping never shrinks a character, so more than 4 * limit bytes are never needed.
    const std::string shown = escapeControlCharacters(text.substr(0, 4 * limit + 4));
    std::size_t at = 0, characters = 0;
    while (at < shown.size() && characters < limit) {
        const auto c = static_cast<unsigned char>(shown[at]);
        std::size_t step = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (shown[at] == '\\') // an escape counts as what it shows, and is never cut
            step = shown[at + 1] == 'x' ? 4 : shown[at + 1] == 'u' ? 6 : 2;
        at += step;
        characters += shown[at - step] == '\\' ? step : 1;
    }
    if (at >= shown.size() && text.size() <= 4 * limit + 4) return shown;
    return shown.substr(0, at) + "\u2026";
}

void setLogSink(LogSink sink) {
    logSink = sink;
}

void platformLog(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    const std::size_t n = std::strlen(line);
    if (n > 0 && line[n - 1] == '\n') line[n - 1] = '\0';
    const std::string shown = escapeControlCharacters(line);
    if (logSink)
        logSink(shown.c_str());
    else
        std::fprintf(stderr, "spheron: %s\n", shown.c_str());
}
