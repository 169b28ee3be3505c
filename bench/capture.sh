#!/usr/bin/env bash
# capture.sh: builds the program and the capture benchmark and runs it under Wine (inside the test
# virtual machine where this machine cannot run 32-bit code). Prints the table; takes many minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build
cmake --build build --target capture_bench
work="$PWD/build/bench-work/capture"
rm -rf "$work"
mkdir -p "$work"
run=(bash -c "cd '$work' && wine '$PWD/build/bin/capture_bench.exe' run")
if bash scripts/can-run-i386.sh; then
  exec bash scripts/wine-session.sh build "${run[@]}"
fi
export CHENGJIAN_VM_CPUS="${CHENGJIAN_VM_CPUS:-3}" CHENGJIAN_VM_MEMORY="${CHENGJIAN_VM_MEMORY:-3G}"
exec bash scripts/vm-run.sh "$PWD" bash scripts/wine-session.sh build "${run[@]}"
