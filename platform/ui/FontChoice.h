// Which font files draw the texts, as fontconfig answers: a family for the language of the texts
// shown (DejaVu Sans wherever it covers that language), and for a character none of the chosen
// fonts has, a font that has it. fontconfig stays in the .cpp; no SDL, nothing game-specific.
#pragma once

#include <string>

class FontChoice {
public:
    FontChoice() = default;
    ~FontChoice() { unload(); }
    FontChoice(const FontChoice&) = delete;
    FontChoice& operator=(const FontChoice&) = delete;

    // Reads the system's configuration, or only `configFile` when one is given; false when
    // fontconfig cannot (then every answer below is "").
    bool load(const std::string& configFile);
    void unload();

    // The file for texts in `language` (an ISO 639 code, "ja" or "pt-BR"; "" for English, and
    // for codes fontconfig does not know): DejaVu Sans where it covers the language, else
    // fontconfig's best font for it. `embolden` tells whether a bold face is missing, so that the
    // regular one is to be drawn bold.
    std::string fileFor(const std::string& language, bool bold, bool* embolden) const;
    // A file of a scalable font with a glyph for the character, the best for `language` first;
    // "" when no font has it.
    std::string fileWithCharacter(char32_t character, const std::string& language, bool bold) const;

    static constexpr const char* kFamily = "DejaVu Sans";

private:
    void* config_ = nullptr; // FcConfig
};

// The language of the texts shown: the "Language:" of the message catalogue in use, "" for none.
std::string shownTextLanguage();
