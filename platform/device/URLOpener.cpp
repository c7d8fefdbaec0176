// The URL opener: SDL_OpenURL, or whatever a test installed in its place.
#include "platform/device/URLOpener.h"

#include <SDL.h>

#include <utility>

#include "platform/base/Log.h"

namespace {

URLOpenerFn& currentOpener() {
    static URLOpenerFn opener;
    return opener;
}

bool sdlOpenURL(const std::string& url) {
    if (SDL_OpenURL(url.c_str()) == 0) return true;
    platformLog("Cannot open URL %s: %s", url.c_str(), SDL_GetError());
    return false;
}

} // namespace

bool openURL(const std::string& url) {
    if (url.empty()) {
        platformLog("Cannot open an empty URL");
        return false;
    }
    const URLOpenerFn& opener = currentOpener();
    if (!opener) return sdlOpenURL(url);
    if (opener(url)) return true;
    platformLog("Cannot open URL %s", url.c_str());
    return false;
}

void setURLOpener(URLOpenerFn opener) {
    currentOpener() = std::move(opener);
}
