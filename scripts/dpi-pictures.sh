#!/usr/bin/env bash
# Pictures of the demo page's file list on screens of 96, 144 and 192 DPI,
# as the page host shows it on a virtual display with the screen's DPI set
# in a private Wine prefix. For each DPI: build/pictures/empty-<dpi>.png
# (the empty list with its hint) and build/pictures/list-<dpi>.png (files
# dropped, among them a 5 GiB one, three ticked from the keyboard after one
# click: Down, Space, Down, Down, Space).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
CORVELA_BUILD=win64 scripts/build.sh
build="$root/build/win64"
out="$root/build/pictures"
mkdir -p "$out"

source "$root/scripts/wine-session.sh"
wine_session_start
run_wine 60 regsvr32 /s "$(windows_path "$build/CORVELA.OCX")"

files="$SESSION_DIR/desktop"
mkdir -p "$files"
head -c 2500000 /dev/urandom > "$files/사진.jpg"
head -c 1500000 /dev/urandom > "$files/report.txt"
truncate -s 5G "$files/recording.zip"
head -c 30000 /dev/urandom > "$files/plan.hwp"
desktop=$(windows_path "$files")
dropped=""
for name in 사진.jpg report.txt recording.zip plan.hwp; do dropped+="$desktop\\$name|"; done

status=0
for dpi in 96 144 192; do
    # Wine reads the screen's DPI here when a program starts.
    run_wine 60 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f > /dev/null
    log="$SESSION_DIR/host-$dpi.log"
    rm -f "$out/empty-$dpi.png" "$out/list-$dpi.png"
    # The first click lands on the name of the first row whatever the DPI.
    run_wine 120 "$build/corvela-host.exe" --trace --answer-boxes --timeout 60 \
        "$(windows_path "$root/demo/upload.html")" \
        --wait 2 \
        --drop corvela "$dropped" \
        --click corvela $((100 * dpi / 96)) $((8 * dpi / 96)) \
        --key Down --key Space --key Down --key Down --key Space \
        --wait 3 \
        --run "window.close()" > "$log" 2>&1 &
    host=$!
    { wait_for_line "$log" "$host" "wait 2 s" && sleep 1 && screenshot "Corvela demo" "$out/empty-$dpi.png"; } || status=1
    { wait_for_line "$log" "$host" "wait 3 s" && sleep 1 && screenshot "Corvela demo" "$out/list-$dpi.png"; } || status=1
    wait "$host" || { echo "== the page host ended with status $? at $dpi DPI"; status=1; }
    grep -F 'event corvela.ClickCheckBox' "$log" | sed "s/^/   $dpi DPI: /"
done
[ "$status" -eq 0 ] || { cat "$SESSION_DIR"/host-*.log; exit 1; }
echo "== pictures: $out"
