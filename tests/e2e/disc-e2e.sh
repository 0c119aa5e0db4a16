#!/usr/bin/env bash
# disc-e2e.sh --discs DIR --dist DIR [--standin PROGRAM.exe] [--no-disc N] -- RUN-E2E-ARGS...
# Lays out the three stand-in discs in DIR (tools/discs/make_discs.py, small),
# puts Setup.exe and its language files at the root of disc 1, maps the discs
# as drives D:, E: and F: of the test prefix, and runs run-e2e.sh with the
# remaining arguments.  The drives the prefix had before come back afterwards.
# With --no-disc N (2 or 3) the Nth drive holds no disc: it points at a folder
# that does not exist, which Wine lists as a CD drive that cannot be read.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

discs="" dist="" standin="" nodisc=""
while [ $# -gt 0 ]; do
  case "$1" in
    --discs) discs=$2; shift 2 ;;
    --dist) dist=$2; shift 2 ;;
    --standin) standin=$2; shift 2 ;;
    --no-disc) nodisc=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "disc-e2e: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$discs" ] && [ -n "$dist" ] || { echo "usage: $0 --discs DIR --dist DIR -- RUN-E2E-ARGS..." >&2; exit 2; }

prefix=""
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  [ "${args[$i]}" = "--prefix" ] && prefix=$(realpath -m "${args[$((i + 1))]}")
done
[ -n "$prefix" ] || { echo "disc-e2e: no --prefix among the run-e2e arguments" >&2; exit 2; }

rm -rf "$discs"
python3 "$root/tools/discs/make_discs.py" "$discs" --size small --manifest "$discs/manifest.tsv" \
  ${standin:+--setup-program "$standin"}
cp "$dist"/Setup.exe "$dist"/*.ini "$discs/disc1/"

drives=("$discs/disc1" "$discs/disc2" "$discs/disc3")
case "$nodisc" in
  "") ;;
  2|3) drives[$((nodisc - 1))]="$discs/no-disc-in-drive" ;;
  *) echo "disc-e2e: --no-disc takes 2 or 3" >&2; exit 2 ;;
esac

exec "$root/tools/wine/map-discs.sh" --prefix "$prefix" "${drives[@]}" \
  -- "$here/run-e2e.sh" "$@"
