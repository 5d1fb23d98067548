#!/usr/bin/env bash
# Runs one end-to-end case: a copy of the real program on a private X server, worked with the keyboard,
# and afterwards the bytes of its address list and its settings.
# Usage: run_case.sh <numberwell executable> <case> [plain|openbox]
#   (the cases are the case_* functions below; openbox runs it under a window manager that draws frames)
set -euo pipefail
# Characters, not bytes, for the typed texts and the window titles.
export LC_ALL=C.UTF-8

executable=$(readlink -f "$1")
case_name=$2
mode=${3:-plain}
here=$(dirname "$(readlink -f "$0")")
start_lists=$here/start
expected=$here/expected

for tool in Xvfb xdotool xwininfo xprop $([ "$mode" = openbox ] && echo openbox); do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (packages xvfb, xdotool, x11-utils, openbox)"
        exit 77
    fi
done

# The cases that also run under openbox (tests e2e_openbox_*), and those that run only there.
also_under_openbox="add_by_keys placement_cycles message_boxes_centred"
only_under_openbox="maximised_round_trip print_while_working second_start_to_front"


# shellcheck source=lib.sh
source "$here/lib.sh"

# Puts a start list beside the program copy in the named folder.
place_list() {
    cp "$start_lists/$2" "$work/$1/Adressen.txt"
}

# ---- the cases ----

# F2, the seven fields typed one after the other with Enter, Enter on OK. The new record goes between
# the others by name; the '|' typed into the note is refused, since it would split the record.
case_add_by_keys() {
    make_program_folder p
    place_list p add_by_keys.txt
    start_program p
    open_dialog '^Add( |$)' F2
    type_text 'Müller'
    press Return
    type_text 'Max'
    press Return
    type_text 'Mo'
    press Return
    type_text 'Hauptstr. 1, Köln'
    press Return
    type_text '0221 12 34'
    press Return
    type_text 'max@example.org'
    press Return
    type_text 'a|b'
    press Return # on to OK
    close_dialog Return
    quit_with_access_keys
    expect_list p "$expected/add_by_keys.txt"
    expect_settings '"combo"=dword:00000000' '"windowstate"=dword:00000000'
}

# The Add button on an empty list: a cancelled entry changes nothing, and the first entry fills the blank
# row instead of adding one after it.
case_add_to_empty_list_by_button() {
    make_program_folder p
    place_list p empty.txt
    start_program p
    press Tab Tab # from the search box past the search field to "&Add"
    open_dialog '^Add( |$)' space
    close_dialog Escape
    open_dialog '^Add( |$)' space # the focus came back to the button
    type_text 'Zorro'
    press Return
    type_text 'Zeno'
    close_dialog alt+o
    quit_with_alt_and_arrows
    expect_list p "$expected/add_to_empty_list.txt"
}

# "mo" finds Müller (Ü sorts after O), and F4 changes that record: a new name moves it to the end, the
# telephone field is replaced, and every other field is written back as it was.
case_change_found_row() {
    make_program_folder p
    place_list p change_found_row.txt
    start_program p
    type_text 'mo'
    open_dialog '^Change( |$)' F4
    press ctrl+a
    type_text 'Zander'
    press Return Return Return Return # on to "Tel / Fax", which Enter selects whole
    type_text '99 88'
    press Return Return Return # on to OK
    close_dialog Return
    quit_with_access_keys
    expect_list p "$expected/change_found_row.txt"
}

# "ne" finds Neumann. The question answered with Escape keeps it; answered with Enter, it goes and the
# record after it, the last one, is the selected one that the next delete takes.
case_delete_found_row() {
    make_program_folder p
    place_list p delete_found_row.txt
    start_program p
    type_text 'ne'
    open_dialog '^Best.+tigung( |$)' F3
    close_dialog Escape
    open_dialog '^Best.+tigung( |$)' F3
    close_dialog Return
    open_dialog '^Best.+tigung( |$)' F3
    close_dialog Return
    quit_with_access_keys
    expect_list p "$expected/delete_found_row.txt"
}

# A run in which every command was cancelled leaves the list as it was, byte for byte, even where the
# program would write it differently.
case_unchanged_run_keeps_file() {
    make_program_folder p
    place_list p unusual_line_ends.txt
    start_program p
    type_text 'b'
    open_dialog '^Best.+tigung( |$)' F3
    close_dialog Escape
    open_dialog '^Add( |$)' F2
    type_text 'Nobody'
    close_dialog Escape
    open_dialog '^Change( |$)' F4
    close_dialog alt+a # "&Abbrechen"
    quit_with_alt_and_arrows
    expect_list p "$start_lists/unusual_line_ends.txt"
    expect_settings '"combo"=dword:00000000'
}

# Without a list the example record stands in; looked at and left alone, it is not written, and the
# write probe leaves nothing behind either.
case_no_list_stays_absent() {
    make_program_folder p
    start_program p
    open_dialog '^Change( |$)' F4
    close_dialog Escape
    quit_with_access_keys
    [ "$(ls -A "$work/p")" = numberwell ] || fail "the run left files beside the program: $(ls -A "$work/p")"
    expect_settings '"combo"=dword:00000000'
}

# "Search Tel / Fax:" picked from the drop-down list re-sorts by telephone and searches there; the
# choice is stored, so the next run places a new record by its telephone entry too.
case_search_field_by_dropdown() {
    make_program_folder p
    place_list p four_by_name.txt
    start_program p
    press Tab # the search field
    open_popup alt+Down
    close_popup Down Down Down Down Return
    wait_for "the search box to get the focus back from the search field" has_focus "$main_window"
    type_text '555'
    open_dialog '^Best.+tigung( |$)' F3
    close_dialog Return
    quit_with_access_keys
    expect_list p "$expected/search_field_by_dropdown.txt"
    expect_settings '"combo"=dword:00000004'

    start_program p
    open_dialog '^Add( |$)' F2
    type_text 'Berg'
    press Return Return Return Return
    type_text '500'
    press Return Return Return
    close_dialog Return
    quit_with_access_keys
    expect_list p "$expected/search_field_after_restart.txt"
    expect_settings '"combo"=dword:00000004'
}

# An arrow key on the closed search field picks the next field at once: the list is sorted by first name.
case_search_field_by_arrow_keys() {
    make_program_folder p
    place_list p four_by_name.txt
    start_program p
    press Tab Down
    quit_with_alt_and_arrows
    expect_list p "$expected/search_field_by_arrow_keys.txt"
    expect_settings '"combo"=dword:00000001'
}

# A request to end from outside (log-off, kill, Ctrl+C in a terminal) saves like a close. With the
# entry dialog open, the entry not yet confirmed is not part of what is saved.
end_by_signal() {
    local signal=$1 dialog_open=$2
    make_program_folder p
    place_list p three_by_name.txt
    start_program p
    open_dialog '^Best.+tigung( |$)' F3
    close_dialog Return
    if [ "$dialog_open" = with-dialog ]; then
        open_dialog '^Add( |$)' F2
        type_text 'Dora'
    fi
    kill -s "$signal" "$program_pid"
    expect_program_end
    expect_list p "$expected/after_signal.txt"
    expect_settings
}

case_sigterm() { end_by_signal TERM no-dialog; }
case_sighup() { end_by_signal HUP no-dialog; }
case_sigint() { end_by_signal INT no-dialog; }
case_sigterm_during_entry_dialog() { end_by_signal TERM with-dialog; }

# ---- a crash loses nothing ----

# An Add, a Change and a Delete, then the program is killed outright: the list on disk is still the old
# one, and the journal beside it holds the three changes.
three_changes_then_killed() {
    make_program_folder p
    place_list p four_by_name.txt
    start_program p
    open_dialog '^Add( |$)' F2
    type_text 'Berg'
    close_dialog alt+o
    type_text 'na' # Nagel
    open_dialog '^Change( |$)' F4
    press ctrl+a
    type_text 'Otto'
    close_dialog alt+o
    press ctrl+a
    type_text 'zo' # Zorn
    open_dialog '^Best.+tigung( |$)' F3
    close_dialog Return
    kill_program
    expect_list p "$start_lists/four_by_name.txt"
    [ -s "$work/p/Adressen.journal" ] || fail "no journal beside the list after three changes"
}

# The next start shows the three, says so, and the close saves them.
case_crash_recovered() {
    three_changes_then_killed
    start_program_past_notice p
    quit_with_access_keys
    expect_list p "$expected/crash_recovered.txt"
    [ ! -e "$work/p/Adressen.journal" ] || fail "the journal is still there after the save"
}

# The crash tore the last entry (the Delete) half-way: it is dropped, the two before it are kept.
case_crash_torn_entry() {
    three_changes_then_killed
    truncate -s -5 "$work/p/Adressen.journal"
    start_program_past_notice p
    quit_with_access_keys
    expect_list p "$expected/crash_torn_entry.txt"
}

# Another program wrote the list after the crash: the changes are not made on a list they were not made
# on, but kept under a dated name, and the user is told; the other program's list stays as it is.
case_crash_then_list_changed() {
    three_changes_then_killed
    cp "$start_lists/three_by_name.txt" "$work/p/Adressen.txt"
    touch -d '+5 seconds' "$work/p/Adressen.txt"
    start_program_past_notice p
    quit_with_access_keys
    expect_list p "$start_lists/three_by_name.txt"
    compgen -G "$work/p/Adressen [0-9]*.journal" >/dev/null || fail "no dated journal kept: $(ls "$work/p")"
}

# ---- on a desktop: placement, message boxes, printing, the session ----

# Start and quit five times: the window stands where the settings say, by its outer rectangle, and the
# settings say the same afterwards. Each row: the stored placement and where the window then stands.
case_placement_cycles() {
    make_program_folder p
    place_list p three_by_name.txt
    # No settings yet: the layout's outer size, centred by it.
    start_program p
    expect_outer_geometry "$main_window" "$(((ScreenWidth - 640) / 2)) $(((ScreenHeight - 261) / 2)) 640 261"
    quit_with_access_keys
    expect_stored_placement "$(((ScreenWidth - 640) / 2)) $(((ScreenHeight - 261) / 2)) 640 261"
    local row stored placed cycle
    for row in "100 80 700 300: 100 80 700 300" \
        "-20 40 500 250: -20 40 500 250" \
        "$ScreenWidth $ScreenHeight 600 280: 446 586 600 280"; do
        stored=${row%%:*}
        placed=${row#*: }
        # shellcheck disable=SC2086 # four numbers
        write_settings $stored
        for cycle in 1 2 3 4 5; do
            start_program p
            expect_outer_geometry "$main_window" "$placed"
            quit_with_access_keys
            expect_stored_placement "$placed"
        done
    done
}

# A second start for the same list, as a click in the menu or "open with" makes it: the minimised
# window comes back with the keyboard, takes the file's contacts with its notice, and the second start
# ends; nothing else opens.
case_second_start_to_front() {
    make_program_folder p
    place_list p three_by_name.txt
    start_program p
    xdotool windowminimize "$main_window"
    wait_for "the window to be minimised" not visible "$main_window"
    printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nN:Zander;Zoe;;;\r\nEND:VCARD\r\n' >"$work/home/new.vcf"
    (cd "$work/home" && exec env -i "${program_environment[@]}" DESKTOP_STARTUP_ID="e2e-second_TIME0" \
        "$work/p/numberwell" new.vcf >"$work/second.log" 2>&1) &
    local second=$!
    wait_for "the window to come back" visible "$main_window"
    open_dialog_shown '^Information$'
    close_dialog Return
    wait_for "the second start to end" not kill -0 "$second" 2>/dev/null
    wait "$second" || fail "the second start ended with status $?: $(cat "$work/second.log")"
    quit_with_access_keys
    grep -q '^Zander|Zoe|' "$work/p/Adressen.txt" || fail "the contact did not reach the list"
}

# The About message, the delete question and an error box stand in the middle of the screen while the
# main window is near its corner; the error box carries the program's name.
case_message_boxes_centred() {
    make_program_folder p
    place_list p three_by_name.txt
    write_settings 20 30 640 261
    start_program p
    open_dialog '^Information$' alt+i a
    expect_centred "$dialog"
    close_dialog Return
    open_dialog '^Best.+tigung$' F3
    expect_centred "$dialog"
    close_dialog Escape
    open_dialog '^numberwell$' F8 # no printer: "Zur Zeit ist kein Standard-Drucker gewählt."
    expect_centred "$dialog"
    close_dialog Return
    quit_with_access_keys
    expect_list p "$start_lists/three_by_name.txt"
}

# Maximised by the window manager and closed: the next start opens maximised, and restoring it then
# gives a window of sane size on the screen, whose rectangle the close stores.
case_maximised_round_trip() {
    make_program_folder p
    write_settings 100 80 700 300
    start_program p
    double_click_caption "$main_window"
    wait_for "openbox to maximise the window" maximised "$main_window"
    local outer
    outer=$(outer_geometry "$main_window")
    quit_with_access_keys
    expect_settings '"windowstate"=dword:00000001'
    expect_stored_placement "$outer"

    start_program p
    wait_for "the window to open maximised" maximised "$main_window"
    double_click_caption "$main_window"
    wait_for "openbox to restore the window" not maximised "$main_window"
    local geometry
    read -ra geometry <<<"$(outer_geometry "$main_window")"
    [ "${geometry[2]}" -ge 200 ] && [ "${geometry[2]}" -le "$ScreenWidth" ] &&
        [ "${geometry[3]}" -ge 100 ] && [ "${geometry[3]}" -le "$ScreenHeight" ] ||
        fail "restored to ${geometry[*]}: not a sane size on a ${ScreenWidth}x$ScreenHeight screen"
    outer=$(outer_geometry "$main_window")
    quit_with_access_keys
    expect_settings '"windowstate"=dword:00000000'
    expect_stored_placement "$outer"
}

# A list long enough for a print of some seconds, through a print queue of our own: the progress dialog
# shows without taking the keyboard, the menus open meanwhile, a second print is refused; a print
# cancelled in the progress dialog sends no job.
case_print_while_working() {
    local queue=$work/q status=0 variables
    variables=$(bash "$here/../print/cups-pdf-queue.sh" start "$queue") || status=$?
    if [ "$status" -eq 77 ]; then
        echo "SKIP: no print queue on this machine"
        exit 77
    fi
    [ "$status" -eq 0 ] || fail "the print queue did not start"
    cleanup_steps+=(stop_queue)
    cups_server=$(sed -n 's/^CUPS_SERVER=//p' <<<"$variables")

    make_program_folder p
    awk 'BEGIN { for (row = 0; row < 40000; ++row) printf "Name%05d|First|||555 %d||\r\n", row, row }' \
        >"$work/p/Adressen.txt"
    start_program p
    open_dialog '^Print' F8
    close_dialog Return
    wait_for "the progress dialog" find_window progress '^Address list$'
    has_focus "$main_window" || fail "the progress dialog took the keyboard"
    open_popup alt+q
    close_popup Escape
    open_dialog '^numberwell$' F8 # "Das Drucken ist im Gang."
    close_dialog Return
    WaitSeconds=120 wait_for "the job in the queue's log" jobs_logged 1
    wait_for "the progress dialog to close" not visible "$progress"

    open_dialog '^Print' F8
    close_dialog Return
    wait_for "the progress dialog" find_window progress '^Address list$'
    xdotool windowactivate --sync "$progress"
    press Escape
    wait_for "the progress dialog to close on Escape" not visible "$progress"
    [ "$(CUPS_SERVER=$cups_server lpstat -W all -o | wc -l)" -eq 1 ] ||
        fail "the cancelled print reached the queue: $(CUPS_SERVER=$cups_server lpstat -W all -o)"
    quit_with_access_keys
}

stop_queue() {
    bash "$here/../print/cups-pdf-queue.sh" stop "$work/q" >/dev/null 2>&1
}

jobs_logged() {
    [ -f "$work/q/log/page_log" ] && [ "$(grep -c ' Address list$' "$work/q/log/page_log")" -eq "$1" ]
}

# A log-off through a real session manager. Its save request stores the change and the program goes on;
# a log-off whose save fails is cancelled after the error box, and the program goes on; a log-off that
# goes ahead ends the program with everything saved.
case_log_off_through_session_manager() {
    command -v xsm >/dev/null && command -v iceauth >/dev/null ||
        { echo "SKIP: xsm or iceauth is missing (packages x11-session-utils, x11-xserver-utils)"; exit 77; }
    make_program_folder p
    place_list p three_by_name.txt
    start_program_in_session p
    open_dialog '^Best.+tigung( |$)' F3
    close_dialog Return
    session_request Checkpoint
    wait_for "the checkpoint to save the list" cmp -s "$work/p/Adressen.txt" "$expected/after_signal.txt"
    expect_settings
    give_focus "$main_window" # back from xsm's windows, as a click would
    open_dialog '^Add( |$)' F2 # still running, and answering
    close_dialog Escape

    # A folder where the list should go: the save fails.
    mv "$work/p/Adressen.txt" "$work/list"
    mkdir "$work/p/Adressen.txt"
    session_request Shutdown
    wait_for "the error box" find_window dialog '^numberwell$'
    give_focus "$dialog"
    close_dialog Return
    wait_for "xsm to report the save that failed" find_session_window report '^Save Failure$'
    click_widget "$report" 2
    give_focus "$main_window"
    open_dialog '^Add( |$)' F2 # the log-off was cancelled: still running
    close_dialog Escape

    rmdir "$work/p/Adressen.txt"
    mv "$work/list" "$work/p/Adressen.txt"
    session_request Shutdown
    expect_program_end
    expect_list p "$expected/after_signal.txt"
}

# ---- run ----

declare -F "case_$case_name" >/dev/null || { echo "no case named $case_name"; exit 2; }
start_display
if [ "$mode" = openbox ]; then start_window_manager; fi
"case_$case_name"
echo "$case_name ($mode): ok"
