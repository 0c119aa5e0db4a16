#!/usr/bin/env bash
# The choice of the Windows build that the Wine tests run (common.sh's
# lunavire_wine_arch), one row per case: whether the kernel starts a 32-bit
# program (a stand-in that exits as the real probe's program does, or a file
# the kernel refuses as a kernel without its 32-bit emulation refuses an i386
# program), and LUNAVIRE_WINE_ARCH.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf "#!/bin/sh\nexit 42\n" >"$work/runs"
# An ELF header of an unknown machine: execve refuses it with ENOEXEC.
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\377\177\001\000\000\000' >"$work/refused"
chmod +x "$work/runs" "$work/refused"

faults=0
row() {  # probe, LUNAVIRE_WINE_ARCH, expected arch (or "error"), expected words of the reason
  local out
  out=$(env -u LUNAVIRE_WINE_ARCH ${2:+LUNAVIRE_WINE_ARCH=$2} LUNAVIRE_I386_PROBE="$work/$1" bash -c '
    . "$0/common.sh"
    lunavire_wine_arch || { echo error; exit 0; }
    lunavire_wine_env
    echo "$LUNAVIRE_WINE_ARCH|$LUNAVIRE_WINE_ARCH_WHY|$(command -v wine)"' "$here" 2>/dev/null)
  local arch=${out%%|*} rest=${out#*|}
  local why=${rest%%|*} wine=${rest#*|}
  if [ "$arch" != "$3" ] || [[ "$why" != *"$4"* ]]; then
    echo "FAULT probe $1, LUNAVIRE_WINE_ARCH=${2:-unset}: got '$out', expected $3 ($4)"
    faults=$((faults + 1))
  elif [ "$arch" = win64 ] && [ "$wine" != "$here/loader64/wine" ]; then
    echo "FAULT probe $1, LUNAVIRE_WINE_ARCH=${2:-unset}: the 64-bit build's wine is $wine, not the 64-bit loader's"
    faults=$((faults + 1))
  else
    echo "ok: probe $1, LUNAVIRE_WINE_ARCH=${2:-unset}: $arch ($why)"
  fi
}

row runs    ""    win32 "this machine runs 32-bit programs"
row refused ""    win64 "cannot run 32-bit programs"
row refused win32 win32 "forced by LUNAVIRE_WINE_ARCH=win32"
row runs    win64 win64 "forced by LUNAVIRE_WINE_ARCH=win64"
row runs    win16 error ""
exit $((faults > 0))
