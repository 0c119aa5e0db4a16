#!/usr/bin/env bash
# small-disk.sh --dir DIR --size SIZE -- COMMAND [ARG...]
# Mounts a tmpfs of SIZE (as mount takes it: 1400k) on DIR, runs COMMAND with
# LUNAVIRE_SMALL_DISK naming DIR as Wine's drive Z: does, and unmounts it
# again.  Where no file system can be mounted (not root, or a container
# without the right) it says so and exits 77, which the test runner counts
# as skipped.
set -uo pipefail

dir="" size=""
while [ $# -gt 0 ]; do
  case "$1" in
    --dir) dir=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "small-disk: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$dir" ] || [ -z "$size" ] || [ $# -eq 0 ]; then
  echo "usage: $0 --dir DIR --size SIZE -- COMMAND [ARG...]" >&2
  exit 2
fi

mkdir -p "$dir"
dir=$(realpath "$dir")
# One left mounted by an interrupted run.
mountpoint -q "$dir" && umount "$dir"
if ! err=$(mount -t tmpfs -o "size=$size,mode=0777" lunavire-small-disk "$dir" 2>&1); then
  echo "small-disk: cannot mount a tmpfs on $dir (${err:-not permitted}): skipped"
  exit 77
fi
unmount() {
  # Wine's server may still hold the folder for a moment.
  umount "$dir" 2>/dev/null || { sleep 1; umount "$dir" 2>/dev/null; } || umount -l "$dir"
}
trap unmount EXIT
echo "small-disk: $(df -k --output=size,avail "$dir" | tail -n 1 | awk '{print $1 " KB, " $2 " KB free"}') on $dir"

export LUNAVIRE_SMALL_DISK
LUNAVIRE_SMALL_DISK="Z:$(printf '%s' "$dir" | tr / '\\')"
"$@"
rc=$?
trap - EXIT
unmount
exit $rc
