#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 programs (what 32-bit Wine needs), 1 when it does not.
out="$(timeout 20 /usr/lib/wine/wine --version 2>/dev/null)" || exit 1
case "$out" in wine-*) exit 0 ;; *) exit 1 ;; esac
