#!/usr/bin/env bash
# Upload benchmark against the loopback upload server, in one Wine session.
#   scripts/bench-upload.sh [large] [small]      (both when none is named)
#
# large: one file (1 GiB unless BENCH_BYTES says otherwise) sent four ways:
#   a) CHttpUpload (4 KiB blocks, one progress record per block, a receiver
#      window taking them from the channel as the dialog does), with its
#      peak memory;
#   b) curl from Linux, streaming the file;
#   c) a minimal WinInet program under the same Wine, 64 KiB blocks;
#   d) the same program with 4 KiB blocks: the floor under (a), whose blocks
#      are 4 KiB by design.
# small: many small files (BENCH_SMALL_FILES of BENCH_SMALL_BYTES, default
#   256 of 64 KiB), each its own request, sent four ways, with the time a
#   file of each and their ratios:
#   a) the control, all files in one batch with the progress dialog hidden;
#   b) a WinInet loop under the same Wine opening and closing its handles
#      for every file, as the control does, 4 KiB blocks;
#   c) curl from Linux, a new process and connection per file;
#   d) the control as in a), with the progress dialog shown.
#   Each runs BENCH_SMALL_ROUNDS times (default 3), in turn; the ratios are
#   of the medians, since a loaded machine's figures scatter.
# Needs the x64 build (CORVELA_WIN_BUILD, default build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVELA_WIN_BUILD:-$root/build/win64}
bytes=${BENCH_BYTES:-1073741824}
small_files=${BENCH_SMALL_FILES:-256}
small_bytes=${BENCH_SMALL_BYTES:-65536}
small_rounds=${BENCH_SMALL_ROUNDS:-3}
cases=${*:-large small}
source "$root/scripts/wine-session.sh"
require_programs "$build" bench_upload bench_wininet_post


wine_session_start
start_server upload_server
base="http://127.0.0.1:$UPLOAD_SERVER_PORT"

# What the server received for the last request: "<bytes> complete" or "... incomplete".
received() {
    curl -sS "$base/__log" | python3 -c '
import json, sys
entry = json.load(sys.stdin)[-1]
print(entry["body_length"], "complete" if entry["complete"] else "incomplete")'
}

reset() { curl -sS -o /dev/null "$base/__reset"; }

# The number of requests the server has seen and how many arrived whole.
requests() {
    curl -sS "$base/__log" | python3 -c '
import json, sys
log = json.load(sys.stdin)
print(len(log), "requests,", sum(entry["complete"] for entry in log), "complete")'
}

# The "<n> ms a file" figure of a line.
per_file() { sed -n 's/.* = \([0-9.]*\) ms a file.*/\1/p'; }

bench_large() {
    file="$SESSION_DIR/bench.bin"
    echo "== making a file of $bytes bytes"
    head -c "$bytes" /dev/urandom > "$file"
    expected=$(stat -c %s "$file")

    echo "== a) CHttpUpload"
    reset
    run_wine 3600 "$build/bench_upload.exe" "$(windows_path "$file")" "$base/ok/bench.asp"
    echo "   server received: $(received) of $expected"

    echo "== b) curl from Linux"
    reset
    curl -sS -o /dev/null -H 'Expect:' -T "$file" -X POST "$base/ok/bench.asp?guid=curl" \
        -w 'curl: %{size_upload} bytes in %{time_total} s\n'
    echo "   server received: $(received) of $expected"

    echo "== c) WinInet, 64 KiB blocks"
    reset
    run_wine 3600 "$build/bench_wininet_post.exe" "$(windows_path "$file")" "$base/ok/bench.asp?guid=wininet" 65536
    echo "   server received: $(received) of $expected"

    echo "== d) WinInet, 4 KiB blocks"
    reset
    run_wine 3600 "$build/bench_wininet_post.exe" "$(windows_path "$file")" "$base/ok/bench.asp?guid=wininet4k" 4096
    echo "   server received: $(received) of $expected"
}

# The median of the numbers given.
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

bench_small() {
    local folder="$SESSION_DIR/small" page="$base/ok/small.asp" line started round
    local control=() loop=() curls=() visible=()
    mkdir -p "$folder"
    echo "== small files: $small_files files of $small_bytes bytes, $small_rounds rounds"
    for i in $(seq -w 1 "$small_files"); do head -c "$small_bytes" /dev/urandom > "$folder/file$i.bin"; done
    for round in $(seq "$small_rounds"); do
        reset
        line=$(run_wine 1800 "$build/bench_upload.exe" --control "$(windows_path "$build/CORVELA.OCX")" \
            "$(windows_path "$folder")" "$page")
        echo "a) $line; server: $(requests)"; control+=("$(echo "$line" | per_file)")

        reset
        line=$(run_wine 1800 "$build/bench_wininet_post.exe" --each "$(windows_path "$folder")" "$page?guid=loop" 4096)
        echo "b) $line; server: $(requests)"; loop+=("$(echo "$line" | per_file)")

        reset
        started=$(date +%s.%N)
        for file in "$folder"/*; do
            curl -sS -o /dev/null -H 'Expect:' -T "$file" -X POST "$page?guid=curl" -w '%{time_total}\n'
        done > "$SESSION_DIR/curl-times"
        curls+=("$(echo "$started $(date +%s.%N) $small_files" | awk '{ printf "%.1f", ($2 - $1) * 1000 / $3 }')")
        echo "c) curl, a process a file: ${curls[-1]} ms a file" \
            "($(awk '{ s += $1 } END { printf "%.1f", s * 1000 / NR }' "$SESSION_DIR/curl-times") ms of it" \
            "inside curl's request); server: $(requests)"

        reset
        line=$(run_wine 1800 "$build/bench_upload.exe" --control "$(windows_path "$build/CORVELA.OCX")" \
            "$(windows_path "$folder")" "$page" visible)
        echo "d) $line; server: $(requests)"; visible+=("$(echo "$line" | per_file)")
    done
    awk -v a="$(median "${control[@]}")" -v b="$(median "${loop[@]}")" -v c="$(median "${curls[@]}")" \
        -v d="$(median "${visible[@]}")" 'BEGIN {
        printf "medians: control %.1f, WinInet loop %.1f, curl %.1f ms a file\n", a, b, c
        printf "ratios: control / WinInet loop %.2f, WinInet loop / curl %.2f\n", a / b, b / c
        printf "visible dialog: %.1f ms a file, %.2f times the hidden one\n", d, d / a }'
}

for case in $cases; do
    case $case in
        large) bench_large ;;
        small) bench_small ;;
        *) echo "unknown case $case (large, small)"; exit 2 ;;
    esac
done
