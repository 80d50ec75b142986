#!/usr/bin/env bash
# Builds the deployment packages into build/dist (CORVELA_DIST names another
# folder): CORVELA.OCX for x64 and x86 (x64/, x86/), an MSI per architecture
# that installs the module into Program Files and registers it for the
# machine, and a CAB per architecture with the INF by which a browser
# installs the control from a page's codebase.
#
# Signing: with CORVELA_SIGN_CERT (the certificate with its chain, PEM or
# DER) and CORVELA_SIGN_KEY (its private key) every module and package is
# signed; CORVELA_SIGN_PASSWORD opens an encrypted key and
# CORVELA_SIGN_TIMESTAMP_URL names an RFC 3161 time-stamping server. Without
# them the packages are left unsigned, and the script says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Paths given relative to where the script was started from.
absolute() { case $1 in /* | "") echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
dist=$(absolute "${CORVELA_DIST:-$root/build/dist}")
CORVELA_SIGN_CERT=$(absolute "${CORVELA_SIGN_CERT:-}")
CORVELA_SIGN_KEY=$(absolute "${CORVELA_SIGN_KEY:-}")
cd "$root"

signing=""
if [ -n "$CORVELA_SIGN_CERT" ] && [ -n "$CORVELA_SIGN_KEY" ]; then
    signing=yes
elif [ -n "$CORVELA_SIGN_CERT$CORVELA_SIGN_KEY" ]; then
    echo "package: signing needs both CORVELA_SIGN_CERT and CORVELA_SIGN_KEY" >&2
    exit 1
fi

scripts/install-deps.sh
CORVELA_BUILD="win64 win32" CORVELA_TARGET=corvela_ocx scripts/build.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win64/CMakeCache.txt)

source "$root/scripts/wine-session.sh"
wine_session_start
work="$SESSION_DIR/package"
mkdir -p "$work" "$dist/x64" "$dist/x86"
chmod 700 "$work"

# The key's password reaches osslsigncode in a file, not on its command line.
if [ -n "${CORVELA_SIGN_PASSWORD:-}" ]; then printf '%s' "$CORVELA_SIGN_PASSWORD" > "$work/password"; fi

sign() {
    [ -n "$signing" ] || return 0
    local args=(-certs "$CORVELA_SIGN_CERT" -key "$CORVELA_SIGN_KEY" -h sha256 -n "Corvela Control")
    [ -n "${CORVELA_SIGN_PASSWORD:-}" ] && args+=(-readpass "$work/password")
    [ -n "${CORVELA_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$CORVELA_SIGN_TIMESTAMP_URL")
    rm -f "$1.signed"
    osslsigncode sign "${args[@]}" -in "$1" -out "$1.signed" > "$work/sign.log" 2>&1 ||
        { cat "$work/sign.log" >&2; echo "package: signing $1 failed" >&2; exit 1; }
    mv "$1.signed" "$1"
}

# The module's own registration for the user, recorded in this private
# prefix: the installers write exactly these entries. The folder name has a
# space so that the module's short path differs from its full path.
echo "== recording the module's registration"
recorded='C:\Corvela Recording\CORVELA.OCX'
mkdir -p "$WINEPREFIX/drive_c/Corvela Recording"
cp build/win64/CORVELA.OCX "$WINEPREFIX/drive_c/Corvela Recording/"
# A new prefix may not have the user's classes key yet; Windows always has it.
run_wine 60 reg add 'HKCU\Software\Classes' /f > /dev/null
run_wine 60 reg export 'HKCU\Software\Classes' "$(windows_path "$work")\\before.reg" /y > /dev/null
run_wine 60 regsvr32 /s /n /i:user "$recorded" ||
    { echo "package: the module's registration for the user failed" >&2; exit 1; }
run_wine 60 reg export 'HKCU\Software\Classes' "$(windows_path "$work")\\after.reg" /y > /dev/null
recorded_short=$(run_wine 30 winepath -s "$recorded" | tr -d '\r')

for arch in x64 x86; do
    build=build/win64
    [ "$arch" = x86 ] && build=build/win32
    echo "== packages for $arch"
    module="$dist/$arch/CORVELA.OCX"
    cp "$build/CORVELA.OCX" "$module"
    sign "$module"
    mkdir -p "$work/$arch"
    python3 scripts/make_package_files.py --before "$work/before.reg" --after "$work/after.reg" \
        --recorded-path "$recorded" --recorded-short-path "$recorded_short" \
        --arch "$arch" --version "$version" --module "$module" \
        --wxs "$work/$arch/corvela.wxs" --inf "$work/$arch/corvela.inf"
    msi="$dist/corvela-$arch.msi"
    wixl -a "$arch" -o "$msi" "$work/$arch/corvela.wxs"
    sign "$msi"
    cab="$dist/corvela-$arch.cab"
    rm -f "$cab"
    gcab -c -n -z "$cab" "$module" "$work/$arch/corvela.inf"
    sign "$cab"
done

if [ -n "$signing" ]; then
    echo "== signed with $CORVELA_SIGN_CERT"
else
    echo "== NOT SIGNED: CORVELA_SIGN_CERT and CORVELA_SIGN_KEY are not set, so these packages are unsigned and browsers will refuse the CABs"
fi
(cd "$dist" && ls -l x64/CORVELA.OCX x86/CORVELA.OCX corvela-x64.msi corvela-x86.msi corvela-x64.cab corvela-x86.cab)
