#!/usr/bin/env bash
# Keyboard play with the built game, offscreen on simulated time: on board 5, nine rounds of
# Space, Space and a move score points, and so do the keypad's keys in their place, alike; a hint
# and Space score points without making the game practice.
# Usage: test_keys_end_to_end.sh PATH/TO/spheron. Needs no display, sound card or network.
set -euo pipefail

game=$1
# shellcheck source-path=SCRIPTDIR source=support/EndToEnd.sh
. "$(dirname "$0")/support/EndToEnd.sh"

# The score of a run on board 5 that is still under way and no practice; empty otherwise.
score() {
    "$game" --scale 1 --game 5 "$@" 2>"$work/keys.log" | tee "$work/keys.out" |
        sed -n 's/^state=playing score=\([0-9]*\) best=[0-9]* game=5 practice=0$/\1/p'
}

letters=() keypad=()
declare -A onKeypad=([d]=kp_6 [s]=kp_2 [a]=kp_4 [w]=kp_8)
for m in d s a w d d s s a; do
    letters+=(--key space --key space --key "$m")
    keypad+=(--key kp_enter --key return --key "${onKeypad[$m]}")
done
rounds=$(score "${letters[@]}")
[ "${rounds:-0}" -gt 0 ] || fail "nine rounds: $(cat "$work/keys.out")"
[ "$(score "${keypad[@]}")" = "$rounds" ] || fail "the keypad's rounds: $(cat "$work/keys.out")"
hint=$(score --key h --key space)
[ "${hint:-0}" -gt 0 ] || fail "hint and Space: $(cat "$work/keys.out")"
echo "keys end to end: nine rounds $rounds points, hint and Space $hint"
