#!/usr/bin/env bash
# The main job: builds CORVELA.OCX, registers it in a private Wine prefix,
# starts the loopback server and runs the demo page against it on a virtual
# display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
CORVELA_BUILD=win64 scripts/build.sh
build="$root/build/win64"

source "$root/scripts/wine-session.sh"
wine_session_start
start_server upload_server
echo "== loopback upload server on port $UPLOAD_SERVER_PORT"

ocx=$(windows_path "$build/CORVELA.OCX")
run_wine 60 regsvr32 /s "$ocx"
echo "== registered $ocx"

echo "== demo page"
run_wine 300 cscript //nologo "$(windows_path "$root/scripts/demo-page.js")"
