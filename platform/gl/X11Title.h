// The window's title on X, in both properties a window manager reads, each in its own encoding:
// _NET_WM_NAME as UTF8_STRING, WM_NAME as STRING (Latin-1) or, for a title Latin-1 cannot
// write, as COMPOUND_TEXT. Nothing game-specific.
#pragma once

#include <string>

struct SDL_Window;

// WM_NAME's type ("STRING" or "COMPOUND_TEXT") and bytes for a UTF-8 title. Latin-1 characters
// are written as themselves, runs of others as UTF-8 segments (ESC % G ... ESC % @); a byte that
// is not UTF-8 becomes '?'.
struct TitleProperty {
    std::string type;
    std::string bytes;
};
TitleProperty wmNameProperty(const std::string& utf8);

// Writes both properties of `window` when it is an X11 window; nothing on other video drivers.
void setX11WindowTitle(SDL_Window* window, const std::string& utf8);
