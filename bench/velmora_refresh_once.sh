#!/usr/bin/env bash
# One headless "refresh every feed" of velmora-cli in a state folder of its
# own, as the peer comparison drives it: the data tree is created when
# missing, the subscriptions imported (known ones are skipped) and every
# channel refreshed. Usage: velmora_refresh_once.sh DATA_FOLDER OPML_FILE
set -euo pipefail
cli="$(cd "$(dirname "$0")/.." && pwd)/build/release/src/app/velmora-cli"
export HOME="$1" XDG_CONFIG_HOME="$1/.config"
"$cli" init >/dev/null
"$cli" import-opml "$2" >/dev/null
"$cli" refresh --all
