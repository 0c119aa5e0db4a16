#!/usr/bin/env bash
# map-discs.sh --prefix DIR DISC1 DISC2 DISC3 -- COMMAND...
# Maps three folders as the drives D:, E: and F: of a Wine prefix (made first
# when missing), runs the command, and puts the prefix's former drives back.
# A running wineserver keeps its drives: the command must start its own
# (tools/wine/run-in-wine.sh does, with a display of its own).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

prefix=""
[ "${1:-}" = "--prefix" ] && { prefix=$(realpath -m "$2"); shift 2; }
[ -n "$prefix" ] && [ $# -ge 5 ] && [ "$4" = "--" ] || {
  echo "usage: $0 --prefix DIR DISC1 DISC2 DISC3 -- COMMAND..." >&2; exit 2; }
folders=("$(realpath "$1")" "$(realpath "$2")" "$(realpath "$3")")
shift 4

[ -d "$prefix/dosdevices" ] || "$here/with-display.sh" "$here/run-in-wine.sh" --prefix "$prefix" cmd /c exit 0

saved=$(mktemp -d)
letters=(d e f)
restore() {
  for l in "${letters[@]}"; do
    rm -f "$prefix/dosdevices/$l:"
    [ -L "$saved/$l" ] && mv "$saved/$l" "$prefix/dosdevices/$l:"
  done
  rm -rf "$saved"
}
trap restore EXIT
for i in 0 1 2; do
  l=${letters[$i]}
  [ -L "$prefix/dosdevices/$l:" ] && mv "$prefix/dosdevices/$l:" "$saved/$l"
  rm -f "$prefix/dosdevices/$l:"
  ln -s "${folders[$i]}" "$prefix/dosdevices/$l:"
done
set +e
"$@"
rc=$?
set -e
exit $rc
