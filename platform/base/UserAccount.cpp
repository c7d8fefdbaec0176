#include "platform/base/UserAccount.h"

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <unistd.h>
#include <vector>

#include "platform/base/Log.h"

std::optional<AccountNames> currentAccountNames() {
    const uid_t uid = getuid();
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0) size = 4096;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    int error = 0;
    // A directory service may need a larger buffer than the system suggests.
    while ((error = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (error != 0 || !found) {
        platformLog("no password database entry for user %u: %s", static_cast<unsigned>(uid),
                    error ? std::strerror(error) : "not found");
        return std::nullopt;
    }
    AccountNames names;
    if (entry.pw_name) names.login = entry.pw_name;
    if (entry.pw_gecos) names.gecos = entry.pw_gecos;
    return names;
}
