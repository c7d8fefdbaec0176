#!/usr/bin/env bash
# The player's record with the real program, offscreen: a second writer while the game runs, two
# writers at once, leniently read values, hostile stores set aside while the game starts within
# 4 s under a 4 GB address-space limit, what is no file left alone, stores at the reader's bounds
# kept live, escaped errors, XML that other readers take, and games run at once each kept.
# Usage: test_store_end_to_end.sh SPHERON [KIB|none]
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
for hostile in deep shared itself; do
    rm -rf "$store" "$store".corrupt-*
    case $hostile in
    deep) binary 4 100000 1 1 >"$store" ;;   # nested 100,000 deep
    shared) binary 1 40 2 1 >"$store" ;;     # 2^40 values through shared references
    itself) binary 1 1 1 0 >"$store" ;;      # an array that holds itself
    esac
    kind=$(stat -c '%F, %s bytes' "$store")
    play $hostile
    [ "$(stat -c '%F, %s bytes' "$store.corrupt-1")" = "$kind" ] || fail "$hostile: not set aside"
    grep -q "set aside as $store.corrupt-1" "$work/$hostile.log" || fail "$hostile: no log line"
done

# 5. A device, a FIFO and a socket behind the store's path: listing, setting and playing leave them
# exactly as they were (type, device numbers, nothing beside them); what would write exits 1.
rm -rf "$store" "$store".*
mkdir "$work/things"
mkfifo "$work/things/fifo"
python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' \
    "$work/things/socket" 2>/dev/null || echo "skipped: the socket (no python3 to make one)"
if [ "$(id -u)" = 0 ]; then
    mknod "$work/things/device" c 1 3
else
    echo "skipped: the device behind the store (mknod needs root)"
fi
look() { stat -c '%F %t:%T %a' "$1"; ls -A "$work/things" "$work" | grep -v '\.log$'; }
for thing in "$work"/things/*; do
    ln -sfn "$thing" "$store"
    before=$(look "$thing")
    "$game" --settings >/dev/null 2>"$work/list.log" || fail "$thing: the listing failed"
    ! "$game" --settings sfxState false >/dev/null 2>"$work/set.log" || fail "$thing: set, status 0"
    ! "$game" --game 5 --play greedy:1 >/dev/null 2>"$work/play.log" || fail "$thing: played, 0"
    [ "$(look "$thing")" = "$before" ] || fail "$thing: changed"
    grep -q "will not be kept" "$work/play.log" || fail "$thing: nothing said"
done
rm -rf "$store" "$work/things" "$work"/*.log

# 6. Stores at the reader's bounds: 19,995 values (XML), and a binary one nested 128 deep. A game
# keeps its entry, the settings and the best score in a live store, the foreign values set aside.
bounded() { # bounded wide|deep: writes the store
    python3 -c 'import plistlib, sys
if sys.argv[1] == "wide":  # plist, dict, two keys, their values and 19,989 more: 19,995
    foreign, form = [True] * 19989, plistlib.FMT_XML
else:  # the dictionary, 126 arrays and the string: 128 levels
    foreign, form = "x", plistlib.FMT_BINARY
    for _ in range(126): foreign = [foreign]
sys.stdout.buffer.write(plistlib.dumps({"sfxState": "false", "foreign": foreign}, fmt=form))' \
        "$1" >"$store"
}
foreign() { # the number of values under "foreign" in the plist file $1
    python3 -c 'import plistlib, sys
count = lambda v: 1 + sum(map(count, v)) if isinstance(v, list) else 1
print(count(plistlib.load(open(sys.argv[1], "rb"))["foreign"]))' "$1"
}
for kind in wide deep; do
    command -v python3 >/dev/null || { echo "skipped: stores at the bounds (no python3)"; break; }
    rm -f "$store" "$store".*
    bounded $kind
    values=$(foreign "$store")
    "$game" --game 5 --play greedy >"$work/$kind.out" 2>"$work/$kind.log" ||
        fail "$kind: the game failed"
    grep -q "state=over score=201" "$work/$kind.out" || fail "$kind: $(cat "$work/$kind.out")"
    ! grep -q "cannot be used" "$work/$kind.log" || fail "$kind: a write was refused"
    grep -q "beyond what the game reads" "$work/$kind.log" || fail "$kind: no fresh store"
    [ "$(foreign "$store.corrupt-1")" = "$values" ] || fail "$kind: foreign values lost"
    [ "$(stored highScore)" = 201 ] && [ "$(stored sfxState)" = false ] ||
        fail "$kind: best '$(stored highScore)', sound '$(stored sfxState)'"
    "$game" --scores 2>&1 | grep -Eq "^ +1 +201 .* 5( |$)" || fail "$kind: no entry"
done

# 7. Nothing raw reaches the terminal: a hostile --game, a stored window size with escapes (at a
# plain start), a 100,000-digit value; no byte below 0x20 but the newline, no line over 200.
rm -f "$store" "$store".*
long=$(head -c 100000 /dev/zero | tr '\0' 7)
"$game" --game $'\e[31m5' 2>"$work/escape.err" && fail "a hostile --game was taken"
"$game" --game "$long" 2>>"$work/escape.err" && fail "a 100,000-digit --game was taken"
"$game" --settings highScore "$long" 2>>"$work/escape.err" && fail "a huge best score was taken"
{
    printf '<?xml version="1.0"?><plist version="1.0"><dict><key>windowSize</key><string>'
    printf '\e]0;owned\a\e[2J%s</string></dict></plist>' "$long"
} >"$store"
play window-size
cat "$work/window-size.log" >>"$work/escape.err"
grep -q "windowSize" "$work/escape.err" || fail "the stored window size was not refused"
[ "$(LC_ALL=C tr -d '\n\040-\377' <"$work/escape.err" | wc -c)" = 0 ] || fail "raw bytes on stderr"
awk 'length > 200 { exit 1 }' "$work/escape.err" || fail "a line over 200 characters on stderr"

# 8. A store with ESC in a foreign string, rewritten by --settings, is XML that others read.
printf '<?xml version="1.0"?><plist version="1.0"><dict><key>foreign</key><string>\e[2J</string>'\
'</dict></plist>' >"$store"
"$game" --settings gameType 2 >/dev/null 2>&1 || fail "the setting was not saved"
if command -v python3 >/dev/null; then
    python3 -c 'import plistlib, sys; plistlib.load(open(sys.argv[1], "rb"))' "$store" ||
        fail "plistlib refuses the rewritten store"
else
    echo "skipped: reading the store with plistlib (no python3)"
fi

# 9. Four games of one board finishing together on one store: four entries.
rm -f "$store" "$store".*
pids=()
for n in 1 2 3 4; do "$game" --game 77 --play greedy >"$work/same-$n.out" & pids+=($!); done
for pid in "${pids[@]}"; do wait "$pid" || fail "a game of board 77 failed"; done
[ "$("$game" --scores | grep -Ec " 77( |$)")" = 4 ] || fail "not four entries: $("$game" --scores)"
echo "store end to end: passed"
