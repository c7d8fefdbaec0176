#pragma once
// Translation: every text the player reads goes through the catalogue of the player's language
// (GNU gettext, in the C library). Mark a text with _() where it is shown, and with N_() where it
// only sits in a table whose entries are shown through _() later. Log lines stay in English.
#include <libintl.h>

#include <string>

#define _(text) gettext(text)
#define N_(text) text

// The game's text domain, its catalogues named spheron.mo.
inline constexpr const char* kTextDomain = "spheron";

// Takes the player's locale from the environment for texts, dates and character classes, but
// keeps numbers in the C form ("0.5", never "0,5") so that stored files read the same in every
// language; then binds the text domain to `localeDirectory` (<dir>/<lang>/LC_MESSAGES/spheron.mo)
// in UTF-8. Returns false (and the game stays in English) when the environment names a locale
// the system does not have; logs nothing.
bool startTranslation(const std::string& localeDirectory);

// printf into a std::string, for translated texts with numbers or names in them ("%d", "%s" and
// positional "%1$s" alike).
std::string textFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// `text` padded with spaces to `width` characters (a UTF-8 sequence counts as one), before it
// when `alignRight`, else after it: a translated word keeps its column in a terminal's table.
std::string paddedText(const std::string& text, std::size_t width, bool alignRight = false);
