#!/usr/bin/env bash
# build.sh [build-dir]: configures (once) and builds the whole tree with the MinGW i686 toolchain.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake
fi
cmake --build "$build" -j "$(nproc)"
