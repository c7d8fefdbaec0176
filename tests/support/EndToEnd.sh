# shellcheck shell=bash
# Shared by the end-to-end scripts, which source it: a scratch folder $work removed at the end (the
# store, config and home live there), a failure that shows the runs' logs ($work/*.log), and a
# value read from the store at $store.
work=$(mktemp -d /tmp/spheron-e2e-XXXXXX)
trap 'rm -rf "$work"' EXIT
# Nothing of the real user is read or written; no display or sound card is needed.
export SPHERON_PREFERENCES=$work/preferences.plist
export XDG_CONFIG_HOME=$work/config HOME=$work/home
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do
        [ -e "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; } >&2
    done
    exit 1
}

# The value stored under KEY, as a string or an integer; empty when there is none.
stored() {
    [ -f "${store:?}" ] || return 0
    tr -d '\n\t' <"$store" |
        sed -n "s#.*<key>$1</key> *<\(string\|integer\)>\([^<]*\)</[a-z]*>.*#\2#p"
}
