#!/usr/bin/env bash
# run-e2e.sh --prefix DIR --artifacts DIR --exe PROGRAM.exe -- TESTS.exe [ARG...]
# Runs an end-to-end test program under Wine (in an Xvfb when there is no
# display) against PROGRAM.exe, keeps its screenshots in the artifacts folder
# and adds a PNG beside each new BMP when ImageMagick is there.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

prefix="" artifacts="" exe=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=$2; shift 2 ;;
    --artifacts) artifacts=$2; shift 2 ;;
    --exe) exe=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "run-e2e: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$prefix" ] || [ -z "$artifacts" ] || [ -z "$exe" ] || [ $# -eq 0 ]; then
  echo "usage: $0 --prefix DIR --artifacts DIR --exe PROGRAM.exe -- TESTS.exe [ARG...]" >&2
  exit 2
fi
[ -f "$exe" ] || { echo "run-e2e: $exe is missing" >&2; exit 1; }

# Wine's drive Z: is the host's root.
windows_path() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

mkdir -p "$artifacts"
since=$(mktemp)
trap 'rm -f "$since"' EXIT

tests=$1
shift
set +e
"$root/tools/wine/run-in-wine.sh" --prefix "$prefix" "$tests" \
  --exe="$(windows_path "$exe")" --artifacts="$(windows_path "$artifacts")" "$@"
rc=$?
set -e

if command -v convert >/dev/null 2>&1; then
  find "$artifacts" -maxdepth 1 -name '*.bmp' -newer "$since" -print0 |
    while IFS= read -r -d '' bmp; do
      convert "$bmp" "${bmp%.bmp}.png" && echo "run-e2e: screenshot ${bmp%.bmp}.png"
    done
fi
exit $rc
