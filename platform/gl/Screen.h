// The one screen of the game: an SDL window whose GL contexts are OpenGL ES 1.1, with a default
// context that is current after opening. SDL_VIDEODRIVER=offscreen gives a screen without a
// display, for tests and screenshots. Nothing game-specific.
#pragma once

#include <cstdint>
#include <vector>

struct SDL_Window;
class GLContext;

struct ScreenOptions {
    const char* title = "Spheron";
    int widthPx = 320; // drawable size in pixels
    int heightPx = 480;
    bool visible = true;    // false: a hidden window, e.g. for screenshots
    bool resizable = false; // by the window manager: its frame, maximising, full screen
};

// Starts SDL's video. Where no Wayland compositor can be reached (no WAYLAND_SOCKET, and neither
// XDG_RUNTIME_DIR nor WAYLAND_DISPLAY an absolute path), SDL is not asked to try its Wayland
// driver, so that libwayland prints no warning about XDG_RUNTIME_DIR. False when SDL fails.
bool screenStartVideo();

// Opens the screen. False, with one log line, when there is no display, no OpenGL ES 1.1 or no
// OES frame-buffer extension; nothing is left open then. Opening twice closes the first screen.
bool screenOpen(const ScreenOptions& options);
void screenClose();
bool screenIsOpen();

SDL_Window* screenWindow(); // nullptr when closed
// SDL never reuses a window id, so it tells a reopened screen from the one before; 0 when closed.
std::uint32_t screenWindowId();
void* screenDefaultContext(); // the SDL_GLContext made at opening; nullptr when closed
// Makes the default context current again; false with one log line on failure.
bool screenMakeDefaultCurrent();
// Gives the current context (the default one) the state it had when it was made.
void screenRestoreInitialState();
// The window's title (UTF-8); nothing while closed.
void screenSetTitle(const char* title);
// Shows the window's back buffer.
void screenSwap();
// Whether the window's back buffer keeps its contents from one picture to the next, so that a
// picture may be composed in part: offscreen, where there is one buffer, and on X where the EGL
// surface keeps its back buffer through swaps. False elsewhere.
bool screenCanShowPart();
// Shows the back buffer after only the pixels x <= px < x + width, y <= py < y + height (from the
// bottom-left) were composed anew; nothing where screenCanShowPart() is false.
void screenShowPart(int x, int y, int width, int height);
// True where pictures reach the window through SDL's window framebuffer (shared memory on X)
// instead of a swap: chosen at opening where GL draws in software on X, or by SPHERON_PRESENT.
bool screenShowsThroughFramebuffer();
// Window pixels x <= px < x + width, y <= py < y + height, from the bottom-left.
struct ScreenPart {
    int x = 0, y = 0, width = 0, height = 0;
};
// Where pictures reach the window through its framebuffer: each part of the window is read from
// the frame buffer bound now, at the part's place less (dx, dy), and the parts are shown
// together. False elsewhere, or when the framebuffer is not the window's size.
bool screenShowPartsFrom(const ScreenPart* parts, int count, int dx, int dy);
// What the window's framebuffer holds, as RGBA rows, top row first (alpha as the framebuffer
// keeps it); false when pictures are swapped instead.
bool screenReadWindowFramebuffer(std::vector<std::uint8_t>& rgba, int& width, int& height);
void screenDrawableSize(int* widthPx, int* heightPx);
// Where pictures reach the window through its framebuffer, the back buffer is never swapped and
// so keeps the size it was made for: after the window's size changed, this swaps once so that
// the next picture is drawn at the new size. Nothing elsewhere. The default context is current.
void screenFollowWindowSize();
// Pixels per window point; 1 unless a large display asks for more.
void windowSetContentScale(float scale);
float windowContentScale();

// Whatever context is current on this thread (a GLContext, the screen's own, or none), kept so
// that code borrowing the current slot can give it back exactly.
class SavedGLContext {
public:
    SavedGLContext();
    bool is(const GLContext* context) const; // defined with GLContext
    bool restore() const;                    // false when it can no longer be made current

private:
    SDL_Window* window_;
    void* sdlContext_;
};
