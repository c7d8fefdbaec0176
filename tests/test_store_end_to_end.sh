#!/usr/bin/env bash
# The player's record with the real program, offscreen: a second writer while the game runs, two
# writers at once, leniently read values, and hostile stores set aside while the game starts within
# 4 s under a 4 GB address-space limit. Usage: test_store_end_to_end.sh SPHERON [KIB|none]
set -euo pipefail

game=$1
limit=${2:-4000000}
# shellcheck source-path=SCRIPTDIR source=support/EndToEnd.sh
. "$(dirname "$0")/support/EndToEnd.sh"
store=$SPHERON_PREFERENCES

# Starts the game under the limit; once it shows its first frame (within 4 s) runs the words
# after NAME, if any, then quits it with SIGTERM, which must end it with status 0.
play() {
    local name=$1 start ms pid
    shift
    start=$(date +%s%N)
    : >"$work/$name.out"
    ([ "$limit" = none ] || ulimit -v "$limit"; exec "$game" --scale 1 --report-first-frame) \
        >"$work/$name.out" 2>"$work/$name.log" &
    pid=$!
    until grep -q "first frame" "$work/$name.out"; do
        kill -0 $pid 2>/dev/null || fail "$name: the game ended before its first frame"
        ms=$((($(date +%s%N) - start) / 1000000))
        [ $ms -lt 4000 ] || fail "$name: no first frame within 4 s"
        sleep 0.02
    done
    ms=$((($(date +%s%N) - start) / 1000000))
    echo "$name: first frame after $ms ms"
    [ $# = 0 ] || "$@" >/dev/null || fail "$name: $* failed"
    kill -TERM $pid
    wait $pid || fail "$name: status $? after SIGTERM"
}

# 1. A best score written by a second program while the game runs is there after it quits.
play second-writer "$game" --settings highScore 500
[ "$(stored highScore)" = 500 ] || fail "best score '$(stored highScore)' after the quit, not 500"

# 2. Two programs writing different settings at the same moment, 30 rounds.
lost=0
for round in $(seq 1 30); do
    sfx=$([ $((round % 2)) = 0 ] && echo true || echo false)
    "$game" --settings sfxState "$sfx" >/dev/null & first=$!
    "$game" --settings gameType $((round % 6)) >/dev/null & second=$!
    { wait $first && wait $second; } || fail "round $round: a writer failed"
    [ "$(stored sfxState)" = "$sfx" ] || lost=$((lost + 1))
    [ "$(stored gameType)" = $((round % 6)) ] || lost=$((lost + 1))
done
echo "two writers, 30 rounds: $lost of 60 values lost"
[ $lost = 0 ] || fail "$lost values lost"

# 3. Best scores the game reads leniently are still 5000 after it has started and quit.
for value in "<real>5000.5</real>" "<string>5000abc</string>"; do
    printf '<?xml version="1.0"?><plist version="1.0"><dict><key>highScore</key>%s</dict></plist>' \
        "$value" >"$store"
    play lenient
    [ "$(stored highScore)" = 5000 ] || fail "$value became '$(stored highScore)'"
done

# 4. Hostile stores: binary ones written out by hand (array objects, one-byte references unless
# noted, an offset table of 4-byte offsets, the trailer), and a FIFO.
binary() { # binary REF_SIZE ARRAYS COPIES STEP: array i holds COPIES references to i + STEP
    perl -e '($w, $n, $c, $s) = @ARGV; $f = "bplist00"; @o = ();
        for $i (0 .. $n - 1) { push @o, length $f; $f .= chr(0xA0 | $c);
            $f .= substr(pack("N", $i + $s), 4 - $w) for 1 .. $c }
        push @o, length $f; $f .= "\x09"; $t = length $f;
        print $f, pack("N*", @o), "\0" x 6, chr(4), chr($w), pack("Q>3", $n + 1, 0, $t)' "$@"
}
for hostile in deep shared itself fifo; do
    rm -rf "$store" "$store".corrupt-*
    case $hostile in
    deep) binary 4 100000 1 1 >"$store" ;;   # nested 100,000 deep
    shared) binary 1 40 2 1 >"$store" ;;     # 2^40 values through shared references
    itself) binary 1 1 1 0 >"$store" ;;      # an array that holds itself
    fifo) mkfifo "$store" ;;
    esac
    kind=$(stat -c '%F, %s bytes' "$store")
    play $hostile
    [ "$(stat -c '%F, %s bytes' "$store.corrupt-1")" = "$kind" ] || fail "$hostile: not set aside"
    grep -q "set aside as $store.corrupt-1" "$work/$hostile.log" || fail "$hostile: no log line"
done
echo "store end to end: passed"
