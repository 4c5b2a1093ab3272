#!/usr/bin/env bash
# velmora-cli refresh against newsboat (reload-threads 2), interleaved round
# by round on one loopback server: first on empty stores, then with every
# item known and every feed unchanged, twice: the server answering the
# clients' conditional requests with 304 (both send them: the priming
# refresh gave them their validators), then ignoring them and sending every
# feed whole. Prints the three times and their ratios.
# Usage: bench/refresh_vs_newsboat.sh [FEEDS] [ITEMS]
#   env: RUNS=3 PORT=8765 SHARED_BENCH=<the shared scripts' folder, ../shared/bench>
# Needs Debian packages newsboat, sqlite3, time and python3-feedparser (the shared
# scripts check what newsboat stored with it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
feeds="${1:-1000}"
items="${2:-20}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The shared scripts write beside themselves: run a copy.
cp -r "${SHARED_BENCH:-$root/../shared/bench}/." "$work/"
OURS_NAME=velmora \
OURS_CMD="$root/bench/velmora_refresh_once.sh {data} {opml}" \
OURS_COUNT='sqlite3 {data}/Documents/Velmora/Data/velmora.dat "select count(*) from Node"' \
PHASES=first,again304,again200 THREADS=2 RUNS="${RUNS:-3}" SKIP_ANCHORS=1 \
  "$work/run_all.sh" "$feeds" "$items" "${PORT:-8765}"
