// The locale and text domain set-up, and printf into strings for translated formats.
#include "platform/base/Translation.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <vector>

bool startTranslation(const std::string& localeDirectory) {
    const bool known = std::setlocale(LC_ALL, "") != nullptr;
    // Property lists, the settings and the model print and read numbers with the C library.
    std::setlocale(LC_NUMERIC, "C");
    bindtextdomain(kTextDomain, localeDirectory.c_str());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
    textdomain(kTextDomain);
    return known;
}

std::string textFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

std::string paddedText(const std::string& text, std::size_t width, bool alignRight) {
    std::size_t characters = 0;
    for (const char c : text)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    const std::string room(characters < width ? width - characters : 0, ' ');
    return alignRight ? room + text : text + room;
}
