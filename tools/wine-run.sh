#!/bin/bash
# Runs a Windows program under Wine in the harness's environment (CTest's emulator).
# The harness (tools/harness.sh) exports RUN_DIR, VELA_RUN_ARCH and DISPLAY and keeps the
# wineserver running.
#
# The program's output reaches CTest through files, never through CTest's own pipes: a program
# may start one of Wine's background processes, which inherits its output. The desktop process
# (explorer.exe) is one: Wine ends it about a second after the last program with a window, and
# the next program that makes a window starts it again. Holding CTest's pipe, it would keep
# the test open after the program had ended, until no other program had a window left: with
# the long end-to-end programs running beside it, a test that passed within seconds would run
# into its time-out. Two readers copy the files to CTest as they grow and stop once the program
# itself has ended, whatever still holds the files.
set -e
: "${RUN_DIR:?RUN_DIR is set by tools/harness.sh}"
source "$(dirname "$0")/wine-env.sh"
export LANG=zh_CN.UTF-8
out=$(mktemp "${TMPDIR:-/tmp}/vela-run.XXXXXX")
err=$(mktemp "${TMPDIR:-/tmp}/vela-run.XXXXXX")
trap 'rm -f "$out" "$err"' EXIT
set +e
env LC_ALL=zh_CN.UTF-8 "$VELA_WINE" "$@" >"$out" 2>"$err" &
program=$!
tail -n +1 -s 0.2 --pid=$program -f "$out" &
copy_out=$!
tail -n +1 -s 0.2 --pid=$program -f "$err" >&2 &
copy_err=$!
wait $program
rc=$?
wait $copy_out $copy_err
exit $rc
