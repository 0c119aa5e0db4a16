# Shared settings of the Wine scripts; sourced, not run.
#
# The prefix is taken from LUNAVIRE_WINEPREFIX (set by --prefix in the
# scripts); without it, ./wineprefix under the current folder.

lunavire_wine_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Whether this machine's kernel starts 32-bit (i386) programs: it runs a
# 96-byte i386 program that exits with 42.  A kernel with its 32-bit emulation
# off refuses it ("Exec format error").  LUNAVIRE_I386_PROBE names another
# program to try instead (the probe's own tests).
lunavire_runs_i386() {
  local probe=${LUNAVIRE_I386_PROBE:-} rc=0
  if [ -z "$probe" ]; then
    probe=$(mktemp "${TMPDIR:-/tmp}/lunavire-i386.XXXXXX")
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' >"$probe"
    chmod +x "$probe"
    (exec "$probe") >/dev/null 2>&1 || rc=$?
    rm -f "$probe"
  else
    (exec "$probe") >/dev/null 2>&1 || rc=$?
  fi
  [ "$rc" -eq 42 ]
}

# Which Windows build the Wine tests, run.sh and bench.sh use, and why, in
# LUNAVIRE_WINE_ARCH (win32 or win64) and LUNAVIRE_WINE_ARCH_WHY.  The
# shipped 32-bit build where this machine runs 32-bit programs; otherwise its
# 64-bit twin (build/win64), which Wine's 64-bit loader runs.
# LUNAVIRE_WINE_ARCH=win32|win64 forces the choice.  Returns 1 on a bad value.
lunavire_wine_arch() {
  case "${LUNAVIRE_WINE_ARCH:-}" in
    win32|win64)
      LUNAVIRE_WINE_ARCH_WHY="forced by LUNAVIRE_WINE_ARCH=$LUNAVIRE_WINE_ARCH" ;;
    "")
      if lunavire_runs_i386; then
        LUNAVIRE_WINE_ARCH=win32
        LUNAVIRE_WINE_ARCH_WHY="this machine runs 32-bit programs"
      else
        LUNAVIRE_WINE_ARCH=win64
        LUNAVIRE_WINE_ARCH_WHY="this machine cannot run 32-bit programs (the kernel's 32-bit emulation is off)"
      fi ;;
    *)
      echo "LUNAVIRE_WINE_ARCH is '$LUNAVIRE_WINE_ARCH'; it must be win32 or win64" >&2
      return 1 ;;
  esac
  export LUNAVIRE_WINE_ARCH LUNAVIRE_WINE_ARCH_WHY
}

lunavire_wine_env() {
  LUNAVIRE_WINEPREFIX=$(realpath -m "${LUNAVIRE_WINEPREFIX:-$PWD/wineprefix}")
  export LUNAVIRE_WINEPREFIX
  export WINEPREFIX="$LUNAVIRE_WINEPREFIX"
  export WINEARCH=win64
  export WINEDEBUG="${WINEDEBUG:--all}"
  # Saving a shell link would start winemenubuilder, which writes into the
  # host's menus.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d}"
  # The ANSI code page comes from the locale: 936 for zh_CN, 950 for zh_TW.
  export LC_ALL="${LUNAVIRE_LOCALE:-zh_CN.UTF-8}"
  # Debian's wine and wine-stable (which wineboot, regedit and the other
  # launchers call) take the 32-bit loader whenever wine32 is installed, and
  # that loader cannot start where the kernel runs no 32-bit program.  Where
  # the 64-bit build is chosen both go to the 64-bit loader instead (the
  # wineserver script takes the 64-bit server first anyway), so that a
  # wine32 left installed does no harm.
  [ -n "${LUNAVIRE_WINE_ARCH:-}" ] || lunavire_wine_arch || return 1
  if [ "${LUNAVIRE_WINE_ARCH:-}" = win64 ] && [[ ":$PATH:" != *":$lunavire_wine_dir/loader64:"* ]]; then
    export PATH="$lunavire_wine_dir/loader64:$PATH"
    export WINELOADER=/usr/lib/wine/wine64
  fi
}

lunavire_now() { date +%s.%N; }

# Prints "step: N.NN s" to stderr.
lunavire_took() {
  local step=$1 start=$2
  awk -v s="$start" -v e="$(lunavire_now)" -v n="$step" \
    'BEGIN { printf "wine: %s: %.2f s\n", n, e - s }' >&2
}
