// The preferences over the game area, built from the settings file's specifiers: a switch per
// toggle, a picker for a multi-value setting (the game type) with the note that it applies from
// the next new game, the best score shown read-only, group titles as headings. A change goes at
// once to the change handler; the view writes nothing itself. Up, Down and Tab move the focus,
// Space or Left and Right change the focused control; Done, Return or Escape close it.
// Platform view layer and the settings' specifiers only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/panels/Panel.h"
#include "desktop/record/SettingsBundle.h"
#include "platform/base/Translation.h"
#include "platform/store/UserDefaults.h"
#include "platform/ui/Controls.h"

class PreferencesView : public Panel {
public:
    // `value` is what the store keeps for the key: a switch's TrueValue or FalseValue string, a
    // multi-value setting's value as the settings file gives it (the game type's integer).
    using ChangeHandler = std::function<void(const std::string& key, const PropertyList& value)>;

    static std::unique_ptr<PreferencesView> initWithFrame(const Rect& frame,
                                                          std::vector<SettingSpecifier> specifiers);

    // Sets every control from the store (stored values, else the registered defaults, else the
    // settings file's defaults). Sends nothing.
    void reloadValues(const UserDefaults& store);
    void setChangeHandler(ChangeHandler handler) { changeHandler_ = std::move(handler); }

    // What the game type picker's note says.
    static constexpr const char* kNextGameNote = N_("Applies from the next new game.");

    // The controls in focus order, and the switch or picker of a key (nullptr when none).
    const std::vector<Control*>& controls() const { return controls_; }
    Switch* switchForKey(const std::string& key) const;
    ValuePicker* pickerForKey(const std::string& key) const;
    int focusedControl() const { return focus_; }

    bool keyDown(const KeyEvent& key) override;
    void layoutContent() override;
    void drawContent(float scale) override;

private:
    PreferencesView(const Rect& frame, std::vector<SettingSpecifier> specifiers);
    void setFocus(int index);
    void changed(const SettingSpecifier& specifier, PropertyList value);

    // One row per shown specifier, in file order.
    struct Row {
        const SettingSpecifier* specifier;
        std::unique_ptr<Switch> toggle;
        std::unique_ptr<ValuePicker> picker;
        std::string shownValue; // a read-only text field's value
        Rect frame;             // the row, in the panel's bounds
    };
    std::vector<SettingSpecifier> specifiers_;
    std::vector<Row> rows_;
    std::vector<Control*> controls_;
    int focus_ = 0;
    ChangeHandler changeHandler_;
};
