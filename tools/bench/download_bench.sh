#!/bin/bash
# Download benchmark: one large file from a local range server, fetched by the segmented
# downloader with 1 and with 4 ranges and by curl, in the same run; prints MB/s of each and the
# ratio to curl. Not a test: nothing fails on slow figures.
# Environment: VELA_BUILD_DIR (default build/), VELA_STANDIN_PORT (the server uses this port + 2),
# BENCH_MB (file size, default 256).
set -uo pipefail
source "$(dirname "$0")/../harness.sh"
trap 'harness_cleanup; rm -rf "$BENCH_DIR"' EXIT

BENCH_MB=${BENCH_MB:-256}
BENCH_PORT=$((STANDIN_PORT + 2))
BENCH_DIR="$RUN_DIR/bench"
rm -rf "$BENCH_DIR"; mkdir -p "$BENCH_DIR/served" "$BENCH_DIR/out"

VELA_BUILD_TARGETS=download_bench VELA_DELIVER_TARGETS=none harness_build tests || exit 1
harness_start_display
harness_start_wine
source "$ROOT_DIR/tools/wine-env.sh"

head -c $((BENCH_MB * 1048576)) /dev/urandom >"$BENCH_DIR/served/big.bin"
source_sum=$(sha256sum <"$BENCH_DIR/served/big.bin" | cut -d' ' -f1)
python3 "$ROOT_DIR/tools/bench/range_server.py" --port "$BENCH_PORT" --folder "$BENCH_DIR/served" &
HARNESS_PIDS+=($!)
for i in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$BENCH_PORT/none" && break; sleep 0.1; done
URL="http://127.0.0.1:$BENCH_PORT/big.bin"

check() {  # check <file>: the copy must equal the source
  [ "$(sha256sum <"$1" | cut -d' ' -f1)" = "$source_sum" ] && echo identical || echo DIFFERENT
}

curl_secs=$(curl -s -o "$BENCH_DIR/out/curl.bin" -w '%{time_total}' "$URL")
curl_mbps=$(python3 -c "print('%.1f' % ($BENCH_MB / $curl_secs))")
echo "curl:     $BENCH_MB MB in ${curl_secs}s = $curl_mbps MB/s ($(check "$BENCH_DIR/out/curl.bin"))"
rm -f "$BENCH_DIR/out/curl.bin"

for ranges in 1 4; do
  out="$BENCH_DIR/out/vela$ranges.bin"
  line=$(vela_wine "$RUN_DIR/bin/download_bench.exe" "$URL" "Z:${out//\//\\}" "$ranges" 2>/dev/null | tr -d '\r')
  mbps=$(sed -n 's/.*MBps=\([0-9.]*\).*/\1/p' <<<"$line")
  ratio=$(python3 -c "print('%.2f' % (${mbps:-0} / $curl_mbps))")
  echo "vela x$ranges:  $line  ratio to curl $ratio ($(check "$out"))"
  rm -f "$out"
done
