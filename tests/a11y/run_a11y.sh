#!/usr/bin/env bash
# Starts the real program on its own X server with the accessibility bus of a private session bus, and
# reads its tree with a11y_tree.py through AT-SPI, as a screen reader would.
# Usage: run_a11y.sh <numberwell executable>
set -euo pipefail
export LC_ALL=C.UTF-8

executable=$(readlink -f "$1")
here=$(dirname "$(readlink -f "$0")")

for tool in Xvfb xdotool dbus-daemon; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (packages xvfb, xdotool, dbus)"
        exit 77
    fi
done
if ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || [ ! -x /usr/libexec/at-spi-bus-launcher ]; then
    echo "SKIP: AT-SPI is missing (packages at-spi2-core, python3-pyatspi)"
    exit 77
fi

work=$(mktemp -d)
xvfb_pid=
bus_pid=
program_pid=
cleanup() {
    local pid
    for pid in "$program_pid" "$bus_pid" "$xvfb_pid"; do
        [ -n "$pid" ] || continue
        kill -TERM "$pid" 2>/dev/null || true
        # Not our child when dbus-daemon forked: wait for it by its pid.
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not report its display"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")

# The accessibility bus starts on demand from this bus; it ends with it.
dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$work/bus"
export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$work/bus")
bus_pid=$(sed -n 2p "$work/bus")

mkdir -p "$work/p" "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cp "$executable" "$work/p/numberwell"
printf 'Adams|Bea|B.|Hauptstr. 1, Trier|0651 4711|bea@example.org|Geb. 1.2.\r\nZuse|Konrad|||||\r\n' \
    >"$work/p/Adressen.txt"
(cd "$work/home" && exec env HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$work/p/numberwell" >"$work/program.log" 2>&1) &
program_pid=$!

status=0
timeout 100 /usr/bin/python3 "$here/a11y_tree.py" "$program_pid" || status=$?
if [ "$status" -ne 0 ]; then
    echo "--- program output ---"
    cat "$work/program.log"
fi
exit "$status"
