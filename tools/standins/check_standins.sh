#!/usr/bin/env bash
# check_standins.sh RUN_IN_WINE PREFIX STANDIN_FOLDER
# Runs each stand-in program, exactly as packed (padding included), under
# Wine: it must start, log its start and end by itself, with exit code 0,
# when asked to close after a second (by environment variable, as the
# installer passes no arguments, and once by command-line switch).
set -euo pipefail
run=$1 prefix=$2 folder=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/standins.XXXXXX")
trap 'rm -rf "$work"' EXIT
log="$work/log.txt"
winlog="Z:${log//\//\\}"
faults=0

check() {  # payload file-name [args...]
  local payload=$1 exe=$2
  shift 2
  cp "$folder/$payload" "$work/$exe"
  : >"$log"
  local start rc=0
  start=$(date +%s)
  LUNAVIRE_STANDIN_LOG="$winlog" timeout 300 "$run" --prefix "$prefix" "$work/$exe" "$@" >/dev/null 2>&1 || rc=$?
  local took=$(( $(date +%s) - start ))
  if [ "$rc" -ne 0 ]; then
    echo "FAULT $payload: exit code $rc after $took s"; faults=$((faults + 1))
  elif ! grep -q "^$exe started: " "$log"; then
    echo "FAULT $payload: no start logged ($(cat "$log"))"; faults=$((faults + 1))
  else
    echo "$payload ($exe): ran and closed itself, $took s"
  fi
}

export LUNAVIRE_STANDIN_AUTOCLOSE=1
check EX0/SOUNDS setvice.exe
check EX0/SOUND1 asr3232.exe
check GB_/KESTAL KESTAL.exe
check BIG/KESTAL KESTAL.exe
check GB_/CVANDRY CVandry.exe
check BIG/CVANDRY CVandry.exe
unset LUNAVIRE_STANDIN_AUTOCLOSE
check EX0/SOUND1 asr3232.exe /autoclose:1
exit $((faults > 0))
