// The clipboard: SDL_SetClipboardText, or whatever a test installed in its place.
#include "platform/device/Clipboard.h"

#include <SDL.h>

#include <utility>

#include "platform/base/Log.h"

namespace {

ClipboardWriterFn& currentWriter() {
    static ClipboardWriterFn writer;
    return writer;
}

} // namespace

bool copyTextToClipboard(const std::string& text) {
    const ClipboardWriterFn& writer = currentWriter();
    if (writer ? writer(text) : SDL_SetClipboardText(text.c_str()) == 0) return true;
    platformLog("cannot copy to the clipboard: %s", writer ? "refused" : SDL_GetError());
    return false;
}

void setClipboardWriter(ClipboardWriterFn writer) {
    currentWriter() = std::move(writer);
}
