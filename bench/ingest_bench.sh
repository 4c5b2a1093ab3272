#!/usr/bin/env bash
# Generates the corpus (200 feeds of 50 items, the three formats mixed, some
# ISO-8859-1), times `xmllint --noout` over it as the floor (median of five
# runs), and runs bench_ingest, which prints its rates against that floor.
# Usage: bench/ingest_bench.sh [FEEDS] [ITEMS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
feeds="${1:-200}"
items="${2:-50}"
corpus="$("$root/bench/corpus.sh" "$feeds" "$items")"

times=()
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  xmllint --noout "$corpus"/feeds/* 2>/dev/null || true
  times+=($(( $(date +%s%N) - start )))
done
floor_ns=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)

"$root/build/release/bench/bench_ingest" "$corpus" "$floor_ns"
