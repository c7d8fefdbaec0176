// The About alert: the game's name and version, who wrote it, and an "Email" button that opens
// the contact link. Where no mail program takes the link, a notice with the address replaces it,
// the address copied to the clipboard when that can be done.
#pragma once

#include <memory>
#include <string>

#include "desktop/play/GameSession.h"
#include "platform/ui/AlertView.h"

class AboutAlert {
public:
    // Shown in the key window; its dismissal goes to `delegate`, which hands it to dismissed().
    // The game's clock stands still while the alert, or the e-mail notice after it, is read, as
    // under every other view; a pause the player took stays theirs.
    void open(AlertViewDelegate* delegate, GameSession& game);
    void dismissed(int buttonIndex, AlertViewDelegate* delegate);
    // The latest alert shown, or none.
    AlertView* current() const { return alert_.get(); }
    void close() { alert_.reset(); }
    static std::string contactLink();
    // The text under the title, in the player's language: who wrote the game, and an invitation.
    static std::string aboutMessage();

private:
    void showNotice(AlertViewDelegate* delegate);

    std::unique_ptr<AlertView> alert_;
    GameSession* held_ = nullptr; // the game this alert paused, to resume when it has gone
};
