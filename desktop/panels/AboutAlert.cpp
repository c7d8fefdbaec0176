#include "desktop/panels/AboutAlert.h"

#include <cstdint>

#include "platform/device/Clipboard.h"
#include "platform/device/URLOpener.h"

#ifndef SPHERON_CONTACT_EMAIL
#define SPHERON_CONTACT_EMAIL "spheron@example.org"
#endif

namespace {

const char* const kAboutMessage =
    "Written by Tolvane\r\nComments, suggestions? Got an iPhone project you need help with?";
const char* const kAboutCancel = "Go Back!";
const char* const kAboutEmail = "Email";
constexpr std::int32_t kEmailButtonIndex = 1;

} // namespace

std::string AboutAlert::contactLink() {
    return std::string("mailto:") + SPHERON_CONTACT_EMAIL + "?subject=spheron:comment";
}

void AboutAlert::open(AlertViewDelegate* delegate, GameSession& game) {
    if (!game.isPaused()) {
        game.pause();
        if (game.isPaused()) held_ = &game;
    }
    alert_ = AlertView::initWithTitle(std::string("Spheron ") + SPHERON_VERSION, kAboutMessage,
                                      delegate, kAboutCancel, {kAboutEmail});
    if (alert_) alert_->show();
}

void AboutAlert::dismissed(int buttonIndex, AlertViewDelegate* delegate) {
    if (buttonIndex == kEmailButtonIndex && !openURL(contactLink())) showNotice(delegate);
    if (held_ && !(alert_ && alert_->isVisible())) {
        held_->resume();
        held_ = nullptr;
    }
}

void AboutAlert::showNotice(AlertViewDelegate* delegate) {
    // No mail program took the link: the address goes where the player can paste it.
    const std::string address = SPHERON_CONTACT_EMAIL;
    const std::string message = copyTextToClipboard(address)
                                    ? "Address copied to the clipboard: " + address
                                    : "No mail program took the link. Write to: " + address;
    alert_ = AlertView::initWithTitle("Email", message, delegate, "OK", {}); // replaces the About
    alert_->show();
}
