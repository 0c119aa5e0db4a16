#!/usr/bin/env bash
# Builds Setup.exe for Windows and runs it under Wine in the Simplified
# Chinese locale (ANSI code page 936).
#   With a display: the installer opens in a window until you close it.
#   Without one:    it runs in a virtual X display; once its main window is
#                   up a screenshot is saved to build/screenshots/main-window.png
#                   (the path is printed) and the program is closed.
# Installs what it needs first (tools/setup-debian.sh).
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
build=$root/build/win32
prefix=$build/wineprefix
exe=$build/dist/Setup.exe
ctl=$build/tests/e2e/e2e_ctl.exe
shot=$root/build/screenshots/main-window.png
wine_run=$root/tools/wine/run-in-wine.sh

# Runs inside the virtual display that tools/wine/with-display.sh provides.
headless() {
  local setup_pid rc=0
  (cd "$build/dist" && exec "$wine_run" --prefix "$prefix" "$exe") &
  setup_pid=$!
  if ! "$wine_run" --prefix "$prefix" "$ctl" wait TForm1 ComboBox1 60000; then
    echo "run: the main window did not come up" >&2
    kill "$setup_pid" 2>/dev/null || true
    wait "$setup_pid" 2>/dev/null || true
    return 1
  fi
  # The start-up language is applied a second after start.
  sleep 2
  mkdir -p "$(dirname "$shot")"
  import -window root "$shot"
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

if [ "${1:-}" = "--headless" ]; then
  headless
  exit $?
fi

tools/setup-debian.sh

mkdir -p "$root/build"
echo "== building Setup.exe ($build)"
cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  >"$root/build/win32.configure.log" 2>&1 || { cat "$root/build/win32.configure.log"; exit 1; }
# Setup.exe and everything the build places beside it (the language files).
mapfile -t dist < <(ninja -C "$build" -t targets all | sed -n 's|^\(dist/[^:]*\): .*|\1|p')
ninja -C "$build" -j"${JOBS:-$(nproc)}" Setup e2e_ctl "${dist[@]}" >"$root/build/win32.run-build.log" 2>&1 \
  || { tail -n 60 "$root/build/win32.run-build.log"; exit 1; }

# wineboot wants a display too.
"$root/tools/wine/with-display.sh" "$root/tools/wine/prepare-prefix.sh" --prefix "$prefix"

if [ -n "${DISPLAY:-}" ]; then
  echo "== running Setup.exe on $DISPLAY; close its window to finish"
  cd "$build/dist"
  exec "$wine_run" --prefix "$prefix" "$exe"
fi
echo "== no display: running Setup.exe in a virtual one"
exec "$root/tools/wine/with-display.sh" "$root/run.sh" --headless
