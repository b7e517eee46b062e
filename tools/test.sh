#!/bin/bash
# Builds everything and runs every test under Wine in a private Xvfb display, with the stand-in
# service running. Extra arguments go to ctest (e.g. -R http). Ends with "N passed, N failed".
# Environment: VELA_BUILD_DIR (default build/), VELA_STANDIN_PORT (default 18080), VELA_JOBS
# (parallel build jobs and test programs, default: the number of cores), VELA_TEST_JOBS (parallel
# test programs only, default: VELA_JOBS).
set -uo pipefail
source "$(dirname "$0")/harness.sh"
trap harness_cleanup EXIT

harness_build tests || { echo "0 passed, 1 failed"; exit 1; }
harness_start_display
harness_start_wine
harness_start_standin || { echo "0 passed, 1 failed"; exit 1; }

rm -rf "$RUN_DIR/test-results"; mkdir -p "$RUN_DIR/test-results"
ctest --test-dir "$RUN_DIR" --output-on-failure -j "${VELA_TEST_JOBS:-$VELA_JOBS}" "$@" \
  >"$RUN_DIR/ctest.log" 2>&1
ctest_rc=$?
cat "$RUN_DIR/ctest.log"
python3 "$ROOT_DIR/tools/test_summary.py" "$RUN_DIR/ctest.log" "$RUN_DIR/test-results"
summary_rc=$?
[ $ctest_rc = 0 ] && [ $summary_rc = 0 ]
