# Helpers for driving the real program on its own X server, as a person at the keyboard would.
# Sourced by run_case.sh. Every wait is a bounded poll that fails with the thing it waited for.

: "${executable:?run_case.sh names the program to copy}"

WaitSeconds=10

work=
xvfb_pid=
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

cleanup() {
    if [ -n "$program_pid" ]; then
        kill -KILL "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill -TERM "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if [ -n "$work" ]; then rm -rf "$work"; fi
}

# Polls the command until it succeeds; the description says what did not happen in time.
wait_for() {
    local description=$1
    shift
    local deadline=$((${EPOCHREALTIME/./} + WaitSeconds * 1000000))
    until "$@"; do
        [ "${EPOCHREALTIME/./}" -lt "$deadline" ] || fail "waited ${WaitSeconds}s: $description"
        sleep 0.05
    done
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
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    wait_for "Xvfb to report its display number" display_reported
    DISPLAY=:$(head -n 1 "$work/display")
    export DISPLAY
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
    local folder=$work/$1
    mkdir -p "$work/home" "$work/config" "$work/runtime"
    chmod 700 "$work/runtime"
    program_log=$work/program.log
    # From a neutral folder: the program must find its list by its own location.
    (cd "$work/home" && exec env -i PATH="$PATH" DISPLAY="$DISPLAY" HOME="$work/home" \
        ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8 \
        QT_QPA_PLATFORM=xcb "$folder/numberwell" >"$program_log" 2>&1) &
    program_pid=$!
    wait_for "the main window to appear" find_window main_window '^Numberwell Version 1\.0'
    # There is no window manager to hand out the focus: give it as a click would.
    timeout "$WaitSeconds" xdotool windowfocus --sync "$main_window" ||
        fail "the main window did not take the keyboard focus"
    # Exactly: nothing of the platform's may be added to the program's caption.
    wait_for "the caption \"Numberwell V1.0 \" after the first activation" has_title "$main_window" \
        '^Numberwell V1\.0 $'
}

running() {
    [ -r "/proc/$program_pid/stat" ] && [ "$(awk '{ print $3 }' "/proc/$program_pid/stat")" != Z ]
}

# Waits until the program has ended by itself and checks that it ended normally.
expect_program_end() {
    wait_for "the program to end" not running
    local status=0
    wait "$program_pid" || status=$?
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
