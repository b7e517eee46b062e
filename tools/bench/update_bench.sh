#!/bin/bash
# Update benchmark: Update.exe installs many small files from the stand-in service (server list,
# file list, then every file), against curl fetching the same files one process each; prints the
# median times and their ratio against the goal: at most 1.5 x the time of the curl processes.
# The updater's time runs from its start to the last file in place (Wine's start of it
# included, as each curl's own start is in curl's). Every installed file and every curl copy is
# checked against its source by SHA-256. Not a test: nothing fails on slow figures.
# Environment: VELA_BUILD_DIR (default build/), VELA_STANDIN_PORT (the stand-in's port, also the
# one compiled into Update.exe), BENCH_FILES (default 200), BENCH_FILE_KB (default 4),
# BENCH_RUNS (runs of each, default 3).
set -uo pipefail
source "$(dirname "$0")/../harness.sh"
trap 'harness_cleanup; rm -rf "$BENCH_DIR"' EXIT

BENCH_FILES=${BENCH_FILES:-200}
BENCH_FILE_KB=${BENCH_FILE_KB:-4}
BENCH_RUNS=${BENCH_RUNS:-3}
BENCH_DIR="$RUN_DIR/update-bench"
rm -rf "$BENCH_DIR"; mkdir -p "$BENCH_DIR/source"

VELA_BUILD_TARGETS="update_bench Update" VELA_DELIVER_TARGETS=none harness_build tests || exit 1
harness_start_display
harness_start_standin || exit 1
harness_start_wine
source "$ROOT_DIR/tools/wine-env.sh"
BASE="http://127.0.0.1:$STANDIN_PORT"

put() {  # put <path below /clientupdate/> <file>
  curl -sf -X PUT --data-binary "@$2" "$BASE/_ctl/update/$1" >/dev/null || { echo "update_bench: PUT $1 failed" >&2; exit 1; }
}

name() { printf 'f%03d.bin' "$1"; }
list="$BENCH_DIR/list.xml"
printf '<?xml version="1.0" encoding="utf-8"?>\r\n<xmlRoot keyname="KeyValue"><Product productname="VelaMusic">' >"$list"
for i in $(seq 0 $((BENCH_FILES - 1))); do
  f=$(name "$i")
  head -c $((BENCH_FILE_KB * 1024)) /dev/urandom >"$BENCH_DIR/source/$f"
  put "files/$f" "$BENCH_DIR/source/$f"
  printf '<File><FileName>%s</FileName><FileVersion></FileVersion><Length>%d</Length><FileDateLow>0</FileDateLow><FileDateHigh>2147483647</FileDateHigh><InstallDir>CURRENTDIR</InstallDir><Register>NO</Register><Execute>NO</Execute><ExecutePar></ExecutePar><LocalPath></LocalPath><URL>%s/clientupdate/files/%s</URL></File>' \
    "$f" $((BENCH_FILE_KB * 1024)) "$BASE" "$f" >>"$list"
done
printf '</Product></xmlRoot>\r\n' >>"$list"
put lists/bench.xml "$list"
printf 'Bench|%s/clientupdate/lists/bench.xml\r\n' "$BASE" >"$BENCH_DIR/servers.txt"
put config/serverlist.txt "$BENCH_DIR/servers.txt"
# No player to start when the updater ends.
rm -f "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/VelaMusic/app.xml

DIFFERS="$BENCH_DIR/differs"
check() {  # check <folder>: every file must equal its source
  local i f
  for i in $(seq 0 $((BENCH_FILES - 1))); do
    f=$(name "$i")
    cmp -s <(sha256sum <"$BENCH_DIR/source/$f") <(sha256sum <"$1/$f" 2>/dev/null) || { echo "$1/$f" >>"$DIFFERS"; }
  done
}

median() { python3 -c "import statistics, sys; print('%.3f' % statistics.median(map(float, sys.argv[1:])))" "$@"; }

updater_time() {  # seconds of one update into a fresh installation
  local dir="$BENCH_DIR/inst$1" line
  rm -rf "$dir"; mkdir -p "$dir"
  cp "$RUN_DIR/bin/Update.exe" "$dir/"
  line=$(vela_wine "$RUN_DIR/bin/update_bench.exe" "Z:${dir//\//\\}\\Update.exe" "$BENCH_FILES" 300 2>/dev/null | tr -d '\r')
  [[ "$line" == *" ok=1 "* ]] || echo "  the updater did not install every file: $line" >&2
  check "$dir"
  rm -rf "$dir"
  sed -n 's/.* seconds=\([0-9.]*\).*/\1/p' <<<"$line"
}

curl_time() {  # seconds of one curl process per file
  local dir="$BENCH_DIR/curl$1" start end i f
  rm -rf "$dir"; mkdir -p "$dir"
  start=$(date +%s.%N)
  for i in $(seq 0 $((BENCH_FILES - 1))); do
    f=$(name "$i")
    curl -s -o "$dir/$f" "$BASE/clientupdate/files/$f"
  done
  end=$(date +%s.%N)
  check "$dir"
  rm -rf "$dir"
  python3 -c "print('%.3f' % ($end - $start))"
}

declare -a ours theirs
for run in $(seq "$BENCH_RUNS"); do
  theirs+=("$(curl_time "$run")")
  ours+=("$(updater_time "$run")")
done
ours_median=$(median "${ours[@]:-0}")
theirs_median=$(median "${theirs[@]}")
ratio=$(python3 -c "print('%.2f' % ($ours_median / $theirs_median))")
verdict=met
python3 -c "import sys; sys.exit(0 if $ratio <= 1.5 else 1)" || verdict="NOT met"
echo "$BENCH_FILES files of $BENCH_FILE_KB KiB, median of $BENCH_RUNS runs each"
printf '%-44s Update.exe %6.3f s, curl (one process a file) %6.3f s: %sx (goal <= 1.5: %s)\n' \
  "updater, one file after another" "$ours_median" "$theirs_median" "$ratio" "$verdict"
if [ ! -e "$DIFFERS" ]; then echo "every file identical to its source (SHA-256)"; else echo "SOME FILES DIFFER"; fi
if [ "$verdict" = met ] && [ ! -e "$DIFFERS" ]; then echo "all goals met"; else echo "goals NOT all met"; fi
