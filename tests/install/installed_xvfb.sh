#!/usr/bin/env bash
# The installed program, started the way the desktop's menu starts it, on a private Xvfb server.
#
#   installed_xvfb.sh <build-dir> <xhelper.py>
#
# The build is installed into a temporary prefix whose bin/ the program cannot write, as in
# /usr/bin (a read-only bind mount in a mount namespace of its own when run as root, whom file
# modes do not stop). Then, with a HOME holding nothing yet:
#   1. velloran-start makes ~/Velloran (mode 700) with a starter finance.mdb and starts the
#      program there; the password prompt takes 1234 and the main window opens
#   2. a height typed on the health page is kept in ~/.config/Velloran/setting.ini when the
#      window closes, and is still there after a second start and close
set -u
if [ $# -ne 2 ]; then
  echo "usage: $0 <build-dir> <xhelper.py>" >&2
  exit 2
fi
if [ "$(id -u)" -eq 0 ] && [ -z "${VELLORAN_IN_NAMESPACE:-}" ] && unshare -m true 2>/dev/null; then
  exec unshare -m env VELLORAN_IN_NAMESPACE=1 "$0" "$@"
fi
build=$(realpath -e "$1") || exit 1
helper=$(realpath -e "$2") || exit 1
for tool in Xvfb xdotool python3 cmake; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/velloran-installed.XXXXXX")
prefix=$work/prefix
xvfb_pid=
program_pid=
failed=0
# shellcheck disable=SC2317  # run by the EXIT trap
cleanup() {
  [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill -TERM "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  mountpoint -q "$prefix/bin" 2>/dev/null && umount "$prefix/bin"
  [ -d "$prefix/bin" ] && chmod u+w "$prefix/bin"
  if [ "$failed" -ne 0 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
  failed=1
  echo "FAIL: $*"
  [ -n "${DISPLAY:-}" ] && timeout 20 python3 "$helper" shot "$work/failure.png" 2>/dev/null \
    && echo "    screenshot: $work/failure.png"
  local log
  for log in "$work"/*.log; do
    [ -s "$log" ] && { echo "    --- ${log##*/} ---"; sed 's/^/      /' "$log"; }
  done
  exit 1
}

export HOME=$work/home
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install"
rm -f "$work/install.log"
if [ -n "${VELLORAN_IN_NAMESPACE:-}" ]; then
  mount --bind "$prefix/bin" "$prefix/bin" || fail "could not bind $prefix/bin"
  mount -o remount,bind,ro "$prefix/bin" || fail "could not make $prefix/bin read-only"
else
  chmod 555 "$prefix/bin"
fi
# Root without a mount namespace of its own (a container) writes anywhere: the settings then
# stay beside the program, and that is what is checked.
settings=$HOME/.config/Velloran/setting.ini
if touch "$prefix/bin/.probe" 2>/dev/null; then
  rm -f "$prefix/bin/.probe"
  echo "    note: $prefix/bin stays writable here; setting.ini is expected beside the program"
  settings=$prefix/bin/setting.ini
fi

mkdir -p "$HOME"
unset VELLORAN_HOME XDG_CONFIG_HOME VELLORAN_PROGRAM VELLORAN_MAKE_STARTER_DB
unset WAYLAND_DISPLAY SESSION_MANAGER QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"
export NO_AT_BRIDGE=1
data=$HOME/Velloran

# Xvfb picks a free display itself and names it once it takes connections.
exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start"
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb named no display"
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
rm -f "$work/xvfb.log"

# There is no window manager: the focus is given, and checked, by hand.
# shellcheck source=../e2e/xdo.sh
source "$(dirname "$helper")/xdo.sh"

# Waits for a visible window of the program named $1 larger than the tray icon; into $window.
wait_window() {
  local id size
  for _ in $(seq 1 150); do
    kill -0 "$program_pid" 2>/dev/null || fail "waiting for '$1': the program ended"
    for id in $(xdo search --all --onlyvisible --pid "$program_pid" --name "^$1\$" 2>/dev/null); do
      size=$(xdo getwindowgeometry --shell "$id" 2>/dev/null | sed -n 's/^WIDTH=//p')
      [ "${size:-0}" -gt 48 ] && { window=$id; return 0; }
    done
    sleep 0.2
  done
  fail "no window '$1' within 30s"
}

# Starts the menu entry's command, answers the prompt with 1234 and waits for the main window.
start_and_log_in() {
  "$prefix/bin/velloran-start" >"$work/$1.log" 2>&1 &
  program_pid=$!
  wait_window '請輸入密碼'
  focus "$window"
  xdo type --delay 60 1234 || fail "could not type the password"
  xdo key Return || fail "could not press Return"
  wait_window Velloran
  main=$window
}

close_and_wait() {
  timeout 10 python3 "$helper" close "$main" || fail "could not close the main window"
  for _ in $(seq 1 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$program_pid" 2>/dev/null && fail "the program did not end after its window closed"
  wait "$program_pid" || fail "the program ended with status $?"
  program_pid=
}

height_kept() { grep -aq '^height=172' "$settings" 2>/dev/null; }

start_and_log_in first
[ -s "$data/finance.mdb" ] || fail "the launcher made no $data/finance.mdb"
[ "$(stat -c %a "$data")" = 700 ] || fail "$data has mode $(stat -c %a "$data"), not 700"
echo "PASS: the first start makes $data (700) with finance.mdb and asks for the password"

# 健康, then its 身高 field.
focus "$main"
xdo mousemove --window "$main" 216 17 click 1 || fail "could not click the health tab"
sleep 0.5
xdo mousemove --window "$main" 120 150 click 1 || fail "could not click the height field"
sleep 0.3
xdo key ctrl+a || fail "could not select the height"
xdo type --delay 60 172 || fail "could not type the height"
close_and_wait
height_kept || fail "$settings does not hold the height: $(cat "$settings" 2>&1)"
[ "$settings" != "$prefix/bin/setting.ini" ] && [ -e "$prefix/bin/setting.ini" ] \
  && fail "a setting.ini appeared beside the program"

start_and_log_in second
close_and_wait
height_kept || fail "the height is gone after a restart: $(cat "$settings" 2>&1)"
grep -q 'open to other users' "$work"/*.log && fail "the launcher warned about its own folder"
echo "PASS: the health page's height survives a restart in $settings"
exit 0
