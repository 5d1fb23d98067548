#!/usr/bin/env bash
# A private print queue for tests: a cupsd of its own with one cups-pdf printer "PDF" as the default,
# listening only on a Unix socket inside FOLDER, so a system cupsd is never touched.
#
# Usage:
#   cups-pdf-queue.sh start FOLDER
#       Starts cupsd with its configuration, spool, logs and socket under FOLDER (created if missing;
#       keep its path short: the socket path must fit in 107 bytes), adds the printer "PDF", enables it
#       and makes it the default. Prints the variables a client needs, for
#       eval "$(cups-pdf-queue.sh start FOLDER)":
#           CUPS_SERVER=FOLDER/cups.sock   the socket; libcups, lp, lpstat and Qt all honour it
#           PDF_OUT=FOLDER/out             where cups-pdf writes each finished job, as
#                                          <document title>-job_<id>.pdf (spaces become underscores)
#       The scheduler logs one line per finished job in FOLDER/log/page_log:
#           job-<id> total <pages> <job title as the queue shows it>
#       and keeps each job's document as the program handed it over in FOLDER/spool/d<id>-001 (the id
#       in five digits). Read text from that one: on the way to cups-pdf the text passes through
#       PostScript and loses its character mapping, so pdftotext finds none in the output PDFs.
#       A job that fails is aborted, so that the jobs after it still print.
#   cups-pdf-queue.sh stop FOLDER
#       Stops that cupsd (and only that one) and removes the backend configuration it added. Safe to
#       repeat; FOLDER itself is left to the caller.
#
# Exit status: 0 done, 77 this machine cannot run the queue (cupsd or cups-pdf missing, not root: the
# cups-pdf backend runs only as root and reads its configuration from /etc/cups), 1 any other failure.
# Messages go to standard error; FOLDER/log/error_log holds the scheduler's log.
#
# cups-pdf has no switch for another configuration folder, but for a device URI cups-pdf:/NAME it reads
# /etc/cups/cups-pdf-NAME.conf instead of the system's cups-pdf.conf. Each queue gets its own NAME, so
# the system's settings stay as they are.
set -euo pipefail
# cupsd and lpadmin live in sbin, which a non-login PATH may lack.
PATH=$PATH:/usr/sbin:/sbin

readonly PrinterName=PDF
readonly Ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
readonly Backend=/usr/lib/cups/backend/cups-pdf
readonly StartTimeout=20

fail() {
    echo "cups-pdf-queue: $*" >&2
    exit 1
}

cannotRun() {
    echo "cups-pdf-queue: $*" >&2
    exit 77
}

checkMachine() {
    command -v cupsd >/dev/null || cannotRun "cupsd is not installed (Debian package cups-daemon)"
    command -v lpadmin >/dev/null || cannotRun "lpadmin is not installed (Debian package cups-client)"
    [[ -e $Backend && -f $Ppd ]] || cannotRun "cups-pdf is not installed (Debian package printer-driver-cups-pdf)"
    [[ $(id -u) -eq 0 ]] || cannotRun "must run as root: the cups-pdf backend refuses to run otherwise"
}

writeConfig() {
    local folder=$1
    mkdir -p "$folder"/{etc,spool/tmp,cache,state,log,out,cups-pdf/spool,cups-pdf/anonymous,cups-pdf/tmp}
    # The filters run as user lp and must reach the spool.
    chmod 0755 "$folder"

    cat >"$folder/etc/cups-files.conf" <<EOF
ServerRoot $folder/etc
RequestRoot $folder/spool
TempDir $folder/spool/tmp
CacheDir $folder/cache
StateDir $folder/state
ErrorLog $folder/log/error_log
AccessLog $folder/log/access_log
PageLog $folder/log/page_log
LogFileGroup root
SystemGroup root
ServerBin /usr/lib/cups
DataDir /usr/share/cups
EOF
    cat >"$folder/etc/cupsd.conf" <<EOF
Listen $folder/cups.sock
Printcap $folder/printcap
PageLogFormat job-%j %P %C %{job-name}
ErrorPolicy abort-job
PreserveJobFiles Yes
LogLevel info
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
}

backendConfigFor() { echo "/etc/cups/cups-pdf-$1.conf"; }

writeBackendConfig() {
    local folder=$1 device=$2
    cat >"$(backendConfigFor "$device")" <<EOF
Out $folder/out
Spool $folder/cups-pdf/spool
AnonDirName $folder/cups-pdf/anonymous
GSTmp $folder/cups-pdf/tmp
Log $folder/log
Label 2
UserUMask 0022
EOF
}

waitForScheduler() {
    local deadline=$((SECONDS + StartTimeout))
    until [[ $(LC_ALL=C lpstat -r 2>/dev/null) == "scheduler is running" ]]; do
        kill -0 "$1" 2>/dev/null || fail "cupsd ended at start; see $2/log/error_log"
        ((SECONDS < deadline)) || fail "cupsd did not answer within $StartTimeout s"
        sleep 0.2
    done
}

start() {
    local folder=$1
    checkMachine
    mkdir -p "$folder"
    folder=$(cd "$folder" && pwd)
    [[ ! -e $folder/cupsd.pid ]] || fail "a queue is already running in $folder"
    local socket=$folder/cups.sock
    ((${#socket} < 108)) || fail "socket path too long: $socket"

    # Unique per queue, so that queues of parallel test runs keep their own backend configuration.
    local device
    device=numberwell-$(basename "$folder" | tr -c 'A-Za-z0-9\n' '-')-$$
    # From here on a failure takes down what was set up; the folder is expanded now, on purpose.
    # shellcheck disable=SC2064
    trap "stop $(printf %q "$folder")" EXIT
    echo "$device" >"$folder/device"
    writeConfig "$folder"
    writeBackendConfig "$folder" "$device"

    setsid cupsd -f -c "$folder/etc/cupsd.conf" -s "$folder/etc/cups-files.conf" \
        </dev/null >"$folder/log/cupsd.out" 2>&1 &
    local pid=$!
    echo "$pid" >"$folder/cupsd.pid"

    export CUPS_SERVER=$socket
    unset LPDEST PRINTER
    waitForScheduler "$pid" "$folder"
    # lpadmin warns that printer drivers are deprecated; that is no failure.
    lpadmin -p "$PrinterName" -E -v "cups-pdf:/$device" -P "$Ppd" 2>/dev/null ||
        fail "lpadmin could not add $PrinterName"
    lpadmin -d "$PrinterName" || fail "lpadmin could not make $PrinterName the default"
    trap - EXIT
    echo "CUPS_SERVER=$socket"
    echo "PDF_OUT=$folder/out"
}

stop() {
    local folder=$1
    [[ -d $folder ]] || return 0
    folder=$(cd "$folder" && pwd)
    if [[ -f $folder/cupsd.pid ]]; then
        local pid
        pid=$(<"$folder/cupsd.pid")
        # Only the cupsd of this folder, should the number have passed to another process.
        if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "$folder/etc/cupsd.conf" &&
            kill "$pid" 2>/dev/null; then
            local deadline=$((SECONDS + StartTimeout))
            while kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)); do
                sleep 0.2
            done
            kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
        fi
        rm -f "$folder/cupsd.pid"
    fi
    if [[ -f $folder/device ]]; then
        rm -f "$(backendConfigFor "$(<"$folder/device")")"
        rm -f "$folder/device"
    fi
}

usage() {
    echo "usage: $0 start FOLDER | stop FOLDER" >&2
    exit 2
}

[[ $# -eq 2 ]] || usage
case $1 in
start) start "$2" ;;
stop) stop "$2" ;;
*) usage ;;
esac
