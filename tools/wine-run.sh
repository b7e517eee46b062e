#!/bin/bash
# Runs a Windows program under Wine in the harness's environment (CTest's emulator).
# The harness (tools/harness.sh) exports RUN_DIR, VELA_RUN_ARCH and DISPLAY and keeps the
# wineservers running. A program that CTest gave a test slot (CTEST_RESOURCE_GROUP_0_SLOT is
# "id:<slot>,slots:1") runs in that slot's network namespace, display and Wine prefix.
set -e
: "${RUN_DIR:?RUN_DIR is set by tools/harness.sh}"
run=()
if [ -n "${CTEST_RESOURCE_GROUP_0_SLOT:-}" ]; then
  slot=${CTEST_RESOURCE_GROUP_0_SLOT#id:}
  slot=${slot%%,*}
  source "$VELA_SLOT_DIR/$slot/env"
  export DISPLAY=$VELA_SLOT_DISPLAY VELA_WINEPREFIX=$RUN_DIR/wineprefix-slot$slot
  run=(ip netns exec "$VELA_SLOT_NETNS")
fi
source "$(dirname "$0")/wine-env.sh"
export LANG=zh_CN.UTF-8
exec "${run[@]}" env LC_ALL=zh_CN.UTF-8 "$VELA_WINE" "$@"
