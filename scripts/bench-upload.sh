#!/usr/bin/env bash
# Upload benchmark: one file (1 GiB unless BENCH_BYTES says otherwise) sent to
# the loopback upload server three ways, in one Wine session:
#   a) CHttpUpload (4 KiB blocks, one progress record per block, a receiver
#      window claiming them as the dialog does), with its peak memory;
#   b) curl from Linux, streaming the file;
#   c) a minimal WinInet program under the same Wine, 64 KiB blocks;
#   d) the same program with 4 KiB blocks: the floor under (a), whose blocks
#      are 4 KiB by design.
# Needs the x64 build (CORVELA_WIN_BUILD, default build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVELA_WIN_BUILD:-$root/build/win64}
bytes=${BENCH_BYTES:-1073741824}
source "$root/scripts/wine-session.sh"

for program in bench_upload bench_wininet_post; do
    [ -x "$build/$program.exe" ] || { echo "missing $build/$program.exe: build the x64 tree first"; exit 1; }
done

wine_session_start
start_server upload_server
base="http://127.0.0.1:$UPLOAD_SERVER_PORT"
file="$SESSION_DIR/bench.bin"
echo "== making a file of $bytes bytes"
head -c "$bytes" /dev/urandom > "$file"
expected=$(stat -c %s "$file")

# What the server received for the last request: "<bytes> complete" or "... incomplete".
received() {
    curl -sS "$base/__log" | python3 -c '
import json, sys
entry = json.load(sys.stdin)[-1]
print(entry["body_length"], "complete" if entry["complete"] else "incomplete")'
}

reset() { curl -sS -o /dev/null "$base/__reset"; }

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
