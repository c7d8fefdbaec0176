// Resource lookup by file name in one folder; names are never allowed to reach outside it. The
// folder is found from the executable's own location, never from where it was built.
#include "platform/media/Resources.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

// The installed resources relative to the installed executable's folder (set by the build from
// its install directories).
#ifndef SPHERON_INSTALLED_RESOURCES
#define SPHERON_INSTALLED_RESOURCES "../share/spheron/resources"
#endif

#ifndef SPHERON_INSTALLED_LOCALE
#define SPHERON_INSTALLED_LOCALE "../share/locale"
#endif

namespace fs = std::filesystem;

namespace {

std::string overrideDirectory;

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

std::string resourceDirectoryBeside(const std::string& executablePath) {
    const fs::path dir = fs::path(executablePath).parent_path();
    const fs::path candidates[] = {dir / SPHERON_INSTALLED_RESOURCES, dir / "resources",
                                   dir / ".." / "resources"};
    std::error_code ec;
    for (const fs::path& candidate : candidates)
        if (fs::is_directory(candidate, ec)) return candidate.lexically_normal().string();
    return candidates[0].lexically_normal().string();
}

std::string localeDirectoryBeside(const std::string& executablePath) {
    const fs::path dir = fs::path(executablePath).parent_path();
    const fs::path candidates[] = {dir / SPHERON_INSTALLED_LOCALE, dir / "share" / "locale",
                                   dir / ".." / "share" / "locale"};
    std::error_code ec;
    for (const fs::path& candidate : candidates)
        if (fs::is_directory(candidate, ec)) return candidate.lexically_normal().string();
    return candidates[0].lexically_normal().string();
}

std::string localeDirectory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return "share/locale";
    return localeDirectoryBeside(exe.string());
}

std::string resourceDirectory() {
    if (!overrideDirectory.empty()) return overrideDirectory;
    const char* env = std::getenv("SPHERON_RESOURCES");
    if (env && *env) return env;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return "resources"; // no /proc: beside the working folder
    return resourceDirectoryBeside(exe.string());
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

int imageScaleFor(float scale) {
    // Scales just over a whole number by rounding error still take that number's image.
    return scale > 2.001f ? 3 : scale > 1.001f ? 2 : 1; // NaN takes 1
}

std::string scaledResourcePath(const std::string& fileName, float scale, int* imageScale,
                               std::string* whyNot) {
    const int wanted = imageScaleFor(scale);
    const std::size_t dot = fileName.rfind('.');
    const std::string stem = fileName.substr(0, dot),
                      extension = dot == std::string::npos ? std::string() : fileName.substr(dot);
    for (int s = wanted; s > 1; --s) {
        std::string path =
            resourcePath(stem + "@" + std::to_string(s) + "x" + extension); // absent: not an error
        if (!path.empty()) {
            if (imageScale) *imageScale = s;
            return path;
        }
    }
    if (imageScale) *imageScale = 1;
    return resourcePath(fileName, whyNot);
}

std::string resourceDirectoryProblem() {
    const std::string dir = resourceDirectory();
    std::error_code ec;
    if (fs::is_directory(dir, ec)) return {};
    return "the game's images and sounds are missing: there is no folder " + dir +
           "; set SPHERON_RESOURCES to the folder that holds them, or reinstall the game";
}
