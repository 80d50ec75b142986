#!/usr/bin/env bash
# Download throughput against the loopback download server, all in one Wine
# session and from the same server:
#   - the download transport with a record per block through the channel to
#     a receiver that takes them, as the progress dialog does (and its peak
#     memory);
#   - the same transport making no records, to show what the records cost;
#   - a plain WinInet read loop under the same Wine, 64 KiB and 4 KiB reads;
#   - curl from Linux.
# Environment: CORVELA_WIN_BUILD (x64 build, default build/win64),
# BENCH_BYTES (default 1 GiB), BENCH_TIME_LIMIT (seconds per run, default 1800).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVELA_WIN_BUILD:-$root/build/win64}
bytes=${BENCH_BYTES:-1073741824}
limit=${BENCH_TIME_LIMIT:-1800}
source "$root/scripts/wine-session.sh"
require_programs "$build" bench_download bench_wininet_get

wine_session_start
start_server download_server
url="http://127.0.0.1:$DOWNLOAD_SERVER_PORT/file/big?size=$bytes"
mkdir -p "$SESSION_DIR/bench"
file="$SESSION_DIR/bench/big.bin"
target="$(windows_path "$SESSION_DIR/bench")\\big.bin"

# Each run writes the whole file; a short one is reported, then removed.
check_size() {
    local got
    got=$(stat -c %s "$file" 2>/dev/null || echo 0)
    [ "$got" = "$bytes" ] || echo "   (file holds $got of $bytes bytes)"
    rm -f "$file"
}

echo "== $bytes bytes from $url"
run_wine "$limit" "$build/bench_download.exe" "$url" "$target" records || echo "   (download failed)"
check_size
run_wine "$limit" "$build/bench_download.exe" "$url" "$target" no-records || echo "   (download failed)"
check_size
run_wine "$limit" "$build/bench_wininet_get.exe" "$url" 65536 "$target" || echo "   (download failed)"
check_size
run_wine "$limit" "$build/bench_wininet_get.exe" "$url" 4096 "$target" || echo "   (download failed)"
check_size
read -r got seconds < <(curl -sS --max-time "$limit" -o "$file" -w '%{size_download} %{time_total}\n' "$url")
awk -v b="$got" -v s="$seconds" 'BEGIN { printf "curl (Linux): %d bytes in %.2f s = %.1f MiB/s\n", b, s, b / 1048576 / s }'
check_size
