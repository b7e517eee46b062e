#!/bin/bash
# Installs, as root on Debian 12, everything the build and the tests need, and unpacks the
# source packages of TinyXML and minizip under the dependency folder (outside the tracked tree).
# "setup.sh bench" also installs what the benchmarks under tools/bench/ compare with (aria2).
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
  # The test slots' network namespaces (tools/harness.sh).
  iproute2
  # The audio capture sink, a program of this machine (tests/support/audio_capture_sink.c).
  gcc libc6-dev
)
# The benchmarks' reference downloaders (curl is above).
if [ "${1:-}" = bench ]; then
  PACKAGES+=(aria2)
fi

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

# Where the kernel runs no 32-bit programs (so 32-bit Wine cannot start by itself), the real
# 32-bit build runs under Debian's own 32-bit Wine driven by the user-mode emulator qemu-i386
# (tools/wine32-qemu.sh). This release's qemu (7.2) spends minutes in Wine's address space
# reservation, so the emulator comes from the next release's qemu-user package (10 or later). It
# is fetched with an apt configuration of our own, so the machine's sources stay as they are, and
# only the emulator is unpacked: nothing is installed and no binfmt handler is registered.
QEMU_DIR=$DEPS_DIR/qemu-i386
QEMU_SUITE=trixie

kernel_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

fetch_qemu_i386() {
  if "$QEMU_DIR/qemu-i386" --version >/dev/null 2>&1; then return 0; fi
  local codename mirror work
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  # The mirror that serves this machine's own release.
  mirror=$(apt-cache policy | awk -v s="$codename/main" '$3 == s { print $2; exit }')
  [ -n "$mirror" ] || { echo "setup: no apt source serves $codename/main" >&2; return 1; }
  work=$(mktemp -d)
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $QEMU_SUITE main" \
    > "$work/sources.list"
  local apt_opts=(-o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o Dir::Etc::Preferences=/dev/null -o Dir::Etc::PreferencesParts=/dev/null
    -o Dir::State::Lists="$work/lists" -o Dir::State::status=/dev/null
    -o Dir::Cache="$work/cache" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
    -o APT::Architectures::=amd64 -o Acquire::Languages=none -o APT::Sandbox::User=root)
  local rc=0
  { apt-get "${apt_opts[@]}" -qq update \
      && (cd "$work" && apt-get "${apt_opts[@]}" -qq download qemu-user) \
      && mkdir -p "$QEMU_DIR" \
      && dpkg-deb --fsys-tarfile "$work"/qemu-user_*.deb | tar -x -O ./usr/bin/qemu-i386 > "$QEMU_DIR/qemu-i386.new" \
      && chmod 755 "$QEMU_DIR/qemu-i386.new" && mv "$QEMU_DIR/qemu-i386.new" "$QEMU_DIR/qemu-i386"; } || rc=1
  rm -rf "$work" "$QEMU_DIR/qemu-i386.new"
  [ $rc = 0 ] && "$QEMU_DIR/qemu-i386" --version | head -1
  return $rc
}

# Wine starts every further 32-bit process through "wine-preloader" beside its loader, which
# Debian does not ship. A copy of /usr/lib/wine with a wine-preloader that hands the loader to
# qemu-i386 is laid over the real folder in a private mount namespace at run time. The copy
# follows the installed Wine.
prepare_wine_for_qemu() {
  local dir=$QEMU_DIR/wine f
  mkdir -p "$dir"
  for f in /usr/lib/wine/*; do
    [ "${f##*/}" = wine-preloader ] && continue
    cmp -s "$f" "$dir/${f##*/}" || cp -a "$f" "$dir/"
  done
  local preloader
  preloader=$(printf '#!/bin/sh\n# Runs the 32-bit Wine loader given as the first argument under qemu-i386.\nexec "%s" "$@"\n' \
    "$QEMU_DIR/qemu-i386")
  if [ "$(cat "$dir/wine-preloader" 2>/dev/null)" != "$preloader" ]; then
    printf '%s\n' "$preloader" > "$dir/wine-preloader"
    chmod 755 "$dir/wine-preloader"
  fi
}

need_root
changed=$(enable_sources)
missing=$(missing_packages)
if [ -n "$missing" ] || [ "$changed" = 1 ] || ! compgen -G "$DEPS_DIR/tinyxml-*/" >/dev/null \
   || ! compgen -G "$DEPS_DIR/minizip-*/" >/dev/null \
   || { ! kernel_runs_32bit && [ ! -x "$QEMU_DIR/qemu-i386" ]; }; then
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
if ! kernel_runs_32bit; then
  fetch_qemu_i386
  prepare_wine_for_qemu
fi
echo "setup: ready (dependency sources in $DEPS_DIR)"
