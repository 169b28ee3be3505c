#!/usr/bin/env bash
# memory.sh [N] [kinds...]: the program's memory with N full-screen pictures (default 300) of each
# kind ("flat" and "photo" by default) put on the clipboard; kind "reader" measures instead what
# reading N bitmaps of another process costs any reader; see bench/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-300}"
shift || true
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(flat photo)
every="${CHENGJIAN_BENCH_EVERY:-$(( count >= 100 ? count / 10 : 10 ))}"
format="${CHENGJIAN_BENCH_FORMAT:-bitmap}"

if [ "${CHENGJIAN_BENCH_INSIDE:-}" != 1 ]; then
  bash scripts/build.sh build > /dev/null
  export CHENGJIAN_BENCH_INSIDE=1 CHENGJIAN_BENCH_EVERY="$every" CHENGJIAN_BENCH_FORMAT="$format"
  if bash scripts/can-run-i386.sh; then
    exec bash scripts/wine-session.sh build bash bench/memory.sh "$count" "${kinds[@]}"
  fi
  echo "This machine cannot run 32-bit programs: running the benchmark in the test virtual machine."
  exec bash scripts/vm-run.sh "$PWD" env CHENGJIAN_BENCH_INSIDE=1 CHENGJIAN_BENCH_EVERY="$every" CHENGJIAN_BENCH_FORMAT="$format" \
    bash scripts/wine-session.sh build bash bench/memory.sh "$count" "${kinds[@]}"
fi

# Inside the Wine session. The program installs its carried grid control only where none is: take
# away one an earlier build left, so that this build's control is the one measured.
rm -f "$WINEPREFIX/drive_c/windows/vsflex8.ocx" "$WINEPREFIX/drive_c/windows/system32/vsflex8.ocx"
wine reg delete 'HKCR\CLSID\{C945E31A-102E-4A0D-8854-D599D7AED5FA}' /f > /dev/null 2>&1 || true
work="$(mktemp -d /tmp/chengjian-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
status=0
for kind in "${kinds[@]}"; do
  if [ "$kind" = reader ]; then
    echo "== $count pictures of 1920x1080 put as CF_BITMAP by other processes, read by one"
    wine build/bin/clipboard_reader.exe "$count" || status=1
    echo
    continue
  fi
  echo "== $count $kind pictures of 1920x1080 as $format"
  wine build/bin/memory_feeder.exe "$(winepath -w "$work/$kind")" "$kind" "$count" "$every" "$format" || status=1
  echo
done
exit "$status"
