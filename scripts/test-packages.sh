#!/usr/bin/env bash
# Builds the deployment packages signed with a throwaway certificate and
# tests them: their contents, version and signatures, and installing and
# removing the MSIs, alone and side by side, in a private Wine session.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source "$root/scripts/wine-session.sh"

wine_session_start
scratch="$SESSION_DIR/packages"
mkdir -p "$scratch"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Corvela test signing" \
    -addext extendedKeyUsage=codeSigning -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2> /dev/null

CORVELA_DIST="$scratch/dist" CORVELA_SIGN_CERT="$scratch/cert.pem" CORVELA_SIGN_KEY="$scratch/key.pem" \
    scripts/package.sh

echo "== package tests"
CORVELA_DIST="$scratch/dist" CORVELA_TEST_CA="$scratch/cert.pem" \
    python3 -m unittest discover -s tests/packaging -p 'test_*.py'
