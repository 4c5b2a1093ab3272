#!/usr/bin/env bash
# Prints the folder of a generated corpus of FEEDS feeds of ITEMS items,
# generating it first when missing. Usage: bench/corpus.sh FEEDS ITEMS
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
feeds="$1"
items="$2"
corpus="${TMPDIR:-/tmp}/velmora-corpus-n$feeds-m$items"
if [ ! -d "$corpus/feeds" ]; then
  python3 "$root/../shared/bench/gen_feeds.py" --out "$corpus" -n "$feeds" -m "$items" >/dev/null
fi
echo "$corpus"
