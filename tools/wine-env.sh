# Sourced by the scripts under tools/: the environment in which our Windows programs run under
# Wine. Expects RUN_DIR (the build tree whose programs run) and VELA_RUN_ROUTE (wine32, x64 or
# qemu32: see tools/harness.sh); VELA_WINEPREFIX names another prefix of the tree (a test slot's).
# Never touches the user's own Wine prefix.
export WINEPREFIX="${VELA_WINEPREFIX:-$RUN_DIR/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case "${VELA_RUN_ROUTE:-wine32}" in
  x64)
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
    VELA_WINE=/usr/lib/wine/wine64 ;;
  qemu32)
    export WINEARCH=win32
    unset WINELOADER
    VELA_WINE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine32-qemu.sh" ;;
  *)
    export WINEARCH=win32
    unset WINELOADER
    VELA_WINE=wine ;;
esac
# ANSI code page 936, as on the player's home systems: Wine takes it from the locale of each
# program it starts (no glibc locale is needed), so vela_wine sets it there, not in this shell.
vela_wine() { LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$VELA_WINE" "$@"; }
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy
# Audio goes to a file sink that takes it at a sound card's pace, so tests can check what was
# played (tests/support/audio_capture_sink.py).
mkdir -p "$RUN_DIR/audio"
if [ -z "${ALSA_CONFIG_PATH:-}" ]; then
  cat > "$RUN_DIR/audio/asound.conf" <<ALSA
</usr/share/alsa/alsa.conf>
pcm.!default { type file  slave.pcm "null"  file "|python3 $(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/support/audio_capture_sink.py --truncate $RUN_DIR/audio/out.raw"  format "raw" }
ALSA
  export ALSA_CONFIG_PATH="$RUN_DIR/audio/asound.conf"
fi
