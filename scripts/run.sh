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
# The program runs in the test virtual machine; its display is shown over VNC on this machine's
# 127.0.0.1 only (CHENGJIAN_VNC_PORT, default 5900), and in a VNC viewer when there is a display and one.
port="${CHENGJIAN_VNC_PORT:-5900}"
echo "This machine cannot run 32-bit programs: starting the program in the test virtual machine."
echo "To see and use it, connect a VNC viewer to 127.0.0.1:$port (for example: vncviewer 127.0.0.1::$port)."
CHENGJIAN_VM_FORWARD_PORT="$port" bash scripts/vm-run.sh "$PWD" \
  bash scripts/wine-session.sh build bash scripts/vm-display.sh wine "$program_dir/chengjian.exe" &
vm_pid=$!
viewer=""
for candidate in vncviewer xtightvncviewer xvnc4viewer gvncviewer; do
  command -v "$candidate" > /dev/null 2>&1 && { viewer="$candidate"; break; }
done
if [ -n "${DISPLAY:-}" ] && [ -n "$viewer" ]; then
  # The forward answers as soon as the machine starts; the server behind it a while later.
  for _ in $(seq 600); do
    if (exec 3<> "/dev/tcp/127.0.0.1/$port" && timeout 2 head -c 3 <&3 | grep -q RFB) 2> /dev/null; then
      break
    fi
    sleep 1
  done
  "$viewer" "127.0.0.1::$port" > /dev/null 2>&1 &
fi
wait "$vm_pid"
