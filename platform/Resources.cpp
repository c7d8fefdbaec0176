// Resource lookup by file name in one folder; names are never allowed to reach outside it.
#include "platform/Resources.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string overrideDirectory;

// <dir of the running executable>/../share/spheron/resources, or "" when it is not there.
std::string installedDirectory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    const fs::path dir = exe.parent_path() / ".." / "share" / "spheron" / "resources";
    if (!fs::is_directory(dir, ec)) return {};
    return fs::weakly_canonical(dir, ec).string();
}

// A plain file name only: anything that names another folder is refused.
const char* unsafeNameReason(const std::string& name) {
    if (name.empty()) return "empty resource name";
    if (name.find('\0') != std::string::npos) return "resource name contains a NUL";
    if (name.find_first_of("/\\") != std::string::npos)
        return "resource name contains a path separator";
    if (name.find("..") != std::string::npos) return "resource name contains \"..\"";
    return nullptr;
}

} // namespace

std::string resourceDirectory() {
    if (!overrideDirectory.empty()) return overrideDirectory;
    const char* env = std::getenv("SPHERON_RESOURCES");
    if (env && *env) return env;
    std::string installed = installedDirectory();
    if (!installed.empty()) return installed;
#ifdef SPHERON_SOURCE_RESOURCES
    return SPHERON_SOURCE_RESOURCES;
#else
    return "resources";
#endif
}

void setResourceDirectory(const std::string& directory) {
    overrideDirectory = directory;
}

std::string resourcePath(const std::string& fileName, std::string* whyNot) {
    if (const char* reason = unsafeNameReason(fileName)) {
        if (whyNot) *whyNot = reason;
        return {};
    }
    const std::string dir = resourceDirectory();
    const fs::path path = fs::path(dir) / fileName;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        if (whyNot) *whyNot = "no such file in " + dir;
        return {};
    }
    return path.string();
}
