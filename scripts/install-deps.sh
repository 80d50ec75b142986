#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Packages already present are not fetched again.
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-dev python3 googletest libgtest-dev
          mingw-w64 wine64 wine wine64-tools
          xvfb x11-utils imagemagick curl procps fonts-nanum fonts-wine
          wixl msitools gcab osslsigncode openssl)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
