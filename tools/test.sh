#!/bin/bash
# Builds everything and runs every test under Wine in a private Xvfb display, with the stand-in
# service running: all of them on the fast route and, where that is the 64-bit twin, the chosen
# set again as real 32-bit programs (routes: tools/harness.sh). Extra arguments go to ctest
# (e.g. -R http). The closing lines tell which route each program ran on and how long each route
# took; the last one is "N passed, N failed" over all routes.
# Environment: VELA_BUILD_DIR (default build/), VELA_STANDIN_PORT (default 18080), VELA_TEST_SLOTS
# (test slots for programs that need the display, stand-in or data folder alone: harness.sh),
# VELA_JOBS (parallel build jobs and test programs, default: the number of cores), VELA_TEST_JOBS
# (parallel test programs only, default: VELA_JOBS), VELA_TEST_ROUTES (the routes to run, e.g.
# "qemu32"; default: see harness_test_routes).
set -uo pipefail
source "$(dirname "$0")/harness.sh"
trap harness_cleanup EXIT

harness_build tests || { echo "0 passed, 1 failed"; exit 1; }
routes=$(harness_test_routes)
harness_use_route "${routes%% *}"
harness_start_display
harness_start_standin || { echo "0 passed, 1 failed"; exit 1; }
harness_start_slots || { echo "harness: the test slots could not be made"; echo "0 passed, 1 failed"; exit 1; }

# run_route <route> [ctest args...]: the route's tests; its log and reports stay in its tree.
run_route() {
  harness_use_route "$1"; shift
  local start=$SECONDS
  harness_start_wine
  rm -rf "$RUN_DIR/test-results"; mkdir -p "$RUN_DIR/test-results"
  # shellcheck disable=SC2046
  ctest --test-dir "$RUN_DIR" --output-on-failure -j "${VELA_TEST_JOBS:-$VELA_JOBS}" \
    $(harness_ctest_slot_args) "$@" \
    >"$RUN_DIR/ctest.log" 2>&1
  local rc=$?
  harness_stop_wine
  cat "$RUN_DIR/ctest.log"
  summary_args+=(--route "$VELA_RUN_ROUTE" "$RUN_DIR/ctest.log" "$RUN_DIR/test-results"
    "${HARNESS_BUILD_SECONDS[$VELA_RUN_ROUTE]:-0}" $((SECONDS - start)))
  return $rc
}

summary_args=()
ctest_rc=0
for route in $routes; do
  run_route "$route" "$@" || ctest_rc=1
done
python3 "$ROOT_DIR/tools/test_summary.py" "${summary_args[@]}"
summary_rc=$?
[ $ctest_rc = 0 ] && [ $summary_rc = 0 ]
