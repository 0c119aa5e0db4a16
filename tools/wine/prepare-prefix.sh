#!/usr/bin/env bash
# prepare-prefix.sh [--prefix DIR] [--windows VERSION]
# Makes the Wine prefix that the tests and the program run in, once: locales,
# `wineboot -i`, Wine's virtual desktop (1600x1200, room for a window at twice the usual scale), Wine's caption-button
# font and CJK replacements for the fonts the windows ask for.  A prefix that is ready is left alone.
#
# --windows (or LUNAVIRE_WINDOWS) sets the Windows version the prefix reports, by winecfg's name for it (win7,
# win10, ...); a ready prefix takes it without being made again.  Without it a new prefix reports Wine's default
# (Windows 7 in Wine 8), and a prefix keeps the version it was last given.
set -Eeuo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) LUNAVIRE_WINEPREFIX=$(realpath -m "$2"); shift 2 ;;
    --windows) LUNAVIRE_WINDOWS=$2; shift 2 ;;
    *) echo "usage: $0 [--prefix DIR] [--windows VERSION]" >&2; exit 2 ;;
  esac
done
lunavire_wine_env

# Bump when the set-up below changes, so old prefixes are redone.
version=5
marker="$WINEPREFIX/.lunavire-ready"
# The version set by --windows, apart from the marker: changing it redoes nothing else.
windows="${LUNAVIRE_WINDOWS:-}"
windows_marker="$WINEPREFIX/.lunavire-windows"

ensure_locales() {
  local missing=() l
  for l in zh_CN.UTF-8 zh_TW.UTF-8; do
    local norm
    norm=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
    locale -a 2>/dev/null | tr 'A-Z' 'a-z' | grep -qx "$norm" || missing+=("$l")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "prepare-prefix: locales ${missing[*]} are missing; run tools/setup-debian.sh as root" >&2
    exit 1
  fi
  for l in "${missing[@]}"; do
    grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" >>/etc/locale.gen
  done
  locale-gen >/dev/null
}

prepare() {
  local t
  t=$(lunavire_now)
  ensure_locales
  lunavire_took "locales" "$t"

  if [ ! -f "$marker" ] || [ "$(cat "$marker")" != "$version" ]; then
    make_prefix
  fi
  if [ -n "$windows" ]; then
    set_windows
  fi
}

make_prefix() {
  local t
  mkdir -p "$WINEPREFIX"

  check_loader
  t=$(lunavire_now)
  # No Mono or Gecko: their installers would wait for a click nobody gives.
  local log="$WINEPREFIX.wineboot.log" rc=0
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" wineboot -i >"$log" 2>&1 || rc=$?
  wineserver -w || true
  if [ "$rc" -ne 0 ]; then
    echo "prepare-prefix: wineboot -i failed with exit code $rc; its last lines ($log):" >&2
    tail -n 20 "$log" >&2
    exit 1
  fi
  lunavire_took "wineboot -i" "$t"

  # Wine draws the caption buttons (close, minimise, maximise) as glyphs of
  # its Marlett font.  Debian's Wine looks for its own fonts in /usr/share/fonts
  # rather than where fonts-wine puts them, and fontconfig does not list that
  # folder either: without Marlett the buttons show the letters "r", "0", "1".
  # Only Marlett goes into the prefix's font folder: that folder's
  # "MS Sans Serif" would take the place of the CJK replacement below.
  local marlett=/usr/share/wine/fonts/marlett.ttf
  [ -f "$marlett" ] || {
    echo "prepare-prefix: $marlett is missing; run tools/setup-debian.sh (fonts-wine)" >&2
    exit 1
  }
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  ln -sfn "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"

  t=$(lunavire_now)
  local reg
  reg=$(mktemp --suffix=.reg)
  # REGEDIT4 files are read in the ANSI code page: the Chinese name is
  # written as GBK, and the import runs under the zh_CN locale.
  {
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1600x1200"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"SimSun"="AR PL UMing CN"\r\n'
    printf '"NSimSun"="AR PL UMing CN"\r\n'
    printf '"%s"="AR PL UMing CN"\r\n' "$(printf '宋体' | iconv -f UTF-8 -t GBK)"
    printf '"MingLiU"="AR PL UMing TW"\r\n'
    printf '"%s"="AR PL UMing TW"\r\n' "$(printf '細明體' | iconv -f UTF-8 -t GBK)"
    printf '"MS Sans Serif"="WenQuanYi Micro Hei"\r\n'
    printf '"MS Shell Dlg"="WenQuanYi Micro Hei"\r\n\r\n'
    # A Simplified Chinese Windows associates the GB2312 character set with
    # its fonts; the installer reads that to choose its start-up language.
    printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\FontAssoc\\Associated Charset]\r\n'
    printf '"GB2312(86)"="YES"\r\n\r\n'
  } >"$reg"
  LC_ALL=zh_CN.UTF-8 wine regedit /s "$(winepath -w "$reg")" >/dev/null 2>&1
  rm -f "$reg"
  # regedit says 0 even when it read nothing: check what it wrote.
  wine reg query 'HKCU\Software\Wine\Explorer\Desktops' /v Default >/dev/null 2>&1 || {
    echo "prepare-prefix: registry import failed" >&2
    exit 1
  }
  wine reg query 'HKLM\System\CurrentControlSet\Control\FontAssoc\Associated Charset' /v 'GB2312(86)' \
    >/dev/null 2>&1 || {
    echo "prepare-prefix: font association missing" >&2
    exit 1
  }
  wine reg query 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun >/dev/null 2>&1 || {
    echo "prepare-prefix: font replacements missing" >&2
    exit 1
  }
  # The desktop setting is read when the wineserver starts.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  lunavire_took "registry settings" "$t"

  echo "$version" >"$marker"
}

# Wine's loader must start before anything can: say why when it cannot.
check_loader() {
  local out rc=0
  out=$(wine --version 2>&1) || rc=$?
  [ "$rc" -eq 0 ] && return 0
  if [ "$LUNAVIRE_WINE_ARCH" = win32 ] && ! lunavire_runs_i386; then
    echo "prepare-prefix: Wine's 32-bit loader cannot start (exit code $rc): this machine does not run 32-bit" \
      "programs (the kernel's 32-bit emulation is off).  Run the 64-bit build instead: leave LUNAVIRE_WINE_ARCH" \
      "unset, or set it to win64." >&2
  else
    echo "prepare-prefix: Wine does not start ('wine --version' ended with exit code $rc): ${out:-no output}" >&2
  fi
  exit 1
}

set_windows() {
  [ -f "$windows_marker" ] && [ "$(cat "$windows_marker")" = "$windows" ] && return 0
  local t now
  t=$(lunavire_now)
  # winecfg writes the version into the registry (HKLM\Software\Microsoft\Windows NT\CurrentVersion) and says
  # nothing when it does not know the name: ask it back.
  if ! wine winecfg -v "$windows" >/dev/null 2>&1; then
    echo "prepare-prefix: winecfg -v $windows failed" >&2
    exit 1
  fi
  now=$(wine winecfg -v 2>/dev/null | tr -d '\r' | tail -n 1) || true
  if [ "$now" != "$windows" ]; then
    echo "prepare-prefix: the prefix reports ${now:-nothing}, not $windows (see winecfg -v)" >&2
    exit 1
  fi
  wineserver -w
  echo "$windows" >"$windows_marker"
  lunavire_took "Windows version $windows" "$t"
}

mkdir -p "$(dirname "$WINEPREFIX")"
# Tests may start in parallel: one preparation at a time.
# Whatever else fails is named with its exit code, never left bare (the
# failures foreseen above say their own cause and exit).
trap 'echo "prepare-prefix: \"$BASH_COMMAND\" failed with exit code $?" >&2' ERR
exec 9>"$WINEPREFIX.lock"
flock 9
t_all=$(lunavire_now)
prepare
lunavire_took "prefix ready ($WINEPREFIX)" "$t_all"
