// Preference logic of the application delegate and the command-line settings screen, over the
// user-defaults store and the settings file's specifiers. No SDL, no GL, no model.
#include "desktop/record/Settings.h"

#include "desktop/record/SettingsBundle.h"
#include "platform/base/Log.h"
#include "platform/base/Translation.h"
#include "platform/media/Resources.h"
#include "platform/store/PropertyList.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <limits>
#include <optional>
#include <ostream>

namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Digits only, at most UINT32_MAX.
std::optional<std::uint32_t> parseUnsigned(const std::string& text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// Index of the multi-value choice named by its value or (any letter case) its title, shown or
// as the file has it: a script written in English works in every language.
std::optional<std::size_t> choiceFor(const SettingSpecifier& entry, const std::string& word) {
    for (std::size_t i = 0; i < entry.values.size(); ++i) {
        if (scalarText(entry.values[i]) == word) return i;
        if (i < entry.titles.size() && equalsIgnoringCase(entry.titles[i], word)) return i;
        if (i < entry.fileTitles.size() && equalsIgnoringCase(entry.fileTitles[i], word)) return i;
    }
    return std::nullopt;
}

// "3 (3 minutes)" for a multi-value setting, the plain text otherwise.
std::string shownChoice(const SettingSpecifier& entry, const std::string& text) {
    if (!entry.isMultiValue()) return text;
    const std::string title = entry.titleOfValue(text);
    return title.empty() ? text : text + " (" + title + ")";
}

// The best score as the game reads it, and what is stored when that is something else.
std::string shownBestScore(const UserDefaults& store, const std::string& text) {
    PropertyList::Dictionary stored;
    if (std::optional<std::string> held = store.stringForKey(kHighScore))
        stored[kHighScore] = PropertyList::makeString(*held);
    // A stored integer or real answers as its text; the reader takes that text alike.
    const std::optional<std::uint32_t> best = storedBestScore(stored);
    // TRANSLATORS: `spheron --settings` on a best score it cannot read; %s is what is stored.
    if (!best) return textFormat(_("0 (the stored \"%s\" is no score)"), shownValue(text).c_str());
    const std::string number = std::to_string(*best);
    return number == text ? number
                          // TRANSLATORS: %1$s is the best score read from %2$s, the stored text.
                          : textFormat(_("%1$s (stored as \"%2$s\")"), number.c_str(),
                                       shownValue(text).c_str());
}

int listSettings(const std::vector<SettingSpecifier>& specifiers, UserDefaults& store,
                 std::ostream& out) {
    // What the store and the settings file hold reaches the terminal only escaped.
    const auto shownTitle = [](const SettingSpecifier& entry) {
        return escapeControlCharacters(entry.title.empty() ? entry.key : entry.title);
    };
    // The titles' column is as wide as the longest title, which a translation may make longer
    // than the English ones, and two spaces set the keys apart.
    std::size_t column = 14;
    for (const SettingSpecifier& entry : specifiers) {
        if (entry.key.empty()) continue;
        const std::string title = shownTitle(entry);
        const auto characters = static_cast<std::size_t>(std::count_if(
            title.begin(), title.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
        column = std::max(column, characters);
    }
    for (const SettingSpecifier& entry : specifiers) {
        if (entry.key.empty()) continue; // group titles and the like
        std::optional<std::string> value = store.stringForKey(entry.key);
        if (!value && entry.defaultValue) value = scalarText(*entry.defaultValue);
        if (value && entry.key == kHighScore) value = shownBestScore(store, *value);
        out << paddedText(shownTitle(entry), column + 2)
            << std::left << std::setw(12) << escapeControlCharacters(entry.key)
            << (value ? escapeControlCharacters(shownChoice(entry, *value)) : _("(not set)"))
            << '\n';
    }
    return 0;
}

// The value to store for `word`, or none after one line on `err`.
std::optional<PropertyList> checkedValue(const SettingSpecifier& entry, const std::string& word,
                                         std::ostream& err) {
    const std::string& key = entry.key;
    if (entry.isToggleSwitch()) {
        if (word == entry.trueValue || word == entry.falseValue)
            return PropertyList::makeString(word);
        err << "spheron: " << key << " takes \"" << entry.trueValue << "\" or \""
            << entry.falseValue << "\", not \"" << shownValue(word) << "\"\n";
        return std::nullopt;
    }
    if (entry.isMultiValue()) {
        if (std::optional<std::size_t> i = choiceFor(entry, word)) return entry.values[*i];
        err << "spheron: " << key << " takes one of";
        for (std::size_t i = 0; i < entry.values.size(); ++i)
            err << (i ? ", " : " ") << shownChoice(entry, scalarText(entry.values[i]));
        err << "; not \"" << shownValue(word) << "\"\n";
        return std::nullopt;
    }
    if (entry.isTextField() && key == kHighScore) {
        if (std::optional<std::uint32_t> score = parseUnsigned(word))
            return PropertyList::makeString(std::to_string(*score));
        err << "spheron: " << key << " takes a whole number from 0 to 4294967295, not \""
            << shownValue(word) << "\"\n";
        return std::nullopt;
    }
    if (entry.isTextField()) return PropertyList::makeString(word);
    err << "spheron: " << key << " cannot be changed\n";
    return std::nullopt;
}

int changeSetting(const std::vector<SettingSpecifier>& specifiers, UserDefaults& store,
                  const std::string& key, const std::string& word, std::ostream& out,
                  std::ostream& err) {
    const SettingSpecifier* entry = specifierForKey(specifiers, key);
    if (!entry) {
        err << "spheron: no setting named \"" << shownValue(key) << "\"; the settings are";
        bool first = true;
        for (const SettingSpecifier& item : specifiers) {
            if (item.key.empty()) continue;
            err << (first ? " " : ", ") << escapeControlCharacters(item.key);
            first = false;
        }
        err << '\n';
        return 1;
    }
    if (escapeControlCharacters(word) != word) {
        err << "spheron: " << key << " takes no control characters: \"" << shownValue(word)
            << "\"\n";
        return 1;
    }
    std::optional<PropertyList> value = checkedValue(*entry, word, err);
    if (!value) return 1;
    if (key == kHighScore) {
        const std::uint32_t asked = *value->unsignedValue(); // checked: plain digits
        std::uint32_t best = 0;
        if (!saveHighScore(store, asked, &best)) {
            err << "spheron: " << key << " was not saved to "
                << escapeControlCharacters(store.storePath()) << '\n';
            return 1;
        }
        if (best > asked) {
            err << "spheron: " << key << " stays " << best << ": a best score is never lowered\n";
            return 1;
        }
        out << key << " = " << best << '\n';
        return 0;
    }
    if (value->type == PropertyList::Type::Integer)
        store.setObject(value->integer, key);
    else
        store.setObject(scalarText(*value), key);
    if (!store.synchronize()) {
        err << "spheron: " << key << " was not saved to "
            << escapeControlCharacters(store.storePath()) << '\n';
        return 1;
    }
    out << key << " = " << escapeControlCharacters(shownChoice(*entry, scalarText(*value))) << '\n';
    return 0;
}

} // namespace

std::string settingsFilePath() {
    return (std::filesystem::path(resourceDirectory()) / "Settings.bundle" / "Root.plist").string();
}

void createDefaultPreferences(UserDefaults& store, const std::string& settingsPath) {
    std::string why;
    const auto specifiers = readSettingSpecifiers(settingsPath, &why);
    if (!specifiers) {
        platformLog("no default preferences from %s: %s", settingsPath.c_str(), why.c_str());
        return;
    }
    // Only the game's own keys are seeded, compared in this order.
    static const char* const keys[] = {kSfxState,   kShowHints, kHighScore,
                                       kAccelState, kGameType,  kShowSymbols};
    PropertyList::Dictionary remembered;
    for (const SettingSpecifier& entry : *specifiers) {
        // An entry without a default leaves an earlier one in place rather than erasing it.
        if (entry.key.empty() || !entry.defaultValue) continue;
        for (const char* known : keys) {
            if (entry.key == known) {
                remembered[known] = *entry.defaultValue;
                break;
            }
        }
    }
    store.registerDefaults(remembered);
    claimGameKeys(store);
    store.synchronize();
}

void claimGameKeys(UserDefaults& store) {
    store.addOwnKeys({kSfxState, kShowHints, kAccelState, kHighScore, kGameType, kShowSymbols,
                      kWindowSize, kScoreTables, kHowToPlayShown});
}

std::optional<std::uint32_t> storedBestScore(const PropertyList::Dictionary& stored) {
    const auto found = stored.find(kHighScore);
    if (found == stored.end()) return 0u;
    return found->second.unsignedValue();
}

bool raiseBestScore(UserDefaults& store, PropertyList::Dictionary& stored, std::uint32_t score,
                    std::uint32_t& best, bool* changed) {
    if (changed) *changed = false;
    best = score;
    if (const std::optional<std::uint32_t> old = storedBestScore(stored))
        best = std::max(best, *old);
    else if (store.keepCopyAside().empty())
        return false; // without a copy of the file the value stays as it is
    char text[16];
    std::snprintf(text, sizeof text, "%u", best);
    const auto found = stored.find(kHighScore);
    if (found != stored.end() && found->second.type == PropertyList::Type::String &&
        found->second.string == text)
        return true;
    stored[kHighScore] = PropertyList::makeString(text);
    if (changed) *changed = true;
    return true;
}

bool saveHighScore(UserDefaults& store, std::uint32_t score, std::uint32_t* best) {
    claimGameKeys(store);
    std::uint32_t kept = score;
    bool refused = false;
    const bool saved = store.update([&](PropertyList::Dictionary& stored) {
        refused = !raiseBestScore(store, stored, score, kept);
        return !refused;
    });
    if (best) *best = kept;
    return saved && !refused;
}

int settingsCommand(const std::vector<std::string>& args, UserDefaults& store,
                    const std::string& settingsPath, std::ostream& out, std::ostream& err) {
    if (args.size() != 0 && args.size() != 2) {
        err << "usage: spheron --settings [KEY VALUE]\n";
        return 2;
    }
    std::string why;
    const auto specifiers = readSettingSpecifiers(settingsPath, &why);
    if (!specifiers) {
        err << "spheron: cannot read the settings file " << escapeControlCharacters(settingsPath)
            << ": " << why << '\n';
        return 1;
    }
    claimGameKeys(store);
    if (args.empty()) return listSettings(*specifiers, store, out);
    return changeSetting(*specifiers, store, args[0], args[1], out, err);
}
