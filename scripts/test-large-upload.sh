#!/usr/bin/env bash
# Full-size upload tests, apart from scripts/test.sh because they move 2 GiB:
# a sparse file of 2,122,317,825 bytes (one byte more than a request carries)
# goes as two requests of one file, and a sparse file of 4 GiB fails before
# any request; the reference receiver joins the two requests of such a file
# into one. Prints the time of the large upload and checks that the sparse
# files took almost no disk space. Needs the x64 build (CORVELA_WIN_BUILD,
# default build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVELA_WIN_BUILD:-$root/build/win64}
source "$root/scripts/wine-session.sh"

wine_session_start
start_server upload_server
start_receiver
export RECEIVER_FILES="$(windows_path "$RECEIVER_ROOT")"
mkdir -p "$SESSION_DIR/scratch"
export CORVELA_SCRATCH="$(windows_path "$SESSION_DIR")\\scratch"

failed=0
run_wine 3600 "$build/corvela_win_tests.exe" --gtest_also_run_disabled_tests \
    --gtest_filter='UploadLargeFile.*:ReceiverLargeFile.*:UploadTransport.FailuresBeforeAnyRequestOrRecord' || failed=1

echo "== disk space of the sparse files"
while IFS= read -r file; do
    kib=$(du -k "$file" | cut -f1)
    echo "$(stat -c %s "$file") bytes, $kib KiB on disk: ${file#"$SESSION_DIR"/}"
    [ "$kib" -lt 1024 ] || { echo "   not sparse"; failed=1; }
done < <(find "$SESSION_DIR/scratch" -type f -size +1G)
exit $failed
