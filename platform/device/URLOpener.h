// Opening a URL with the desktop's handler (a "mailto:" link opens the mail program). Tests put an
// opener of their own in its place to see what would have been opened. No SDL types here.
#pragma once

#include <functional>
#include <string>

using URLOpenerFn = std::function<bool(const std::string& url)>;

// Hands the URL to the current opener: SDL_OpenURL unless replaced. False, with one log line,
// when the URL is empty or the opener refuses it. Main thread.
bool openURL(const std::string& url);

// Replaces the opener; an empty function restores SDL_OpenURL.
void setURLOpener(URLOpenerFn opener);
