#!/usr/bin/env bash
# with-display.sh CMD [ARG...]
# Runs CMD with an X display.  When DISPLAY is unset, an Xvfb is started for
# the command and stopped afterwards, together with every wineserver that
# run-in-wine.sh started on it (a wineserver outliving its display would
# hand the next run a desktop on a dead X server).
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 CMD [ARG...]" >&2
  exit 2
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

state=$(mktemp -d "${TMPDIR:-/tmp}/lunavire-x.XXXXXX")
xvfb_pid=""

cleanup() {
  local rc=$?
  if [ -f "$state/prefixes" ]; then
    sort -u "$state/prefixes" | while read -r prefix; do
      WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    done
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$state"
  exit $rc
}
trap cleanup EXIT
trap 'exit 130' INT TERM

t0=$(lunavire_now)
# -displayfd picks a free display number and reports it once the server
# accepts connections.
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$state/display" 2>"$state/xvfb.log" &
xvfb_pid=$!
# Up to 60 s: a busy machine can keep a new X server from answering.
for _ in $(seq 1 1200); do
  [ -s "$state/display" ] && break
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "with-display: Xvfb failed:" >&2
    cat "$state/xvfb.log" >&2
    exit 1
  fi
  sleep 0.05
done
if [ ! -s "$state/display" ]; then
  echo "with-display: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$state/display")"
export LUNAVIRE_XSTATE="$state"
lunavire_took "Xvfb start ($DISPLAY)" "$t0"

set +e
"$@"
rc=$?
set -e
exit $rc
