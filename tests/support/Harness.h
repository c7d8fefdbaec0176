// Test scaffolding around the platform stand-ins: captured log lines, scratch folders, whole-file
// reads and writes, property-list and settings files, a store in a scratch folder, environment
// variables put back, waiting on a run loop, a pixel. No GL.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace fs = std::filesystem;

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

// Collects the platform's log lines (main thread only) while it lives.
class LogCapture {
public:
    LogCapture() {
        lines.clear();
        setLogSink([](const char* line) { store().emplace_back(line); });
    }
    ~LogCapture() { setLogSink(nullptr); }
    std::vector<std::string>& lines = store();

private:
    static std::vector<std::string>& store() {
        static std::vector<std::string> lines;
        return lines;
    }
};

// A fresh folder under the temporary directory, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/spheron-test-XXXXXX";
        path = mkdtemp(pattern) ? pattern : "";
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
    fs::path operator/(const std::string& name) const { return path / name; }
    fs::path path;
};

template <typename Bytes = std::string> Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}
inline void writeFile(const fs::path& path, const std::vector<unsigned char>& bytes) {
    writeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

inline std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// An XML property list around `body` (XML elements); dictXml around the entries of a dictionary.
inline std::string plistXml(const std::string& body) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + body + "</plist>";
}
inline std::string dictXml(const std::string& entries) {
    return plistXml("<dict>" + entries + "</dict>");
}

// A store's path in a scratch folder, nothing there yet, and the log lines said meanwhile.
class StoreTest : public ::testing::Test {
protected:
    ScratchDir dir;
    const std::string path = (dir / "preferences.plist").string();
    LogCapture log;
};

// A settings file whose "PreferenceSpecifiers" array holds `specifiers` (XML elements).
inline std::string settingsPlist(const std::string& specifiers) {
    return dictXml("<key>PreferenceSpecifiers</key><array>" + specifiers + "</array>");
}
// One specifier: a key and its default value, given as XML.
inline std::string specifier(const std::string& key, const std::string& defaultXml) {
    return "<dict><key>Key</key><string>" + key + "</string><key>DefaultValue</key>" + defaultXml +
           "</dict>";
}

// Sets an environment variable (nullptr: unsets it) and puts the old value back.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        set(value);
    }
    ~EnvVar() { set(old_ ? old_->c_str() : nullptr); }
    void set(const char* value) {
        if (value)
            setenv(name_, value, 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Runs passes of `loop` until `done` holds; false when `limit` passed first.
template <typename Done>
bool runLoopUntil(Done done, std::chrono::steady_clock::duration limit = std::chrono::seconds(10),
                  RunLoop& loop = RunLoop::main()) {
    const auto deadline = RunLoop::Clock::now() + limit;
    while (!done()) {
        if (RunLoop::Clock::now() >= deadline) return false;
        loop.runOnce(std::chrono::milliseconds(2));
    }
    return true;
}

inline void runMainLoopFor(std::chrono::steady_clock::duration span) {
    RunLoop::main().runUntil(RunLoop::Clock::now() + span);
}
