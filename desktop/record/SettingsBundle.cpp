// Reading the settings file's specifiers into plain records. Store types only.
#include "desktop/record/SettingsBundle.h"
#include "platform/base/Translation.h"

namespace {

// A title as the player reads it: through the catalogue (an empty one stays empty, as the
// catalogue's "" is its header).
std::string shownTitle(const std::string& title) {
    return title.empty() ? title : std::string(_(title.c_str()));
}

// The string under `key` of a dictionary entry, or `fallback`.
std::string textOf(const PropertyList& entry, const char* key, const std::string& fallback = {}) {
    const PropertyList* item = entry.valueForKey(key);
    return item && item->type == PropertyList::Type::String ? item->string : fallback;
}

SettingSpecifier specifierFrom(const PropertyList& entry) {
    SettingSpecifier s;
    s.type = textOf(entry, "Type");
    s.title = shownTitle(textOf(entry, "Title"));
    s.key = textOf(entry, "Key");
    if (const PropertyList* value = entry.valueForKey("DefaultValue");
        value && value->type != PropertyList::Type::None)
        s.defaultValue = *value;
    s.trueValue = textOf(entry, "TrueValue", "true");
    s.falseValue = textOf(entry, "FalseValue", "false");
    if (const PropertyList* titles = entry.valueForKey("Titles");
        titles && titles->type == PropertyList::Type::Array)
        for (const PropertyList& title : titles->array) {
            s.fileTitles.push_back(scalarText(title));
            s.titles.push_back(shownTitle(s.fileTitles.back()));
        }
    if (const PropertyList* values = entry.valueForKey("Values");
        values && values->type == PropertyList::Type::Array)
        s.values = values->array;
    return s;
}

} // namespace

std::string scalarText(const PropertyList& value) {
    switch (value.type) {
    case PropertyList::Type::String:
        return value.string;
    case PropertyList::Type::Integer:
        return std::to_string(value.integer);
    case PropertyList::Type::Boolean:
        return value.boolean ? "true" : "false";
    default:
        return {};
    }
}

std::optional<std::size_t> SettingSpecifier::indexOfValue(const std::string& text) const {
    for (std::size_t i = 0; i < values.size(); ++i)
        if (scalarText(values[i]) == text) return i;
    return std::nullopt;
}

std::string SettingSpecifier::titleOfValue(const std::string& text) const {
    const std::optional<std::size_t> i = indexOfValue(text);
    return i && *i < titles.size() ? titles[*i] : std::string();
}

bool SettingSpecifier::switchIsOn(const std::optional<std::string>& text) const {
    if (text && *text == trueValue) return true;
    if (text && *text == falseValue) return false;
    return defaultValue && scalarText(*defaultValue) == trueValue;
}

std::optional<std::vector<SettingSpecifier>> readSettingSpecifiers(const std::string& path,
                                                                   std::string* whyNot) {
    std::string why;
    const std::optional<PropertyList> file = readPropertyListFile(path, &why);
    const PropertyList* array = file ? file->valueForKey("PreferenceSpecifiers") : nullptr;
    if (file && (!array || array->type != PropertyList::Type::Array)) {
        why = "no \"PreferenceSpecifiers\" array";
        array = nullptr;
    }
    if (!array) {
        if (whyNot) *whyNot = why;
        return std::nullopt;
    }
    std::vector<SettingSpecifier> specifiers;
    for (const PropertyList& entry : array->array)
        specifiers.push_back(specifierFrom(entry));
    return specifiers;
}

const SettingSpecifier* specifierForKey(const std::vector<SettingSpecifier>& specifiers,
                                        const std::string& key) {
    const SettingSpecifier* found = nullptr;
    for (const SettingSpecifier& s : specifiers)
        if (!key.empty() && s.key == key) found = &s;
    return found;
}
