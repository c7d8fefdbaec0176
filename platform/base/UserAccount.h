// The account the process runs as, from the system's password database. Nothing game-specific.
#pragma once

#include <optional>
#include <string>

struct AccountNames {
    std::string login;
    std::string gecos; // the free-text field that holds the full name, "" when empty
};

// The entry of the real user id; none when the database has none (one log line).
std::optional<AccountNames> currentAccountNames();
