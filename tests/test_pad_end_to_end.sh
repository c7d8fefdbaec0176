#!/usr/bin/env bash
# The game controller with the built game, offscreen on simulated time, through a virtual pad that
# SDL maps as a real one: each button does what its key does (same picture, same state), a whole
# game of board 5 played with the controller alone, unplugged and plugged back in half-way, and
# every view opened and closed with it.
# Usage: test_pad_end_to_end.sh PATH/TO/spheron. Needs no display, sound card or network.
set -euo pipefail

game=$1
# shellcheck source-path=SCRIPTDIR source=support/EndToEnd.sh
. "$(dirname "$0")/support/EndToEnd.sh"
store=$SPHERON_PREFERENCES

# The state line of a run on board 5 with a fresh store.
run() {
    rm -f "$store"
    "$game" --scale 1 --game 5 "$@" 2>"$work/pad.log" | tee "$work/pad.out"
}
score() { run "$@" | sed -n 's/^state=playing score=\([0-9]*\) .* practice=0$/\1/p'; }

# The acceptance: a hint then A bursts; Start pauses; rounds of A, A and the D-pad score; Y after
# a burst makes the game practice.
[ "$(score --pad x --pad a)" -gt 0 ] || fail "X then A: $(cat "$work/pad.out")"
run --pad start | grep -q '^state=paused ' || fail "Start: $(cat "$work/pad.out")"
pads=() keys=()
for m in dpright:d dpdown:s dpleft:a dpup:w dpright:d; do
    pads+=(--pad a --pad a --pad "${m%:*}")
    keys+=(--key space --key space --key "${m#*:}")
done
rounds=$(score "${pads[@]}")
[ "${rounds:-0}" -gt 0 ] || fail "five rounds: $(cat "$work/pad.out")"
[ "$(score "${keys[@]}")" = "$rounds" ] || fail "the keys' five rounds: $(cat "$work/pad.out")"
run --pad x --pad a --pad y | grep -q 'practice=1$' || fail "Y: $(cat "$work/pad.out")"
# B drops the hint's selection, so that A selects again instead of bursting.
[ "$(score --pad x --pad b --pad a)" = 0 ] || fail "B: $(cat "$work/pad.out")"
if "$game" --pad select >/dev/null 2>"$work/bad.log"; then fail "--pad select was taken"; fi
[ "$(wc -l <"$work/bad.log")" = 1 ] || fail "--pad select: not one line"
rm "$work/bad.log"

# Buttons and the keys they act as, pictured: the same picture, and one that the button changed.
run --screenshot "$work/none.png" >/dev/null
pairs=("leftshoulder|left" "rightshoulder|right" "lefttrigger|up" "righttrigger|down"
    "dpleft a|a space" "back|f10" "back dpdown|f10 down" "back dpdown dpdown a|f10 down down return"
    "back b|f10 escape" "back back|f10 f10")
for pair in "${pairs[@]}"; do
    read -ra buttons <<<"${pair%|*}"
    read -ra names <<<"${pair#*|}"
    steps=()
    for b in "${buttons[@]}"; do steps+=(--pad "$b"); done
    run "${steps[@]}" --screenshot "$work/pad.png" >/dev/null
    steps=()
    for k in "${names[@]}"; do steps+=(--key "$k"); done
    run "${steps[@]}" --screenshot "$work/key.png" >/dev/null
    cmp -s "$work/pad.png" "$work/key.png" || fail "${pair%|*} differs from ${pair#*|}"
    case $pair in
    "back b|"* | "back back|"*) ;; # closed again: the board as it was
    *) ! cmp -s "$work/pad.png" "$work/none.png" || fail "${pair%|*} changed nothing" ;;
    esac
done

# Unplugged, the game waits paused; plugged back in, any button goes on.
run --pad x --pad a --pad unplug | grep -q '^state=paused ' || fail "unplugged: $(cat "$work/pad.out")"
grep -q 'the game controller that drove the game is gone' "$work/pad.log" || fail "no line"

# A whole game with the controller alone: hints, bursts and every turn, unplugged half-way; then
# the game-over panel, and from the menu (Back, the D-pad, A) help, scores and preferences (the
# sound switched off with the D-pad, kept with A), each opened and closed with the controller.
# Over an ended game the menu's Undo and Redo are greyed: down from New Game is Scores.
turns=(leftshoulder lefttrigger rightshoulder righttrigger)
whole=()
for i in $(seq 49); do
    whole+=(--pad x --pad a --pad "${turns[$((i % 4))]}")
    [ "$i" != 24 ] || whole+=(--pad unplug --pad plug --pad start)
done
whole+=(--pad b --pad back --pad b --pad back --pad dpdown --pad dpdown --pad dpdown --pad a --pad b
    --pad back --pad dpdown --pad a --pad b --pad back --pad dpdown --pad dpdown --pad a
    --pad dpleft --pad a)
run "${whole[@]}" | grep -q '^state=over score=246 best=246 game=5 practice=0$' ||
    fail "the whole game: $(cat "$work/pad.out")"
[ "$(stored sfxState)" = false ] || fail "the preferences: sfxState is '$(stored sfxState)'"
[ "$(grep -c 'drives the game' "$work/pad.log")" = 2 ] || fail "plugged back in: not driving"
echo "pad end to end: five rounds $rounds points, a whole game 246"
