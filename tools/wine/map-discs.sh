#!/usr/bin/env bash
# map-discs.sh --prefix DIR DISC1 DISC2 DISC3 -- COMMAND...
# Maps three folders as the CD drives D:, E: and F: of a Wine prefix (made
# first when missing; Wine's drive type "cdrom", as a disc or a mounted disc
# image is), runs the command, and puts the prefix's former drives back.
# A running wineserver keeps its drives: the command must start its own
# (tools/wine/run-in-wine.sh does, with a display of its own).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

prefix=""
[ "${1:-}" = "--prefix" ] && { prefix=$(realpath -m "$2"); shift 2; }
[ -n "$prefix" ] && [ $# -ge 5 ] && [ "$4" = "--" ] || {
  echo "usage: $0 --prefix DIR DISC1 DISC2 DISC3 -- COMMAND..." >&2; exit 2; }
# A folder that does not exist is a drive without a disc.
folders=("$(realpath -m "$1")" "$(realpath -m "$2")" "$(realpath -m "$3")")
shift 4

[ -d "$prefix/dosdevices" ] || "$here/with-display.sh" "$here/run-in-wine.sh" --prefix "$prefix" cmd /c exit 0

saved=$(mktemp -d)
letters=(d e f)
# Wine reads a drive's type from its registry when its server starts: the
# command's own server sees these (in the system's own view of the
# registry: the drive manager is a 64-bit program).
drive_types() {  # add|delete
  local cmds=() l
  for l in "${letters[@]}"; do
    if [ "$1" = add ]; then
      cmds+=("reg add HKLM\\Software\\Wine\\Drives /v $l: /d cdrom /f /reg:64")
    else
      cmds+=("reg delete HKLM\\Software\\Wine\\Drives /v $l: /f /reg:64")
    fi
  done
  local IFS='&'
  "$here/run-in-wine.sh" --prefix "$prefix" cmd /c "${cmds[*]}" >/dev/null 2>&1
}
restore() {
  for l in "${letters[@]}"; do
    rm -f "$prefix/dosdevices/$l:"
    [ -L "$saved/$l" ] && mv "$saved/$l" "$prefix/dosdevices/$l:"
  done
  rm -rf "$saved"
  drive_types delete || true
}
trap restore EXIT
for i in 0 1 2; do
  l=${letters[$i]}
  [ -L "$prefix/dosdevices/$l:" ] && mv "$prefix/dosdevices/$l:" "$saved/$l"
  rm -f "$prefix/dosdevices/$l:"
  ln -s "${folders[$i]}" "$prefix/dosdevices/$l:"
done
drive_types add
set +e
"$@"
rc=$?
set -e
exit $rc
