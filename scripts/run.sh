#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
program_dir="$PWD/build/run"
mkdir -p "$program_dir"
cp build/bin/chengjian.exe build/bin/sqlite3.dll "$program_dir/"
if bash scripts/can-run-i386.sh; then
  # On the user's own display when there is one, else on an Xvfb display of its own.
  if [ -n "${DISPLAY:-}" ]; then
    export WINEPREFIX="$PWD/build/wineprefix" WINEARCH=win32 LC_ALL=zh_CN.UTF-8
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i
    exec wine "$program_dir/chengjian.exe"
  fi
  exec bash scripts/wine-session.sh build wine "$program_dir/chengjian.exe"
fi
echo "This machine cannot run 32-bit programs: starting the program in the test virtual machine."
exec bash scripts/vm-run.sh "$PWD" bash scripts/wine-session.sh build wine "$program_dir/chengjian.exe"
