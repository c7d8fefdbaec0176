// Finds the game's resource files (images, sounds, settings) by file name in the resources folder
// beside the program or installed with it. No SDL, no GL.
#pragma once

#include <string>

// The folder searched, in this order: the one set with setResourceDirectory, the environment
// variable SPHERON_RESOURCES, then the folder found beside the running executable (below).
std::string resourceDirectory();

// The resource folder that belongs to the executable at `executablePath`: an installed tree's
// <bin>/../share/spheron/resources, else the build tree's copy, <exe dir>/resources, else
// <exe dir>/../resources (the suites and tools in sub-folders of the build tree). When none of
// them is a folder, the installed location, so that a failure names where the files belong.
std::string resourceDirectoryBeside(const std::string& executablePath);

// The folder of the compiled catalogues (<lang>/LC_MESSAGES/spheron.mo) that belongs to the
// executable: an installed tree's <bin>/../share/locale, else the build tree's <exe
// dir>/share/locale, else <exe dir>/../share/locale; the installed one when none is a folder.
std::string localeDirectoryBeside(const std::string& executablePath);
// The same for the running executable.
std::string localeDirectory();

// Overrides the folder (tests); an empty string restores the search above.
void setResourceDirectory(const std::string& directory);

// The full path of the regular file `fileName` (extension included) in the resource folder, or
// "" when there is none. A name that could leave the folder (empty, a path separator, "..", a
// NUL) is refused with "". Logs nothing: when `whyNot` is given, it receives a short reason for
// the caller's one log line.
std::string resourcePath(const std::string& fileName, std::string* whyNot = nullptr);

// The image `fileName` to draw at `scale` pixels per point, from its variants "name.png",
// "name@2x.png" and "name@3x.png": the smallest at least as fine as the scale (3x above 3), else
// the next smaller one there is, else the 1x one. "" as resourcePath() gives it when not even
// that exists. `imageScale`, when given, receives the chosen image's pixels per point (1 to 3).
std::string scaledResourcePath(const std::string& fileName, float scale, int* imageScale = nullptr,
                               std::string* whyNot = nullptr);
// The image scale wanted for drawing at `scale` pixels per point: 1, 2 or 3.
int imageScaleFor(float scale);

// "" when the resource folder is there; else one line that names the folder and the fix.
std::string resourceDirectoryProblem();
