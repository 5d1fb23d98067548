#!/usr/bin/env bash
# Runs one end-to-end case: a copy of the real program on a private X server, worked with the keyboard,
# and afterwards the bytes of its address list and its settings.
# Usage: run_case.sh <numberwell executable> <case>   (the cases are the case_* functions below)
set -euo pipefail
# Characters, not bytes, for the typed texts and the window titles.
export LC_ALL=C.UTF-8

executable=$(readlink -f "$1")
case_name=$2
here=$(dirname "$(readlink -f "$0")")
start_lists=$here/start
expected=$here/expected

for tool in Xvfb xdotool xwininfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (packages xvfb, xdotool, x11-utils)"
        exit 77
    fi
done

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

# ---- run ----

declare -F "case_$case_name" >/dev/null || { echo "no case named $case_name"; exit 2; }
start_display
"case_$case_name"
echo "$case_name: ok"
