// One-line log messages from the platform stand-ins and the view classes. Lines go to stderr
// unless a test installs a sink. No SDL.
#pragma once

#include <string>
#include <string_view>

// printf-style; a trailing newline in the format is dropped, one is always added. Control
// characters in the line are escaped (below), so no file name or stored text can reach the
// terminal as a command.
void platformLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

using LogSink = void (*)(const char* line);
void setLogSink(LogSink sink); // nullptr: stderr

// The text with every control character (C0, DEL, C1) and every byte that is not part of valid
// UTF-8 written as a visible escape, \n, \t, \r or \xHH (a C1 character as \u0080 ... \u009f).
std::string escapeControlCharacters(std::string_view text);

// A value as one log line or error may show it: escaped as above, then cut to `limit`
// characters (a cut never splits an escape or a UTF-8 sequence) and ended with "…", so that
// neither a hostile byte nor a 100,000-character word reaches the terminal.
std::string shownValue(std::string_view text, std::size_t limit = 80);
