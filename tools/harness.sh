# Sourced by tools/test.sh and tools/run-player.sh: configure and build, then the pieces of the
# run environment (Xvfb display, Wine prefix and server, stand-in service), each ended by
# harness_cleanup through its own process id.
#
# The deliverables are 32-bit programs (BUILD_DIR). A route says how the programs of one build
# tree run on this machine:
#   wine32  the 32-bit build under 32-bit Wine, where the kernel runs 32-bit programs;
#   x64     where it does not (a kernel with 32-bit emulation off: 32-bit Wine cannot start), the
#           same sources built for 64-bit Windows (BUILD_DIR/x64) under 64-bit Wine;
#   qemu32  there too, the real 32-bit build under 32-bit Wine run by the user-mode emulator
#           qemu-i386 (tools/wine32-qemu.sh). About six times slower than x64, so only the test
#           programs named in VELA_32BIT_ROUTE_TESTS (tests/CMakeLists.txt) are built and run so.
# The fast route (wine32 or x64) runs everything; where it is x64, the 32-bit route (qemu32) runs
# the chosen set as real 32-bit programs too.
#
# Test slots. A test program that needs the display's pointer, the stand-in service or the
# player's data folder to itself (its CTest locks) runs in a slot: a network namespace of its own
# (so its own 127.0.0.1, where a stand-in of its own listens on the port the programs were built
# for), an Xvfb display of its own and, per route, a Wine prefix of its own (a copy of the route's
# prefix, with its own wineserver and data folder). VELA_TEST_SLOTS slots run such programs side
# by side; the others run beside them in the main display and prefix. Slots need root (network
# namespaces); without them (VELA_TEST_SLOTS=0) the locks make such programs run one at a time.
ROOT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${VELA_BUILD_DIR:-$ROOT_DIR/build}
STANDIN_PORT=${VELA_STANDIN_PORT:-18080}
# How many jobs the build and the test run use at once (tools/test.sh also honours
# VELA_TEST_JOBS for the tests alone); on a shared machine, set it lower.
VELA_JOBS=${VELA_JOBS:-$(nproc)}
HARNESS_PIDS=()
HARNESS_PREFIXES=()
HARNESS_NETNS=()
declare -gA HARNESS_BUILD_SECONDS=()

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  VELA_FAST_ROUTE=wine32
  VELA_32BIT_ROUTE=
else
  VELA_FAST_ROUTE=x64
  VELA_32BIT_ROUTE=qemu32
fi

# harness_slot_count: VELA_TEST_SLOTS, else 3 where network namespaces can be made, else 0.
harness_slot_count() {
  if [ -n "${VELA_TEST_SLOTS:-}" ]; then echo "$VELA_TEST_SLOTS"; return; fi
  if [ "$(id -u)" = 0 ] && command -v ip >/dev/null && unshare --net true 2>/dev/null; then echo 3; else echo 0; fi
}
VELA_SLOTS=$(harness_slot_count)
VELA_SLOT_DIR=$BUILD_DIR/slots
export VELA_SLOT_DIR

# harness_use_route <route>: the build tree whose programs run (RUN_DIR) and how Wine runs them
# (tools/wine-env.sh reads VELA_RUN_ROUTE).
harness_use_route() {
  # The audio sink that the harness made for the previous route does not follow to this one.
  [ "${ALSA_CONFIG_PATH:-}" = "${RUN_DIR:-}/audio/asound.conf" ] && unset ALSA_CONFIG_PATH
  VELA_RUN_ROUTE=$1
  if [ "$1" = x64 ]; then
    RUN_DIR=$BUILD_DIR/x64 VELA_RUN_ARCH=x86_64
  else
    RUN_DIR=$BUILD_DIR VELA_RUN_ARCH=i686
  fi
  export BUILD_DIR RUN_DIR VELA_RUN_ARCH VELA_RUN_ROUTE
}
harness_use_route "$VELA_FAST_ROUTE"

harness_configure_and_build() {  # <build dir> <toolchain file> <targets> [cmake args...]
  local dir=$1 toolchain=$2 targets=$3; shift 3
  mkdir -p "$dir"
  cmake -S "$ROOT_DIR" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT_DIR/cmake/$toolchain" \
    -DVELA_STANDIN_PORT="$STANDIN_PORT" "$@" >"$dir/configure.log" 2>&1 \
    || { cat "$dir/configure.log"; return 1; }
  local target_args=()
  [ -n "$targets" ] && target_args=(--target $targets)
  cmake --build "$dir" -j "$VELA_JOBS" "${target_args[@]}" >"$dir/build.log" 2>&1
  local rc=$?
  grep -E "warning:|error:|Error [0-9]" "$dir/build.log" | head -100
  return $rc
}

# harness_build [tests]: the 32-bit deliverables, and the programs that will run here.
# VELA_BUILD_TARGETS limits what is built in the tree of the fast route (e.g. "test_http"), and
# VELA_DELIVER_TARGETS what is built in the 32-bit tree when that is another tree ("none" for
# nothing). By default both trees get everything; the other 32-bit tree registers only the test
# programs of the 32-bit route, and builds the rest to keep them clean. HARNESS_BUILD_SECONDS
# keeps how long each route's tree took.
harness_build() {
  local tests=OFF
  [ "${1:-}" = tests ] && tests=ON
  local run_targets=${VELA_BUILD_TARGETS:-} deliver_targets=${VELA_DELIVER_TARGETS:-} start
  if [ "$VELA_FAST_ROUTE" = wine32 ]; then
    start=$SECONDS
    harness_configure_and_build "$BUILD_DIR" toolchain-mingw32.cmake "$run_targets" -DVELA_BUILD_TESTS=$tests \
      -DVELA_TESTS_32BIT_ROUTE_ONLY=OFF -DVELA_TEST_TIMEOUT_FACTOR=1 -DVELA_TEST_SLOTS="$VELA_SLOTS" || return 1
    HARNESS_BUILD_SECONDS[wine32]=$((SECONDS - start))
  else
    if [ "$deliver_targets" != none ]; then
      # Its tests run emulated (qemu32): they get three times their time-out.
      start=$SECONDS
      harness_configure_and_build "$BUILD_DIR" toolchain-mingw32.cmake "$deliver_targets" -DVELA_BUILD_TESTS=$tests \
        -DVELA_TESTS_32BIT_ROUTE_ONLY=ON -DVELA_TEST_TIMEOUT_FACTOR=3 -DVELA_TEST_SLOTS="$VELA_SLOTS" || return 1
      HARNESS_BUILD_SECONDS[$VELA_32BIT_ROUTE]=$((SECONDS - start))
    fi
    # Test runs on the 32-bit route alone (VELA_TEST_ROUTES=qemu32) need no 64-bit twin.
    [ $tests = ON ] && [[ " $(harness_test_routes) " != *" x64 "* ]] && return 0
    start=$SECONDS
    harness_configure_and_build "$BUILD_DIR/x64" toolchain-mingw64.cmake "$run_targets" -DVELA_BUILD_TESTS=$tests \
      -DVELA_TEST_SLOTS="$VELA_SLOTS" || return 1
    HARNESS_BUILD_SECONDS[x64]=$((SECONDS - start))
  fi
}

# harness_test_routes: the routes that tools/test.sh runs, VELA_TEST_ROUTES if set (e.g.
# "qemu32" alone); by default the fast route, and the 32-bit route when its tree was built.
harness_test_routes() {
  if [ -n "${VELA_TEST_ROUTES:-}" ]; then
    echo "$VELA_TEST_ROUTES"
  elif [ -n "$VELA_32BIT_ROUTE" ] && [ "${VELA_DELIVER_TARGETS:-}" != none ]; then
    echo "$VELA_FAST_ROUTE $VELA_32BIT_ROUTE"
  else
    echo "$VELA_FAST_ROUTE"
  fi
}

harness_cache_value() {  # harness_cache_value <name>
  sed -n "s/^$1:[A-Z]*=//p" "$RUN_DIR/CMakeCache.txt"
}

# harness_new_display: starts a private Xvfb; its display name (":N") goes to HARNESS_NEW_DISPLAY.
harness_new_display() {
  local fdfile; fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  HARNESS_PIDS+=($!)
  local i
  for i in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  HARNESS_NEW_DISPLAY=":$(head -1 "$fdfile")"
  rm -f "$fdfile"
}

harness_start_display() {  # a private Xvfb, unless "user" is asked for and a display exists
  if [ -n "${DISPLAY:-}" ] && [ "${1:-}" = "user" ]; then return 0; fi
  harness_new_display
  export DISPLAY=$HARNESS_NEW_DISPLAY
}

# harness_warm_prefix: one short run of the player in a new prefix. The first program there that
# embeds the browser object sets up Wine's per-user state for it while the player's window already
# shows, and the end-to-end tests that start the player first would meet that window unanswering.
harness_warm_prefix() {
  [ -f "$RUN_DIR/bin/VelaMusic.exe" ] || return 0
  local pid
  (cd "$RUN_DIR/bin" && exec env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$VELA_WINE" ./VelaMusic.exe) \
    >/dev/null 2>&1 </dev/null &
  pid=$!
  local seconds=20
  [ "${VELA_RUN_ROUTE:-}" = qemu32 ] && seconds=90  # the emulated route is about six times slower
  sleep "${VELA_WARM_SECONDS:-$seconds}"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

harness_start_wine() {  # the Wine prefix and server of the current route, and its slots' copies
  source "$ROOT_DIR/tools/wine-env.sh"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "harness: creating the Wine prefix $WINEPREFIX"
    vela_wine wineboot -i >/dev/null 2>&1 || true
    harness_warm_prefix
  fi
  local slot prefix
  for slot in $(harness_started_slots); do
    prefix=$(harness_slot_prefix "$slot")
    [ -f "$prefix/system.reg" ] && continue
    # A copy is taken while no server runs for the prefix, so that its registry is on disk.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -rf "$prefix"
    cp -a "$WINEPREFIX" "$prefix"
  done
  local preparing=()
  for slot in 0 $(harness_started_slots); do
    prefix=$(harness_slot_prefix "$slot")
    # Wine's sockets are made by its server: a slot's server lives in the slot's network namespace.
    harness_in_slot_netns "$slot" env WINEPREFIX="$prefix" wineserver -p
    HARNESS_PREFIXES+=("$prefix")
    harness_prepare_prefix "$slot" &
    preparing+=($!)
  done
  wait "${preparing[@]}"
}

# harness_prepare_prefix <slot>: Wine's settings and background programs in a running prefix.
harness_prepare_prefix() {
  # A program that crashes ends at once instead of waiting in Wine's debugger until the test's
  # time-out.
  harness_wine_in_slot "$1" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
    /t REG_SZ /d '' /f >/dev/null 2>&1 </dev/null || true
  # Start Wine's own background programs now, detached from any test's output, so that CTest
  # does not wait for them after a test program ends.
  harness_wine_in_slot "$1" wineboot >/dev/null 2>&1 </dev/null || true
  # The same for the desktop process that the first program with a window starts: started by a
  # test program, it would keep that program's output open, and CTest would wait for it until
  # every other program with a window had ended.
  harness_wine_in_slot "$1" rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null || true
}

harness_stop_wine() {  # ends the wineservers (and so Wine's background programs) of the route
  local slot
  for slot in 0 $(harness_started_slots); do
    WINEPREFIX=$(harness_slot_prefix "$slot") wineserver -k >/dev/null 2>&1 || true
  done
}

# Test slots (see the top of this file) -----------------------------------------------------

# harness_started_slots: the numbers of the slots that harness_start_slots made (1 2 3 ...).
harness_started_slots() {
  [ "${HARNESS_SLOTS_STARTED:-0}" -gt 0 ] && seq 1 "$HARNESS_SLOTS_STARTED"
  return 0
}

# harness_slot_prefix <slot>: the current route's Wine prefix of a slot (0: the main one).
harness_slot_prefix() {
  if [ "$1" = 0 ]; then echo "$RUN_DIR/wineprefix"; else echo "$RUN_DIR/wineprefix-slot$1"; fi
}

# harness_in_slot_netns <slot> <command...>: the command in the slot's network namespace (slot 0:
# as it is).
harness_in_slot_netns() {
  local slot=$1; shift
  if [ "$slot" = 0 ]; then "$@"; return; fi
  ( source "$VELA_SLOT_DIR/$slot/env" && exec ip netns exec "$VELA_SLOT_NETNS" "$@" )
}

# harness_wine_in_slot <slot> <Wine arguments...>: Wine in the slot's network namespace, display
# and prefix (slot 0: the main ones).
harness_wine_in_slot() {
  local slot=$1; shift
  if [ "$slot" = 0 ]; then
    env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$VELA_WINE" "$@"
    return
  fi
  (
    source "$VELA_SLOT_DIR/$slot/env"
    export DISPLAY=$VELA_SLOT_DISPLAY WINEPREFIX
    WINEPREFIX=$(harness_slot_prefix "$slot")
    harness_in_slot_netns "$slot" env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$VELA_WINE" "$@"
  )
}

# harness_start_slots: VELA_SLOTS slots, each a network namespace with its loopback up, an Xvfb
# display and a stand-in; then the resource file through which CTest hands them out
# (tests/CMakeLists.txt gives every program with locks one slot). Their prefixes come per route
# with harness_start_wine.
harness_start_slots() {
  HARNESS_SLOTS_STARTED=0
  [ "$VELA_SLOTS" -gt 0 ] || return 0
  rm -rf "$VELA_SLOT_DIR"
  local slot ns groups=""
  for slot in $(seq 1 "$VELA_SLOTS"); do
    ns="vela-$$-$slot"
    ip netns add "$ns" || return 1
    HARNESS_NETNS+=("$ns")
    ip netns exec "$ns" ip link set lo up || return 1
    harness_new_display
    mkdir -p "$VELA_SLOT_DIR/$slot/standin"
    ln -s "$RUN_DIR/standin/files" "$VELA_SLOT_DIR/$slot/standin/files"
    printf 'VELA_SLOT_NETNS=%s\nVELA_SLOT_DISPLAY=%s\n' "$ns" "$HARNESS_NEW_DISPLAY" >"$VELA_SLOT_DIR/$slot/env"
    harness_start_standin "$slot" || return 1
    groups+="${groups:+, }{\"id\": \"$slot\", \"slots\": 1}"
  done
  printf '{"version": {"major": 1, "minor": 0}, "local": [{"slot": [%s]}]}\n' "$groups" \
    >"$VELA_SLOT_DIR/resources.json"
  HARNESS_SLOTS_STARTED=$VELA_SLOTS
}

# harness_ctest_slot_args: the arguments that give CTest the slots, when there are any.
harness_ctest_slot_args() {
  [ "${HARNESS_SLOTS_STARTED:-0}" -gt 0 ] && echo "--resource-spec-file $VELA_SLOT_DIR/resources.json"
  return 0
}

# harness_start_standin [slot]: the stand-in service, on the port the programs were built for; in a
# slot, inside its network namespace, with the slot's own request log beside the common tracks.
harness_start_standin() {
  local slot=${1:-0} root="$RUN_DIR/standin" ready="$RUN_DIR/standin.ready" run=()
  if [ "$slot" != 0 ]; then
    root="$VELA_SLOT_DIR/$slot/standin" ready="$VELA_SLOT_DIR/$slot/standin.ready"
    source "$VELA_SLOT_DIR/$slot/env"
    run=(ip netns exec "$VELA_SLOT_NETNS")
  elif (exec 3<>"/dev/tcp/127.0.0.1/$STANDIN_PORT") 2>/dev/null; then
    echo "harness: port $STANDIN_PORT is taken; set VELA_STANDIN_PORT to another port" >&2
    return 1
  fi
  rm -f "$ready"
  "${run[@]}" python3 "$ROOT_DIR/tools/standin/standin.py" --port "$STANDIN_PORT" --root "$root" \
    --ready-file "$ready" --api-key "$(harness_cache_value VELA_API_KEY)" \
    --api-secret "$(harness_cache_value VELA_API_SECRET)" &
  HARNESS_PIDS+=($!)
  local i
  for i in $(seq 100); do [ -s "$ready" ] && return 0; sleep 0.1; done
  echo "harness: the stand-in service did not start" >&2
  return 1
}

harness_cleanup() {
  local prefix
  for prefix in "${HARNESS_PREFIXES[@]}"; do WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true; done
  HARNESS_PREFIXES=()
  local pid
  for pid in "${HARNESS_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${HARNESS_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  HARNESS_PIDS=()
  local ns
  for ns in "${HARNESS_NETNS[@]}"; do ip netns del "$ns" 2>/dev/null || true; done
  HARNESS_NETNS=()
}
