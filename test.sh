#!/usr/bin/env bash
# Builds everything and runs every test: the host tests under AddressSanitizer
# and UndefinedBehaviorSanitizer, the hand-over tests under ThreadSanitizer, the
# fuzz targets for a bounded number of runs, and the Windows builds' tests: the
# Wine tests, in a virtual X display, of the 32-bit build that ships where this
# machine runs 32-bit programs and of its 64-bit twin otherwise
# (LUNAVIRE_WINE_ARCH=win32|win64 forces the choice), and the checks that need
# no Wine of both.  Installs what it needs first.
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=${JOBS:-$(nproc)}

tools/setup-debian.sh || exit 1
# shellcheck source=tools/wine/common.sh
. tools/wine/common.sh
lunavire_wine_arch || exit 1

configure() {  # dir, extra cmake arguments...
  local dir=$1; shift
  cmake -S "$root" -B "$root/build/$dir" -G Ninja -Wno-dev "$@" >"$root/build/$dir.configure.log" 2>&1 \
    || { cat "$root/build/$dir.configure.log"; return 1; }
}

build() {  # dir, targets...
  local dir=$1; shift
  echo "== building $dir"
  ninja -C "$root/build/$dir" -j"$jobs" "$@" >"$root/build/$dir.build.log" 2>&1 \
    || { tail -n 60 "$root/build/$dir.build.log"; return 1; }
}

mkdir -p build
failed_builds=0
configure host -DLUNAVIRE_SANITIZE=ON -DLUNAVIRE_BENCH=ON && build host || failed_builds=$((failed_builds + 1))
configure tsan -DLUNAVIRE_TSAN=ON -DLUNAVIRE_BENCH=OFF && build tsan || failed_builds=$((failed_builds + 1))
configure fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DLUNAVIRE_FUZZ=ON -DLUNAVIRE_BENCH=OFF \
  && build fuzz payload_fuzz language_fuzz record_fuzz || failed_builds=$((failed_builds + 1))
configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DLUNAVIRE_BENCH=ON && build win64 \
  || failed_builds=$((failed_builds + 1))
configure win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DLUNAVIRE_BENCH=ON \
  -DLUNAVIRE_TWIN_SETUP="$root/build/win64/dist/Setup.exe" && build win32 || failed_builds=$((failed_builds + 1))

passed=0
failed=0
run_ctest() {  # dir, label
  local dir=$1 label=$2 log="$root/build/$1.ctest.log"
  [ -f "$root/build/$dir/CTestTestfile.cmake" ] || return 0
  echo "== testing $label"
  (cd "$root/build/$dir" && ctest --output-on-failure --timeout 900 "${@:3}") >"$log" 2>&1
  grep -E "tests passed|tests failed|^The following tests FAILED|\*\*\*Failed|Not Run|Timeout" "$log" | tail -n 20
  local line total bad
  line=$(grep -E "[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+" "$log" | tail -n 1)
  if [ -z "$line" ]; then
    grep -q "No tests were found" "$log" && return 0
    tail -n 40 "$log"; failed=$((failed + 1)); return 0
  fi
  bad=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "$line" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
  [ "$bad" -eq 0 ] || sed -n '/The following tests FAILED/,$p' "$log"
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

run_ctest host "host (ASan+UBSan)"
run_ctest tsan "host (TSan)"
run_ctest fuzz "fuzz targets"
if [ "$LUNAVIRE_WINE_ARCH" = win32 ]; then
  run_ctest win32 "32-bit Windows build under Wine"
  run_ctest win64 "64-bit twin, without Wine" -LE wine
else
  run_ctest win32 "32-bit Windows build, without Wine" -LE wine
  run_ctest win64 "64-bit twin under Wine"
fi

failed=$((failed + failed_builds))
echo
echo "Wine tests ran on build/$LUNAVIRE_WINE_ARCH: $LUNAVIRE_WINE_ARCH_WHY"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
