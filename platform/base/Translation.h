#pragma once
// Translation: every text the player reads goes through the catalogue of the player's language
// (GNU gettext, in the C library). Mark a text with _() where it is shown, and with N_() where it
// only sits in a table whose entries are shown through _() later. Log lines stay in English.
#include <libintl.h>

#define _(text) gettext(text)
#define N_(text) text
