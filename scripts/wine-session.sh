#!/usr/bin/env bash
# wine-session.sh <build-dir> <command...>: runs the command with the build's Wine prefix (created
# once and reused), a persistent wineserver and an Xvfb display of its own, then stops both.
set -euo pipefail

build="$(realpath "$1")"; shift

if [ "$(hostname)" = chengjian-vm ]; then
  # Inside the test machine the prefix lives on the machine's own disk: Wine is slow on 9p.
  export WINEPREFIX="/var/lib/chengjian-wine/$(echo "$build" | tr '/' '_')"
else
  export WINEPREFIX="$build/wineprefix"
fi
export WINEARCH=win32 WINEDEBUG="${CHENGJIAN_WINEDEBUG:--all}" LC_ALL=zh_CN.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

display_file="$build/xvfb-display"
rm -f "$display_file"
exec 3> "$display_file.fd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ac > "$build/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$display_file.fd" ] && break; sleep 0.2; done
export DISPLAY=":$(tr -d '\n' < "$display_file.fd")"
echo "$DISPLAY" > "$display_file"

stop() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  rm -f "$display_file" "$display_file.fd"
}
trap stop EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i > "$build/wineboot.log" 2>&1 || { cat "$build/wineboot.log"; exit 1; }
  wineserver -w
  # Texts in the grid and dialogs use this face; map it to the installed CJK font.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /d 'WenQuanYi Micro Hei' /f > /dev/null 2>&1 || true
  wineserver -w
fi
wineserver -p
# Wine's desktop process is started by the first program that needs the desktop, and keeps that
# program's standard error: CTest would wait on the test that started it for as long as window tests
# go on. The build's desktop keeper, with no output, starts it before any other Wine program here
# can, tells when it is up through the file it makes, and keeps it until the session ends
# (tests/support/desktop_keeper.cpp).
keeper="$build/bin/desktop_keeper.exe"
if [ -f "$keeper" ]; then
  rm -f "$build/desktop-ready"
  wine "$keeper" "Z:$build/desktop-ready" < /dev/null > /dev/null 2>&1 &
  for _ in $(seq 300); do [ -f "$build/desktop-ready" ] && break; sleep 0.2; done
  rm -f "$build/desktop-ready"
fi
# Wine leaves captions to the window manager (the test display has none) unless told otherwise.
wine reg add 'HKCU\Software\Wine\AppDefaults\skin_window_test.exe\X11 Driver' /v Decorated /d N /f > /dev/null 2>&1 || true
# Start Wine's own services now: the first program to start them would pass its output pipes on to
# them, and CTest would wait on that test until its time-out.
wine cmd.exe /c exit < /dev/null > /dev/null 2>&1 || true
"$@"
