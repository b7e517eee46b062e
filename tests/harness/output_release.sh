#!/bin/bash
# CTest's emulator (tools/wine-run.sh) ends when the program ends, even while a process the
# program started still holds its output, as Wine's desktop process does when a test program
# starts it again. Here the program is cmd, and what it leaves behind is a ping of a minute.
# Writes a GoogleTest-shaped report, so that the run's counts include this check.
set -u
name=test_harness_output
tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
report="$RUN_DIR/test-results/$name.xml"
bash "$tools/wine-run.sh" cmd /c "start /b ping -n 60 127.0.0.1 >nul" 2>&1 | cat >/dev/null
# The left-behind process of this prefix, if any.
left=()
for pid in $(pgrep -f 'ping.exe -n 60 127.0.0.1' || true); do
  if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$RUN_DIR/wineprefix"; then
    left+=("$pid")
  fi
done
failure=""
[ ${#left[@]} -gt 0 ] || failure="the program left no process behind: nothing was checked"
[ ${#left[@]} -gt 0 ] && kill "${left[@]}" 2>/dev/null
mkdir -p "$(dirname "$report")"
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo "<testsuites><testsuite name=\"HarnessOutput\">"
  if [ -z "$failure" ]; then
    echo '<testcase name="EndsWhileALeftBehindProcessHoldsTheOutput" status="run" result="completed"/>'
  else
    echo "<testcase name=\"EndsWhileALeftBehindProcessHoldsTheOutput\" status=\"run\"><failure message=\"$failure\"/></testcase>"
  fi
  echo "</testsuite></testsuites>"
} >"$report"
[ -z "$failure" ] || { echo "$failure" >&2; exit 1; }
echo "ended while ${#left[@]} left-behind process(es) still ran"
