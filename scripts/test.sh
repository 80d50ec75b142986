#!/usr/bin/env bash
# Every test: installs what is missing, builds the native core and the module
# for x64 and x86, runs the native suite (sanitized), the Python tests of the
# servers and bitmaps, and the Windows suite under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh

echo "== native suite"
build/native/corvela_native_tests

echo "== Python tests"
python3 -m unittest discover -s tests/servers -p 'test_*.py'
python3 -m unittest discover -s tests/scripts -p 'test_*.py'

echo "== Windows suite under Wine"
scripts/run-wine-tests.sh
