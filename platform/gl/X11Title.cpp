// SDL 2's X11 title code writes WM_NAME as STRING but fills it with the title's bytes in the
// environment's charset (UTF-8 bytes read as Latin-1 under a UTF-8 locale), and writes
// _NET_WM_NAME through Xlib's locale conversion, which refuses any non-ASCII character while the
// process's locale is "C" (SDL never sets one, nor does the game): a title with "—" kept the
// first title in _NET_WM_NAME. So after SDL's call both are written again here, straight as
// bytes, with the Xlib that SDL has already loaded (none: no X, nothing to do).
#include "platform/gl/X11Title.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdint>

#if defined(SDL_VIDEO_DRIVER_X11) && __has_include(<X11/Xlib.h>)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#define SPHERON_X11_TITLE 1
#endif

namespace {

// The next code point of `s` from `i`, or -1 for a byte that does not start valid UTF-8 (which
// then counts as one byte).
long nextCodePoint(const std::string& s, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    const int length = b < 0x80         ? 1
                       : (b >> 5) == 6  ? 2
                       : (b >> 4) == 14 ? 3
                       : (b >> 3) == 30 ? 4
                                        : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > s.size()) {
        ++i;
        return -1;
    }
    long cp = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const unsigned char c = byte(i + static_cast<std::size_t>(k));
        if ((c >> 6) != 2) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += static_cast<std::size_t>(length);
    return cp;
}

} // namespace

TitleProperty wmNameProperty(const std::string& utf8) {
    TitleProperty out{"STRING", {}};
    bool inUtf8Segment = false;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        long cp = nextCodePoint(utf8, i);
        if (cp < 0) cp = '?';
        const bool latin1 = cp <= 0xFF;
        if (latin1 == inUtf8Segment) { // into or out of a UTF-8 segment
            out.bytes += latin1 ? "\x1b%@" : "\x1b%G";
            inUtf8Segment = !latin1;
            out.type = "COMPOUND_TEXT";
        }
        if (latin1)
            out.bytes += static_cast<char>(cp);
        else
            out.bytes.append(utf8, start, i - start);
    }
    if (inUtf8Segment) out.bytes += "\x1b%@";
    return out;
}

void setX11WindowTitle(SDL_Window* window, const std::string& utf8) {
#ifdef SPHERON_X11_TITLE
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    // Xlib as SDL loaded it; the game does not link it.
    void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!xlib) return;
    using InternAtom = Atom (*)(Display*, const char*, Bool);
    using ChangeProperty =
        int (*)(Display*, Window, Atom, Atom, int, int, const unsigned char*, int);
    using Flush = int (*)(Display*);
    auto internAtom = reinterpret_cast<InternAtom>(dlsym(xlib, "XInternAtom"));
    auto changeProperty = reinterpret_cast<ChangeProperty>(dlsym(xlib, "XChangeProperty"));
    auto flush = reinterpret_cast<Flush>(dlsym(xlib, "XFlush"));
    if (internAtom && changeProperty && flush) {
        Display* display = info.info.x11.display;
        const Window x = info.info.x11.window;
        const auto set = [&](Atom property, const char* type, const std::string& bytes) {
            changeProperty(display, x, property, internAtom(display, type, False), 8,
                           PropModeReplace, reinterpret_cast<const unsigned char*>(bytes.data()),
                           static_cast<int>(bytes.size()));
        };
        set(internAtom(display, "_NET_WM_NAME", False), "UTF8_STRING", utf8);
        const TitleProperty name = wmNameProperty(utf8);
        set(XA_WM_NAME, name.type.c_str(), name.bytes);
        flush(display);
    }
    dlclose(xlib);
#else
    (void)window;
    (void)utf8;
#endif
}
