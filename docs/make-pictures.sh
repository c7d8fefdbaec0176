#!/usr/bin/env bash
# Makes the README's pictures with the game's scripted mode, offscreen, on a scratch store: the
# window in a two-minute game, a wide and a tall window, the game-over panel, the score tables,
# the preferences, the menu, the how-to-play card, German and Japanese texts and the board with colour symbols as
# colour-blind players see it.
# Run from the top folder after a build: docs/make-pictures.sh [PATH/TO/spheron [PATH/TO/spheron-art]]
set -euo pipefail

game=${1:-build/spheron}
scratch=$(mktemp -d /tmp/spheron-pictures-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
# Nothing of the real player's is read or written.
export SPHERON_PREFERENCES=$scratch/preferences.plist XDG_CONFIG_HOME=$scratch HOME=$scratch
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
shot() { "$game" --scale 1 "$@" >/dev/null; }

# A two-minute game: a yellow group of thirteen selected, the others faded, the time bar running.
"$game" --settings gameType 2 >/dev/null
shot --game 399 --click 160,250 --screenshot-after 0.3 --screenshot docs/window.png
"$game" --settings gameType 0 >/dev/null

# Other window shapes: a wide window with a turn taken (Undo lit, Redo greyed) and a group
# selected, and a tall one in which the cube stands on the toolbar.
shot --window 1200x800 --game 399 --key Left --wait 1 --click 490,290 --screenshot-after 0.3 \
  --screenshot docs/window-1200x800.png
shot --window 600x1200 --game 399 --screenshot docs/window-tall.png

# A few untimed games for the table, then one whose end is a new best score.
for n in 1 2 3; do shot --game "$n" --play greedy; done
shot --game 4 --play greedy --screenshot docs/game-over.png
# The table with the latest game marked; the preferences over a game paused while they show.
shot --game 5 --play greedy --key ctrl+h --screenshot docs/scores.png
shot --game 8 --key ctrl+, --screenshot docs/preferences.png
# The menu after one burst (Undo there, Redo greyed); the how-to-play card from Help's first
# button, which lies at the left of the help's button row in the 320 x 480 window.
shot --game 8 --play greedy:1 --key F10 --screenshot docs/menu.png
shot --game 8 --key F1 --click 88,394 --screenshot docs/how-to-play.png

# The same window in other languages (the locales come with Debian's locales-all): the menu in
# German, and a game's end in Japanese, drawn with a font that has its script.
LANGUAGE=de LC_ALL=de_DE.UTF-8 shot --game 8 --play greedy:1 --key F10 --screenshot docs/window-de.png
LANGUAGE=ja LC_ALL=ja_JP.UTF-8 shot --game 6 --play greedy --screenshot docs/game-over-ja.png

# The board as players without one kind of cone see it, with the colour symbols on, and once
# without them for comparison.
art=${2:-build/tools/art/spheron-art}
"$game" --scale 2 --game 5 --screenshot "$scratch/plain.png" >/dev/null
"$art" --simulate deuteranopia "$scratch/plain.png" docs/colour-blind-deuteranopia-no-symbols.png
"$game" --settings showSymbols true >/dev/null
"$game" --scale 2 --game 5 --screenshot "$scratch/symbols.png" >/dev/null
for kind in protanopia deuteranopia tritanopia; do
  "$art" --simulate "$kind" "$scratch/symbols.png" "docs/colour-blind-$kind.png"
done
"$game" --settings showSymbols false >/dev/null
