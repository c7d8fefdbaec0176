// fontconfig's answers: matching a family and weight for a language, and sorting the fonts for a
// character none of them has.
#include "platform/ui/FontChoice.h"

#include <fontconfig/fontconfig.h>
#include <libintl.h>

#include <cstring>

namespace {

FcConfig* asConfig(void* config) {
    return static_cast<FcConfig*>(config);
}

// A pattern for scalable upright fonts of this weight, for `language` when one is given.
FcPattern* basePattern(const std::string& language, bool bold) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (!language.empty())
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language.c_str()));
    return pattern;
}

std::string fileOf(FcPattern* font) {
    FcChar8* path = nullptr;
    if (font && FcPatternGetString(font, FC_FILE, 0, &path) == FcResultMatch && path)
        return reinterpret_cast<const char*>(path);
    return {};
}

// The best match for the pattern, destroyed with it; its file, whether it covers `language`, and
// whether fontconfig would embolden it (no bold face).
std::string matchFile(FcConfig* config, FcPattern* pattern, const std::string& language,
                      bool* coversLanguage, bool* embolden) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    const std::string file = fileOf(match);
    FcBool bolder = FcFalse;
    *embolden =
        match && FcPatternGetBool(match, FC_EMBOLDEN, 0, &bolder) == FcResultMatch && bolder;
    {
        FcLangSet* langs = nullptr;
        *coversLanguage =
            language.empty() ||
            (match && FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch &&
             FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>(language.c_str())) !=
                 FcLangDifferentLang);
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return file;
}

} // namespace

bool FontChoice::load(const std::string& configFile) {
    unload();
    FcConfig* config = nullptr;
    if (configFile.empty()) {
        config = FcInitLoadConfigAndFonts();
    } else if ((config = FcConfigCreate())) {
        if (!FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(configFile.c_str()),
                                  FcFalse) ||
            !FcConfigBuildFonts(config)) {
            FcConfigDestroy(config);
            config = nullptr;
        }
    }
    config_ = config;
    return config != nullptr;
}

void FontChoice::unload() {
    if (config_) FcConfigDestroy(asConfig(config_));
    config_ = nullptr;
}

std::string FontChoice::fileFor(const std::string& language, bool bold, bool* embolden) const {
    *embolden = false;
    FcConfig* config = asConfig(config_);
    // A code fontconfig has no letters for (a made-up one) asks for nothing.
    const std::string known =
        FcLangGetCharSet(reinterpret_cast<const FcChar8*>(language.c_str())) ? language : "";
    FcPattern* pattern = config ? basePattern(known, bold) : nullptr;
    if (!pattern) return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFamily));
    bool covers = true;
    std::string file = matchFile(config, pattern, known, &covers, embolden);
    if (covers) return file;
    // The family lacks the language's letters: the font the system gives that language.
    if (FcPattern* byLanguage = basePattern(known, bold)) {
        bool bolder = false;
        std::string other = matchFile(config, byLanguage, known, &covers, &bolder);
        if (covers && !other.empty()) {
            *embolden = bolder;
            return other;
        }
    }
    return file;
}

std::string FontChoice::fileWithCharacter(char32_t character, const std::string& language,
                                          bool bold) const {
    FcConfig* config = asConfig(config_);
    FcPattern* pattern = config ? basePattern(language, bold) : nullptr;
    if (!pattern) return {};
    FcCharSet* wanted = FcCharSetCreate();
    FcCharSetAddChar(wanted, character);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(config, pattern, FcFalse, nullptr, &result);
    std::string file;
    for (int i = 0; sorted && i < sorted->nfont && file.empty(); ++i) {
        FcCharSet* has = nullptr;
        FcBool scalable = FcFalse;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &has) == FcResultMatch &&
            FcCharSetHasChar(has, character) &&
            FcPatternGetBool(sorted->fonts[i], FC_SCALABLE, 0, &scalable) == FcResultMatch &&
            scalable)
            file = fileOf(sorted->fonts[i]);
    }
    if (sorted) FcFontSetDestroy(sorted);
    FcCharSetDestroy(wanted);
    FcPatternDestroy(pattern);
    return file;
}

std::string shownTextLanguage() {
    // The catalogue's header is its translation of "".
    const char* header = gettext("");
    if (!header || !*header) return {};
    const char* field = std::strstr(header, "Language:");
    if (!field) return {};
    field += std::strlen("Language:");
    while (*field == ' ')
        ++field;
    std::string language;
    for (; *field && *field != '\n' && *field != ' '; ++field)
        language += *field == '_' ? '-' : *field;
    return language;
}
