// The settings file's "PreferenceSpecifiers" read into plain records, for the command-line
// settings screen, the seeding of defaults and the preferences view alike. Store types only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/UserDefaults.h"

inline constexpr const char* kToggleSwitchSpecifier = "PSToggleSwitchSpecifier";
inline constexpr const char* kMultiValueSpecifier = "PSMultiValueSpecifier";
inline constexpr const char* kTextFieldSpecifier = "PSTextFieldSpecifier";

// One entry of the array. Entries that are not dictionaries read as an empty record.
struct SettingSpecifier {
    std::string type;  // "PSToggleSwitchSpecifier" and the like; "" when absent
    std::string title; // "" when absent; in the player's language
    std::string key;   // "" for group titles and entries without one
    std::optional<PropertyList> defaultValue; // none when absent or of a type the store drops
    std::string trueValue = "true";           // a switch's stored texts
    std::string falseValue = "false";
    std::vector<std::string> titles;     // a multi-value setting's shown titles, one per value
    std::vector<std::string> fileTitles; // the same as the file has them (in English)
    std::vector<PropertyList> values;    // its stored values

    bool isToggleSwitch() const { return type == kToggleSwitchSpecifier; }
    bool isMultiValue() const { return type == kMultiValueSpecifier; }
    bool isTextField() const { return type == kTextFieldSpecifier; }
    // The index of the value whose text (scalarText) is `text`.
    std::optional<std::size_t> indexOfValue(const std::string& text) const;
    // The title shown for a stored text: a multi-value setting's title of that value, else "".
    std::string titleOfValue(const std::string& text) const;
    // A switch's state for a stored text: on for trueValue, off for falseValue, and for anything
    // else (or nothing stored) what the default says.
    bool switchIsOn(const std::optional<std::string>& text) const;
};

// The specifiers in file order, or none when the file cannot be read or holds no
// "PreferenceSpecifiers" array; `whyNot` then gets a short reason. Logs nothing.
std::optional<std::vector<SettingSpecifier>> readSettingSpecifiers(const std::string& path,
                                                                   std::string* whyNot = nullptr);

// The last specifier with this key (the one that decides, as for the defaults); nullptr if none.
const SettingSpecifier* specifierForKey(const std::vector<SettingSpecifier>& specifiers,
                                        const std::string& key);

// A scalar as the store answers it as a string: strings as they are, integers in decimal,
// booleans as "true"/"false"; "" for other types.
std::string scalarText(const PropertyList& value);
