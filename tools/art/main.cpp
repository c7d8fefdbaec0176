// spheron-art: draws every image of the game, or with --icons the desktop icon at each size,
// and writes them as PNG files into one folder. Regenerate the committed images with:
//   build/tools/art/spheron-art resources  and  build/tools/art/spheron-art --icons data/icons
#include "Art.h"
#include "PngIo.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr const char* kDefaultFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Every image is drawn before the first file is written, so a failure leaves no partial set.
bool paintAll(std::vector<std::pair<std::string, art::Canvas>>& out, std::string& error) {
    using art::Arrow;
    using art::BubbleColour;
    // SPHERON_ART_FONT exists for the failure test; the committed digits use the default.
    const char* font = std::getenv("SPHERON_ART_FONT");
    std::vector<art::Canvas> digits;
    if (!art::paintDigits(font != nullptr ? font : kDefaultFont, digits, error)) return false;

    out.emplace_back("bg32x32.png", art::paintBackgroundTile());
    const std::pair<const char*, BubbleColour> bubbles[] = {
        {"red", BubbleColour::Red},       {"blue", BubbleColour::Blue},
        {"green", BubbleColour::Green},   {"yellow", BubbleColour::Yellow},
        {"pink", BubbleColour::Purple},   {"white", BubbleColour::White},
        {"orange", BubbleColour::Orange},
    };
    for (const auto& [name, colour] : bubbles)
        out.emplace_back(std::string(name) + "_bubble64x64-1.png", art::paintBubble(colour));
    const char* digitNames[] = {"zero", "one", "two",   "three", "four",
                                "five", "six", "seven", "eight", "nine"};
    for (std::size_t d = 0; d < digits.size(); ++d)
        out.emplace_back(std::string(digitNames[d]) + "64x64-6.png", std::move(digits[d]));
    out.emplace_back("cloud64x64.png", art::paintCloud());
    out.emplace_back("says64x64.png", art::paintSays());
    out.emplace_back("spot64x64.png", art::paintSpot());
    out.emplace_back("left-1.png", art::paintArrow(Arrow::Left));
    out.emplace_back("right-1.png", art::paintArrow(Arrow::Right));
    out.emplace_back("up-1.png", art::paintArrow(Arrow::Up));
    out.emplace_back("dn-1.png", art::paintArrow(Arrow::Down));
    // The window's icon: the desktop icon's art, so the window and the launcher match.
    out.emplace_back("icon64x64.png", art::paintIcon(64));
    return true;
}

void paintIcons(std::vector<std::pair<std::string, art::Canvas>>& out) {
    for (int size : art::kIconSizes)
        out.emplace_back("spheron-" + std::to_string(size) + ".png", art::paintIcon(size));
}

} // namespace

int main(int argc, char** argv) {
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    // A folder never starts with '-': "--help" and mistyped options get the usage, not a folder.
    if ((argc != 2 && !icons) || argv[argc - 1][0] == '-') {
        std::fprintf(stderr, "usage: spheron-art [--icons] OUTPUT-FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[argc - 1];

    std::vector<std::pair<std::string, art::Canvas>> images;
    std::string error;
    if (icons) {
        paintIcons(images);
    } else if (!paintAll(images, error)) {
        std::fprintf(stderr, "spheron-art: %s\n", error.c_str());
        return 1;
    }

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "spheron-art: cannot create folder %s: %s\n", folder.c_str(),
                     ec.message().c_str());
        return 1;
    }
    for (const auto& [name, canvas] : images) {
        const art::Image image{canvas.width(), canvas.height(), canvas.toStraightRgba8()};
        const std::string path = (folder / name).string();
        if (!art::writePng(path, image, error)) {
            std::fprintf(stderr, "spheron-art: cannot write %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
    }
    if (icons) {
        const std::filesystem::path path = folder / "spheron.svg";
        const std::string svg = art::iconSvg();
        std::ofstream out(path, std::ios::binary);
        if (!out.write(svg.data(), std::streamsize(svg.size())) || !out.flush()) {
            std::fprintf(stderr, "spheron-art: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
