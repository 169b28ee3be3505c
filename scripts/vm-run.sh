#!/usr/bin/env bash
# vm-run.sh <work-dir> <command...>: runs the command in the test virtual machine (scripts/vm-image.sh)
# with <work-dir> shared at the same path, prints its output and exits with its exit code.
# The machine's disk is a copy-on-write layer in <work-dir>/.vm, so what the guest keeps (the Wine
# prefix, for one) survives from one run to the next without touching the shared base image.
# The machine has no network, unless CHENGJIAN_VM_FORWARD_PORT names a port: then it gets qemu's
# user network restricted to itself (nothing reaches the host or beyond), with that port of the
# host's 127.0.0.1 alone forwarded to its port 5900 (scripts/vnc-display.sh serves VNC there).
set -euo pipefail

work="$(realpath "$1")"; shift
vm_dir="${CHENGJIAN_VM_DIR:-/var/cache/chengjian-vm}"
state="$work/.vm"
mkdir -p "$state"

if [ ! -f "$state/disk.qcow2" ] || [ "$state/disk.qcow2" -ot "$vm_dir/base.img" ]; then
  rm -f "$state/disk.qcow2"
  qemu-img create -q -f qcow2 -F raw -b "$vm_dir/base.img" "$state/disk.qcow2"
fi

cmd="$state/command-$$.sh"
{
  echo "cd '$PWD' || exit 125"
  printf '%q ' "$@"
  echo
} > "$cmd"
rm -f "$cmd.rc"

nic=(-nic none)
if [ -n "${CHENGJIAN_VM_FORWARD_PORT:-}" ]; then
  nic=(-nic "user,model=virtio-net-pci,restrict=on,hostfwd=tcp:127.0.0.1:${CHENGJIAN_VM_FORWARD_PORT}-:5900")
fi

cpus="${CHENGJIAN_VM_CPUS:-$(nproc)}"
memory="${CHENGJIAN_VM_MEMORY:-6G}"
qemu-system-x86_64 \
  -machine q35 -accel tcg,thread=multi -cpu "${CHENGJIAN_VM_CPU:-qemu64,+ssse3,+sse4.1,+sse4.2,+popcnt}" -smp "$cpus" -m "$memory" \
  -nographic -no-reboot -monitor none -serial stdio "${nic[@]}" \
  -kernel "$vm_dir/vmlinuz" -initrd "$vm_dir/initrd.img" \
  -append "root=/dev/vda rw console=ttyS0 quiet loglevel=0 init=/sbin/chengjian-init chengjian.share=$work chengjian.cmd=$cmd" \
  -drive "file=$state/disk.qcow2,if=virtio,format=qcow2,cache=unsafe" \
  -virtfs "local,path=$work,mount_tag=share,security_model=none,multidevs=remap" \
  < /dev/null | sed -u -e 's/\r$//' -e '/^\[ *[0-9]*\.[0-9]*\] /d'

rc=125
[ -f "$cmd.rc" ] && rc="$(cat "$cmd.rc")"
rm -f "$cmd" "$cmd.rc"
exit "$rc"
