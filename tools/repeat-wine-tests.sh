#!/usr/bin/env bash
# repeat-wine-tests.sh N [REGEX]
# Runs the Wine tests of the Windows build (the ctest tests labelled "wine"
# in build/win32, or in build/win64 where this machine runs no 32-bit program,
# as ./test.sh chooses; only those matching REGEX when it is given) N times in
# a row, building first, and prints per test how often it ran and failed.
# Exits 1 when any run of any test failed, 2 when it could not build.
#
# Each run's ctest output is kept in build/<win32|win64>/repeat-logs/run-K.log.
# BUILD_DIR sets another build folder, JOBS the build's parallel jobs (2).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() { echo "usage: $0 N [ctest -R regex]" >&2; exit 2; }
[ $# -ge 1 ] && [ $# -le 2 ] || usage
runs=$1
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || usage
regex=${2:-}
# shellcheck source=wine/common.sh
. "$root/tools/wine/common.sh"
lunavire_wine_arch || exit 2
build=${BUILD_DIR:-$root/build/$LUNAVIRE_WINE_ARCH}
toolchain=$root/cmake/mingw-w64.cmake
[ "$LUNAVIRE_WINE_ARCH" = win32 ] || toolchain=$root/cmake/mingw-w64-x86_64.cmake
logs=$build/repeat-logs
echo "== Wine tests of $build: $LUNAVIRE_WINE_ARCH_WHY"

tools/setup-debian.sh >/dev/null || { echo "repeat-wine-tests: tools/setup-debian.sh failed" >&2; exit 2; }
mkdir -p "$build"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    >"$build.configure.log" 2>&1 || { tail -n 40 "$build.configure.log"; exit 2; }
fi
echo "== building $build"
ninja -C "$build" -j"${JOBS:-2}" >"$build.build.log" 2>&1 || { tail -n 60 "$build.build.log"; exit 2; }

rm -rf "$logs"
mkdir -p "$logs"
filter=(-L wine)
[ -n "$regex" ] && filter+=(-R "$regex")
for ((k = 1; k <= runs; k++)); do
  start=$(date +%s)
  (cd "$build" && ctest "${filter[@]}" --output-on-failure) >"$logs/run-$k.log" 2>&1
  summary=$(grep -E "tests passed|No tests were found" "$logs/run-$k.log" | tail -n 1)
  echo "== run $k/$runs: ${summary:-no summary, see $logs/run-$k.log} ($(($(date +%s) - start)) s, load $(cut -d' ' -f1-3 /proc/loadavg))"
done

# One line per test and run in ctest's output: "  3/9 Test #13: name .....   Passed   51.34 sec".
python3 - "$logs" "$runs" <<'EOF'
import re, sys, pathlib
logs, runs = pathlib.Path(sys.argv[1]), int(sys.argv[2])
line = re.compile(r"^\s*\d+/\d+ Test\s+#\d+: (\S+) \.*\s*(.*?)\s*$")
order, ran, failed, skipped = [], {}, {}, {}
for k in range(1, runs + 1):
    seen = set()
    for text in (logs / f"run-{k}.log").read_text(errors="replace").splitlines():
        m = line.match(text)
        if not m:
            continue
        name, status = m.groups()
        if name not in ran:
            order.append(name)
            ran[name] = failed[name] = skipped[name] = 0
        seen.add(name)
        if "Skipped" in status:
            skipped[name] += 1
        else:
            ran[name] += 1
            if not status.startswith("Passed"):
                failed[name] += 1
    # A test that a run did not report at all (ctest ended early) failed in it.
    for name in order:
        if name not in seen:
            ran[name] += 1
            failed[name] += 1
if not order:
    print("no Wine tests ran; see", logs)
    sys.exit(1)
width = max(len("test"), *(len(n) for n in order))
print(f"\n{'test':<{width}}  {'runs':>4}  {'failures':>8}  {'skipped':>7}")
for name in order:
    print(f"{name:<{width}}  {ran[name]:>4}  {failed[name]:>8}  {skipped[name]:>7}")
total = sum(failed.values())
print(f"\n{len(order)} tests, {runs} runs each: {total} failed runs" + (f"; logs in {logs}" if total else ""))
sys.exit(1 if total else 0)
EOF
