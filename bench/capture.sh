#!/usr/bin/env bash
# capture.sh: builds the program and the capture benchmark and runs it under Wine (inside the test
# virtual machine where this machine cannot run 32-bit code). Prints the table; takes many minutes.
# "bash bench/capture.sh quick" tries the benchmark out in a few minutes with a few samples.
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-}"
bash scripts/build.sh build
cmake --build build --target capture_bench
# The program's folder (and so data.db) is on the running machine's own disk, as a user's is.
run() { echo "rm -rf '$1' && mkdir -p '$1' && cd '$1' && wine '$PWD/build/bin/capture_bench.exe' run $mode"; }
if bash scripts/can-run-i386.sh; then
  exec bash scripts/wine-session.sh build bash -c "$(run "$PWD/build/bench-work/capture")"
fi
export CHENGJIAN_VM_CPUS="${CHENGJIAN_VM_CPUS:-3}" CHENGJIAN_VM_MEMORY="${CHENGJIAN_VM_MEMORY:-3G}"
exec bash scripts/vm-run.sh "$PWD" bash scripts/wine-session.sh build bash -c "$(run /var/tmp/capture-bench)"
