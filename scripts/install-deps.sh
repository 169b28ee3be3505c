#!/usr/bin/env bash
# Installs every Debian package the cross-build and the Wine test run need.
# Idempotent: packages already present are left alone. Run as root on Debian 12.
set -euo pipefail

packages=(
  cmake ninja-build make
  g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-tools libz-mingw-w64-dev
  wine wine32:i386
  xvfb xauth x11-utils xdotool imagemagick netpbm x11vnc
  locales
  googletest
  nodejs npm
  fonts-wqy-microhei
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ! command -v node >/dev/null 2>&1; then missing+=(nodejs); fi
if ! command -v npm >/dev/null 2>&1; then missing+=(npm); fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing+=(wine32:i386)
fi

if [ ${#missing[@]} -gt 0 ]; then
  # Skip apt-installing node and npm when another install already provides them.
  filtered=()
  for p in "${missing[@]}"; do
    case "$p" in
      nodejs) command -v node >/dev/null 2>&1 && continue ;;
      npm) command -v npm >/dev/null 2>&1 && continue ;;
    esac
    filtered+=("$p")
  done
  if [ ${#filtered[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${filtered[@]}"
  fi
fi

# Wine needs the zh_CN.UTF-8 locale to give the program code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# 32-bit Wine needs a kernel that runs 32-bit x86 code. Where this one does not, the tests run in a
# small virtual machine under software emulation: install its tools and build its disk image once.
if ! bash "$(dirname "$0")/can-run-i386.sh"; then
  vm_packages=(qemu-system-x86 qemu-utils debootstrap e2fsprogs)
  vm_missing=()
  for p in "${vm_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || vm_missing+=("$p")
  done
  if [ ${#vm_missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${vm_missing[@]}"
  fi
  bash "$(dirname "$0")/vm-image.sh"
fi
