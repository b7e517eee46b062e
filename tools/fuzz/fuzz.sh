#!/bin/bash
# Fuzzes the parsers of both programs for a bounded time under Wine:
#   bash tools/fuzz/fuzz.sh [seconds (default 120)] [target ...] [--seed N]
# Targets: layout zip image imagestring tagged xml replies ini servers filelist http (default all).
# Builds vela_fuzz in the fast route's tree, makes the corpus from the project's own files (the
# layouts, images and INI files of resources/, the skin archive, and the small seeds of replies,
# lists, headers, tagged text and image strings beside this script) and runs it. A fault stops the run with exit code 3 and leaves
# the input that caused it as build/fuzz/crash-<target>-<seed>-<n>.bin; run again with
# "--seed N" and the target to repeat a run. Not part of tools/test.sh.
set -uo pipefail
source "$(dirname "$0")/../harness.sh"
trap harness_cleanup EXIT

seconds=${1:-120}
shift || true

VELA_BUILD_TARGETS="vela_fuzz vela_skin" VELA_DELIVER_TARGETS=none harness_build || exit 1

OUT=$BUILD_DIR/fuzz
CORPUS=$OUT/corpus
rm -rf "$CORPUS"; mkdir -p "$CORPUS"
find "$ROOT_DIR/resources" \( -name '*.xml' -o -name '*.png' -o -name '*.ini' \) -size -1000k -exec cp {} "$CORPUS"/ \;
find "$RUN_DIR" "$BUILD_DIR/bin" -maxdepth 2 -name '*.zip' -size -4000k -exec cp {} "$CORPUS"/ \; 2>/dev/null
cp "$ROOT_DIR"/tools/fuzz/seeds/* "$CORPUS"/

harness_start_display
harness_start_wine
program=$RUN_DIR/tools/bin/vela_fuzz.exe
echo "fuzzing for $seconds s; corpus: $(ls "$CORPUS" | wc -l) files"
vela_wine "$program" "Z:$CORPUS" "Z:$OUT" "$seconds" "$@"
rc=$?
harness_stop_wine
exit $rc
