#!/usr/bin/env bash
# The long fault soak: albumora-cli downloads a 5,000-picture profile from the substitute
# service while it injects connection resets, stalls longer than the time-out, HTML error pages,
# truncated bodies and slow trickles (RATE percent of the picture responses each), then every
# file on disk is checked (complete and byte-identical, or absent; no temporary file left) and
# the process's memory must stay flat.
#
#   scripts/soak.sh [POSTS] [RATE]       (defaults: 5000 posts, 3 percent per fault kind)
#
# Builds albumora-cli in build-soak/ when ALBUMORA_CLI does not name one. The listing alone
# waits out the adapter's pauses between pages of 50 (about 3.5 s each), so 5,000 posts take
# roughly ten minutes.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
POSTS="${1:-5000}"
RATE="${2:-3}"
CLI="${ALBUMORA_CLI:-}"
if [ -z "$CLI" ]; then
  cmake -S "$ROOT" -B "$ROOT/build-soak" -DALBUMORA_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  nice -n 19 cmake --build "$ROOT/build-soak" -j"$(nproc)" --target albumora-cli >/dev/null
  CLI="$ROOT/build-soak/albumora-cli"
fi
exec python3 "$ROOT/tests/soak/soak.py" --cli "$CLI" --posts "$POSTS" --videos $((POSTS / 40)) \
  --rate "$RATE" --stall-seconds 40 --timeout 10 --threads 15 --deadline 3600 --flat-check
