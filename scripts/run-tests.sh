#!/usr/bin/env bash
# run-tests.sh <build-dir> [ctest arguments]: runs the build's tests under Wine. Where this machine
# cannot run 32-bit code itself, the run goes into the test virtual machine (scripts/vm-run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"; shift || true
jobs="${CHENGJIAN_TEST_JOBS:-$(nproc)}"

ctest_command=(ctest --test-dir "$(realpath "$build")" --output-on-failure -j "$jobs" "$@")
if bash scripts/can-run-i386.sh; then
  exec bash scripts/wine-session.sh "$build" "${ctest_command[@]}"
fi
exec bash scripts/vm-run.sh "$PWD" bash scripts/wine-session.sh "$build" "${ctest_command[@]}"
