#include "desktop/panels/AboutAlert.h"

#include <cstdint>

#include "platform/base/Translation.h"
#include "platform/device/Clipboard.h"
#include "platform/device/URLOpener.h"

#ifndef SPHERON_CONTACT_EMAIL
#define SPHERON_CONTACT_EMAIL "spheron@example.org"
#endif

namespace {

// The About box's two lines.
const char* const kAboutAuthor = N_("Written by Tolvane");
const char* const kAboutInvitation =
    N_("Comments, suggestions? Got an iPhone project you need help with?");
// TRANSLATORS: the About box's button that closes it.
const char* const kAboutCancel = N_("Go Back!");
// TRANSLATORS: the About box's button that writes to the authors.
const char* const kAboutEmail = N_("Email");
constexpr std::int32_t kEmailButtonIndex = 1;

} // namespace

std::string AboutAlert::aboutMessage() {
    return std::string(_(kAboutAuthor)) + "\r\n" + _(kAboutInvitation);
}

std::string AboutAlert::contactLink() {
    return std::string("mailto:") + SPHERON_CONTACT_EMAIL + "?subject=spheron:comment";
}

void AboutAlert::open(AlertViewDelegate* delegate, GameSession& game) {
    if (!game.isPaused()) {
        game.pause();
        if (game.isPaused()) held_ = &game;
    }
    alert_ = AlertView::initWithTitle(std::string("Spheron ") + SPHERON_VERSION, aboutMessage(),
                                      delegate, _(kAboutCancel), {_(kAboutEmail)});
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
    const std::string message =
        copyTextToClipboard(address)
            // TRANSLATORS: %s is an email address.
            ? textFormat(_("Address copied to the clipboard: %s"), address.c_str())
            // TRANSLATORS: %s is an email address.
            : textFormat(_("No mail program took the link. Write to: %s"), address.c_str());
    // Replaces the About.
    alert_ = AlertView::initWithTitle(_(kAboutEmail), message, delegate, _("OK"), {});
    alert_->show();
}
