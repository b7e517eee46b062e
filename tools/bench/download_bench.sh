#!/bin/bash
# Download benchmark: one large file from a local range server, fetched in the same run by the
# segmented downloader and by reference downloaders, each several times; prints the median times
# and their ratios against the goals:
#   1 range, unlimited server:                 at most 1.05 x curl's time
#   4 ranges, unlimited server:                (shown, no goal)
#   4 ranges, server limited per connection:   at most 1.00 x the time of aria2c -x4 -s4
# Every copy is checked against the source by SHA-256. The downloader's time is its own (from the
# call to its end, the join included); Wine's start of the program is not in it, as curl's and
# aria2c's own start-up is not in theirs worth speaking of. Not a test: nothing fails on slow
# figures; the closing line says whether every goal was met.
# Needs curl and aria2c (tools/setup.sh bench installs aria2).
# Environment: VELA_BUILD_DIR (default build/), VELA_STANDIN_PORT (the servers use this port + 2
# and + 3), BENCH_MB (file size, default 256), BENCH_RUNS (runs of each, default 3),
# BENCH_RATE_MIB (MiB a second per connection of the limited server, default 20).
set -uo pipefail
source "$(dirname "$0")/../harness.sh"
trap 'harness_cleanup; rm -rf "$BENCH_DIR"' EXIT

BENCH_MB=${BENCH_MB:-256}
BENCH_RUNS=${BENCH_RUNS:-3}
BENCH_RATE_MIB=${BENCH_RATE_MIB:-20}
FREE_PORT=$((STANDIN_PORT + 2))
LIMITED_PORT=$((STANDIN_PORT + 3))
BENCH_DIR="$RUN_DIR/bench"
rm -rf "$BENCH_DIR"; mkdir -p "$BENCH_DIR/served" "$BENCH_DIR/out"

command -v aria2c >/dev/null || { echo "download_bench: aria2c is missing (bash tools/setup.sh bench)" >&2; exit 1; }
VELA_BUILD_TARGETS=download_bench VELA_DELIVER_TARGETS=none harness_build tests || exit 1
harness_start_display
harness_start_wine
source "$ROOT_DIR/tools/wine-env.sh"

head -c $((BENCH_MB * 1048576)) /dev/urandom >"$BENCH_DIR/served/big.bin"
source_sum=$(sha256sum <"$BENCH_DIR/served/big.bin" | cut -d' ' -f1)
python3 "$ROOT_DIR/tools/bench/range_server.py" --port "$FREE_PORT" --folder "$BENCH_DIR/served" &
HARNESS_PIDS+=($!)
python3 "$ROOT_DIR/tools/bench/range_server.py" --port "$LIMITED_PORT" --folder "$BENCH_DIR/served" \
  --rate $((BENCH_RATE_MIB * 1048576)) &
HARNESS_PIDS+=($!)
for port in "$FREE_PORT" "$LIMITED_PORT"; do
  for i in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/none" && break; sleep 0.1; done
done
FREE_URL="http://127.0.0.1:$FREE_PORT/big.bin"
LIMITED_URL="http://127.0.0.1:$LIMITED_PORT/big.bin"

# The timings run in subshells: a copy that differs is marked by a file.
DIFFERS="$BENCH_DIR/differs"
check() {  # check <file>: the copy must equal the source; removes it
  if [ "$(sha256sum <"$1" 2>/dev/null | cut -d' ' -f1)" != "$source_sum" ]; then
    echo "$1" >>"$DIFFERS"
    echo "  copy $1 DIFFERS from the source" >&2
  fi
  rm -f "$1"
}

now() { date +%s.%N; }
elapsed() { python3 -c "print('%.3f' % ($2 - $1))"; }
median() { python3 -c "import statistics, sys; print('%.3f' % statistics.median(map(float, sys.argv[1:])))" "$@"; }

curl_time() {  # curl_time <url>: seconds of one curl download
  local out="$BENCH_DIR/out/curl.bin" secs
  secs=$(curl -s -o "$out" -w '%{time_total}' "$1")
  check "$out"
  echo "$secs"
}

aria2_time() {  # aria2_time <url>: seconds of one aria2c -x4 -s4 download
  local start end
  start=$(now)
  aria2c -q -x4 -s4 --allow-overwrite=true --auto-file-renaming=false -d "$BENCH_DIR/out" -o aria2.bin "$1"
  end=$(now)
  check "$BENCH_DIR/out/aria2.bin"
  elapsed "$start" "$end"
}

vela_time() {  # vela_time <url> <ranges>: seconds of one download by the segmented downloader
  local out="$BENCH_DIR/out/vela.bin" line secs
  line=$(vela_wine "$RUN_DIR/bin/download_bench.exe" "$1" "Z:${out//\//\\}" "$2" 2>/dev/null | tr -d '\r')
  secs=$(sed -n 's/.* seconds=\([0-9.]*\).*/\1/p' <<<"$line")
  [[ "$line" == *" ok=1 "* ]] || echo "  the segmented downloader failed: $line" >&2
  check "$out"
  echo "${secs:-0}"
}

goals_met=1
report() {  # report <label> <ours> <theirs> <reference name> <goal or ->
  local ratio
  ratio=$(python3 -c "print('%.2f' % ($2 / $3))")
  if [ "$5" = - ]; then
    printf '%-44s vela %6.3f s, %s %6.3f s: %sx\n' "$1" "$2" "$4" "$3" "$ratio"
    return
  fi
  local verdict=met
  python3 -c "import sys; sys.exit(0 if $ratio <= $5 else 1)" || { verdict="NOT met"; goals_met=0; }
  printf '%-44s vela %6.3f s, %s %6.3f s: %sx (goal <= %s: %s)\n' "$1" "$2" "$4" "$3" "$ratio" "$5" "$verdict"
}

declare -a curl_free vela1 vela4 aria_limited vela4_limited
for run in $(seq "$BENCH_RUNS"); do
  curl_free+=("$(curl_time "$FREE_URL")")
  vela1+=("$(vela_time "$FREE_URL" 1)")
  vela4+=("$(vela_time "$FREE_URL" 4)")
  aria_limited+=("$(aria2_time "$LIMITED_URL")")
  vela4_limited+=("$(vela_time "$LIMITED_URL" 4)")
done

echo "$BENCH_MB MB, median of $BENCH_RUNS runs each; limited server: $BENCH_RATE_MIB MiB/s per connection"
curl_median=$(median "${curl_free[@]}")
report "1 range, unlimited server" "$(median "${vela1[@]}")" "$curl_median" curl 1.05
report "4 ranges, unlimited server" "$(median "${vela4[@]}")" "$curl_median" curl -
report "4 ranges, limited per connection" "$(median "${vela4_limited[@]}")" "$(median "${aria_limited[@]}")" \
  "aria2c -x4 -s4" 1.00
if [ ! -e "$DIFFERS" ]; then echo "every copy identical to the source (SHA-256)"; else echo "SOME COPIES DIFFER"; fi
if [ $goals_met = 1 ] && [ ! -e "$DIFFERS" ]; then echo "all goals met"; else echo "goals NOT all met"; fi
