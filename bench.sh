#!/usr/bin/env bash
# Builds and runs every benchmark and prints each figure beside its baseline
# and their ratio, as the median and [min, max] over repeated rounds:
#   payload_bench   payload extraction against a bare zlib inflate + write (host)
#   bench_handover  the platform's hand-over against a one-thread copy loop (Wine)
#   patch_bench     a whole patch run against bare inflates + writes (Wine)
#   copy_bench      the file copy component against a one-thread copy loop (Wine)
#   disc_bench      the disc installation of CD-sized stand-in discs against a
#                   one-thread copy loop of the same files (Wine)
#   picker_bench    the folder picker opening folders of 1000 and 5000
#                   subfolders (Wine)
#   startup_bench   Setup.exe's main window against a trivial window program
#                   and the same window without our code, from CreateProcess
#                   to the first visible window (Wine)
# Timing on a shared machine is noisy: the load average is printed with each.
# ROUNDS (default 5) sets the repetitions.  The Wine benchmarks run the
# 32-bit build that ships where this machine runs 32-bit programs and its
# 64-bit twin otherwise (LUNAVIRE_WINE_ARCH=win32|win64 forces the choice).
# Installs what it needs first.
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=${JOBS:-$(nproc)}
rounds=${ROUNDS:-5}
wine=$root/tools/wine
# shellcheck source=tools/wine/common.sh
. "$wine/common.sh"
lunavire_wine_arch || exit 1
arch=$LUNAVIRE_WINE_ARCH
win=$root/build/$arch
prefix=$win/tests/e2e/wineprefix
toolchain=$root/cmake/mingw-w64.cmake
[ "$arch" = win32 ] || toolchain=$root/cmake/mingw-w64-x86_64.cmake

tools/setup-debian.sh || exit 1
echo "== the Wine benchmarks run build/$arch: $LUNAVIRE_WINE_ARCH_WHY"

build() {  # dir, cmake arguments..., -- targets...
  local dir=$1; shift
  local args=()
  while [ "$1" != "--" ]; do args+=("$1"); shift; done
  shift
  echo "== building $* in build/$dir"
  mkdir -p build
  cmake -S "$root" -B "$root/build/$dir" -G Ninja -Wno-dev "${args[@]}" >"$root/build/$dir.configure.log" 2>&1 \
    || { cat "$root/build/$dir.configure.log"; exit 1; }
  ninja -C "$root/build/$dir" -j"$jobs" "$@" >"$root/build/$dir.build.log" 2>&1 \
    || { tail -n 40 "$root/build/$dir.build.log"; exit 1; }
}

build bench-host -DLUNAVIRE_BENCH=ON -- payload_bench
build "$arch" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DLUNAVIRE_BENCH=ON \
  -- bench_handover patch_bench copy_bench disc_bench picker_bench startup_bench trivial_window same_window Setup

# A target's program, wherever its folder puts it.
program() { find "$root/build/$1" -name "$2" -type f | head -n 1; }
in_wine() { "$wine/with-display.sh" "$wine/run-in-wine.sh" --prefix "$prefix" "$@" 2>/dev/null; }
load() { echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"; }

# Median and [min, max] of the numbers on stdin.
spread() {
  sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "n/a"; exit }
    printf "%10.3f  [%.3f, %.3f]", v[int((NR + 1) / 2)], v[1], v[NR] }'
}

# Prints one figure of a log: label, unit, pattern of its lines, awk field.
figure() {
  printf "  %-44s %s %s\n" "$1" "$(grep -E "$4" "$3" | awk "{ print \$$5 }" | spread)" "$2"
}

echo
echo "== payload_bench: GAME00 extraction, $rounds runs of 15 rounds each (medians of each run)"
load
log=$(mktemp)
container=$(find "$root/build/bench-host" -path "*GB_*" -name GAME00.lvz | head -n 1)
for _ in $(seq "$rounds"); do "$(program bench-host payload_bench)" "$container" >>"$log"; done
figure "bare zlib inflate + write (baseline)" ms "$log" "^bare zlib" 6
figure "extractPayload" ms "$log" "^extractPayload" 2
figure "ratio (target <= 1.15)" "" "$log" "^ratio" 2
grep -h FAIL "$log"

echo
echo "== bench_handover: 64 MiB in 1024-byte steps, $rounds runs"
load
: >"$log"
for _ in $(seq "$rounds"); do in_wine "$(program "$arch" bench_handover.exe)" >>"$log"; done
figure "(a) one thread (baseline)" MB/s "$log" "\(a\)" 4
figure "(b) handed over, UI on processMessages" MB/s "$log" "\(b\)" 7
figure "    ratio (b)/(a)" "" "$log" "\(b\)" 10
figure "(c) handed over, UI on handleMessage" MB/s "$log" "\(c\)" 7
figure "    ratio (c)/(a)" "" "$log" "\(c\)" 10
grep -h FAIL "$log"
load

echo
echo "== patch_bench: whole patch run, $((rounds * 3)) rounds"
load
# The folder the build packed: real payloads when it was given one, else the stand-ins.
files=$(sed -n 's/^LUNAVIRE_PAYLOAD_DIR:[A-Z]*=//p' "$win/CMakeCache.txt")
[ -n "$files" ] || files=$win/payloads/standins
scratch=$win/bench/scratch
mkdir -p "$scratch"
in_wine "$(program "$arch" patch_bench.exe)" "Z:${files//\//\\}" "Z:${scratch//\//\\}" --rounds $((rounds * 3))
load

echo
echo "== copy_bench: TKqFileCopy, 64 MiB, $((rounds * 2)) rounds"
load
in_wine "$(program "$arch" copy_bench.exe)" --rounds $((rounds * 2))
load

echo
echo "== disc_bench: the disc installation of CD-sized stand-in discs (650 MiB), $rounds rounds"
discs=$root/build/bench-discs-cd
python3 "$root/tools/discs/make_discs.py" "$discs" --size cd --merged
load
in_wine "$(program "$arch" disc_bench.exe)" --rounds "$rounds" "Z:${discs//\//\\}" "Z:${scratch//\//\\}"
load

echo
echo "== picker_bench: folders of 1000 and 5000 subfolders on drive C opened in the picker, $rounds rounds"
load
in_wine "$(program "$arch" picker_bench.exe)" --rounds "$rounds" --counts 1000,5000 'C:\picker-bench'
load

echo
echo "== startup_bench: Setup.exe's main window against a trivial window and the same window without our code," \
  "$((rounds + 2)) interleaved rounds"
load
in_wine "$(program "$arch" startup_bench.exe)" --rounds $((rounds + 2)) "$win/dist/Setup.exe" \
  "$(program "$arch" trivial_window.exe)" "$(program "$arch" same_window.exe)"
load
rm -f "$log"
