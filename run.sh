#!/usr/bin/env bash
# Builds Setup.exe for Windows and runs it under Wine in the Simplified
# Chinese locale (ANSI code page 936), as a player would: from the root of the
# first of three stand-in game discs, mapped as the drives D:, E: and F:
# (build/discs, laid out by tools/discs/make_discs.py).
#   With a display: the installer opens in a window until you close it.
#   Without one:    it runs in a virtual X display; once its main window is
#                   up a screenshot is saved to build/screenshots/main-window.png
#                   (the path is printed) and the program is closed.
# Where this machine runs no 32-bit program, it builds and runs the 64-bit
# twin of Setup.exe (build/win64) instead, and says so.
# Installs what it needs first (tools/setup-debian.sh).
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
# shellcheck source=tools/wine/common.sh
. "$root/tools/wine/common.sh"
lunavire_wine_arch
build=$root/build/$LUNAVIRE_WINE_ARCH
toolchain=$root/cmake/mingw-w64.cmake
[ "$LUNAVIRE_WINE_ARCH" = win32 ] || toolchain=$root/cmake/mingw-w64-x86_64.cmake
prefix=$build/wineprefix
exe='D:\Setup.exe'
discs=$root/build/discs
ctl=$build/tests/e2e/e2e_ctl.exe
shot=$root/build/screenshots/main-window.png
wine_run=$root/tools/wine/run-in-wine.sh

# Runs inside the virtual display that tools/wine/with-display.sh provides.
headless() {
  local setup_pid rc=0
  (cd "$discs/disc1" && exec "$wine_run" --prefix "$prefix" "$exe") &
  setup_pid=$!
  # Short waits, so that a program that ends at once is noticed at once.
  local up=0
  for _ in $(seq 1 30); do
    kill -0 "$setup_pid" 2>/dev/null || break
    if "$wine_run" --prefix "$prefix" "$ctl" wait TForm1 ComboBox1 2000 2>/dev/null; then
      up=1
      break
    fi
  done
  if [ $up -eq 0 ]; then
    echo "run: the main window of Setup.exe did not come up" >&2
    kill "$setup_pid" 2>/dev/null || true
    wait "$setup_pid" 2>/dev/null || true
    return 1
  fi
  # The start-up language is applied a second after start.
  sleep 2
  mkdir -p "$(dirname "$shot")"
  # Wine's virtual desktop when it is there, else the whole display.
  local desktop
  desktop=$(xwininfo -root -tree 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "[^"]*Wine desktop".*/\1/p' | head -n1)
  import -window "${desktop:-root}" "$shot"
  "$wine_run" --prefix "$prefix" "$ctl" close TForm1 || rc=1
  for _ in $(seq 1 100); do
    kill -0 "$setup_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$setup_pid" 2>/dev/null; then
    echo "run: Setup.exe did not end after its main window was closed" >&2
    kill "$setup_pid" 2>/dev/null || true
    rc=1
  fi
  wait "$setup_pid" || { echo "run: Setup.exe ended with exit code $?" >&2; rc=1; }
  echo "$shot"
  return $rc
}

# Runs with a display: wineboot and reg want one.
prepare() {
  "$root/tools/wine/prepare-prefix.sh" --prefix "$prefix"
  # A Simplified Chinese Windows associates the GB2312 character set with its
  # fonts; Wine's zh_CN prefix does not, and the installer picks its start-up
  # language from that association.
  local key='HKLM\System\CurrentControlSet\Control\FontAssoc\Associated Charset'
  "$wine_run" --prefix "$prefix" reg query "$key" /v 'GB2312(86)' >/dev/null 2>&1 ||
    "$wine_run" --prefix "$prefix" reg add "$key" /v 'GB2312(86)' /t REG_SZ /d YES /f >/dev/null
}

case "${1:-}" in
  --prepare) prepare; exit $? ;;
  --headless) headless; exit $? ;;
esac

tools/setup-debian.sh

mkdir -p "$root/build"
if [ "$LUNAVIRE_WINE_ARCH" = win32 ]; then
  echo "== building Setup.exe ($build): $LUNAVIRE_WINE_ARCH_WHY"
else
  echo "== building the 64-bit twin of Setup.exe ($build), not the 32-bit one that ships: $LUNAVIRE_WINE_ARCH_WHY"
fi
cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
# Setup.exe and everything the build places beside it (the language files).
mapfile -t dist < <(ninja -C "$build" -t targets all | sed -n 's|^\(dist/[^:]*\): .*|\1|p')
ninja -C "$build" -j"${JOBS:-$(nproc)}" Setup e2e_ctl lunavire_payload_data "${dist[@]}" \
  >"$build.run-build.log" 2>&1 || { tail -n 60 "$build.run-build.log"; exit 1; }

# The three discs; the installer and its language files at the root of the
# first, beside stand-ins for its DirectX and NetShow setups.
python3 "$root/tools/discs/make_discs.py" "$discs" --size "${LUNAVIRE_DISCS:-small}" \
  --setup-program "$build/payloads/standins/EX0/SOUNDS"
cp "$build/dist/Setup.exe" "$build"/dist/*.ini "$discs/disc1/"
mapped() { "$root/tools/wine/map-discs.sh" --prefix "$prefix" "$discs/disc1" "$discs/disc2" "$discs/disc3" -- "$@"; }

"$root/tools/wine/with-display.sh" "$root/run.sh" --prepare

if [ -n "${DISPLAY:-}" ]; then
  echo "== running D:\Setup.exe on $DISPLAY (discs 2 and 3 are in E: and F:); close its window to finish"
  cd "$discs/disc1"
  mapped "$wine_run" --prefix "$prefix" "$exe"
  exit $?
fi
echo "== no display: running D:\Setup.exe in a virtual one"
mapped "$root/tools/wine/with-display.sh" "$root/run.sh" --headless
