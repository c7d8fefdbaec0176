#!/usr/bin/env bash
# The real program end to end, offscreen: a one-minute game chosen with --settings, played with
# scripted clicks until its time runs out, then a second start that keeps the best score.
# Usage: test_end_to_end.sh PATH/TO/spheron. Needs no display, sound card or network.
set -euo pipefail

game=$1
work=$(mktemp -d /tmp/spheron-e2e-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Nothing of the real user is read or written: the store goes to the default place under a
# scratch configuration folder.
unset SPHERON_PREFERENCES
export XDG_CONFIG_HOME=$work/config HOME=$work/home
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
store=$XDG_CONFIG_HOME/spheron/preferences.plist

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do
        [ -e "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; } >&2
    done
    exit 1
}

# The number stored under KEY, as a string or an integer; empty when there is none.
stored() {
    [ -e "$store" ] || return 0
    tr -d '\n\t' <"$store" |
        sed -n "s#.*<key>$1</key> *<\(string\|integer\)>\([0-9][0-9]*\)</[a-z]*>.*#\2#p"
}

# a. A one-minute game from the next start on.
"$game" --settings gameType 1 >"$work/settings.log" 2>&1 || fail "--settings gameType 1 failed"
[ "$(stored gameType)" = 1 ] || fail "gameType 1 not in the store"
[ -z "$(stored highScore)" ] || fail "a best score before any game"

# b. The toolbar (y 436..480) holds a 1-point space and four 66-point arrows, 12 points in from
# the left and 6 apart: centres at x 52, 124, 196, 268. Left then right and up then down leave
# the cube as it was. Then each front bubble's centre is clicked twice (select, then burst):
# the game view spans y 64..436 and the front face's cells lie 58 points apart around (160, 250).
# Until the first burst the cube stays full, so every board click meets a resting board and the
# front bubble at its spot. The colours are uniform over seven and independent, so no pair bursts
# only when all 65 neighbour links of the front face (40 inside it, 25 to the layer behind) join
# different colours: about (6/7)^65 = 4e-5, and a simulation of 300000 boards gave 15. A right
# turn and the same 25 spots on the next face bring a run without points near 1e-9.
clicks=(--click 52,458 --click 124,458 --click 196,458 --click 268,458)
front=()
for y in 134 192 250 308 366; do
    for x in 45 102 160 218 276; do front+=(--click "$x,$y" --click "$x,$y"); done
done
clicks+=("${front[@]}" --click 124,458 "${front[@]}")
# Clicks start 2 s after launch, 0.5 s apart: the 105th at 54 s. The clock of the game starts
# once the board has dropped in (about 1 s) and runs out 60 whole calendar seconds later, by
# 63 s at most; the picture is taken 16 s after the last click, at 70 s, and the program quits.
shot=$work/over.png
start=$SECONDS
"$game" --scale 1 "${clicks[@]}" --screenshot "$shot" --screenshot-after 16 \
    >"$work/first-run.log" 2>&1 &
pid=$!
# A new best score is stored as soon as the game ends, before the picture and the quit. The
# store is read before the picture is looked for, so a value seen here was saved earlier.
savedAtEnd=
while kill -0 "$pid" 2>/dev/null; do
    best=$(stored highScore)
    if [ -z "$savedAtEnd" ] && [ -n "$best" ] && [ ! -e "$shot" ]; then savedAtEnd=$best; fi
    sleep 0.5
done
wait "$pid" || fail "the first run ended with status $?"
echo "first run: $((SECONDS - start)) s"
[ -s "$shot" ] || fail "no screenshot: the scripted run did not reach its end"

# c. The best score is in the store, above 0, and was saved when the game ended.
best=$(stored highScore)
[ -n "$best" ] && [ "$best" -gt 0 ] || fail "no best score above 0 in the store ('$best')"
[ "$savedAtEnd" = "$best" ] || fail "best score $best not saved when the game ended ('$savedAtEnd')"
[ "$(stored gameType)" = 1 ] || fail "the game lost the gameType setting"
echo "best score $best"

# d. A second start reads the best score and writes it back when it quits: the same value, in a
# file replaced since (a new inode), and the settings screen lists it.
before=$(stat -c %i "$store")
"$game" --scale 1 --click 160,5 --screenshot "$work/again.png" --screenshot-after 0.5 \
    >"$work/second-run.log" 2>&1 || fail "the second run ended with status $?"
[ "$(stat -c %i "$store")" != "$before" ] || fail "the second run did not save the store"
[ "$(stored highScore)" = "$best" ] || fail "best score $(stored highScore) after the second run, not $best"
"$game" --settings >"$work/settings.log" 2>&1 || fail "--settings failed"
grep -Eq "^.*[[:space:]]highScore[[:space:]]+$best\$" "$work/settings.log" ||
    fail "--settings does not list highScore $best"
echo "end to end: passed"
