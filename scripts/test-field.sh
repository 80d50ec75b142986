#!/usr/bin/env bash
# The field suite: the control in the page host under Wine, behind the real
# programs a site runs (nginx as reverse proxy and TLS front end, squid as
# the system proxy, Apache with PHP), each started on loopback with its own
# configuration and stopped at the end. Needs the x64 build
# (CORVELA_WIN_BUILD, default build/win64). Extra arguments go to the
# driver (e.g. --filter squid).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVELA_WIN_BUILD:-$root/build/win64}
source "$root/scripts/wine-session.sh"
require_programs "$build" corvela-host record_command_line trust_certificate
for program in nginx squid apache2 htpasswd openssl; do
    command -v "$program" > /dev/null || { echo "missing $program: run scripts/install-deps.sh"; exit 1; }
done

wine_session_start
start_receiver
start_server download_server
export SESSION_DIR
run_wine 60 regsvr32 /s "$(windows_path "$build/CORVELA.OCX")" || { echo "regsvr32 failed"; exit 1; }
timeout --kill-after=10 600 python3 "$root/tests/field/run_field.py" --build "$build" "$@"
