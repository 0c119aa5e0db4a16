#!/usr/bin/env bash
# Installs what building, running and testing the installer needs on Debian 12.
# Quick when everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686 libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  wine wine64 fonts-wine xvfb xauth x11-utils imagemagick
  fonts-wqy-microhei fonts-arphic-uming locales
  python3 python3-pefile liblnk-utils
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The installer is a 32-bit program: Wine runs it with Debian's 32-bit Wine
# where this machine runs 32-bit programs.  Where it does not (the kernel's
# 32-bit emulation is off), the tests run the 64-bit twin under the 64-bit
# Wine alone, and the 32-bit loader, which could not start, is not installed.
# shellcheck source=wine/common.sh
. "$(dirname "$0")/wine/common.sh"
lunavire_wine_arch || exit 1
if [ "$LUNAVIRE_WINE_ARCH" = win32 ]; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  # A mirror caught mid-sync fails an index now and then: try again, and go
  # on with the indexes there are when the packages can still be had.
  for attempt in 1 2 3 4 5; do
    $sudo apt-get update -qq && break
    echo "setup: apt-get update failed (attempt $attempt), trying again"
    sleep $((attempt * 10))
  done
  for attempt in 1 2 3; do
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null \
      && break
    [ "$attempt" -lt 3 ] || exit 1
    echo "setup: apt-get install failed (attempt $attempt), trying again"
    sleep $((attempt * 15))
    $sudo apt-get update -qq || true
  done
fi

# Wine takes its ANSI code page from the locale: 936 from zh_CN, 950 from zh_TW.
want_locales=(zh_CN.UTF-8 zh_TW.UTF-8 en_US.UTF-8)
have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf8/utf-8/')
need_gen=0
for l in "${want_locales[@]}"; do
  lc=$(echo "$l" | tr 'A-Z' 'a-z')
  echo "$have" | grep -qx "$lc" && continue
  need_gen=1
  grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
done
if [ $need_gen -eq 1 ]; then
  $sudo locale-gen >/dev/null
fi
