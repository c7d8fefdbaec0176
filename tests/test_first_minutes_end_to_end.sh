#!/usr/bin/env bash
# What a new player meets in the first minutes, with the built game offscreen on simulated time:
# a one-minute game's clock stands still under every view and panel the keys open (the menu among
# them); one left idle to its end enters no table; with the game-over panel closed, Return starts
# the next game.
# Usage: test_first_minutes_end_to_end.sh PATH/TO/spheron. Needs no display, sound card or network.
set -euo pipefail

game=$1
# shellcheck source-path=SCRIPTDIR source=support/EndToEnd.sh
. "$(dirname "$0")/support/EndToEnd.sh"

# The state line of a scripted run (its log kept for a failure).
state() { "$game" --scale 1 "$@" 2>"$work/run.log"; }
field() { sed -n "s/.*\b$2=\([a-z0-9]*\).*/\1/p" <<<"$1"; }

# a. Two minutes under each view of a one-minute game, then Escape: the game goes on.
"$game" --settings gameType 1 >/dev/null
for view in F1 ctrl+, ctrl+h shift+F1 F10; do
    line=$(state --game 8 --wait 5 --key "$view" --wait 120 --key Escape --wait 1)
    [ "$(field "$line" state)" = playing ] || fail "two minutes under $view: $line"
done
idle=$(state --game 8 --wait 70)
[ "$(field "$idle" state)" = over ] || fail "an idle one-minute game still runs: $idle"
tables=$("$game" --scores)
[ "$(grep -c '(no scores yet)' <<<"$tables")" = 6 ] || fail "0 points in a table: $tables"

# b. An untimed game played to its end, its panel closed: Return starts a new board.
"$game" --settings gameType 0 >/dev/null
next=$(state --game 5 --play greedy --key Escape --key Return)
grep -Eq '^state=playing score=0 best=[0-9]+ game=[0-9]+ ' <<<"$next" &&
    [ "$(field "$next" game)" != 5 ] || fail "Return after the end: $next"
echo "first minutes: passed"
