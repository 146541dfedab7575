#!/usr/bin/env bash
# End-to-end run of the built program on a private Xvfb server, driven through xdotool.
#
#   e2e_xvfb.sh <path-to-velloran> <path-to-make-starter-db> <Windows-era finance.mdb (Jet)>
#
# Scenarios, each in a folder of its own holding a fresh starter finance.mdb (password 1234):
#   1. right password opens the main window; a second copy started meanwhile shows an error
#      box and goes on to its own window; both close cleanly and the file still opens
#   2. a wrong password shows one error box, then the main window
#   3. OK on the untouched placeholder, or on an empty password, shows the reminder and
#      asks again; the right password then opens the main window
#   4. in the expense grid, text the amount column refuses shows one error box; after it the
#      keys go on to the grid: Escape drops the edit and Delete asks about the row
#   5. the password page changes the password to one with a blank in it; the next start
#      opens with the new one and refuses the old one
#   6. (run last, since trayer stays) a notification area (trayer) that starts after the program
#      takes its icon; 縮小 hides the window, a click on the tray icon opens its menu, 顯示(&S)
#      brings the window back, and 關閉(&X) while the window is hidden ends the program within
#      two seconds, with a backup and setting.ini written
#   7. on a copy of a Windows-era (Jet) finance.mdb: its password opens the main window; the
#      file is now ours with every row, the Jet file is kept as finance.jet.mdb, and the close
#      leaves a backup
#
# There is no window manager on the server: Qt gives the keyboard focus to each new
# window itself, and windows are closed with the WM_DELETE_WINDOW message a window manager
# would send (tests/e2e/xhelper.py, which needs python3 and libX11 only).
#
# Environment:
#   E2E_KEEP=1    keep the work folder (logs, databases, screenshots) even when all pass
#   E2E_SHOTS=1   save a screenshot of each dialog and window the run reaches
# A failing run always keeps its work folder and says where it is.

set -u

readonly total_budget=110     # seconds for the whole run; ctest allows more
readonly window_timeout=30    # seconds for one window to appear
readonly exit_timeout=20      # seconds for the program to end after its window is closed

main_width=1072
main_height=686
prompt_title='請輸入密碼'
app_title='Velloran'

if [ $# -ne 3 ]; then
    echo "usage: $0 <path-to-velloran> <path-to-make-starter-db> <jet-finance.mdb>" >&2
    exit 2
fi
velloran=$(realpath -e "$1") || { echo "FAIL: no program at $1"; exit 1; }
make_starter=$(realpath -e "$2") || { echo "FAIL: no make-starter-db at $2"; exit 1; }
jet_fixture=$(realpath -e "$3") || { echo "FAIL: no Jet file at $3"; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
helper="$here/xhelper.py"

for tool in Xvfb xdotool python3 sqlcipher timeout realpath trayer; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: $tool is not installed"
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/velloran-e2e.XXXXXX")
xvfb_pid=
trayer_pid=
program_pids=()
failed=0
scenario=setup

# shellcheck disable=SC2317  # run by the EXIT trap
cleanup() {
    local pid
    for pid in "${program_pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    for pid in "${program_pids[@]}"; do
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.2
        done
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    if [ -n "$trayer_pid" ]; then
        kill -TERM "$trayer_pid" 2>/dev/null
        wait "$trayer_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill -TERM "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    if [ "$failed" -ne 0 ] || [ "${E2E_KEEP:-0}" = 1 ]; then
        echo "work folder kept: $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'failed=1; echo "FAIL: $scenario: interrupted"; exit 1' INT TERM HUP

# --- reporting ---------------------------------------------------------------------------

note() { echo "    $*"; }

pass() { echo "PASS: $scenario: $*"; }

fail() {
    failed=1
    echo "FAIL: $scenario: $*"
    if [ -n "${DISPLAY:-}" ]; then
        echo "    windows on the screen:"
        describe_screen | sed 's/^/      /'
        timeout 20 python3 "$helper" shot "$work/failure.png" 2>/dev/null \
            && echo "    screenshot: $work/failure.png"
    fi
    local log
    for log in "$work"/*/*.log; do
        [ -s "$log" ] || continue
        echo "    --- ${log#"$work"/} ---"
        sed 's/^/      /' "$log"
    done
    exit 1
}

# Sets $seconds to the limit $1, cut to what is left of the whole run.
limit() {
    local left=$((total_budget - SECONDS))
    [ "$left" -lt 1 ] && fail "the run took longer than ${total_budget}s"
    seconds=$1
    [ "$seconds" -gt "$left" ] && seconds=$left
    return 0
}

shot() {
    [ "${E2E_SHOTS:-0}" = 1 ] || return 0
    timeout 20 python3 "$helper" shot "$work/$1.png" 2>/dev/null || note "screenshot $1 failed"
}

# --- X server ----------------------------------------------------------------------------

# shellcheck source=xdo.sh
source "$here/xdo.sh"

display_answers() {
    if command -v xdpyinfo >/dev/null 2>&1; then
        timeout 5 xdpyinfo >/dev/null 2>&1
    else
        timeout 5 xdotool getmouselocation >/dev/null 2>&1
    fi
}

start_xvfb() {
    local n
    for n in 91 92 93 94 95 96 97 98 99; do
        [ -e "/tmp/.X$n-lock" ] && continue
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -nolisten tcp -screen 0 1280x1024x24 -noreset >"$work/xvfb-$n.log" 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        local _
        for _ in $(seq 1 50); do
            kill -0 "$xvfb_pid" 2>/dev/null || break
            # The lock names the server that owns the display: another run may have won it.
            if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$xvfb_pid" ] && display_answers; then
                note "Xvfb on $DISPLAY (pid $xvfb_pid)"
                return 0
            fi
            sleep 0.2
        done
        kill -TERM "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
        xvfb_pid=
        unset DISPLAY
    done
    fail "no free display among :91..:99 would start Xvfb"
}

# --- windows -----------------------------------------------------------------------------

# True while the process runs; a finished child waiting to be reaped counts as gone.
alive() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}

kind_of() {
    if timeout 10 python3 "$helper" wintype "$1" 2>/dev/null | grep -qx '_NET_WM_WINDOW_TYPE_DIALOG'; then
        echo dialog
    else
        echo normal
    fi
}

name_of() { xdo getwindowname "$1" 2>/dev/null; }

size_of() {
    local geometry width height
    geometry=$(xdo getwindowgeometry --shell "$1" 2>/dev/null)
    width=$(sed -n 's/^WIDTH=\([0-9]*\)$/\1/p' <<<"$geometry")
    height=$(sed -n 's/^HEIGHT=\([0-9]*\)$/\1/p' <<<"$geometry")
    echo "${width:-?}x${height:-?}"
}

# Visible windows of one process, one id a line.
windows_of() { xdo search --all --onlyvisible --pid "$1" 2>/dev/null; }

# One line a window: id, kind, size and name.
describe_windows() {
    local id
    for id in $(windows_of "$1"); do
        printf '%s %s %s "%s"\n' "$id" "$(kind_of "$id")" "$(size_of "$id")" "$(name_of "$id")"
    done
}

describe_screen() {
    local id pid
    for id in $(xdo search --onlyvisible --name '' 2>/dev/null); do
        pid=$(xdo getwindowpid "$id" 2>/dev/null) || continue
        printf 'pid %s: %s %s %s "%s"\n' "$pid" "$id" "$(kind_of "$id")" "$(size_of "$id")" "$(name_of "$id")"
    done
}

# Ids of the visible windows of process $1 named exactly $2 and of kind $3 (dialog|normal).
matching_windows() {
    local id size
    for id in $(windows_of "$1"); do
        [ "$(name_of "$id")" = "$2" ] || continue
        # The tray icon is a small window of the program's with its name too.
        size=$(size_of "$id")
        if [ "${size%x*}" -le 48 ] 2>/dev/null && [ "${size#*x}" -le 48 ] 2>/dev/null; then
            continue
        fi
        [ "$(kind_of "$id")" = "$3" ] || continue
        echo "$id"
    done
}

# Waits for exactly one visible window of process $1 named $2 of kind $3; its id goes in $window.
wait_window() {
    local pid=$1 name=$2 kind=$3 what=$4 seconds found
    limit "$window_timeout"
    local deadline=$((SECONDS + seconds))
    window=
    while :; do
        alive "$pid" || { wait "$pid"; fail "waiting for $what: the process ended with status $?"; }
        found=$(matching_windows "$pid" "$name" "$kind")
        if [ -n "$found" ]; then
            [ "$(echo "$found" | wc -l)" -eq 1 ] || fail "more than one $what: ${found//$'\n'/ }"
            window=$found
            return 0
        fi
        [ "$SECONDS" -ge "$deadline" ] && fail "no $what within ${seconds}s"
        sleep 0.2
    done
}

# Fails unless window $2 is the only visible window of process $1.
only_window() {
    local others
    others=$(windows_of "$1" | grep -vx "$2")
    [ -z "$others" ] || fail "$3: other windows are showing too: $(describe_windows "$1" | tr '\n' ';')"
}

type_into() {
    focus "$1"
    xdo type --delay 80 "$2" || fail "xdotool could not type into $1"
}

press() {
    focus "$1"
    xdo key "$2" || fail "xdotool could not press $2 in $1"
}

check_main_window() {
    local size width height
    size=$(size_of "$1")
    width=${size%x*}
    height=${size#*x}
    case "$width$height" in *[!0-9]*|'') fail "no size for the main window $1" ;; esac
    if [ $((width - main_width)) -lt -40 ] || [ $((width - main_width)) -gt 40 ] \
        || [ $((height - main_height)) -lt -40 ] || [ $((height - main_height)) -gt 40 ]; then
        fail "main window is ${size}, not about ${main_width}x${main_height}"
    fi
}

# --- the program -------------------------------------------------------------------------

# Makes folder $1 under the work folder holding a starter finance.mdb.
prepare_folder() {
    local folder="$work/$1"
    mkdir -p "$folder" || fail "cannot make $folder"
    (cd "$folder" && timeout 30 "$make_starter" finance.mdb) >"$folder/make-starter-db.log" 2>&1 \
        || fail "make-starter-db failed in $folder"
    [ -s "$folder/finance.mdb" ] || fail "make-starter-db wrote no finance.mdb"
    folder_path=$folder
}

# Starts the program in folder $1 with its output in $1/$2.log; its pid goes in $program_pid.
start_program() {
    (cd "$1" && exec "$velloran") >"$1/$2.log" 2>&1 &
    program_pid=$!
    program_pids+=("$program_pid")
    note "started $2 (pid $program_pid)"
}

# Waits for process $1 to end and fails unless its exit status is 0.
expect_clean_exit() {
    local pid=$1 what=$2 seconds deadline status
    limit "$exit_timeout"
    deadline=$((SECONDS + seconds))
    while alive "$pid"; do
        [ "$SECONDS" -ge "$deadline" ] && fail "$what did not end within ${seconds}s of its window closing"
        sleep 0.2
    done
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] || fail "$what ended with status $status"
}

close_window() {
    timeout 10 python3 "$helper" close "$1" || fail "could not send the close request to window $1"
}

# The file in folder $1 still opens with the starter password and holds its two account types.
check_database() {
    local count
    count=$(cd "$1" && timeout 30 sqlcipher -cmd "PRAGMA key='1234';" finance.mdb \
        "select count(*) from account_type;" 2>&1)
    [ "$count" = 2 ] || fail "finance.mdb does not open with 1234 afterwards: $count"
}

# Answers the password prompt of process $1 with $2.
log_in() {
    wait_window "$1" "$prompt_title" dialog "password prompt"
    type_into "$window" "$2"
    press "$window" Return
}

# Answers the password prompt of process $1 with $2 and waits for the main window, into $main.
log_in_to_main() {
    log_in "$1" "$2"
    wait_window "$1" "$app_title" normal "main window"
    main=$window
}

# --- scenarios ---------------------------------------------------------------------------

scenario_right_password() {
    scenario="right password"
    local folder first second prompt main error second_main
    prepare_folder right
    folder=$folder_path

    start_program "$folder" first
    first=$program_pid
    wait_window "$first" "$prompt_title" dialog "password prompt"
    prompt=$window
    only_window "$first" "$prompt" "password prompt"
    shot right-1-prompt
    type_into "$prompt" 1234
    press "$prompt" Return
    wait_window "$first" "$app_title" normal "main window"
    main=$window
    check_main_window "$main"
    only_window "$first" "$main" "main window"
    shot right-2-main
    pass "1234 opens the main window ($(size_of "$main"))"

    scenario="second copy"
    start_program "$folder" second
    second=$program_pid
    wait_window "$second" "$prompt_title" dialog "password prompt of the second copy"
    prompt=$window
    type_into "$prompt" 1234
    press "$prompt" Return
    wait_window "$second" "$app_title" dialog "error box of the second copy"
    error=$window
    only_window "$second" "$error" "error box of the second copy"
    shot second-1-error
    pass "the second copy shows an error box ($(size_of "$error")) while the first runs"
    press "$error" Return

    # The second copy either goes on to a window of its own or ends.
    local seconds deadline
    limit "$window_timeout"
    deadline=$((SECONDS + seconds))
    second_main=
    while alive "$second"; do
        second_main=$(matching_windows "$second" "$app_title" normal)
        [ -n "$second_main" ] && break
        [ -n "$(matching_windows "$second" "$app_title" dialog)" ] \
            && fail "the second copy shows another dialog after its error box: $(describe_windows "$second" | tr '\n' ';')"
        [ "$SECONDS" -ge "$deadline" ] && fail "the second copy neither opened its window nor ended in ${seconds}s"
        sleep 0.2
    done
    if [ -n "$second_main" ]; then
        [ "$(echo "$second_main" | wc -l)" -eq 1 ] || fail "the second copy opened more than one main window"
        only_window "$second" "$second_main" "main window of the second copy"
        shot second-2-main
        close_window "$second_main"
        expect_clean_exit "$second" "the second copy"
        pass "after OK the second copy opens its own main window and closes with status 0"
    else
        expect_clean_exit "$second" "the second copy"
        pass "after OK the second copy ends with status 0"
    fi

    scenario="right password"
    alive "$first" || fail "the first copy ended while the second ran"
    [ -n "$(matching_windows "$first" "$app_title" normal)" ] || fail "the first copy lost its main window"
    only_window "$first" "$main" "main window of the first copy"
    close_window "$main"
    expect_clean_exit "$first" "the program"
    check_database "$folder"
    pass "closing the main window ends the program with status 0; finance.mdb opens with 1234"
}

scenario_wrong_password() {
    scenario="wrong password"
    local folder pid prompt error main
    prepare_folder wrong
    folder=$folder_path

    start_program "$folder" wrong
    pid=$program_pid
    wait_window "$pid" "$prompt_title" dialog "password prompt"
    prompt=$window
    type_into "$prompt" 9999
    press "$prompt" Return
    wait_window "$pid" "$app_title" dialog "error box"
    error=$window
    only_window "$pid" "$error" "error box"
    shot wrong-1-error
    pass "9999 shows an error box ($(size_of "$error"))"
    press "$error" Return
    wait_window "$pid" "$app_title" normal "main window"
    main=$window
    check_main_window "$main"
    # A second error box would come before the window shows; give a late one a moment anyway.
    sleep 1
    only_window "$pid" "$main" "main window after the error box"
    shot wrong-2-main
    pass "after OK the main window opens, with no further error box"
    close_window "$main"
    expect_clean_exit "$pid" "the program"
    check_database "$folder"
    pass "the program ends with status 0; finance.mdb still opens with 1234"
}

scenario_placeholder() {
    scenario="untouched placeholder"
    local folder pid prompt reminder main
    prepare_folder placeholder
    folder=$folder_path

    start_program "$folder" placeholder
    pid=$program_pid
    wait_window "$pid" "$prompt_title" dialog "password prompt"
    prompt=$window
    press "$prompt" Return
    wait_window "$pid" "$app_title" dialog "reminder box"
    reminder=$window
    only_window "$pid" "$reminder" "reminder box"
    shot placeholder-1-reminder
    pass "OK on the placeholder shows a reminder box"
    press "$reminder" Return
    wait_window "$pid" "$prompt_title" dialog "password prompt after the reminder"
    prompt=$window
    only_window "$pid" "$prompt" "password prompt after the reminder"
    pass "after OK on the reminder the prompt comes back"

    scenario="empty password"
    # The placeholder opens selected: one BackSpace empties the line.
    press "$prompt" BackSpace
    press "$prompt" Return
    wait_window "$pid" "$app_title" dialog "reminder box"
    reminder=$window
    only_window "$pid" "$reminder" "reminder box"
    press "$reminder" Return
    wait_window "$pid" "$prompt_title" dialog "password prompt after the reminder"
    prompt=$window
    pass "an empty password shows the reminder and the prompt again"

    scenario="untouched placeholder"
    type_into "$prompt" 1234
    press "$prompt" Return
    wait_window "$pid" "$app_title" normal "main window"
    main=$window
    check_main_window "$main"
    only_window "$pid" "$main" "main window"
    close_window "$main"
    expect_clean_exit "$pid" "the program"
    pass "1234 at the prompt again opens the main window; the program ends with status 0"
}

scenario_grid_edit() {
    scenario="grid edit"
    local folder pid main error confirm rows
    prepare_folder grid
    folder=$folder_path
    (cd "$folder" && timeout 30 sqlcipher -cmd "PRAGMA key='1234';" finance.mdb \
        "insert into spend (日期,類型,摘要,帳戶,金額) values ('2012-01-05','食物','早餐','現金',65);
         insert into spend (日期,類型,摘要,帳戶,金額) values ('2012-01-06','交通','捷運','現金',35);") \
        >"$folder/entries.log" 2>&1 || fail "could not add the entries"

    start_program "$folder" grid
    pid=$program_pid
    log_in_to_main "$pid" 1234
    focus "$main"
    # The expense page, then the amount of the older entry (serial 1, the second row).
    xdo mousemove --window "$main" 153 17 click 1 || fail "could not click the expense tab"
    sleep 0.5
    xdo mousemove --window "$main" 735 339 click 1 || fail "could not click the amount cell"
    sleep 0.5
    press "$main" ctrl+a
    type_into "$main" 12ab
    press "$main" Return
    wait_window "$pid" "$app_title" dialog "error box"
    error=$window
    shot grid-1-error
    press "$error" Return
    sleep 1
    # A second box for the same text would show now.
    only_window "$pid" "$main" "main window after the one error box"
    pass "12ab in an amount cell shows one error box"

    press "$main" Escape
    press "$main" Delete
    wait_window "$pid" "確定刪除嗎? (Y) = 刪除, 否(N) = 保留, 取消 = 不做動作 " dialog "delete confirmation"
    confirm=$window
    shot grid-2-confirm
    press "$confirm" n
    sleep 0.5
    only_window "$pid" "$main" "main window after No"
    close_window "$main"
    expect_clean_exit "$pid" "the program"
    rows=$(cd "$folder" && timeout 30 sqlcipher -cmd "PRAGMA key='1234';" finance.mdb \
        "select group_concat(金額, ',') from (select 金額 from spend order by 流水號);" 2>&1)
    [ "$rows" = "65.0,35.0" ] || [ "$rows" = "65,35" ] || fail "the entries changed: $rows"
    pass "after the box Escape and Delete reach the grid; No keeps the row, nothing was stored"
}

scenario_password_change() {
    scenario="password change"
    local folder pid main message error
    prepare_folder password
    folder=$folder_path

    start_program "$folder" password-1
    pid=$program_pid
    log_in_to_main "$pid" 1234
    focus "$main"
    # 管理, then its 密碼管理 page: the old password, the new one twice, then 變更密碼.
    xdo mousemove --window "$main" 478 17 click 1 || fail "could not click the manage tab"
    sleep 0.5
    xdo mousemove --window "$main" 463 50 click 1 || fail "could not click the password page"
    sleep 0.5
    local field
    for field in "128 1234" "198 my pw" "268 my pw"; do
        xdo mousemove --window "$main" 144 "${field%% *}" click 1 || fail "could not click a password field"
        type_into "$main" "${field#* }"
    done
    xdo mousemove --window "$main" 358 168 click 1 || fail "could not click 變更密碼"
    wait_window "$pid" "$app_title" dialog "message box"
    message=$window
    shot password-1-done
    press "$message" Return
    sleep 0.5
    only_window "$pid" "$main" "main window after the message"
    close_window "$main"
    expect_clean_exit "$pid" "the program"
    pass "the password page changes the password"

    start_program "$folder" password-2
    pid=$program_pid
    log_in_to_main "$pid" "my pw"
    sleep 1
    only_window "$pid" "$main" "main window with the new password"
    close_window "$main"
    expect_clean_exit "$pid" "the program"

    start_program "$folder" password-3
    pid=$program_pid
    log_in "$pid" 1234
    wait_window "$pid" "$app_title" dialog "error box for the old password"
    error=$window
    press "$error" Return
    wait_window "$pid" "$app_title" normal "main window"
    close_window "$window"
    expect_clean_exit "$pid" "the program"
    pass "the next start opens with \"my pw\" and refuses 1234"
}

# The tray icon of process $1: its one small visible window; the id goes in $window.
wait_tray_icon() {
    local pid=$1 seconds deadline id size
    limit "$window_timeout"
    deadline=$((SECONDS + seconds))
    while :; do
        for id in $(windows_of "$pid"); do
            size=$(size_of "$id")
            if [ "${size%x*}" -le 48 ] 2>/dev/null && [ "${size#*x}" -le 48 ] 2>/dev/null; then
                window=$id
                return 0
            fi
        done
        [ "$SECONDS" -ge "$deadline" ] && fail "no tray icon within ${seconds}s"
        sleep 0.2
    done
}

scenario_tray() {
    scenario="tray"
    local folder pid main icon before settings
    prepare_folder tray
    folder=$folder_path
    start_program "$folder" tray
    pid=$program_pid
    log_in_to_main "$pid" 1234
    sleep 1
    # The notification area starts after the program: the icon goes into it all the same.
    trayer --edge top --align right --widthtype pixel --width 120 --height 28 >"$work/trayer.log" 2>&1 &
    trayer_pid=$!
    wait_tray_icon "$pid"
    icon=$window
    pass "a notification area started after the program shows the tray icon"

    focus "$main"
    xdo mousemove --window "$main" 540 17 click 1 || fail "could not click the about tab"
    sleep 0.5
    xdo mousemove --window "$main" 224 100 click 1 || fail "could not click 縮小"
    sleep 1
    [ -z "$(matching_windows "$pid" "$app_title" normal)" ] || fail "縮小 left the main window on screen"
    pass "縮小 hides the main window"

    xdo mousemove --window "$icon" 6 6 click 1 || fail "could not click the tray icon"
    sleep 1
    shot tray-1-menu
    xdo key s || fail "could not pick 顯示(&S)"
    wait_window "$pid" "$app_title" normal "main window shown again"
    main=$window
    pass "a click on the tray icon opens its menu; 顯示(&S) shows the window again"

    focus "$main"
    xdo mousemove --window "$main" 224 100 click 1 || fail "could not click 縮小 again"
    sleep 1
    [ -z "$(matching_windows "$pid" "$app_title" normal)" ] || fail "縮小 left the main window on screen"
    settings="$(dirname "$velloran")/setting.ini"
    before=$(date +%s)
    xdo mousemove --window "$icon" 6 6 click 3 || fail "could not right-click the tray icon"
    sleep 1
    shot tray-2-menu-hidden
    xdo key x || fail "could not pick 關閉(&X)"
    # Within two seconds the program has closed the file, saved the measures, kept a backup and
    # ended, taking its icon with it.
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        alive "$pid" || break
        sleep 0.2
    done
    alive "$pid" && fail "關閉(&X) on the hidden window left the program running after 2s"
    expect_clean_exit "$pid" "the program"
    [ -z "$(windows_of "$pid")" ] || fail "the tray icon stayed after the program ended"
    ls "$folder"/backups/finance-*.mdb >/dev/null 2>&1 || fail "the close from the tray left no backup"
    [ -f "$settings" ] && [ "$(stat -c %Y "$settings")" -ge "$before" ] \
        || fail "the close from the tray did not write $settings"
    check_database "$folder"
    pass "關閉(&X) while hidden ends the program with status 0, a backup and setting.ini written"
}

scenario_windows_file() {
    scenario="Windows-era file"
    local folder pid main count
    folder="$work/jet"
    mkdir -p "$folder" && cp "$jet_fixture" "$folder/finance.mdb" && chmod 600 "$folder/finance.mdb" \
        || fail "cannot copy the Jet file into $folder"
    start_program "$folder" jet
    pid=$program_pid
    log_in_to_main "$pid" 1234
    check_main_window "$main"
    sleep 1
    only_window "$pid" "$main" "main window after the import"
    shot jet-1-main
    pass "1234 opens the Windows-era file in the main window, with no box"
    close_window "$main"
    expect_clean_exit "$pid" "the program"
    cmp -s "$jet_fixture" "$folder/finance.jet.mdb" || fail "finance.jet.mdb is not the Jet file as it was"
    count=$(cd "$folder" && timeout 30 sqlcipher -cmd "PRAGMA key='1234';" finance.mdb \
        "select count(*) from spend; select count(*) from weight where BMI is null;" 2>&1 | tr '\n' ' ')
    [ "$count" = "308 30 " ] || fail "the new finance.mdb does not hold the Jet file's rows: $count"
    ls "$folder"/backups/finance-*.mdb >/dev/null 2>&1 || fail "the close left no backup"
    pass "finance.mdb holds every row, upgraded; finance.jet.mdb is kept; the close made a backup"
}

# --- run ---------------------------------------------------------------------------------

unset DISPLAY WAYLAND_DISPLAY SESSION_MANAGER QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# Keep the program off any session bus of the caller's and stop D-Bus from starting one.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"
export NO_AT_BRIDGE=1

echo "velloran end-to-end run on Xvfb"
start_xvfb
scenario_right_password
scenario_wrong_password
scenario_placeholder
scenario_grid_edit
scenario_password_change
scenario_windows_file
scenario_tray
echo "PASS: all scenarios (${SECONDS}s)"
exit 0
