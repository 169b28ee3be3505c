#!/usr/bin/env bash
# vm-display.sh <command...>: inside the test virtual machine, within scripts/wine-session.sh, shows
# the session's display over VNC on the machine's port 5900 (which scripts/vm-run.sh forwards to the
# host's 127.0.0.1 when CHENGJIAN_VM_FORWARD_PORT is set) while the command runs.
set -euo pipefail
modprobe virtio_net 2>/dev/null || true
nic=""
for _ in $(seq 50); do
  nic="$(ls /sys/class/net | grep -v '^lo$' | head -n 1)"
  [ -n "$nic" ] && break
  sleep 0.1
done
# qemu's user network: the guest's fixed address, its gateway and mask; no DHCP wait.
/usr/lib/klibc/bin/ipconfig -t 10 -d "10.0.2.15::10.0.2.2:255.255.255.0::$nic:none" > /dev/null
x11vnc -display "$DISPLAY" -rfbport 5900 -forever -shared -nopw -quiet > /tmp/x11vnc.log 2>&1 &
vnc_pid=$!
trap 'kill "$vnc_pid" 2>/dev/null || true' EXIT
"$@"
