#!/usr/bin/env bash
# Runs the Windows test suite, the script tests and the page host's test
# pages under Wine, against the x64 build, in a private prefix and display
# with the loopback servers and the reference receiver.
# Extra arguments go to the test program (e.g. --gtest_filter=Upload*).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVELA_WIN_BUILD:-$root/build/win64}
source "$root/scripts/wine-session.sh"

wine_session_start
start_server upload_server
start_server download_server
start_receiver
export RECEIVER_FILES="$(windows_path "$RECEIVER_ROOT")"
# A receiver that reads uploads slowly, so a test can act while a body is on
# its way, and the log it keeps of each request.
start_named_receiver SLOW_RECEIVER --read-rate 8000000
export SLOW_RECEIVER_REQUESTS="$(windows_path "$SLOW_RECEIVER_LOG")"
export CORVELA_SCRATCH="$(windows_path "$SESSION_DIR")\\scratch"
mkdir -p "$SESSION_DIR/scratch"
# A drive that Wine reports as remote (a network drive), for the tests of
# where downloads may go: a folder of the session, mapped as R:. Wine reads
# the drive's type when its services start, so they start again after it.
mkdir -p "$SESSION_DIR/remote-drive"
ln -s "$SESSION_DIR/remote-drive" "$WINEPREFIX/dosdevices/r:"
timeout 60 wine reg add 'HKLM\Software\Wine\Drives' /v r: /d network /f > /dev/null 2>&1
timeout 60 wineserver -w
export CORVELA_REMOTE_DRIVE="R:"
# Small disks for the disk tests, where this machine lets us mount them: one
# of 1 MiB to fill, one that cannot be written. A test without its disk says
# why and skips.
for disk in "full-disk size=1m" "read-only-disk ro,size=64k"; do
    read -r name options <<< "$disk"
    variable="CORVELA_$(echo "$name" | tr '[:lower:]-' '[:upper:]_')"
    if mount_small_disk "$name" "$options"; then
        export "$variable=$(windows_path "$SESSION_DIR/$name")"
    else
        export "${variable}_REFUSED=$MOUNT_REFUSAL"
    fi
done
# The suite runs with the heap's free checking on, so code that touches a
# freed object reads poison and fails instead of passing by luck.
timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\corvela_win_tests.exe' \
    /v GlobalFlag /t REG_DWORD /d 0x30 /f > /dev/null 2>&1
export CORVELA_OCX="$(windows_path "$build/CORVELA.OCX")"
export CORVELA_BUILD_DIR="$(windows_path "$build")"
export CORVELA_DOCS="$(windows_path "$root/docs")"
export WINEDLLPATH="$build"

failed=0
echo "== register with regsvr32"
run_wine 60 regsvr32 /s "$CORVELA_OCX" || { echo "regsvr32 failed"; failed=1; }

echo "== script tests (cscript)"
for script in "$root"/tests/scripts/*.js; do
    name=$(basename "$script")
    if output=$(run_wine 120 cscript //nologo "$(windows_path "$script")" 2>&1); then
        echo "PASS $name"
    else
        echo "FAIL $name"; echo "$output" | sed 's/^/    /'; failed=1
    fi
done

echo "== pages in the page host"
python3 "$root/tests/host/run_pages.py" --host "$build/corvela-host.exe" --scratch "$SESSION_DIR/scratch" || failed=1

echo "== the page authors' examples (docs/examples) in the page host"
python3 "$root/tests/host/run_examples.py" --host "$build/corvela-host.exe" --scratch "$SESSION_DIR/scratch" || failed=1

echo "== Windows test suite"
run_wine "${CORVELA_TEST_TIMEOUT:-900}" "$build/corvela_win_tests.exe" "$@" || failed=1

exit $failed
