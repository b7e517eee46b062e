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
# Audio goes to a file sink that takes it at a sound card's pace, so that runs play in real time
# and tests can check what was played (tests/support/audio_capture_sink.c, built with the tree;
# before that, ALSA's null device takes the sound as fast as it comes).
mkdir -p "$RUN_DIR/audio"
if [ -z "${ALSA_CONFIG_PATH:-}" ]; then
  if [ -x "$RUN_DIR/host/audio_capture_sink" ]; then
    vela_sink="file \"|$RUN_DIR/host/audio_capture_sink --truncate $RUN_DIR/audio/out.raw\""
  else
    vela_sink="file \"$RUN_DIR/audio/out.raw\""
  fi
  cat > "$RUN_DIR/audio/asound.conf" <<ALSA
</usr/share/alsa/alsa.conf>
pcm.!default { type file  slave.pcm "null"  $vela_sink  format "raw" }
ALSA
  unset vela_sink
  export ALSA_CONFIG_PATH="$RUN_DIR/audio/asound.conf"
fi
