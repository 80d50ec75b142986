#!/usr/bin/env bash
# Every test: installs what is missing, builds the native core and the module
# for x64 and x86, runs the native suite (sanitized), the fuzzers for a few
# seconds each, the Python tests of the servers, bitmaps and the reference
# receiver, the Windows suite under Wine, the field suite (the control behind
# nginx, squid and Apache with PHP under Wine), and the deployment packages
# (their contents and signatures, the x64 MSI installed and removed under Wine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh

echo "== native suite"
build/native/corvela_native_tests

echo "== fuzzers"
scripts/fuzz.sh 7

echo "== Python tests"
python3 -m unittest discover -s tests/servers -p 'test_*.py'
python3 -m unittest discover -s tests/scripts -p 'test_*.py'

echo "== receiver tests, with the control's own encodings from the native build"
build/native/corvela_escape_vectors build/native/escape_vectors.json
CORVELA_ESCAPE_VECTORS=build/native/escape_vectors.json PYTHONPATH=receiver \
    python3 -m unittest discover -s tests/receiver -p 'test_*.py'

echo "== Windows suite under Wine"
scripts/run-wine-tests.sh

echo "== field suite: behind nginx, squid and Apache with PHP"
scripts/test-field.sh

echo "== deployment packages"
scripts/test-packages.sh
