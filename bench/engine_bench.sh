#!/usr/bin/env bash
# Refreshes a generated corpus (200 feeds of 50 items) through the real
# worker pool, each reply delayed DELAY_MS (0: none) as from distant servers.
# Usage: bench/engine_bench.sh [FEEDS] [ITEMS] [DELAY_MS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$("$root/bench/corpus.sh" "${1:-200}" "${2:-50}")"
"$root/build/release/bench/bench_engine" "$corpus" "${3:-0}"
