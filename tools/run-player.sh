#!/bin/bash
# Builds the programs and runs the player against the local stand-in service. On the user's
# display when there is one (until the player ends); otherwise in a private Xvfb display, where
# a screenshot is saved to <build>/player.png after VELA_SHOT_DELAY seconds (default 15) and the
# player is then ended.
set -uo pipefail
source "$(dirname "$0")/harness.sh"
trap harness_cleanup EXIT

harness_build || exit 1
on_user_display=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  on_user_display=1
  harness_start_display user
else
  harness_start_display
fi
harness_start_wine
harness_start_standin || exit 1

player="$RUN_DIR/bin/VelaMusic.exe"
echo "run-player: starting $player (Windows $VELA_RUN_ARCH build) on display $DISPLAY"
(cd "$RUN_DIR/bin" && vela_wine ./VelaMusic.exe) &
player_pid=$!
if [ $on_user_display = 1 ]; then
  wait $player_pid
else
  sleep "${VELA_SHOT_DELAY:-15}"
  import -window root "$BUILD_DIR/player.png" && echo "run-player: screenshot saved to $BUILD_DIR/player.png"
  kill $player_pid 2>/dev/null
fi
