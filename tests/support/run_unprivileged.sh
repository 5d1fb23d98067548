#!/usr/bin/env bash
# Runs a test program as the unprivileged user nobody (65534), for the tests of permission faults:
# root passes every permission check, so as root they would have nothing to test. Meant for a suite
# that runs as root, as CI's does; for anyone else the program's ordinary test entries run these tests,
# and this run reports itself skipped (77).
# Usage: run_unprivileged.sh [--data FOLDER]... PROGRAM [ARGUMENT...]
# Each --data folder (test inputs in the source tree) is copied for the program, which finds the copies
# in $NUMBERWELL_TEST_DATA: the source tree may lie where nobody cannot enter either.
set -euo pipefail

if [[ $(id -u) -ne 0 ]]; then
    echo "not root: the ordinary test entries run these tests"
    exit 77
fi

data=()
while [[ ${1:-} == --data ]]; do
    data+=("$2")
    shift 2
done
program=$1
shift
# The build folder may lie where nobody cannot enter (root's home, say), so the program runs as a copy
# in a folder of its own, which also holds its temporary files, home and runtime folder.
area=$(mktemp -d /tmp/numberwell-unprivileged-XXXXXX)
trap 'rm -rf "$area"' EXIT
chmod 755 "$area"
install -m 755 "$program" "$area/"
install -d -m 700 -o 65534 -g 65534 "$area/home"
install -d -m 755 "$area/data"
for folder in "${data[@]}"; do
    cp -r "$folder" "$area/data/"
done
chmod -R a+rX "$area/data"
cd "$area/home"
NUMBERWELL_TEST_DATA=$area/data TMPDIR=$area/home HOME=$area/home XDG_RUNTIME_DIR=$area/home \
    setpriv --reuid=65534 --regid=65534 --clear-groups -- "$area/$(basename "$program")" "$@"
