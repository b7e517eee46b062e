#!/bin/bash
# Runs 32-bit Wine (wine <program or Wine command> [args...]) on a kernel that refuses 32-bit
# code: Debian's own 32-bit Wine loader under the user-mode emulator qemu-i386, both prepared by
# tools/setup.sh under the dependency folder.
#
# Wine starts every further 32-bit process (CreateProcess, its own services) by exec'ing
# "wine-preloader" beside its loader. In a mount namespace of this process tree alone, the
# prepared copy of /usr/lib/wine, whose wine-preloader hands the loader to qemu-i386, lies over
# the real folder; nothing outside the tree sees it. The first process is started under the
# emulator directly, and WINELOADERNOEXEC keeps it from exec'ing itself again. The wineserver
# is the 64-bit one: it serves 32-bit clients as well, at native speed.
set -e
QEMU_DIR=${VELA_DEPS_DIR:-/opt/velamusic-deps}/qemu-i386
if [ ! -x "$QEMU_DIR/qemu-i386" ] || [ ! -x "$QEMU_DIR/wine/wine-preloader" ]; then
  echo "wine32-qemu: no qemu-i386 under $QEMU_DIR: run tools/setup.sh" >&2
  exit 127
fi
export WINEARCH=win32 WINELOADERNOEXEC=1 WINESERVER=/usr/lib/wine/wineserver64
unset WINELOADER
# shellcheck disable=SC2016
exec unshare --mount --propagation private -- /bin/sh -c \
  'mount --bind "$1" /usr/lib/wine && shift && exec "$@"' \
  wine32-qemu "$QEMU_DIR/wine" "$QEMU_DIR/qemu-i386" /usr/lib/wine/wine "$@"
