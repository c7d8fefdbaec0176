#!/usr/bin/env bash
# The real program end to end, offscreen, in scripted runs on simulated time: the version, the
# option checks, whole games of the greedy player that repeat exactly and enter the score tables,
# a practice game that enters no table and raises no best score, a timed game that runs out (and
# one that a pause keeps alive), and the best score kept for the next start.
# Usage: test_end_to_end.sh PATH/TO/spheron. Needs no display, sound card or network.
set -euo pipefail

game=$1
# shellcheck source-path=SCRIPTDIR source=support/EndToEnd.sh
. "$(dirname "$0")/support/EndToEnd.sh"
store=$SPHERON_PREFERENCES

# A scripted run: its one line on standard output, checked for being one state line.
run() {
    local name=$1
    shift
    "$game" --scale 1 "$@" >"$work/$name.out" 2>"$work/$name.log" ||
        fail "$name: status $? for $*"
    [ "$(wc -l <"$work/$name.out")" = 1 ] || fail "$name: not one line on standard output"
    grep -Eq '^state=(playing|paused|over) score=[0-9]+ best=[0-9]+ game=[0-9]+ practice=[01]$' \
        "$work/$name.out" || fail "$name: no state line: $(cat "$work/$name.out")"
    cat "$work/$name.out"
}
field() { sed -n "s/.*\b$2=\([a-z0-9]*\).*/\1/p" <<<"$1"; }

start=$SECONDS

# a. The version, and options refused with status 2 and one line that names them.
[ "$("$game" --version)" = "spheron 1.1" ] || fail "--version"
for bad in "--click nan,inf" "--click 320,10" "--click 1e40,3" "--game -1" "--game 4294967296" \
    "--game 12x" "--key ctrl+nosuchkey" "--play lazy" "--play greedy:0" "--wait inf" \
    "--scale 0" "--frobnicate" "--game" "--scores extra" "--settings" "--screenshot-after 0"; do
    set +e
    # shellcheck disable=SC2086 # the words of $bad are the options
    "$game" ${bad/#--settings/--game 5 --settings} >"$work/refused.out" 2>"$work/refused.log"
    status=$?
    set -e
    [ "$status" = 2 ] || fail "'$bad' ended with status $status, not 2"
    [ "$(wc -l <"$work/refused.log")" = 1 ] || fail "'$bad': not one line on stderr"
    grep -qe "${bad%% *}" "$work/refused.log" || fail "'$bad': the line does not name the option"
    [ ! -s "$work/refused.out" ] || fail "'$bad' printed on standard output"
    [ "$bad" = --frobnicate ] || ! grep -q "unknown" "$work/refused.log" || fail "'$bad': unknown?"
done
[[ "$("$game" --game 5 --settings 2>&1 || :)" == *"must come first"* ]] || fail "--settings late"
# A quit key ends a script early with its state line all the same.
[ "$(field "$(run quit --game 5 --key ctrl+q)" state)" = playing ] || fail "no state after a quit"

# A picture that cannot be written is an error.
set +e
"$game" --scale 1 --wait 0 --screenshot "$work/no/such/folder/x.png" >/dev/null 2>"$work/shot.log"
status=$?
set -e
[ "$status" != 0 ] || fail "an unwritable screenshot ended with status 0"
grep -q "no/such/folder/x.png" "$work/shot.log" || fail "the screenshot's failure names no file"
# A device that takes no bytes: libpng's words come through our one prefixed line, and the
# device is left where it is.
if [ -c /dev/full ]; then
  set +e
  "$game" --scale 1 --wait 0 --screenshot /dev/full >/dev/null 2>"$work/full.log"
  status=$?
  set -e
  [ "$status" != 0 ] || fail "a screenshot to /dev/full ended with status 0"
  [ "$(grep -c -v '^spheron' "$work/full.log")" = 0 ] || fail "an unprefixed line: $(cat "$work/full.log")"
  grep -q "/dev/full: Write Error" "$work/full.log" || fail "libpng's reason is not said"
  [ -c /dev/full ] || fail "/dev/full is gone"
fi

# b. Whole untimed games of the greedy player end, and the same board plays the same again.
declare -A scores
for n in 5 6; do
    first=$(run game$n --game $n --play greedy --screenshot "$work/$n.png")
    [ "$(field "$first" state)" = over ] || fail "game $n did not end: $first"
    [ -s "$work/$n.png" ] || fail "no picture of game $n"
    again=$(run game$n-again --game $n --play greedy)
    [ "$(field "$again" score)" = "$(field "$first" score)" ] || fail "game $n twice: $first / $again"
    scores[$n]=$(field "$first" score)
done
best=$((scores[5] > scores[6] ? scores[5] : scores[6]))
[ "$(stored highScore)" = "$best" ] || fail "highScore $(stored highScore), not the larger $best"
[ "$(field "$again" best)" = "$best" ] || fail "the last game shows best $(field "$again" best)"
echo "games 5 and 6: ${scores[5]} and ${scores[6]} points"
# Each is in the (only) table with its number: rank, score, date, game number, who played. (Two
# runs of one game that end in the same second with the same score are one entry, as a retried
# write is.)
tables=$("$game" --scores)
for n in 5 6; do
    grep -Eqx " +[0-9]+ +${scores[$n]} +[0-9T:Z-]+ +$n( +.+)?" <<<"$tables" ||
        fail "game $n in: $tables"
done
"$game" --settings | grep -Eq " highScore +$best\$" || fail "--settings: highScore is not $best"

# c. Undo makes a practice game: it ends, says so, and its score raises no best score even above it
# (a store of its own, since a best score is never lowered).
export SPHERON_PREFERENCES=$work/practice.plist
store=$SPHERON_PREFERENCES
"$game" --settings highScore 1 >/dev/null
b7=$(run game7 --game 7 --play greedy:1 --key ctrl+z --play greedy --screenshot "$work/b.png")
[ "$(field "$b7" state)" = over ] || fail "game 7 did not end: $b7"
[ "$(field "$b7" practice)" = 1 ] || fail "game 7 is no practice game: $b7"
[ "$(field "$b7" score)" -gt 1 ] || fail "game 7 scored too little to tell: $b7"
[ "$(stored highScore)" = 1 ] || fail "the practice game raised highScore to $(stored highScore)"
[ "$(field "$b7" best)" = 1 ] || fail "the practice game shows best $(field "$b7" best)"
tables=$("$game" --scores)
! grep -Eq "Z +7( |$)" <<<"$tables" || fail "the practice game 7 is in a table: $tables"
export SPHERON_PREFERENCES=$work/preferences.plist
store=$SPHERON_PREFERENCES

# d. A one-minute game runs out in simulated time; a pause stops its clock (the help opened and
# closed over it leaves it paused), and leaving the pause does not end it.
"$game" --settings gameType 1 >/dev/null
timed=$(run timed --game 8 --wait 70)
[ "$(field "$timed" state)" = over ] || fail "a one-minute game still runs after 70 s: $timed"
paused=$(run paused --game 8 --wait 5 --key p --key F1 --key Escape --wait 120)
[ "$(field "$paused" state)" = paused ] || fail "P, F1, Escape: not paused: $paused"
resumed=$(run resumed --game 8 --wait 5 --key p --wait 120 --key p --wait 10)
[ "$(field "$resumed" state)" = playing ] || fail "the pause ate the game's time: $resumed"

# e. A second start reads the best score and writes it back when it quits.
"$game" --settings highScore "$best" >/dev/null
before=$(stat -c %i "$store")
run second --click 160,5 >/dev/null
[ "$(stat -c %i "$store")" != "$before" ] || fail "the second run did not save the store"
[ "$(stored highScore)" = "$best" ] || fail "best score $(stored highScore) after a start, not $best"
echo "end to end: passed in $((SECONDS - start)) s"
