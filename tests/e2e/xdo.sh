# shellcheck shell=bash
# xdotool with a time limit, and the keyboard focus given by hand, for the runs on a bare Xvfb
# server. Sourced by e2e_xvfb.sh and tests/install/installed_xvfb.sh, which define fail().

xdo() { timeout 10 xdotool "$@"; }

# Gives window $1 the keyboard focus and waits until it has it (Qt normally takes it itself on
# a server without a window manager).
focus() {
    local _
    for _ in $(seq 1 25); do
        [ "$(xdo getwindowfocus 2>/dev/null)" = "$1" ] && return 0
        xdo windowfocus "$1" >/dev/null 2>&1
        sleep 0.2
    done
    fail "window $1 would not take the keyboard focus"
}
