#!/usr/bin/env bash
# run-in-wine.sh [--prefix DIR] [--locale LOCALE] [--windows VERSION] PROGRAM.exe [ARG...]
# Runs a Windows program in the test prefix (prepared on first use), with a
# display (an Xvfb when none is set), and exits with the program's exit code.
# --windows (or LUNAVIRE_WINDOWS) is the Windows version the prefix reports,
# by winecfg's name (prepare-prefix.sh).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) export LUNAVIRE_WINEPREFIX; LUNAVIRE_WINEPREFIX=$(realpath -m "$2"); shift 2 ;;
    --locale) export LUNAVIRE_LOCALE="$2"; shift 2 ;;
    --windows) export LUNAVIRE_WINDOWS="$2"; shift 2 ;;
    --) shift; break ;;
    -*) echo "run-in-wine: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ $# -eq 0 ]; then
  echo "usage: $0 [--prefix DIR] [--locale LOCALE] [--windows VERSION] PROGRAM.exe [ARG...]" >&2
  exit 2
fi

lunavire_wine_env
if [ -z "${DISPLAY:-}" ]; then
  # A prefix's wineserver is bound to the display of its first program and
  # is stopped with that display: runs on one prefix, each with a display of
  # its own, take turns.
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec flock "$WINEPREFIX.run.lock" "$here/with-display.sh" "$0" "$@"
fi
"$here/prepare-prefix.sh"
# Let with-display.sh stop this prefix's wineserver with its Xvfb.
if [ -n "${LUNAVIRE_XSTATE:-}" ]; then
  echo "$WINEPREFIX" >>"$LUNAVIRE_XSTATE/prefixes"
fi

t=$(lunavire_now)
set +e
wine "$@"
rc=$?
set -e
lunavire_took "$(basename "$1") (exit $rc)" "$t"
exit $rc
