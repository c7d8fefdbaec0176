#include "desktop/record/PlayerName.h"

#include "platform/base/Log.h"
#include "platform/base/UserAccount.h"
#include "platform/base/Utf8.h"

namespace {

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || c == 0x2028 || c == 0x2029;
}

bool isBlank(char32_t c) {
    return c == ' ' || c == 0xa0 || c == 0x3000 || (c >= 0x2000 && c <= 0x200a);
}

} // namespace

std::optional<std::string> cleanPlayerName(std::string_view text, std::string* whyNot) {
    if (!isValidUtf8(text)) {
        if (whyNot) *whyNot = "not UTF-8 text";
        return std::nullopt;
    }
    std::string name;
    std::size_t chars = 0;
    bool blankPending = false;
    for (std::size_t at = 0; at < text.size() && chars < kPlayerNameMostChars;) {
        const std::size_t n = utf8CharLength(text, at);
        const char32_t c = utf8CodePoint(text, at, n);
        if (isBlank(c) || c == '\t') {
            blankPending = !name.empty();
        } else if (!isControl(c)) {
            if (blankPending && chars + 1 < kPlayerNameMostChars) {
                name += ' ';
                ++chars;
            }
            blankPending = false;
            name.append(text.substr(at, n));
            ++chars;
        }
        at += n;
    }
    if (name.empty()) {
        if (whyNot) *whyNot = "no name left once blanks and control characters are dropped";
        return std::nullopt;
    }
    return name;
}

std::string accountPlayerName(std::string_view gecos, std::string_view login) {
    std::string full(gecos.substr(0, gecos.find(',')));
    for (std::size_t at = full.find('&'); at != std::string::npos; at = full.find('&', at)) {
        std::string capital(login);
        if (!capital.empty() && capital[0] >= 'a' && capital[0] <= 'z')
            capital[0] = static_cast<char>(capital[0] - 'a' + 'A');
        full.replace(at, 1, capital);
        at += capital.size();
    }
    if (std::optional<std::string> name = cleanPlayerName(full)) return *name;
    return cleanPlayerName(login).value_or("");
}

std::string defaultPlayerName() {
    const std::optional<AccountNames> account = currentAccountNames();
    return account ? accountPlayerName(account->gecos, account->login) : std::string();
}

std::string currentPlayerName(const UserDefaults& store) {
    // An empty name stands for the account's, as the preferences leave it when cleared.
    if (const std::optional<std::string> stored = store.stringForKey(kPlayerName);
        stored && !stored->empty()) {
        std::string why;
        if (std::optional<std::string> name = cleanPlayerName(*stored, &why)) return *name;
        platformLog("stored %s not used: %s", kPlayerName, why.c_str());
    }
    return defaultPlayerName();
}
