// The desktop's clipboard, for text the player may paste elsewhere. Tests put a writer of their
// own in its place to see what would have been copied. No SDL types here.
#pragma once

#include <functional>
#include <string>

using ClipboardWriterFn = std::function<bool(const std::string& text)>;

// Puts the text on the clipboard through the current writer: SDL_SetClipboardText unless
// replaced. False, with one log line, when the writer refuses it. Main thread.
bool copyTextToClipboard(const std::string& text);

// Replaces the writer; an empty function restores SDL_SetClipboardText.
void setClipboardWriter(ClipboardWriterFn writer);
