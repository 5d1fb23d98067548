#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a user gets: the program in a folder of
# its own, the launcher on the PATH, a valid desktop entry, the theme icons, and a start through the
# launcher that runs in the program's folder.
# Usage: install_test.sh <cmake> <build folder>
set -euo pipefail

cmake=$1
build=$2

for tool in desktop-file-validate appstreamcli man; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (packages desktop-file-utils, appstream, man-db)"
        exit 77
    fi
done

work=$(mktemp -d)
prefix=$work/prefix
folder=$prefix/lib/numberwell
launcher=$prefix/bin/numberwell

# The build's manifest names the files of the user's own install, for uninstalling: keep it as it was.
manifest=$build/install_manifest.txt
saved_manifest=
if [ -e "$manifest" ]; then
    saved_manifest=$work/install_manifest.txt
    cp "$manifest" "$saved_manifest"
fi
program_pid=
cleanup() {
    if [ -n "$program_pid" ]; then kill -KILL "$program_pid" 2>/dev/null || true; fi
    if [ -n "$saved_manifest" ]; then cp "$saved_manifest" "$manifest"; else rm -f "$manifest"; fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

"$cmake" --install "$build" --prefix "$prefix"

# ---- layout ----

[[ -f "$folder/numberwell" && -x "$folder/numberwell" ]] || fail "no program at $folder/numberwell"
[ "$(ls -A "$folder")" = numberwell ] || fail "$folder holds more than the program: $(ls -A "$folder")"
if [ -L "$launcher" ]; then
    case "$(readlink "$launcher")" in
    /*) fail "$launcher is an absolute link, the installed tree could not be moved" ;;
    esac
    [ "$(readlink -f "$launcher")" = "$(readlink -f "$folder/numberwell")" ] ||
        fail "$launcher leads to $(readlink -f "$launcher"), not to the program"
else
    fail "$launcher is not a link to the program"
fi

desktop=$prefix/share/applications/numberwell.desktop
if [ -f "$desktop" ]; then
    # Hints and warnings count too: the entry is small enough to be kept spotless.
    report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate rejects the entry"
    [ -z "$report" ] || fail "desktop-file-validate: $report"
    # The entry must name the launcher and the icon that are installed beside it.
    for line in Type=Application Name=Numberwell "Exec=numberwell %f" Icon=numberwell \
        "MimeType=text/vcard;text/x-vcard;text/csv;"; do
        grep -qx "$line" "$desktop" || fail "$desktop lacks the line $line"
    done
else
    fail "no desktop entry at $desktop"
fi

# The software centres' description: valid without looking anything up on the network, naming the
# desktop entry that is installed.
metainfo=$prefix/share/metainfo/org.example.numberwell.metainfo.xml
if [ -f "$metainfo" ]; then
    report=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || fail "appstreamcli rejects $metainfo: $report"
    grep -q '<launchable type="desktop-id">numberwell.desktop</launchable>' "$metainfo" ||
        fail "$metainfo does not launch numberwell.desktop"
else
    fail "no AppStream metainfo at $metainfo"
fi

# The manual page renders without a complaint from the formatter and names every option.
page=$prefix/share/man/man1/numberwell.1
if [ -f "$page" ]; then
    rendered=$(MANWIDTH=80 man -l "$page" 2>"$work/man.err") || fail "man -l cannot show $page"
    [ ! -s "$work/man.err" ] || fail "man -l $page: $(cat "$work/man.err")"
    for option in --import --export --help --version; do
        grep -q -- "$option" <<<"$rendered" || fail "the manual page does not name $option"
    done
else
    fail "no manual page at $page"
fi

icons=$prefix/share/icons/hicolor
grep -q '<svg' "$icons/scalable/apps/numberwell.svg" 2>/dev/null || fail "no scalable icon"
# Width and height from a PNG's header chunk, or nothing when the file is no PNG.
png_size() {
    [ "$(od -An -tx1 -N16 "$1" | tr -d ' \n')" = 89504e470d0a1a0a0000000d49484452 ] || return 0
    od -An -j16 -N8 -tu1 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}
for size in 48 256; do
    png=$icons/${size}x$size/apps/numberwell.png
    if [ -f "$png" ]; then
        [ "$(png_size "$png")" = "$size $size" ] || fail "$png is not a ${size}x$size PNG"
    else
        fail "no icon at $png"
    fi
done

# ---- a start through the launcher ----

running() { [ -r "/proc/$1/stat" ] && [ "$(awk '{ print $3 }' "/proc/$1/stat")" != Z ]; }

mkdir "$work/start" "$work/home" "$work/config"
(cd "$work/start" && HOME=$work/home XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen \
    exec "$launcher" >"$work/program.log" 2>&1) &
program_pid=$!

# The program makes its own folder the working folder at start: that is where it keeps the list.
expected_folder=$(readlink -f "$folder")
for _ in $(seq 100); do
    [ "$(readlink "/proc/$program_pid/cwd" 2>/dev/null)" = "$expected_folder" ] && break
    running "$program_pid" || break
    sleep 0.1
done
if [ "$(readlink "/proc/$program_pid/cwd" 2>/dev/null)" = "$expected_folder" ]; then
    sleep 0.5
    running "$program_pid" || fail "the program ended by itself after start"
else
    fail "the program started through $launcher does not run in $expected_folder"
fi

if running "$program_pid"; then
    kill -TERM "$program_pid"
    for _ in $(seq 100); do
        running "$program_pid" || break
        sleep 0.1
    done
    running "$program_pid" && fail "the program did not end on SIGTERM"
fi
kill -KILL "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=

# A run without changes leaves the list unwritten, and nothing lands where the program was started from.
[ "$(ls -A "$prefix/bin")" = numberwell ] || fail "the run left files beside the launcher: $(ls -A "$prefix/bin")"
[ -z "$(ls -A "$work/start")" ] || fail "the run left files in the start folder: $(ls -A "$work/start")"
[ "$(ls -A "$folder")" = numberwell ] || fail "the run left files beside the program: $(ls -A "$folder")"

if [ "$failures" -gt 0 ]; then
    echo "--- program output ---"
    cat "$work/program.log"
    exit 1
fi
echo "installed layout and start through the launcher: ok"
