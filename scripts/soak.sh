#!/usr/bin/env bash
# Soak: one control in one process runs SOAK_BATCHES batches (default 1,000)
# against the loopback servers: uploads and downloads in turn, a tenth of
# them refused by the server, a tenth cut off mid-body, a tenth cancelled by
# closing the dialog, some with the dialog hidden, some in Korean, every
# tenth download opened with a registered program, while the page keeps
# filling and emptying the file list. Prints the process's kernel handles,
# GDI and USER objects, private bytes and heap bytes in use at the start,
# every 100 batches and at the end, and how many programs were started.
# Needs the x64 build (CORVELA_WIN_BUILD, default build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVELA_WIN_BUILD:-$root/build/win64}
batches=${SOAK_BATCHES:-1000}
source "$root/scripts/wine-session.sh"
require_programs "$build" soak record_command_line

wine_session_start
start_server upload_server
start_server download_server
mkdir -p "$SESSION_DIR/soak"
launches="$SESSION_DIR/soak/launches.log"
: > "$launches"
# The files and the cache on the prefix's own drive: on Wine's drive of the
# host's root the control writes no file that could run code.
mkdir -p "$WINEPREFIX/drive_c/corvela-soak/cache"

# Files of type .cvs open with a program that notes its command line.
launcher="$(windows_path "$build/record_command_line.exe")"
timeout 60 wine reg add 'HKCR\.cvs' /ve /d 'CorvelaSoak.File' /f > /dev/null 2>&1
timeout 60 wine reg add 'HKCR\CorvelaSoak.File\shell\open\command' /ve /d "\"$launcher\" \"%1\"" /f > /dev/null 2>&1

echo "== $batches batches in one control"
status=0
CORVELA_LAUNCH_LOG="$(windows_path "$SESSION_DIR/soak")\\launches.log" \
    run_wine $((60 + batches * 3)) "$build/soak.exe" "$(windows_path "$build/CORVELA.OCX")" \
    "http://127.0.0.1:$UPLOAD_SERVER_PORT" "http://127.0.0.1:$DOWNLOAD_SERVER_PORT" \
    'C:\corvela-soak' "$batches" || status=$?
timeout 60 wineserver -w || true
echo "programs started for opened downloads: $(wc -l < "$launches")"
exit "$status"
