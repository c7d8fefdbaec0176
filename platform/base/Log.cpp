// One-line log messages to stderr or a test's sink.
#include "platform/base/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {
LogSink logSink = nullptr;
}

void setLogSink(LogSink sink) { logSink = sink; }

void platformLog(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    const std::size_t n = std::strlen(line);
    if (n > 0 && line[n - 1] == '\n') line[n - 1] = '\0';
    if (logSink) logSink(line);
    else std::fprintf(stderr, "spheron: %s\n", line);
}
