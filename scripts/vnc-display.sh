#!/usr/bin/env bash
# vnc-display.sh <program.exe>: within scripts/wine-session.sh, starts the program on the session's
# display and shows that display over VNC while the program runs. On this machine VNC answers on
# 127.0.0.1:$CHENGJIAN_VNC_PORT (default 5900) only; inside the test virtual machine it answers on the
# machine's port 5900, which scripts/vm-run.sh forwards to the host's 127.0.0.1 and nowhere else.
set -euo pipefail
program="$1"

port="${CHENGJIAN_VNC_PORT:-5900}"
listen=(-localhost)
if [ "$(hostname)" = chengjian-vm ]; then
  modprobe virtio_net 2>/dev/null || true
  nic=""
  for _ in $(seq 50); do
    nic="$(ls /sys/class/net | grep -v '^lo$' | head -n 1)"
    [ -n "$nic" ] && break
    sleep 0.1
  done
  # qemu's user network: the guest's fixed address, its gateway and mask; no DHCP wait.
  /usr/lib/klibc/bin/ipconfig -t 10 -d "10.0.2.15::10.0.2.2:255.255.255.0::$nic:none" > /dev/null
  port=5900 listen=()
fi

# The session's display has no window manager, so Wine would leave the main window without a
# caption, and the person could neither minimise it to the tray nor close it. With the X11 driver's
# "Decorated" off Wine leaves the whole frame to the program, whose skin draws the caption and its
# buttons. The setting is the program's alone and goes again when it ends.
key="HKCU\\Software\\Wine\\AppDefaults\\$(basename "$program")\\X11 Driver"
wine reg add "$key" /v Decorated /d N /f > /dev/null 2>&1 || true
x11vnc -display "$DISPLAY" -rfbport "$port" "${listen[@]}" -forever -shared -nopw -quiet > "${TMPDIR:-/tmp}/x11vnc.log" 2>&1 &
vnc_pid=$!
finish() {
  kill "$vnc_pid" 2>/dev/null || true
  wine reg delete "$key" /v Decorated /f > /dev/null 2>&1 || true
}
trap finish EXIT
wine "$program"
