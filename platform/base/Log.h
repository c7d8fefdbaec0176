// One-line log messages from the platform stand-ins and the view classes. Lines go to stderr
// unless a test installs a sink. No SDL.
#pragma once

// printf-style; a trailing newline in the format is dropped, one is always added.
void platformLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

using LogSink = void (*)(const char* line);
void setLogSink(LogSink sink); // nullptr: stderr
