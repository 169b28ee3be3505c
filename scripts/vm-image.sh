#!/usr/bin/env bash
# Builds the test virtual machine used where this machine cannot run 32-bit x86 code itself
# (32-bit Wine needs the kernel's 32-bit mode). The machine is a minimal Debian 12 with Wine 32-bit,
# Xvfb, the zh_CN.UTF-8 locale, CJK fonts and CMake, booted under qemu-system-x86_64 (software
# emulation). Result: $CHENGJIAN_VM_DIR/{base.img,vmlinuz,initrd.img}. Idempotent; run as root.
set -euo pipefail

vm_dir="${CHENGJIAN_VM_DIR:-/var/cache/chengjian-vm}"
image_version=4
[ -f "$vm_dir/base.img" ] && [ "$(cat "$vm_dir/version" 2>/dev/null)" = "$image_version" ] && exit 0

# The Debian mirror this machine's apt takes suite $1 from: the first address of an enabled "deb"
# entry for that suite, in the one-line lists or the deb822 .sources files. Debian's own address
# when none is found.
debian_mirror() {
  local suite="$1" found=""
  found="$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk -v suite="$suite" '
    $1 == "deb" {
      i = 2
      if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
      if ($(i + 1) == suite) { print $i; exit }
    }')"
  if [ -z "$found" ]; then
    found="$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk -v suite="$suite" '
      BEGIN { RS = ""; FS = "\n" }
      {
        types = uris = suites = enabled = ""
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^Types:/) types = " " substr($i, 7) " "
          else if ($i ~ /^URIs:/) uris = substr($i, 6)
          else if ($i ~ /^Suites:/) suites = " " substr($i, 8) " "
          else if ($i ~ /^Enabled:/) enabled = $i
        }
        if (enabled ~ /[Nn]o/ || types !~ /[ \t]deb[ \t]/ || suites !~ ("[ \t]" suite "[ \t]")) next
        split(uris, address, /[ \t]+/)
        for (j = 1; j in address; j++) if (address[j] != "") { print address[j]; exit }
      }')"
  fi
  echo "${found:-http://deb.debian.org/debian}"
}

root="$vm_dir/rootfs"
mkdir -p "$vm_dir"
cleanup() {
  for m in proc sys dev; do mountpoint -q "$root/$m" && umount -l "$root/$m"; done
  return 0
}
trap cleanup EXIT

if [ ! -x "$root/usr/bin/apt-get" ] || [ ! -f "$root/.debootstrap-done" ]; then
  rm -rf "$root"
  debootstrap --variant=minbase --include=kmod,udev,linux-image-amd64,procps \
    bookworm "$root" "$(debian_mirror bookworm)"
  touch "$root/.debootstrap-done"
fi

mount --bind /proc "$root/proc"
mount --bind /sys "$root/sys"
mount --bind /dev "$root/dev"
cp /etc/resolv.conf "$root/etc/resolv.conf"

cat > "$root/tmp/guest-setup.sh" <<'GUEST'
set -e
export DEBIAN_FRONTEND=noninteractive
dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends wine wine32:i386 xvfb xauth x11-utils xdotool \
  locales fonts-wqy-microhei cmake imagemagick procps x11vnc
sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
locale-gen
apt-get clean
GUEST
chroot "$root" bash /tmp/guest-setup.sh

# The guest's first process: mounts the host folder shared over 9p at the same path, runs the
# command file named on the kernel command line, stores its exit code beside it and powers off.
cat > "$root/sbin/chengjian-init" <<'INIT'
#!/bin/sh
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
mount -t proc proc /proc
mount -t sysfs sys /sys 2>/dev/null
mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -o remount,rw /
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
hostname chengjian-vm
ip link set lo up 2>/dev/null || true
modprobe 9pnet_virtio 2>/dev/null; modprobe 9p 2>/dev/null
for arg in $(cat /proc/cmdline); do
  case "$arg" in
    chengjian.share=*) share="${arg#*=}" ;;
    chengjian.cmd=*) cmd="${arg#*=}" ;;
  esac
done
mkdir -p "$share"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=1048576,cache=loose share "$share"
cd "$share"
# Through a pipe, so that Wine sees no terminal and writes plain text.
bash -c 'set -o pipefail; bash "$0" < /dev/null 2>&1 | cat > /dev/ttyS0' "$cmd"
echo $? > "$cmd.rc"
sync
umount "$share" 2>/dev/null
echo o > /proc/sysrq-trigger
sleep 5
INIT
chmod +x "$root/sbin/chengjian-init"
cleanup

cp "$root"/boot/vmlinuz-* "$vm_dir/vmlinuz"
cp "$root"/boot/initrd.img-* "$vm_dir/initrd.img"
rm -f "$vm_dir/base.img"
mkfs.ext4 -q -F -L chengjian -d "$root" "$vm_dir/base.img" 8G
echo "$image_version" > "$vm_dir/version"
