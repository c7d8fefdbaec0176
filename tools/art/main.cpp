// spheron-art: draws every image of the game at 1x, 2x and 3x, or with --icons the desktop icon
// at each size, and writes them as PNG files into one folder; with --simulate, shows a picture as
// a colour-blind player sees it. Regenerate the committed images with:
//   build/tools/art/spheron-art resources  and  build/tools/art/spheron-art --icons data/icons
#include "Art.h"
#include "PngIo.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr const char* kDefaultFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// "name.png" for scale 1, else "name@2x.png" or "name@3x.png".
std::string scaledName(const std::string& name, int scale) {
    if (scale == 1) return name + ".png";
    return name + "@" + std::to_string(scale) + "x.png";
}

// Every image is drawn before the first file is written, so a failure leaves no partial set.
bool paintAll(std::vector<std::pair<std::string, art::Canvas>>& out, std::string& error) {
    using art::Arrow;
    using art::BubbleColour;
    // SPHERON_ART_FONT exists for the failure test; the committed digits use the default.
    const char* font = std::getenv("SPHERON_ART_FONT");
    for (int s = 1; s <= 3; ++s) {
        std::vector<art::Canvas> digits;
        if (!art::paintDigits(font != nullptr ? font : kDefaultFont, digits, error, s))
            return false;
        auto add = [&out, s](const std::string& name, art::Canvas canvas) {
            out.emplace_back(scaledName(name, s), std::move(canvas));
        };
        add("bg32x32", art::paintBackgroundTile(s));
        const std::pair<const char*, BubbleColour> bubbles[] = {
            {"red", BubbleColour::Red},       {"blue", BubbleColour::Blue},
            {"green", BubbleColour::Green},   {"yellow", BubbleColour::Yellow},
            {"pink", BubbleColour::Purple},   {"white", BubbleColour::White},
            {"orange", BubbleColour::Orange},
        };
        for (const auto& [name, colour] : bubbles) {
            add(std::string(name) + "_bubble64x64-1", art::paintBubble(colour, s));
            add(std::string(name) + "_bubble_symbol64x64-1", art::paintBubble(colour, s, true));
        }
        const char* digitNames[] = {"zero", "one", "two",   "three", "four",
                                    "five", "six", "seven", "eight", "nine"};
        for (std::size_t d = 0; d < digits.size(); ++d)
            add(std::string(digitNames[d]) + "64x64-6", std::move(digits[d]));
        add("cloud64x64", art::paintCloud(s));
        add("says64x64", art::paintSays(s));
        add("spot64x64", art::paintSpot(s));
        add("left-1", art::paintArrow(Arrow::Left, s));
        add("right-1", art::paintArrow(Arrow::Right, s));
        add("up-1", art::paintArrow(Arrow::Up, s));
        add("dn-1", art::paintArrow(Arrow::Down, s));
        // The window's icon: the desktop icon's art, so the window and the launcher match.
        add("icon64x64", art::paintIcon(64 * s));
    }
    return true;
}

// spheron-art --simulate KIND IN.png OUT.png: the picture as seen without one kind of cone.
int simulate(const std::string& kind, const std::string& in, const std::string& out) {
    const std::pair<const char*, art::Deficiency> kinds[] = {
        {"protanopia", art::Deficiency::Protanopia},
        {"deuteranopia", art::Deficiency::Deuteranopia},
        {"tritanopia", art::Deficiency::Tritanopia},
    };
    const auto* found = std::find_if(std::begin(kinds), std::end(kinds),
                                     [&kind](const auto& k) { return kind == k.first; });
    if (found == std::end(kinds)) {
        std::fprintf(stderr, "spheron-art: %s is not protanopia, deuteranopia or tritanopia\n",
                     kind.c_str());
        return 2;
    }
    art::Image image;
    std::string error;
    if (!art::readPng(in, image, error)) {
        std::fprintf(stderr, "spheron-art: cannot read %s: %s\n", in.c_str(), error.c_str());
        return 1;
    }
    art::simulateDeficiency(found->second, image.rgba);
    if (!art::writePng(out, image, error)) {
        std::fprintf(stderr, "spheron-art: cannot write %s: %s\n", out.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

void paintIcons(std::vector<std::pair<std::string, art::Canvas>>& out) {
    for (int size : art::kIconSizes)
        out.emplace_back("spheron-" + std::to_string(size) + ".png", art::paintIcon(size));
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--simulate") return simulate(argv[2], argv[3], argv[4]);
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    // A folder never starts with '-': "--help" and mistyped options get the usage, not a folder.
    if ((argc != 2 && !icons) || argv[argc - 1][0] == '-') {
        std::fprintf(stderr, "usage: spheron-art [--icons] OUTPUT-FOLDER\n"
                             "       spheron-art --simulate protanopia|deuteranopia|tritanopia "
                             "IN.png OUT.png\n");
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
