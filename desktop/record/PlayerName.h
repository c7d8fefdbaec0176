// Who played: the name each new score-table entry records. The account's full name unless the
// player set "playerName"; names from the store, the command line or the keyboard are cleaned
// the same way. Store types and the standard library only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/store/UserDefaults.h"

inline constexpr const char* kPlayerName = "playerName";
inline constexpr std::size_t kPlayerNameMostChars = 32; // characters, not bytes

// The full name of a password database entry: its free-text field up to the first comma (the
// rest holds office and telephone), '&' standing for the login with a capital; the login when
// that leaves nothing. Cleaned as below; "" when neither gives a name.
std::string accountPlayerName(std::string_view gecos, std::string_view login);
// accountPlayerName of the account the game runs as.
std::string defaultPlayerName();

// A name as the tables keep it: control characters dropped, runs of blanks made one space, no
// blank at either end, at most kPlayerNameMostChars characters. None for text that is not
// UTF-8 or leaves nothing; `whyNot` then gets the reason.
std::optional<std::string> cleanPlayerName(std::string_view text, std::string* whyNot = nullptr);

// The name a new entry records: the stored "playerName" when it gives one (else one log line
// naming it), otherwise (also for an empty one) the account's.
std::string currentPlayerName(const UserDefaults& store);
