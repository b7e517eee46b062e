#!/bin/bash
# Runs a Windows program under Wine in the harness's environment (CTest's emulator).
# The harness (tools/harness.sh) exports RUN_DIR, VELA_RUN_ARCH and DISPLAY and keeps the
# wineserver running.
set -e
: "${RUN_DIR:?RUN_DIR is set by tools/harness.sh}"
source "$(dirname "$0")/wine-env.sh"
export LANG=zh_CN.UTF-8
exec env LC_ALL=zh_CN.UTF-8 "$VELA_WINE" "$@"
