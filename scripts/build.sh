#!/usr/bin/env bash
# Builds the native core with its tests, and CORVELA.OCX with the Windows test
# suite for x64 and x86. Build folders: build/native, build/win64, build/win32.
# CORVELA_BUILD picks the builds, CORVELA_TARGET one target of each (e.g.
# corvela_ocx for the module alone).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

configure_and_build() {
    local dir=$1; shift
    cmake -S "$root" -B "$root/build/$dir" "$@" > /dev/null
    cmake --build "$root/build/$dir" -j "$jobs" ${CORVELA_TARGET:+--target "$CORVELA_TARGET"} -- --no-print-directory
}

targets=${CORVELA_BUILD:-native win64 win32}
for target in $targets; do
    echo "== build $target"
    case $target in
        native) configure_and_build native -DCMAKE_BUILD_TYPE=Debug ;;
        win64) configure_and_build win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x64.cmake" ;;
        win32) configure_and_build win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86.cmake" ;;
    esac
done
