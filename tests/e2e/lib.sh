# Helpers for driving the real program on its own X server, as a person at the keyboard would.
# Sourced by run_case.sh. Every wait is a bounded poll that fails with the thing it waited for.

: "${executable:?run_case.sh names the program to copy}"

WaitSeconds=10
ScreenWidth=1024
ScreenHeight=768

work=
xvfb_pid=
window_manager_pid=
session_manager_pid=
program_pid=
program_log=
main_window=
dialog= # the open modal window
popup=  # the open menu or drop-down list

fail() {
    echo "FAIL: $*"
    if [ -n "$xvfb_pid" ] && ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "--- Xvfb has ended; its output ---"
        cat "$work/xvfb.log"
    fi
    if [ -n "$program_log" ] && [ -s "$program_log" ]; then
        echo "--- program output ---"
        cat "$program_log"
    fi
    exit 1
}

# Functions that undo what a case set up beside the X server, run first at the end.
cleanup_steps=()

cleanup() {
    local step
    for step in "${cleanup_steps[@]}"; do "$step" || true; done
    if [ -n "$program_pid" ]; then
        kill -KILL "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    local pid
    for pid in "$session_manager_pid" "$window_manager_pid"; do
        [ -n "$pid" ] || continue
        kill -TERM "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [ -n "$xvfb_pid" ]; then
        kill -TERM "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if [ -n "$work" ]; then rm -rf "$work"; fi
}

# Polls the command until it succeeds, or until the time is up: false then.
poll() {
    local deadline=$((${EPOCHREALTIME/./} + WaitSeconds * 1000000))
    until "$@"; do
        [ "${EPOCHREALTIME/./}" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# The same, failing the case; the description says what did not happen in time.
wait_for() {
    local description=$1
    shift
    poll "$@" || fail "waited ${WaitSeconds}s: $description"
}

# ---- the X server ----

start_display() {
    work=$(mktemp -d)
    trap cleanup EXIT
    trap 'exit 1' INT TERM HUP
    : >"$work/display"
    # -displayfd picks a free display, so parallel tests never share one. -noreset: the server would
    # otherwise start afresh when its last client leaves, and refuse a program started just then. Its
    # output goes to a file: a pipe held open by it would keep ctest waiting.
    Xvfb -displayfd 3 -screen 0 "${ScreenWidth}x${ScreenHeight}x24" -nolisten tcp -noreset 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    wait_for "Xvfb to report its display number" display_reported
    DISPLAY=:$(head -n 1 "$work/display")
    export DISPLAY
}

# openbox frames every window after it is mapped, as desktop window managers do. With the home of the
# case, so that its own default configuration applies.
start_window_manager() {
    mkdir -p "$work/home"
    HOME="$work/home" openbox >"$work/openbox.log" 2>&1 &
    window_manager_pid=$!
    wait_for "openbox to take charge of the screen" window_manager_running
}

window_manager_running() {
    kill -0 "$window_manager_pid" 2>/dev/null || fail "openbox ended at start: $(cat "$work/openbox.log")"
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

display_reported() {
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb ended at start"
    [ "$(wc -l <"$work/display")" -ge 1 ]
}

# ---- the program ----

# A folder of its own for one installed copy: the program keeps its list beside itself.
make_program_folder() {
    local folder=$work/$1
    mkdir -p "$folder"
    cp "$executable" "$folder/numberwell"
}

# Starts the copy in the named folder with its own home and settings, and waits until its main window
# has the keyboard focus and has run its first activation (the caption changes then).
start_program() {
    launch_program "$1"
    wait_for_main_window
}

# The same where a notice stands over the window at start: it is answered with Enter first.
start_program_past_notice() {
    launch_program "$1"
    wait_for "the notice at start" find_window dialog '^Information( |$)'
    give_focus "$dialog"
    press Return
    wait_for "the notice to close" not visible "$dialog"
    wait_for_main_window
}

launch_program() {
    local folder=$work/$1
    set_program_environment
    program_log=$work/program.log
    # From a neutral folder: the program must find its list by its own location.
    (cd "$work/home" && exec env -i "${program_environment[@]}" "$folder/numberwell" >"$program_log" 2>&1) &
    program_pid=$!
}

# Ends the program at once, as a crash or a power cut would: it saves nothing.
kill_program() {
    kill -KILL "$program_pid"
    wait_for "the program to end" not running
    wait "$program_pid" || true
    program_pid=
}

# The program's whole environment; nothing of the test's own leaks in. No print scheduler unless a
# case starts one.
program_environment=()
set_program_environment() {
    mkdir -p "$work/home" "$work/config" "$work/runtime"
    chmod 700 "$work/runtime"
    program_environment=(PATH="$PATH" DISPLAY="$DISPLAY" HOME="$work/home" XDG_CONFIG_HOME="$work/config"
        XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb
        CUPS_SERVER="${cups_server:-$work/no-scheduler.sock}" ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"})
}

wait_for_main_window() {
    wait_for "the main window to appear" find_window main_window '^Numberwell V'
    # Where no window manager hands out the focus, give it as a click would.
    timeout "$WaitSeconds" xdotool windowfocus --sync "$main_window" ||
        fail "the main window did not take the keyboard focus"
    # Exactly: nothing of the platform's may be added to the program's caption.
    wait_for "the caption \"Numberwell V1.0 \" after the first activation" has_title "$main_window" \
        '^Numberwell V1\.0 $'
}

running() {
    [ -r "/proc/$program_pid/stat" ] && [ "$(awk '{ print $3 }' "/proc/$program_pid/stat")" != Z ]
}

# Waits until the program has ended by itself and checks that it ended normally (where the session
# manager started it, only xsm learns how).
expect_program_end() {
    wait_for "the program to end" not running
    local status=0
    if [ -z "$session_manager_pid" ]; then
        wait "$program_pid" || status=$?
    fi
    program_pid=
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

not() { ! "$@"; }

# ---- windows and focus ----

# Sets the named variable to the program's one visible window whose title matches the pattern.
find_window() {
    local -n found=$1
    local ids
    ids=$(xdotool search --all --onlyvisible --pid "$program_pid" --name "$2" 2>/dev/null) || return 1
    [ "$(wc -l <<<"$ids")" -eq 1 ] || fail "more than one window titled like '$2'"
    # shellcheck disable=SC2034 # a name reference: sets the caller's variable
    found=$ids
}

# Finds the program's visible pop-up (a menu or a drop-down list): the window that bypasses the window
# manager.
find_popup() {
    local id
    for id in $(xdotool search --all --onlyvisible --pid "$program_pid" --name '' 2>/dev/null); do
        if xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes'; then
            popup=$id
            return 0
        fi
    done
    return 1
}

visible() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

has_title() {
    [[ "$(xdotool getwindowname "$1" 2>/dev/null)" =~ $2 ]]
}

give_focus() {
    timeout "$WaitSeconds" xdotool windowfocus --sync "$1" || fail "the window $1 did not take the keyboard focus"
}

has_focus() {
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}

# ---- the keyboard ----

press() {
    xdotool key --delay 20 "$@"
}

# A character the keymap lacks is typed on a key that xdotool borrows and gives back right after: such
# characters go one by one and slowly, so that the program reads the borrowed mapping in time. (Capital
# umlauts come out in lower case that way: leave them out.)
type_text() {
    local text=$1 plain='' character code index
    for ((index = 0; index < ${#text}; ++index)); do
        character=${text:index:1}
        printf -v code %d "'$character"
        if [ "$code" -lt 128 ]; then
            plain+=$character
            continue
        fi
        if [ -n "$plain" ]; then xdotool type --delay 20 "$plain"; fi
        plain=
        xdotool type --delay 150 "$character"
    done
    if [ -n "$plain" ]; then xdotool type --delay 20 "$plain"; fi
}

# Presses the keys that open one of the program's modal windows and waits until it has the focus;
# its id goes to "dialog".
open_dialog() {
    local title=$1
    shift
    press "$@"
    wait_for "a window titled like '$title' after the keys $*" find_window dialog "$title"
    wait_for "the window '$title' to take the keyboard focus" has_focus "$dialog"
}

# Waits for a modal window that the program opened by itself, until it has the focus.
open_dialog_shown() {
    wait_for "a window titled like '$1'" find_window dialog "$1"
    wait_for "the window '$1' to take the keyboard focus" has_focus "$dialog"
}

# Presses the keys that close the open dialog and waits until the main window has the focus again.
close_dialog() {
    press "$@"
    wait_for "the dialog to close after the keys $*" not visible "$dialog"
    wait_for "the main window to get the keyboard focus back after the dialog" has_focus "$main_window"
}

# Presses the keys that open a menu or drop-down list and waits until it shows.
open_popup() {
    press "$@"
    wait_for "a menu or list to open after the keys $*" find_popup
}

close_popup() {
    press "$@"
    wait_for "the menu or list to close after the keys $*" not visible "$popup"
}

# Both ways the menu bar is worked from the keyboard end in the one item of "&Quit".
quit_with_access_keys() {
    open_popup alt+q
    press q
    expect_program_end
}

quit_with_alt_and_arrows() {
    press alt # a lone Alt puts the menu bar in charge
    open_popup Left Down # from the first menu back round to the last one, "&Quit", and open it
    press Return
    expect_program_end
}

# ---- files ----

# Shows lines with their line ends and other bytes visible: \r, \302 and the like.
visible_bytes() {
    LC_ALL=C sed -n l "$1"
}

expect_list() {
    local list=$work/$1/Adressen.txt expected=$2
    [ -f "$list" ] || fail "no Adressen.txt in $1"
    if ! cmp -s "$expected" "$list"; then
        echo "Adressen.txt differs from $expected (- expected, + written):"
        diff <(visible_bytes "$expected") <(visible_bytes "$list") || true
        fail "Adressen.txt holds other bytes than expected"
    fi
}

# The settings of a normal close: the key with all its values, and the given ones as stated.
expect_settings() {
    local file=$work/config/numberwell/user.reg
    [ -f "$file" ] || fail "no settings file at $file"
    [ "$(head -n 1 "$file")" = $'REGEDIT4\r' ] || fail "$file does not start with REGEDIT4: $(head -n 1 "$file")"
    grep -qxF $'[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r' "$file" ||
        fail "$file lacks the key [HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]"
    local name
    for name in left top height width fontsize windowstate combo g1 g2 g3 g4 g5 g6 printsize; do
        grep -q "^\"$name\"=" "$file" || fail "$file lacks the value \"$name\""
    done
    local line
    for line in "$@"; do
        grep -qxF "$line"$'\r' "$file" || fail "$file lacks the line $line; it holds: $(grep -a "^${line%%=*}=" "$file")"
    done
}

# ---- window geometry, as the X server and the window manager have it ----

# "left top width height" of the window's outer rectangle: its client area on the screen grown by the
# frame the window manager says it drew (_NET_FRAME_EXTENTS: left, right, top, bottom), none without one.
outer_geometry() {
    local info left top width height
    info=$(xwininfo -id "$1") || return 1
    left=$(awk '/Absolute upper-left X/ { print $NF }' <<<"$info")
    top=$(awk '/Absolute upper-left Y/ { print $NF }' <<<"$info")
    width=$(awk '/^ *Width:/ { print $NF }' <<<"$info")
    height=$(awk '/^ *Height:/ { print $NF }' <<<"$info")
    local extents=(0 0 0 0)
    local property
    property=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null) || true
    if [[ $property =~ =\ ([0-9]+),\ ([0-9]+),\ ([0-9]+),\ ([0-9]+) ]]; then
        extents=("${BASH_REMATCH[@]:1}")
    fi
    echo "$((left - extents[0])) $((top - extents[2])) $((width + extents[0] + extents[1])) $((height + extents[2] + extents[3]))"
}

has_outer_geometry() {
    [ "$(outer_geometry "$1")" = "$2" ]
}

expect_outer_geometry() {
    poll has_outer_geometry "$1" "$2" ||
        fail "the window's outer rectangle (left top width height) is $(outer_geometry "$1"), not $2"
}

# In the middle of the screen by its outer size, as the program works it out.
centred() {
    local geometry
    read -ra geometry <<<"$(outer_geometry "$1")" || return 1
    [ "${geometry[0]}" -eq $(((ScreenWidth - geometry[2]) / 2)) ] &&
        [ "${geometry[1]}" -eq $(((ScreenHeight - geometry[3]) / 2)) ]
}

expect_centred() {
    poll centred "$1" || fail "the window is not in the middle of the screen: it is at $(outer_geometry "$1")"
}

maximised() {
    xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q '_NET_WM_STATE_MAXIMIZED_VERT.*_NET_WM_STATE_MAXIMIZED_HORZ\|_NET_WM_STATE_MAXIMIZED_HORZ.*_NET_WM_STATE_MAXIMIZED_VERT'
}

# A double click on the title bar, which openbox answers by maximising or restoring the window.
double_click_caption() {
    local geometry top_extent
    read -ra geometry <<<"$(outer_geometry "$1")"
    top_extent=$(xprop -id "$1" _NET_FRAME_EXTENTS | awk -F', ' '{ print $3 }')
    xdotool mousemove $((geometry[0] + geometry[2] / 2)) $((geometry[1] + top_extent / 2)) click --repeat 2 --delay 80 1
}

# ---- settings ----

# A settings file with the given placement and the usual values for the rest.
write_settings() {
    local left=$1 top=$2 width=$3 height=$4 maximised=${5:-0}
    local file=$work/config/numberwell/user.reg ratio=hex:00,00,00,00,00,00,24,40
    mkdir -p "${file%/*}"
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r\n'
        printf '"%s"=dword:%08x\r\n' left $((left & 0xffffffff)) top $((top & 0xffffffff)) \
            height "$height" width "$width" fontsize 8 windowstate "$maximised" combo 0
        printf '"%s"='"$ratio"'\r\n' g1 g2 g3 g4 g5 g6
        printf '"printsize"=dword:00000008\r\n\r\n'
    } >"$file"
}

# The stored value as a signed number.
stored_value() {
    local hex value
    hex=$(grep -a "^\"$1\"=dword:" "$work/config/numberwell/user.reg" | tr -d '\r' | cut -d: -f2) || return 1
    value=$((16#$hex))
    echo $((value >= 0x80000000 ? value - 0x100000000 : value))
}

expect_stored_placement() {
    local stored
    stored="$(stored_value left) $(stored_value top) $(stored_value width) $(stored_value height)"
    [ "$stored" = "$1" ] || fail "the settings hold the placement (left top width height) $stored, not $1"
}

# ---- a session manager: xsm, worked through its own windows ----

# Starts xsm with the program in the named folder as its session's one client, and waits for the main
# window. xsm starts each line of ~/.xsmstartup; the program gets its session from SESSION_MANAGER.
start_program_in_session() {
    local folder=$work/$1
    set_program_environment
    program_log=$work/program.log
    cat >"$work/in-session.sh" <<SCRIPT
#!/bin/sh
echo \$\$ >"$work/program.pid"
cd "$work/home" && exec env -i $(printf '%q ' "${program_environment[@]}") SESSION_MANAGER="\$SESSION_MANAGER" \
    "$folder/numberwell" >"$program_log" 2>&1
SCRIPT
    chmod +x "$work/in-session.sh"
    echo "$work/in-session.sh" >"$work/home/.xsmstartup"
    # The same home and runtime folder as the program's: the ICE authority file is found through them.
    (cd "$work/home" && exec env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$work/home" \
        XDG_RUNTIME_DIR="$work/runtime" xsm >"$work/xsm.log" 2>&1) &
    session_manager_pid=$!
    wait_for "xsm to start the program" test -s "$work/program.pid"
    program_pid=$(cat "$work/program.pid")
    wait_for_main_window
    wait_for "xsm's window" find_session_window session_window '^xsm: '
}

find_session_window() {
    local -n found=$1
    # shellcheck disable=SC2034 # a name reference
    found=$(xdotool search --onlyvisible --pid "$session_manager_pid" --name "$2" 2>/dev/null | head -n 1)
    [ -n "$found" ]
}

# The screen position of the centre of the n-th (from 0) button of an Athena window, in the order its
# widgets were made: xsm's main window has "Client List", "Session Log", "Checkpoint", "Shutdown"; its
# checkpoint and shutdown windows have the session name field as widget 1 and the action as widget 10;
# its report of a failed save has "OK" as widget 2.
widget_centre() {
    xwininfo -tree -id "$1" | awk -v wanted="$2" '
        match($0, /[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ +\+-?[0-9]+\+-?[0-9]+$/) {
            lines[++count] = substr($0, RSTART)
            indent = match($0, /[^ ]/)
            depth[count] = indent
            if (indent > deepest) deepest = indent
        }
        END {
            for (i = 1; i <= count; ++i) if (depth[i] == deepest && n++ == wanted) {
                split(lines[i], parts, /[x+ ]+/)
                print parts[5] + int(parts[1] / 2), parts[6] + int(parts[2] / 2)
            }
        }'
}

click_widget() {
    local position
    read -ra position <<<"$(widget_centre "$1" "$2")"
    xdotool mousemove --sync "${position[0]}" "${position[1]}" click 1
}

# A checkpoint or a shutdown with checkpoint, saving both kinds of state (xsm's "Both": Qt's save request
# and its state request), interaction allowed; the first one names the session.
session_request() {
    local action=$1 request
    if [ "$action" = Checkpoint ]; then
        click_widget "$session_window" 2
    else
        # "Shutdown" is a menu: "With Checkpoint", "Immediately".
        local position
        read -ra position <<<"$(widget_centre "$session_window" 3)"
        xdotool mousemove --sync "${position[0]}" "${position[1]}" mousedown 1
        wait_for "xsm's shutdown menu" find_session_menu
        local menu
        read -ra menu <<<"$(outer_geometry "$popup")"
        xdotool mousemove --sync $((menu[0] + menu[2] / 2)) $((menu[1] + menu[3] / 4)) mouseup 1
    fi
    wait_for "xsm's $action window" find_session_window request "^$action\$"
    if [ "$(xdotool getwindowname "$session_window")" = 'xsm: Default' ]; then
        click_widget "$request" 1
        xdotool windowfocus --sync "$request" type e2e
    fi
    click_widget "$request" 10
}

# xsm's menus carry no process id: the one mapped override-redirect window of some size is the menu.
find_session_menu() {
    local id info
    for id in $(xwininfo -root -children | awk '$1 ~ /^0x/ { print $1 }'); do
        info=$(xwininfo -id "$id" 2>/dev/null) || continue
        if grep -q 'Override Redirect State: yes' <<<"$info" && grep -q 'Map State: IsViewable' <<<"$info" &&
            [ "$(awk '/^ *Width:/ { print $NF }' <<<"$info")" -gt 1 ]; then
            popup=$id
            return 0
        fi
    done
    return 1
}
