// The preferences over the game area, built from the settings file's specifiers: a switch per
// toggle, a picker for a multi-value setting (the game type) with the note that it applies from
// the next new game, the best score shown read-only, a text field for the player's name (empty:
// the account's name, shown grey), group titles as headings. A change goes at once to the change
// handler; the view writes nothing itself. Up, Down and Tab move the focus, Space or Left and
// Right change the focused control, a focused name field takes what is typed; Done, Return or
// Escape close it.
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
    TextField* fieldForKey(const std::string& key) const;
    int focusedControl() const { return focus_; }

    // Leaves out the row of a setting that cannot act here (and its control from the focus
    // order), or brings it back; what the store keeps for it stays either way.
    void setRowShown(const std::string& key, bool shown);
    bool isRowShown(const std::string& key) const;

    bool keyDown(const KeyEvent& key) override;
    void layoutContent() override;
    void drawContent(float scale) override;
    void willHide() override;

private:
    PreferencesView(const Rect& frame, std::vector<SettingSpecifier> specifiers);
    void setFocus(int index);
    void focusControl(const Control* control);
    void collectControls(); // the shown rows' controls, in file order
    void changed(const SettingSpecifier& specifier, PropertyList value);

    // One row per shown specifier, in file order.
    struct Row {
        const SettingSpecifier* specifier;
        std::unique_ptr<Switch> toggle;
        std::unique_ptr<ValuePicker> picker;
        std::unique_ptr<TextField> field;
        std::string shownValue; // a read-only text field's value
        Rect frame;             // the row, in the panel's bounds
        bool shown = true;
    };
    std::vector<SettingSpecifier> specifiers_;
    std::vector<Row> rows_;
    std::vector<Control*> controls_;
    int focus_ = 0;
    ChangeHandler changeHandler_;
};
