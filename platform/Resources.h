// Finds the game's resource files (images, sounds) by file name: the stand-in for the phone's
// application bundle. No SDL, no GL.
#pragma once

#include <string>

// The folder searched, in this order: the one set with setResourceDirectory, the environment
// variable SPHERON_RESOURCES, <executable dir>/../share/spheron/resources when it exists (an
// install), else the source tree's resources folder.
std::string resourceDirectory();

// Overrides the folder (tests); an empty string restores the search above.
void setResourceDirectory(const std::string& directory);

// The full path of the regular file `fileName` (extension included) in the resource folder, or
// "" when there is none. A name that could leave the folder (empty, a path separator, "..", a
// NUL) is refused with "". Logs nothing: when `whyNot` is given, it receives a short reason for
// the caller's one log line.
std::string resourcePath(const std::string& fileName, std::string* whyNot = nullptr);
