#!/usr/bin/env bash
# Runs bench_window on a virtual display (the web view needs one).
set -euo pipefail
cd "$(dirname "$0")/.."
binary=build/release/bench/bench_window
[ -x "$binary" ] || ./scripts/build release
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
export QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu
exec xvfb-run -a -s "-screen 0 1600x1200x24" "$binary"
