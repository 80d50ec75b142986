#!/usr/bin/env bash
# The main job: builds CORVELA.OCX and the page host, registers the module in
# a private Wine prefix, starts the reference receiver and opens
# demo/upload.html in the host on a virtual display. The host plays a user:
# files dropped from the desktop (a program among them, which the page
# refuses), three of them ticked, the ticked ones uploaded under the progress
# dialog, then files downloaded back. It prints every event the page receives
# and every message box it shows, and saves build/demo/page.png (the filled
# list) and build/demo/progress-dialog.png (the dialog in mid-transfer).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
CORVELA_BUILD=win64 scripts/build.sh
build="$root/build/win64"
out="$root/build/demo"
mkdir -p "$out"

source "$root/scripts/wine-session.sh"
wine_session_start
# The reference receiver is the site's server: it stores the uploads and
# gives them back. It reads each upload at 500 kB/s, so the dialog stays on
# screen for a few seconds. The site also offers a program for download.
start_receiver --read-rate 500000
mkdir -p "$RECEIVER_ROOT/site"
head -c 3000 /dev/urandom > "$RECEIVER_ROOT/site/setup.exe"
echo "== reference receiver on port $RECEIVER_PORT, storing under $RECEIVER_ROOT"

ocx=$(windows_path "$build/CORVELA.OCX")
run_wine 60 regsvr32 /s "$ocx"
echo "== registered $ocx"
# As on Windows, text files open in Notepad.
run_wine 60 reg add 'HKCR\.txt' /ve /d txtfile /f > /dev/null

files="$SESSION_DIR/desktop"
mkdir -p "$files"
head -c 2500000 /dev/urandom > "$files/사진.jpg"
head -c 1500000 /dev/urandom > "$files/report.txt"
head -c 3000 /dev/urandom > "$files/setup.exe"
head -c 1000000 /dev/urandom > "$files/archive.zip"
head -c 30000 /dev/urandom > "$files/plan.hwp"
desktop=$(windows_path "$files")
dropped=""
for name in 사진.jpg report.txt setup.exe archive.zip plan.hwp; do dropped+="$desktop\\$name|"; done

# The page's server is this session's receiver.
servers="uploadPage = 'http://127.0.0.1:$RECEIVER_PORT/upload.asp';"
servers+=" fileStore = 'http://127.0.0.1:$RECEIVER_PORT/files/site/'"
# Check boxes of rows 0, 1 and 3: rows are 17 pixels high, boxes 9 pixels in.
log="$SESSION_DIR/host.log"
echo "== demo/upload.html in the page host"
run_wine 240 "$build/corvela-host.exe" --trace --answer-boxes --timeout 180 "$(windows_path "$root/demo/upload.html")" \
    --run "$servers" \
    --drop corvela "$dropped" \
    --click corvela 9 8 --click corvela 9 25 --click corvela 9 59 \
    --wait 3 \
    --run "uploadChecked()" \
    --run "downloadBack()" \
    --run "window.close()" > "$log" 2>&1 &
host=$!

pictures_missing=0
# Pictures of an earlier run never pass for this one's.
rm -f "$out/page.png" "$out/progress-dialog.png"
if wait_for_line "$log" "$host" "wait 3 s"; then
    sleep 1
    screenshot "Corvela demo" "$out/page.png" || pictures_missing=1
else
    pictures_missing=1
fi
if wait_for_line "$log" "$host" "run uploadChecked()"; then
    sleep 1.5
    screenshot "File Upload" "$out/progress-dialog.png" || pictures_missing=1
else
    pictures_missing=1
fi
status=0
wait "$host" || status=$?
cat "$log"
[ "$status" -eq 0 ] || { echo "== the page host ended with status $status"; exit 1; }
[ "$pictures_missing" -eq 0 ] || { echo "== a picture of the demo could not be taken"; exit 1; }
echo "== the files dropped, as the receiver stored them and as they were downloaded back:"
cache="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Corvela demo/cache"
for name in 사진.jpg report.txt plan.hwp; do
    for copy in "$RECEIVER_ROOT/inbox/demo_$name" "$cache/$name"; do
        if cmp -s "$files/$name" "$copy"; then
            echo "    $name: $(stat -c %s "$copy") bytes, the same in $copy"
        else
            echo "    $name: missing or different in $copy"; status=1
        fi
    done
done
[ "$status" -eq 0 ] || exit 1
echo "== pictures: $out/page.png, $out/progress-dialog.png"
