# Shared settings of the Wine scripts; sourced, not run.
#
# The prefix is taken from LUNAVIRE_WINEPREFIX (set by --prefix in the
# scripts); without it, ./wineprefix under the current folder.

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
}

lunavire_now() { date +%s.%N; }

# Prints "step: N.NN s" to stderr.
lunavire_took() {
  local step=$1 start=$2
  awk -v s="$start" -v e="$(lunavire_now)" -v n="$step" \
    'BEGIN { printf "wine: %s: %.2f s\n", n, e - s }' >&2
}
