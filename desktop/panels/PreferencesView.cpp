// The preferences view: rows from the specifiers, their controls wired to the change handler,
// keyboard focus, and the drawing of titles, values and the game type's note.
#include "desktop/panels/PreferencesView.h"

#include <algorithm>

#include "desktop/record/PlayerName.h"
#include "platform/base/Log.h"
#include "platform/base/Translation.h"
#include "platform/gl/GLLayer.h"
#include "platform/gl/Screen.h"

namespace {

constexpr float kTitleSize = 15.0f;
constexpr float kToggleRow = 40.0f;
constexpr float kTextRow = 30.0f;
constexpr float kFieldRow = TextField::kHeight + 8.0f;
constexpr float kFieldGap = 12.0f; // between a field's title and the field
constexpr float kFitSlack = 0.01f;
constexpr float kGroupRow = 26.0f;
constexpr float kPickerTitle = 24.0f;
constexpr float kNoteSize = 12.0f;
constexpr float kNoteRow = 22.0f;
const Color kLabelColor{0.74f, 0.80f, 0.92f, 1.0f};

bool isGroup(const SettingSpecifier& s) {
    return s.type == "PSGroupSpecifier";
}

bool hasRow(const SettingSpecifier& s) {
    if (isGroup(s)) return !s.title.empty();
    if (s.key.empty()) return false;
    return s.isToggleSwitch() || s.isTextField() || (s.isMultiValue() && !s.values.empty());
}

// A row's height where there is room, and the least it closes up to where there is not.
struct RowHeights {
    float room;
    float least;
};

RowHeights rowHeights(const SettingSpecifier& s) {
    if (isGroup(s)) return {kGroupRow, kGroupRow};
    if (s.isToggleSwitch()) return {kToggleRow, Switch::kHeight + 2.0f};
    if (s.isMultiValue())
        return {kPickerTitle + ValuePicker::kHeight + kNoteRow,
                kPickerTitle + ValuePicker::kHeight + kNoteSize + 4.0f};
    if (s.key == kPlayerName) return {kFieldRow, TextField::kHeight};
    return {kTextRow, kTitleSize + 7.0f};
}

// A stored text as it may be shown: control characters replaced, at most 24 characters.
std::string printable(std::string text) {
    if (text.size() > 24) text = text.substr(0, 24) + "\u2026";
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return text;
}

std::string shownTitle(const SettingSpecifier& s) {
    return s.title.empty() ? s.key : s.title;
}

} // namespace

std::unique_ptr<PreferencesView>
PreferencesView::initWithFrame(const Rect& frame, std::vector<SettingSpecifier> specifiers) {
    return std::unique_ptr<PreferencesView>(new PreferencesView(frame, std::move(specifiers)));
}

PreferencesView::PreferencesView(const Rect& frame, std::vector<SettingSpecifier> specifiers)
    : Panel(frame, _("Preferences")), specifiers_(std::move(specifiers)) {
    for (const SettingSpecifier& s : specifiers_) {
        if (!hasRow(s)) continue;
        Row row{&s, nullptr, nullptr, nullptr, {}, {}};
        if (s.isToggleSwitch()) {
            row.toggle = Switch::initWithFrame({{0.0f, 0.0f}, {Switch::kWidth, Switch::kHeight}});
            row.toggle->setAction([this, &s](Switch* sender) {
                focusControl(sender);
                changed(s, PropertyList::makeString(sender->isOn() ? s.trueValue : s.falseValue));
            });
            addSubview(row.toggle.get());
        } else if (s.isMultiValue()) {
            row.picker = ValuePicker::initWithFrame({});
            std::vector<std::string> titles;
            for (std::size_t i = 0; i < s.values.size(); ++i)
                titles.push_back(i < s.titles.size() ? s.titles[i] : scalarText(s.values[i]));
            row.picker->setTitles(std::move(titles));
            row.picker->setAction([this, &s](ValuePicker* sender) {
                focusControl(sender);
                changed(s, s.values[sender->selectedIndex()]);
            });
            addSubview(row.picker.get());
        } else if (s.key == kPlayerName) {
            row.field = TextField::initWithFrame({});
            row.field->setMaxCharacters(kPlayerNameMostChars);
            row.field->setPlaceholder(defaultPlayerName());
            row.field->setAction([this, &s](TextField* sender) {
                focusControl(sender);
                // Blanks alone stand for no name: the account's, as an empty field says.
                std::string why;
                const std::optional<std::string> name = cleanPlayerName(sender->text(), &why);
                if (!name && !sender->text().empty())
                    platformLog("%s not used: %s", s.key.c_str(), why.c_str());
                changed(s, PropertyList::makeString(name.value_or("")));
            });
            addSubview(row.field.get());
        }
        rows_.push_back(std::move(row));
    }
    collectControls();
    addButton(_("Done"), nullptr, true);
    setFocus(0);
}

void PreferencesView::collectControls() {
    controls_.clear();
    for (const Row& row : rows_) {
        if (!row.shown) continue;
        if (row.toggle) controls_.push_back(row.toggle.get());
        if (row.picker) controls_.push_back(row.picker.get());
        if (row.field) controls_.push_back(row.field.get());
    }
}

void PreferencesView::setRowShown(const std::string& key, bool shown) {
    const Control* focused = focus_ < static_cast<int>(controls_.size())
                                 ? controls_[static_cast<std::size_t>(focus_)]
                                 : nullptr;
    bool changed = false;
    for (Row& row : rows_)
        if (row.specifier->key == key && row.shown != shown) {
            row.shown = shown;
            changed = true;
        }
    if (!changed) return;
    collectControls();
    focus_ = 0;
    focusControl(focused); // the focus stays where it was, or goes to the first control
    layoutContent();
}

bool PreferencesView::isRowShown(const std::string& key) const {
    for (const Row& row : rows_)
        if (row.specifier->key == key) return row.shown;
    return false;
}

void PreferencesView::focusControl(const Control* control) {
    const auto at = std::find(controls_.begin(), controls_.end(), control);
    setFocus(at == controls_.end() ? 0 : static_cast<int>(at - controls_.begin()));
}

Switch* PreferencesView::switchForKey(const std::string& key) const {
    for (const Row& row : rows_)
        if (row.toggle && row.specifier->key == key) return row.toggle.get();
    return nullptr;
}

TextField* PreferencesView::fieldForKey(const std::string& key) const {
    for (const Row& row : rows_)
        if (row.field && row.specifier->key == key) return row.field.get();
    return nullptr;
}

ValuePicker* PreferencesView::pickerForKey(const std::string& key) const {
    for (const Row& row : rows_)
        if (row.picker && row.specifier->key == key) return row.picker.get();
    return nullptr;
}

void PreferencesView::reloadValues(const UserDefaults& store) {
    for (Row& row : rows_) {
        const SettingSpecifier& s = *row.specifier;
        if (isGroup(s)) continue;
        std::optional<std::string> text = store.stringForKey(s.key);
        if (row.toggle) {
            row.toggle->setOn(s.switchIsOn(text));
            continue;
        }
        if (!text && s.defaultValue) text = scalarText(*s.defaultValue);
        if (row.field) {
            row.field->setText(text.value_or(""));
            continue;
        }
        if (row.picker) {
            std::optional<std::size_t> index = s.indexOfValue(text.value_or(""));
            if (!index && s.defaultValue) index = s.indexOfValue(scalarText(*s.defaultValue));
            row.picker->setSelectedIndex(index.value_or(0));
        } else {
            row.shownValue = printable(text.value_or(""));
        }
    }
}

void PreferencesView::changed(const SettingSpecifier& specifier, PropertyList value) {
    if (ChangeHandler handler = changeHandler_) handler(specifier.key, value);
}

void PreferencesView::setFocus(int index) {
    if (controls_.empty()) return;
    const auto n = static_cast<int>(controls_.size());
    focus_ = ((index % n) + n) % n;
    for (int i = 0; i < n; ++i) {
        Control* control = controls_[static_cast<std::size_t>(i)];
        control->setFocused(i == focus_);
        // A focused name field edits at once, as a desktop's fields do.
        if (auto* field = dynamic_cast<TextField*>(control))
            field->setEditing(i == focus_ && isShown());
    }
}

void PreferencesView::willHide() {
    for (const Row& row : rows_)
        if (row.field) row.field->setEditing(false);
}

bool PreferencesView::keyDown(const KeyEvent& key) {
    if (!isShown() || key.control || key.alt || controls_.empty()) return Panel::keyDown(key);
    Control* focused = controls_[static_cast<std::size_t>(focus_)];
    if (focused->keyDown(key)) return true; // a name field's own keys and typing
    auto* toggle = dynamic_cast<Switch*>(focused);
    auto* picker = dynamic_cast<ValuePicker*>(focused);
    switch (key.code) {
    case KeyCode::Up:
        setFocus(focus_ - 1);
        return true;
    case KeyCode::Down:
        setFocus(focus_ + 1);
        return true;
    case KeyCode::Tab:
        setFocus(focus_ + (key.shift ? -1 : 1));
        return true;
    case KeyCode::Space:
        if (key.repeat) return true;
        if (toggle) toggle->toggle();
        if (picker) { // forward, from the last back to the first
            const bool atEnd = picker->selectedIndex() + 1 >= picker->titles().size();
            picker->step(atEnd ? -static_cast<int>(picker->selectedIndex()) : 1);
        }
        return true;
    case KeyCode::Left:
    case KeyCode::Right: {
        const bool right = key.code == KeyCode::Right;
        if (toggle && toggle->isOn() != right) toggle->toggle();
        if (picker) picker->step(right ? 1 : -1);
        return true;
    }
    default:
        return Panel::keyDown(key);
    }
}

void PreferencesView::layoutContent() {
    const Rect c = contentFrame();
    float y = c.origin.y;
    // Rows closed up to fill the frame exactly may end a rounding error below it.
    const float bottom = c.origin.y + c.size.height + kFitSlack;
    // Where the rows do not fit, every row closes up alike toward the least it needs, so that a
    // short view still shows every setting.
    float room = 0.0f;
    float least = 0.0f;
    for (const Row& row : rows_) {
        if (!row.shown) continue;
        room += rowHeights(*row.specifier).room;
        least += rowHeights(*row.specifier).least;
    }
    const float open =
        room > least ? std::clamp((c.size.height - least) / (room - least), 0.0f, 1.0f) : 1.0f;
    for (Row& row : rows_) {
        const RowHeights heights = rowHeights(*row.specifier);
        const float h = row.shown ? heights.least + (heights.room - heights.least) * open : 0.0f;
        row.frame = {{c.origin.x, y}, {c.size.width, h}};
        const bool fits = row.shown && y + h <= bottom;
        if (row.toggle) {
            row.toggle->setFrame(
                {{c.origin.x + c.size.width - Switch::kWidth, y + (h - Switch::kHeight) * 0.5f},
                 {Switch::kWidth, Switch::kHeight}});
            row.toggle->setHidden(!fits);
        }
        if (row.picker) {
            row.picker->setFrame(
                {{c.origin.x, y + kPickerTitle}, {c.size.width, ValuePicker::kHeight}});
            row.picker->setHidden(!fits);
        }
        if (row.field) {
            // The title keeps its measured width; the field takes the rest of the row.
            const float titleW = textSize(shownTitle(*row.specifier), kTitleSize,
                                          FontWeight::Regular, windowContentScale())
                                     .width;
            const float x = c.origin.x + titleW + kFieldGap;
            const float fieldH = std::min(TextField::kHeight, h);
            row.field->setFrame({{x, y + (h - fieldH) * 0.5f},
                                 {std::max(0.0f, c.origin.x + c.size.width - x), fieldH}});
            row.field->setHidden(!fits);
        }
        y += h;
    }
}

void PreferencesView::drawContent(float scale) {
    const float bottom = contentFrame().origin.y + contentFrame().size.height + kFitSlack;
    const Color white = Color::whiteColor();
    for (const Row& row : rows_) {
        const SettingSpecifier& s = *row.specifier;
        const Rect& r = row.frame;
        if (!row.shown) continue;
        if (r.origin.y + r.size.height > bottom) break;
        const float lineH = textLineHeight(kTitleSize, FontWeight::Regular, scale);
        if (isGroup(s)) {
            drawPanelText(s.title, {r.origin.x, r.origin.y + r.size.height - lineH}, 13.0f,
                          FontWeight::Bold, kLabelColor, scale);
        } else if (row.picker) {
            drawPanelText(shownTitle(s), {r.origin.x, r.origin.y + 2.0f}, kTitleSize,
                          FontWeight::Regular, white, scale);
            drawPanelText(_(kNextGameNote),
                          {r.origin.x + r.size.width * 0.5f,
                           r.origin.y + kPickerTitle + ValuePicker::kHeight + 4.0f},
                          kNoteSize, FontWeight::Regular, kLabelColor, scale,
                          TextAnchor::TopCentre);
        } else {
            const float top = r.origin.y + (r.size.height - lineH) * 0.5f;
            drawPanelText(shownTitle(s), {r.origin.x, top}, kTitleSize, FontWeight::Regular, white,
                          scale);
            if (!row.toggle && !row.field) {
                const float w =
                    textSize(row.shownValue, kTitleSize, FontWeight::Regular, scale).width;
                drawPanelText(row.shownValue, {r.origin.x + r.size.width - w, top}, kTitleSize,
                              FontWeight::Regular, kLabelColor, scale);
            }
        }
    }
}
