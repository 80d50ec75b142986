#!/usr/bin/env bash
# The main job: builds CORVELA.OCX, registers it in a private Wine prefix,
# starts the loopback servers and runs the demo page against them on a
# virtual display. A screenshot of the progress dialog in mid-transfer is
# saved as build/demo/progress-dialog.png.
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
start_server upload_server
start_server download_server
echo "== loopback servers: upload on port $UPLOAD_SERVER_PORT, download on port $DOWNLOAD_SERVER_PORT"

ocx=$(windows_path "$build/CORVELA.OCX")
run_wine 60 regsvr32 /s "$ocx"
echo "== registered $ocx"
# As on Windows, text files open in Notepad.
run_wine 60 reg add 'HKCR\.txt' /ve /d txtfile /f > /dev/null

files="$SESSION_DIR/demo-files"
mkdir -p "$files"
head -c 1500000 /dev/urandom > "$files/report.txt"
head -c 2500000 /dev/urandom > "$files/사진.jpg"
head -c 1000000 /dev/urandom > "$files/archive.zip"

echo "== demo page"
( sleep 2.5; import -window root "$out/screen.png" 2>/dev/null &&
  convert "$out/screen.png" -trim +repage "$out/progress-dialog.png" && rm -f "$out/screen.png" ) &
screenshot=$!
report="$SESSION_DIR/demo-report.txt"
run_wine 300 cscript //nologo "$(windows_path "$root/scripts/demo-page.js")" \
    "$UPLOAD_SERVER_PORT" "$DOWNLOAD_SERVER_PORT" "$(windows_path "$files")" "$(windows_path "$report")" > "$SESSION_DIR/demo-console.txt" || { cat "$SESSION_DIR/demo-console.txt"; exit 1; }
wait $screenshot
# The page writes its report in UTF-16, so Korean names survive the console.
iconv -f UTF-16 -t UTF-8 "$report"
echo "== screenshot of the progress dialog: $out/progress-dialog.png"
