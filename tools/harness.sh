# Sourced by tools/test.sh and tools/run-player.sh: configure and build, then the pieces of the
# run environment (Xvfb display, Wine prefix and server, stand-in service), each ended by
# harness_cleanup through its own process id.
#
# The deliverables are 32-bit programs (BUILD_DIR). Where this machine cannot execute 32-bit
# programs at all (a kernel with 32-bit emulation off: then 32-bit Wine cannot start), the same
# sources are also built for 64-bit Windows (BUILD_DIR/x64) and run under 64-bit Wine.
ROOT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${VELA_BUILD_DIR:-$ROOT_DIR/build}
STANDIN_PORT=${VELA_STANDIN_PORT:-18080}
HARNESS_PIDS=()

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  VELA_RUN_ARCH=i686
  RUN_DIR=$BUILD_DIR
else
  VELA_RUN_ARCH=x86_64
  RUN_DIR=$BUILD_DIR/x64
fi
export BUILD_DIR RUN_DIR VELA_RUN_ARCH

harness_configure_and_build() {  # <build dir> <toolchain file> <targets> [cmake args...]
  local dir=$1 toolchain=$2 targets=$3; shift 3
  mkdir -p "$dir"
  cmake -S "$ROOT_DIR" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT_DIR/cmake/$toolchain" \
    -DVELA_STANDIN_PORT="$STANDIN_PORT" "$@" >"$dir/configure.log" 2>&1 \
    || { cat "$dir/configure.log"; return 1; }
  local target_args=()
  [ -n "$targets" ] && target_args=(--target $targets)
  cmake --build "$dir" -j "$(nproc)" "${target_args[@]}" >"$dir/build.log" 2>&1
  local rc=$?
  grep -E "warning:|error:|Error [0-9]" "$dir/build.log" | head -100
  return $rc
}

# harness_build [tests]: the 32-bit deliverables, and the programs that will run here.
# VELA_BUILD_TARGETS limits what is built in the tree that runs (e.g. "test_http"), and
# VELA_DELIVER_TARGETS what is built in the 32-bit tree when that is another tree ("none" for
# nothing); both default to everything.
harness_build() {
  local tests=OFF
  [ "${1:-}" = tests ] && tests=ON
  local run_targets=${VELA_BUILD_TARGETS:-} deliver_targets=${VELA_DELIVER_TARGETS:-}
  if [ "$VELA_RUN_ARCH" = i686 ]; then
    harness_configure_and_build "$BUILD_DIR" toolchain-mingw32.cmake "$run_targets" -DVELA_BUILD_TESTS=$tests
  else
    if [ "$deliver_targets" != none ]; then
      harness_configure_and_build "$BUILD_DIR" toolchain-mingw32.cmake "$deliver_targets" -DVELA_BUILD_TESTS=OFF \
        || return 1
    fi
    harness_configure_and_build "$RUN_DIR" toolchain-mingw64.cmake "$run_targets" -DVELA_BUILD_TESTS=$tests
  fi
}

harness_cache_value() {  # harness_cache_value <name>
  sed -n "s/^$1:[A-Z]*=//p" "$RUN_DIR/CMakeCache.txt"
}

harness_start_display() {  # a private Xvfb, unless "user" is asked for and a display exists
  if [ -n "${DISPLAY:-}" ] && [ "${1:-}" = "user" ]; then return 0; fi
  local fdfile; fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  HARNESS_PIDS+=($!)
  local i
  for i in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -1 "$fdfile")"
  rm -f "$fdfile"
}

harness_start_wine() {
  source "$ROOT_DIR/tools/wine-env.sh"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "harness: creating the Wine prefix $WINEPREFIX"
    vela_wine wineboot -i >/dev/null 2>&1 || true
  fi
  wineserver -p
  # A program that crashes ends at once instead of waiting in Wine's debugger until the test's
  # time-out.
  vela_wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ \
    /d '' /f >/dev/null 2>&1 </dev/null || true
  # Start Wine's own background programs now, detached from any test's output, so that CTest
  # does not wait for them after a test program ends.
  vela_wine wineboot >/dev/null 2>&1 </dev/null || true
  # The same for the desktop process that the first program with a window starts: started by a
  # test program, it would keep that program's output open, and CTest would wait for it until
  # every other program with a window had ended.
  vela_wine rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null || true
}

harness_start_standin() {
  local ready="$RUN_DIR/standin.ready"
  rm -f "$ready"
  if (exec 3<>"/dev/tcp/127.0.0.1/$STANDIN_PORT") 2>/dev/null; then
    echo "harness: port $STANDIN_PORT is taken; set VELA_STANDIN_PORT to another port" >&2
    return 1
  fi
  python3 "$ROOT_DIR/tools/standin/standin.py" --port "$STANDIN_PORT" --root "$RUN_DIR/standin" \
    --ready-file "$ready" --api-key "$(harness_cache_value VELA_API_KEY)" \
    --api-secret "$(harness_cache_value VELA_API_SECRET)" &
  HARNESS_PIDS+=($!)
  local i
  for i in $(seq 100); do [ -s "$ready" ] && return 0; sleep 0.1; done
  echo "harness: the stand-in service did not start" >&2
  return 1
}

harness_cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  local pid
  for pid in "${HARNESS_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${HARNESS_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  HARNESS_PIDS=()
}
