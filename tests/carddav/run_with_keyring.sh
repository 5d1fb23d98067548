#!/usr/bin/env bash
# Runs a program with a secret service of its own: a session bus from dbus-run-session and gnome-keyring
# unlocked on it, in a throwaway HOME and without a display (a locked keyring would prompt on a display
# and wait forever). The bus and the keyring end with the program.
set -euo pipefail
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_RUNTIME_DIR=$home/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
status=0
dbus-run-session -- sh -c 'printf pw | gnome-keyring-daemon --unlock --components=secrets >/dev/null && "$@"' \
    keyring "$@" || status=$?
exit "$status"
