// A game controller made of nothing, for scripted runs: attached through SDL's virtual joystick
// support as a controller of the standard layout, so that its buttons travel through SDL's
// mapping and its controller events as a real pad's do. SDL stays in the .cpp.
#pragma once

#include <string>

namespace virtualpad {

// SDL's name of a button (a, b, x, y, start, back, dpup, ...) or of a trigger (lefttrigger,
// righttrigger: a full pull).
bool isControlName(const std::string& name);
// Plugs the pad in, or unplugs it; false after a log line when SDL refuses.
bool attach();
void detach();
bool isAttached();
// Holds the control down, or lets it go; the pad's next update reports the change.
void set(const std::string& name, bool down);

} // namespace virtualpad
