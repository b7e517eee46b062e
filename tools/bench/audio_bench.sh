#!/bin/bash
# Audio engine benchmark: CPU seconds that the player's process spends per second of audio
# played, for a local MP3 and for the same track streamed from the stand-in over HTTP. A short
# and a long tone are played and the difference is taken, so that Wine's start-up cost drops out.
# CPU time is the user + system time of the Wine process (bash's time; the shared wineserver is
# not counted). Then the seek: the time from a click on the real player's position slider (its
# "valuechanged") to the first sound of the new position in the captured output, from the
# end-to-end test that makes that click (goal: under 0.5 s). Not a test: nothing fails on slow
# figures.
# Environment: VELA_BUILD_DIR (default build/), VELA_STANDIN_PORT, BENCH_SECONDS (long tone, 30),
# BENCH_SEEKS (clicks measured, 5).
set -uo pipefail
source "$(dirname "$0")/../harness.sh"
trap 'harness_cleanup; rm -rf "$BENCH_DIR"' EXIT

BENCH_SECONDS=${BENCH_SECONDS:-30}
BENCH_SEEKS=${BENCH_SEEKS:-5}
SHORT_SECONDS=2
BENCH_DIR="$RUN_DIR/bench-audio"
rm -rf "$BENCH_DIR"; mkdir -p "$BENCH_DIR"

VELA_BUILD_TARGETS="audio_bench_play standin_media VelaMusic vela_skin test_player_playback" VELA_DELIVER_TARGETS=none \
  harness_build tests || exit 1
harness_start_display
harness_start_wine
harness_start_standin || exit 1
source "$ROOT_DIR/tools/wine-env.sh"

for s in $SHORT_SECONDS $BENCH_SECONDS; do
  sox -n -r 44100 -c 2 -b 16 "$BENCH_DIR/t$s.wav" synth "$s" sine 440 vol 0.5
  lame --quiet -b 128 "$BENCH_DIR/t$s.wav" "$BENCH_DIR/t$s.mp3"
  mkdir -p "$RUN_DIR/standin/files"
  cp "$BENCH_DIR/t$s.mp3" "$RUN_DIR/standin/files/bench-t$s.mp3"
done

cpu_seconds() {  # cpu_seconds <item>: user + system seconds of one playback
  local TIMEFORMAT='%U %S' times
  times=$( { time vela_wine "$RUN_DIR/tests/bin/audio_bench_play.exe" "$1" >/dev/null 2>&1; } 2>&1 )
  python3 -c "print(sum(float(x) for x in '$times'.split()))"
}

for kind in local http; do
  declare -A cpu=()
  for s in $SHORT_SECONDS $BENCH_SECONDS; do
    if [ $kind = local ]; then item="Z:${BENCH_DIR//\//\\}\\t$s.mp3"; else item="http://127.0.0.1:$STANDIN_PORT/files/bench-t$s.mp3"; fi
    cpu[$s]=$(cpu_seconds "$item")
  done
  python3 -c "
short, long = ${cpu[$SHORT_SECONDS]}, ${cpu[$BENCH_SECONDS]}
per = (long - short) / ($BENCH_SECONDS - $SHORT_SECONDS)
print('audio %-5s: %.3f CPU s per audio s  (%ds: %.2f CPU s, %ds: %.2f CPU s)' % ('$kind', per, $SHORT_SECONDS, short, $BENCH_SECONDS, long))"
  unset cpu
done
rm -f "$RUN_DIR"/standin/files/bench-t*.mp3

# The seek, clicked BENCH_SEEKS times by the end-to-end test (its report keeps each figure).
seek_ms=()
mkdir -p "$RUN_DIR/test-results"
for _ in $(seq "$BENCH_SEEKS"); do
  rm -f "$RUN_DIR/test-results/test_player_playback.xml"
  GTEST_FILTER='PlaybackE2ETest.ASeekAtThreeQuarters*' ctest --test-dir "$RUN_DIR" -R '^test_player_playback$' \
    >"$BENCH_DIR/seek.log" 2>&1
  ms=$(grep -o 'seek_to_sound_ms"* *\(value\)*="[0-9]*"' "$RUN_DIR/test-results/test_player_playback.xml" 2>/dev/null |
    grep -o '[0-9]*"$' | tr -d '"')
  [ -n "$ms" ] && seek_ms+=("$ms")
done
python3 -c "
import statistics, sys
ms = [int(x) for x in sys.argv[1:]]
if ms:
    print('seek to sound: median %d ms, slowest %d ms over %d clicks (%s)' % (statistics.median(ms), max(ms), len(ms), ' '.join(map(str, ms))))
else:
    print('seek to sound: no figure (see $BENCH_DIR/seek.log)')" "${seek_ms[@]}"
