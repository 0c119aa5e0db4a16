#!/usr/bin/env bash
# run-with-screenshot.sh [--prefix DIR] --shot FILE.png PROGRAM.exe [ARG...]
# Runs PROGRAM --hold MARKER [ARG...] in the test prefix; once the program
# has made MARKER (its windows are up) the whole display is saved to
# FILE.png and MARKER is deleted, which lets the program go on.  Exits with
# the program's exit code.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

shot=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) export LUNAVIRE_WINEPREFIX; LUNAVIRE_WINEPREFIX=$(realpath -m "$2"); shift 2 ;;
    --shot) shot=$(realpath -m "$2"); shift 2 ;;
    --) shift; break ;;
    -*) echo "run-with-screenshot: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ -z "$shot" ] || [ $# -eq 0 ]; then
  echo "usage: $0 [--prefix DIR] --shot FILE.png PROGRAM.exe [ARG...]" >&2
  exit 2
fi

lunavire_wine_env
if [ -z "${DISPLAY:-}" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec flock "$WINEPREFIX.run.lock" "$here/with-display.sh" "$0" --shot "$shot" "$@"
fi
"$here/prepare-prefix.sh"

program=$1
shift
mkdir -p "$(dirname "$shot")"
marker=$(mktemp -u "${TMPDIR:-/tmp}/lunavire-hold.XXXXXX")
win_marker=$(winepath -w "$marker" 2>/dev/null)

"$here/run-in-wine.sh" "$program" --hold "$win_marker" "$@" &
pid=$!
# Up to 5 minutes: Wine starts slowly on a busy machine.
for _ in $(seq 1 3000); do
  [ -e "$marker" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -e "$marker" ]; then
  import -window root "$shot"
  echo "run-with-screenshot: saved $shot" >&2
  rm -f "$marker"
else
  echo "run-with-screenshot: the program never showed its windows" >&2
fi
set +e
wait "$pid"
rc=$?
set -e
rm -f "$marker"
exit $rc
