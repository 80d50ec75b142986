#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Packages already present are not fetched again. The web servers and the
# proxy are only ever started by the tests, on loopback with their own
# configuration: their services must not start when they are installed.
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-dev python3 googletest libgtest-dev
          mingw-w64 wine64 wine wine64-tools
          xvfb x11-utils imagemagick curl procps fonts-nanum fonts-wine
          wixl msitools gcab osslsigncode openssl
          nginx-light squid apache2 libapache2-mod-php apache2-utils)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive

# invoke-rc.d asks this file whether a service may start; 101 says no. A
# machine that already has one keeps it as it is.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${as_root[@]}" tee "$policy" > /dev/null
    "${as_root[@]}" chmod 755 "$policy"
    trap '"${as_root[@]}" rm -f "$policy"' EXIT
fi

"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 "${missing[@]}"
