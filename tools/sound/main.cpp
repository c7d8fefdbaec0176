// spheron-sounds: synthesises the game's seven sound effects into CAF files in the folder
// given as the one argument. Same bytes on every run; no clock, no environment.
#include "tools/sound/CafFile.h"
#include "tools/sound/SoundRecipes.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: spheron-sounds OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create folder %s: %s\n", folder.c_str(), ec.message().c_str());
        return 1;
    }
    int failures = 0;
    for (const sound::SoundRecipe& recipe : sound::soundRecipes()) {
        const sound::Samples samples = recipe.synthesise();
        const auto pcm = sound::toPcm16(samples);
        const std::string path = (folder / (std::string(recipe.resourceName) + ".caf")).string();
        if (!sound::writeCaf(path, pcm, sound::kSampleRate)) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
