#!/usr/bin/env bash
# start-program.sh [build-dir]: starts the built program under Wine from a folder of its own
# (build/run, where it keeps its data.db). On the user's display when there is one; else on an Xvfb
# display of its own shown over VNC on 127.0.0.1 only (CHENGJIAN_VNC_PORT, default 5900), with a line
# that says how to connect. Where this machine cannot run 32-bit code, the program runs in the test
# virtual machine, shown the same way.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
program_dir="$PWD/$build/run"
mkdir -p "$program_dir"
cp "$build/bin/chengjian.exe" "$build/bin/sqlite3.dll" "$program_dir/"
program="$program_dir/chengjian.exe"
port="${CHENGJIAN_VNC_PORT:-5900}"

# Opens a VNC viewer on the program's display once its server answers, when this machine has a
# display and one of the usual viewers.
open_viewer() {
  [ -n "${DISPLAY:-}" ] || return 0
  local viewer=""
  for candidate in vncviewer xtightvncviewer xvnc4viewer gvncviewer; do
    command -v "$candidate" > /dev/null 2>&1 && { viewer="$candidate"; break; }
  done
  [ -n "$viewer" ] || return 0
  # A forward into the virtual machine answers as soon as the machine starts; the server behind it later.
  for _ in $(seq 600); do
    if (exec 3<> "/dev/tcp/127.0.0.1/$port" && timeout 2 head -c 3 <&3 | grep -q RFB) 2> /dev/null; then
      break
    fi
    sleep 1
  done
  "$viewer" "127.0.0.1::$port" > /dev/null 2>&1 &
}

connect_line() {
  echo "To see and use it, connect a VNC viewer to 127.0.0.1:$port (for example: vncviewer 127.0.0.1::$port)."
}

if bash scripts/can-run-i386.sh; then
  if [ -n "${DISPLAY:-}" ]; then
    export WINEPREFIX="$PWD/$build/wineprefix" WINEARCH=win32 LC_ALL=zh_CN.UTF-8
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i
    exec wine "$program"
  fi
  echo "There is no display here: the program runs on a display of its own, shown over VNC."
  connect_line
  CHENGJIAN_VNC_PORT="$port" exec bash scripts/wine-session.sh "$build" bash scripts/vnc-display.sh "$program"
fi

echo "This machine cannot run 32-bit programs: starting the program in the test virtual machine."
connect_line
CHENGJIAN_VM_FORWARD_PORT="$port" bash scripts/vm-run.sh "$PWD" \
  bash scripts/wine-session.sh "$build" bash scripts/vnc-display.sh "$program" &
vm_pid=$!
open_viewer
wait "$vm_pid"
