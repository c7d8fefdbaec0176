#!/usr/bin/env bash
# Where the game stands against two desktop games of the same family, GNOME's Swell Foop and
# KDE's Klickety, measured side by side in one run on a virtual X display (Xvfb, 1280 x 1024):
# each program rests, then a pointer plays it; CPU is read from /proc/PID/stat (all threads), at
# rest from /proc/PID/task/*/schedstat (nanoseconds), and the X server's beside it, since a program
# that draws in software has the server copy its pictures; wake-ups at rest are the context
# switches of all the program's threads (/proc/PID/task/*/status); memory from /proc/PID/status.
# Prints a table and our figures over each peer's.
#   bench/compare-peers.sh [SPHERON]   SPHERON: the game to measure (default build-release/spheron)
# Installs xvfb, xdotool, swell-foop and klickety from Debian when missing. Without a sound card
# SDL opens no audio device at all; SDL_AUDIODRIVER=dummy stands in for one. Every program gets a
# scratch home, so no one's settings or scores are read or written. Environment:
#   REST=20 PLAY=10 (seconds), SETTLE=10 (seconds after the window shows, not measured),
#   MOVES=100 CLICKS=20 (pointer moves and clicks spread over the play),
#   GAME=7 (the board every build of ours plays, so that before and after play the same game; a
#   random board made runs differ by a third; the peers deal their own),
#   SHOTS=DIR (a picture of the display after each program's play, to see where the clicks went),
#   BASELINE=PATH (another build of the game, measured first as "baseline", for before and after),
#   TIMED=1 (the game once more as "timed": a one-minute game, whose time bar moves at rest; and
#   the baseline as "base-timed"),
#   WAYLAND=1 (the game once more as "wayland": SDL_VIDEODRIVER=wayland in weston, whose X11 back
#   end shows its output in the same Xvfb; the "X" columns then hold weston's CPU and the X
#   server's together. Installs weston when missing).
# Not part of the tests: the figures depend on the machine and on what else runs on it.
set -euo pipefail
cd "$(dirname "$0")/.."

SPHERON=${1:-build-release/spheron}
REST=${REST:-20}
PLAY=${PLAY:-10}
SETTLE=${SETTLE:-10}
MOVES=${MOVES:-100}
CLICKS=${CLICKS:-20}
GAME=${GAME:-7}

[ -x "$SPHERON" ] || { echo "compare-peers: no game at $SPHERON (build it: scripts/dev bench)" >&2; exit 2; }
SPHERON=$(realpath "$SPHERON")

install_missing() {
  local missing=()
  local wanted=(xvfb xauth xdotool swell-foop klickety)
  [ -n "${WAYLAND:-}" ] && wanted+=(weston)
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "compare-peers: installing ${missing[*]} from Debian" >&2
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
install_missing
export PATH="$PATH:/usr/games" # where Debian puts both peers

SCRATCH=$(mktemp -d /tmp/compare-peers-XXXXXX)
XVFB_PID=""
WESTON_PID=""
APP_PID=""
BUS_PID=""
cleanup() {
  if [ -n "$APP_PID" ]; then kill -KILL "$APP_PID" 2>/dev/null || true; fi
  if [ -n "$BUS_PID" ]; then kill "$BUS_PID" 2>/dev/null || true; fi
  if [ -n "$WESTON_PID" ]; then kill "$WESTON_PID" 2>/dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$SCRATCH"
}
trap cleanup EXIT

# The first display number nobody uses.
n=99
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$SCRATCH/xvfb.log" 2>&1 &
XVFB_PID=$!
SERVER_PIDS=$XVFB_PID # whose CPU the "X" columns count
for _ in $(seq 50); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "compare-peers: Xvfb did not start" >&2; exit 1; }

# The peers talk to a session bus; a private one keeps them from looking for the user's.
if command -v dbus-daemon >/dev/null; then
  bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1 \
    2>"$SCRATCH/bus.log") || bus=""
  if [ -n "$bus" ]; then
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
    export DBUS_SESSION_BUS_ADDRESS
    BUS_PID=$(sed -n 2p <<<"$bus")
  fi
fi

TICK=$(getconf CLK_TCK)
now() { date +%s.%N; }
# utime + stime of the whole process (every thread), in clock ticks.
# The name in parentheses may hold spaces: count the fields after it.
cputicks() { sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | awk '{ print $12 + $13 }'; }
# CPU time of every thread alive now, in nanoseconds (finer than the clock ticks above, for the
# fractions of a per mille that a program at rest uses).
cpuns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f", s }'; }
# The same summed over the display's processes (the X server, and weston where it runs).
servercpu() { local p s=0; for p in $SERVER_PIDS; do s=$((s + $($1 "$p"))); done; echo "$s"; }
# Context switches of each thread alive now, one "TID COUNT" line each: each is a wake-up or a
# preemption. wakeups A B T0 T1: per second between two such lists; a thread that ended between
# them is lost, one that began counts whole.
switches() {
  local t
  for t in /proc/"$1"/task/*; do
    awk -v tid="${t##*/}" '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print tid, s + 0 }' \
      "$t/status" 2>/dev/null || true
  done
}
wakeups() { awk -v t0="$3" -v t1="$4" 'FNR == NR { before[$1] = $2; next }
  { d += $2 - ($1 in before ? before[$1] : 0) } END { printf "%.1f", d / (t1 - t0) }' \
  <(printf '%s\n' "$1") <(printf '%s\n' "$2"); }
vm() { awk -v k="$2:" '$1 == k { printf "%.1f", $2 / 1024 }' "/proc/$1/status" 2>/dev/null; }
# percent A B T0 T1 [UNITS_PER_SECOND]: CPU counters A and B (clock ticks by default) over T0..T1.
percent() { awk -v a="$1" -v b="$2" -v t0="$3" -v t1="$4" -v hz="${5:-$TICK}" \
  'BEGIN { printf "%.3f", (b - a) / hz / (t1 - t0) * 100 }'; }

# The largest visible window of a process, once it shows.
window_of() {
  local pid=$1 best="" area=0 w
  for _ in $(seq 300); do
    for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w")"
      if [ $((WIDTH * HEIGHT)) -gt "$area" ]; then area=$((WIDTH * HEIGHT)); best=$w; fi
    done
    [ -n "$best" ] && [ "$area" -gt 10000 ] && { echo "$best"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# The same pointer plan for every program: moves at a steady pace over the board area, every
# (MOVES / CLICKS)-th move followed by a click; the second click of each pair goes back to the
# first one's point, so that each program gets CLICKS / 2 moves of its game (our game selects a
# group with the first click and bursts it with the second).
play() {
  local x0=$1 y0=$2 w=$3 h=$4 start=$5
  local every=$((MOVES / CLICKS)) seed=12345 i x y px=0 py=0 clicks=0 due
  for ((i = 0; i < MOVES; i++)); do
    seed=$(((seed * 1103515245 + 12345) % 2147483648))
    x=$((x0 + seed % w))
    seed=$(((seed * 1103515245 + 12345) % 2147483648))
    y=$((y0 + seed % h))
    if [ $(((i + 1) % every)) -eq 0 ] && [ $((clicks % 2)) -eq 1 ]; then x=$px; y=$py; fi
    due=$(awk -v s="$start" -v i="$i" -v n="$MOVES" -v p="$PLAY" 'BEGIN { printf "%.6f", s + i * p / n }')
    sleep "$(awk -v d="$due" -v t="$(now)" 'BEGIN { d -= t; printf "%.3f", (d > 0 ? d : 0) }')"
    xdotool mousemove "$x" "$y"
    if [ $(((i + 1) % every)) -eq 0 ] && [ "$clicks" -lt "$CLICKS" ]; then
      xdotool click 1
      px=$x; py=$y; clicks=$((clicks + 1))
    fi
  done
  sleep "$(awk -v e="$start" -v p="$PLAY" -v t="$(now)" 'BEGIN { d = e + p - t; printf "%.3f", (d > 0 ? d : 0) }')"
}

# measure NAME LEFT TOP RIGHT BOTTOM COMMAND...: the board area as fractions of the window.
declare -A REST_CPU REST_X WAKEUPS PLAY_CPU PLAY_X RSS HWM
measure() {
  local name=$1 fl=$2 ft=$3 fr=$4 fb=$5
  shift 5
  local home="$SCRATCH/$name"
  mkdir -p "$home/.config" "$home/.local/share" "$home/.cache" "$home/run"
  chmod 700 "$home/run"
  [ "$name" = swell-foop ] && swell_foop_settings "$home"
  # Like Swell Foop's welcome page, the game's first-start card is not what is measured (and a
  # timed game's clock waits while it shows).
  case $name in
    swell-foop | klickety) ;;
    *) printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
         '<plist version="1.0"><dict><key>howToPlayShown</key><true/></dict></plist>' \
         >"$home/spheron.plist" ;;
  esac
  case $name in
    timed) SPHERON_PREFERENCES="$home/spheron.plist" "$SPHERON" --settings gameType 1 >/dev/null ;;
    base-timed) SPHERON_PREFERENCES="$home/spheron.plist" "$BASELINE" --settings gameType 1 >/dev/null ;;
  esac
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/run" \
    SPHERON_PREFERENCES="$home/spheron.plist" GSETTINGS_BACKEND=keyfile \
    "$@" >"$SCRATCH/$name.log" 2>&1 &
  APP_PID=$!
  local win
  if [ -n "${WHOLE_DISPLAY:-}" ]; then
    win=$(xdotool search --name 'Weston Compositor' 2>/dev/null | head -1) || true
    [ -n "$win" ] || win=$(xwininfo -root -tree | awk '/Weston Compositor/ { print $1; exit }')
  elif ! win=$(window_of "$APP_PID"); then
    echo "compare-peers: $name showed no window; its output:" >&2
    tail -5 "$SCRATCH/$name.log" >&2
    kill -KILL "$APP_PID" 2>/dev/null || true
    APP_PID=""
    return 1
  fi
  sleep "$SETTLE"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  local t0 c0 t1 c1 x0 x1 w0 w1
  t0=$(now); c0=$(cpuns "$APP_PID"); x0=$(servercpu cpuns); w0=$(switches "$APP_PID")
  sleep "$REST"
  t1=$(now); c1=$(cpuns "$APP_PID"); x1=$(servercpu cpuns); w1=$(switches "$APP_PID")
  REST_CPU[$name]=$(percent "$c0" "$c1" "$t0" "$t1" 1000000000)
  REST_X[$name]=$(percent "$x0" "$x1" "$t0" "$t1" 1000000000)
  WAKEUPS[$name]=$(wakeups "$w0" "$w1" "$t0" "$t1")

  local bx by bw bh
  bx=$(awk -v x="$X" -v w="$WIDTH" -v f="$fl" 'BEGIN { printf "%d", x + w * f }')
  by=$(awk -v y="$Y" -v h="$HEIGHT" -v f="$ft" 'BEGIN { printf "%d", y + h * f }')
  bw=$(awk -v w="$WIDTH" -v a="$fl" -v b="$fr" 'BEGIN { printf "%d", w * (b - a) }')
  bh=$(awk -v h="$HEIGHT" -v a="$ft" -v b="$fb" 'BEGIN { printf "%d", h * (b - a) }')
  t0=$(now); c0=$(cputicks "$APP_PID"); x0=$(servercpu cputicks)
  play "$bx" "$by" "$bw" "$bh" "$t0"
  t1=$(now); c1=$(cputicks "$APP_PID"); x1=$(servercpu cputicks)
  PLAY_CPU[$name]=$(percent "$c0" "$c1" "$t0" "$t1")
  PLAY_X[$name]=$(percent "$x0" "$x1" "$t0" "$t1")
  RSS[$name]=$(vm "$APP_PID" VmRSS)
  [ -n "${SHOTS:-}" ] && mkdir -p "$SHOTS" && import -window root "$SHOTS/$name.png" 2>/dev/null
  HWM[$name]=$(vm "$APP_PID" VmHWM)
  echo "compare-peers: $name: window ${WIDTH}x${HEIGHT}, board area ${bw}x${bh} at ${bx},${by}" >&2

  kill -TERM "$APP_PID" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$APP_PID" 2>/dev/null || true
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
}

# Swell Foop's board as 15 x 10 (its "normal" size; the default is the small one) and no welcome page,
# in the scratch home's keyfile store.
swell_foop_settings() {
  mkdir -p "$1/.config/glib-2.0/settings"
  printf "[org/gnome/swell-foop]\nsize='normal'\nfirst-run=false\n" \
    >"$1/.config/glib-2.0/settings/keyfile"
}

echo "compare-peers: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); rest ${REST} s, play ${PLAY} s (${MOVES} moves, ${CLICKS} clicks), after ${SETTLE} s" >&2
# The cube fills the middle of the game view; the peers' boards fill their windows below the
# title or tool bar.
NAMES=(spheron swell-foop klickety)
if [ -n "${BASELINE:-}" ]; then
  NAMES=(baseline "${NAMES[@]}")
  measure baseline 0.2 0.25 0.8 0.75 "$(realpath "$BASELINE")" --scale 2 --game "$GAME" || true
fi
measure spheron 0.2 0.25 0.8 0.75 "$SPHERON" --scale 2 --game "$GAME" || true
if [ -n "${TIMED:-}" ] && [ -n "${BASELINE:-}" ]; then
  NAMES+=(base-timed)
  measure base-timed 0.2 0.25 0.8 0.75 "$(realpath "$BASELINE")" --scale 2 --game "$GAME" || true
fi
if [ -n "${TIMED:-}" ]; then
  NAMES+=(timed)
  measure timed 0.2 0.25 0.8 0.75 "$SPHERON" --scale 2 --game "$GAME" || true
fi
if [ -n "${WAYLAND:-}" ]; then
  # weston's output fills the display; a fresh weston puts its first window at the same place
  # each time (104, 36 here, 640 x 960): the board area below is that window's, as above.
  NAMES+=(wayland)
  mkdir -p "$SCRATCH/weston-run" && chmod 700 "$SCRATCH/weston-run"
  XDG_RUNTIME_DIR="$SCRATCH/weston-run" weston --backend=x11-backend.so --use-pixman \
    --width=1280 --height=1024 --socket=wayland-bench --idle-time=0 >"$SCRATCH/weston.log" 2>&1 &
  WESTON_PID=$!
  for _ in $(seq 50); do [ -S "$SCRATCH/weston-run/wayland-bench" ] && break; sleep 0.1; done
  sleep 1
  SERVER_PIDS="$XVFB_PID $WESTON_PID" WHOLE_DISPLAY=1 measure wayland 0.181 0.270 0.481 0.738 \
    env SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY="$SCRATCH/weston-run/wayland-bench" \
    "$SPHERON" --scale 2 --game "$GAME" || true
  kill "$WESTON_PID" 2>/dev/null || true
  wait "$WESTON_PID" 2>/dev/null || true
  WESTON_PID=""
fi
measure swell-foop 0.05 0.15 0.95 0.95 swell-foop || true
measure klickety 0.1 0.15 0.9 0.85 klickety || true

row() { printf '%-12s %9s %9s %9s %9s %9s %9s %10s %9s\n' "$@"; }
sum() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "") print "-"; else printf "%.3f", a + b }'; }
echo
row "" "rest" "X rest" "wake-ups" "played" "X played" "played+X" "RSS after" "peak RSS"
row "" "(% core)" "(% core)" "(a sec.)" "(% core)" "(% core)" "(% core)" "play (MiB)" "(MiB)"
for name in "${NAMES[@]}"; do
  row "$name" "${REST_CPU[$name]:--}" "${REST_X[$name]:--}" "${WAKEUPS[$name]:--}" \
    "${PLAY_CPU[$name]:--}" "${PLAY_X[$name]:--}" "$(sum "${PLAY_CPU[$name]:-}" "${PLAY_X[$name]:-}")" \
    "${RSS[$name]:--}" "${HWM[$name]:--}"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {
  if (a == "" || b == "" || a == "-" || b == "-") print "-";
  else if (b + 0 == 0) print (a + 0 == 0 ? "1 (both 0)" : "n/a (peer 0)");
  else printf "%.2f", a / b }'; }
echo
row "ours / peer" "rest" "X rest" "wake-ups" "played" "X played" "played+X" "RSS after" "peak RSS"
for peer in swell-foop klickety; do
  row "$peer" "$(ratio "${REST_CPU[spheron]:-}" "${REST_CPU[$peer]:-}")" \
    "$(ratio "${REST_X[spheron]:-}" "${REST_X[$peer]:-}")" \
    "$(ratio "${WAKEUPS[spheron]:-}" "${WAKEUPS[$peer]:-}")" \
    "$(ratio "${PLAY_CPU[spheron]:-}" "${PLAY_CPU[$peer]:-}")" \
    "$(ratio "${PLAY_X[spheron]:-}" "${PLAY_X[$peer]:-}")" \
    "$(ratio "$(sum "${PLAY_CPU[spheron]:-}" "${PLAY_X[spheron]:-}")" "$(sum "${PLAY_CPU[$peer]:-}" "${PLAY_X[$peer]:-}")")" \
    "$(ratio "${RSS[spheron]:-}" "${RSS[$peer]:-}")" "$(ratio "${HWM[spheron]:-}" "${HWM[$peer]:-}")"
done
echo "compare-peers: load $(cut -d' ' -f1-3 /proc/loadavg) at the end" >&2
