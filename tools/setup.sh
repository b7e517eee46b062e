#!/bin/bash
# Installs, as root on Debian 12, everything the build and the tests need, and unpacks the
# source packages of TinyXML and minizip under the dependency folder (outside the tracked tree).
# Safe to run again: a ready machine only checks.
set -euo pipefail

DEPS_DIR=${VELA_DEPS_DIR:-/opt/velamusic-deps}
PACKAGES=(
  cmake make python3 git
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  libz-mingw-w64-dev libstb-dev googletest
  wine wine32:i386 xvfb xauth
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  # Where the kernel runs no 32-bit programs, tests run a 64-bit build under 64-bit Wine.
  wine64 g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  fonts-wqy-microhei sox lame imagemagick x11-apps x11-utils curl dpkg-dev locales
)

need_root() { [ "$(id -u)" = 0 ] || { echo "setup.sh must run as root" >&2; exit 1; }; }

missing_packages() {
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

enable_sources() {
  local changed=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386; changed=1
  fi
  local f=/etc/apt/sources.list.d/debian.sources
  if [ -f "$f" ] && grep -q '^Types: deb$' "$f"; then
    sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"; changed=1
  fi
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list \
     && ! grep -q '^deb-src ' /etc/apt/sources.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >> /etc/apt/sources.list; changed=1
  fi
  echo $changed
}

fetch_source() {  # fetch_source <package> <dir-glob>
  local pkg=$1 glob=$2
  if compgen -G "$DEPS_DIR/$glob/" >/dev/null; then return 0; fi
  mkdir -p "$DEPS_DIR"
  ( cd "$DEPS_DIR" && apt-get source -qq "$pkg" ) && return 0
  # The security mirror may lack a source: take the main archive's version.
  local v
  v=$(apt-cache showsrc "$pkg" | awk '/^Version:/{print $2}' | sort -V | head -1)
  ( cd "$DEPS_DIR" && apt-get source -qq "$pkg=$v" )
}

need_root
changed=$(enable_sources)
missing=$(missing_packages)
if [ -n "$missing" ] || [ "$changed" = 1 ] || ! compgen -G "$DEPS_DIR/tinyxml-*/" >/dev/null \
   || ! compgen -G "$DEPS_DIR/minizip-*/" >/dev/null; then
  apt-get update -qq
fi
if [ -n "$missing" ]; then
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
fi
# The Chinese locale: Wine takes the ANSI code page 936 from it, and Unix file names with
# Chinese characters need it.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  if grep -q '^# *zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  elif ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  fi
  locale-gen >/dev/null
fi
fetch_source tinyxml 'tinyxml-*'
fetch_source minizip 'minizip-*'
echo "setup: ready (dependency sources in $DEPS_DIR)"
