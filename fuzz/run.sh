#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer + ASan/UBSan) and runs each for a bounded time.
#
#   fuzz/run.sh [SECONDS_PER_TARGET] [PARALLEL] [TARGET...]
#
# SECONDS_PER_TARGET defaults to 600, PARALLEL (targets run at once) to 1. The seeds in
# fuzz/corpus/<target>/ are read, never written; the growing corpus lives in
# build-fuzz/corpus/<target>/ and any crashing input in build-fuzz/artifacts/<target>/.
# Everything runs under `nice -n 19` so it does not starve builds on a shared machine.
# Exit status 1 when any target found something.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SECS="${1:-600}"
PAR="${2:-1}"
shift 2 2>/dev/null || shift $#
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(fuzz_text_cutting fuzz_codecs fuzz_decode fuzz_valid_name fuzz_ini
                                      fuzz_softdat fuzz_cookies fuzz_instagram)
B="$ROOT/build-fuzz"
FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"

if [ ! -f "$B/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$B" -DALBUMORA_FUZZ=ON -DALBUMORA_GUI=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_C_FLAGS=$FLAGS" "-DCMAKE_CXX_FLAGS=$FLAGS" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null || exit 2
fi
nice -n 19 cmake --build "$B" -j2 --target "${TARGETS[@]}" >/dev/null || exit 2

run_one() {
  local t="$1"
  mkdir -p "$B/corpus/$t" "$B/artifacts/$t"
  local start=$SECONDS
  # -timeout: one input may not take longer than 30 s (a hang is a finding too).
  ASAN_OPTIONS=detect_leaks=1 nice -n 19 "$B/fuzz/$t" -max_total_time="$SECS" -timeout=30 \
    -rss_limit_mb=3072 -artifact_prefix="$B/artifacts/$t/" "$B/corpus/$t" "$ROOT/fuzz/corpus/$t" \
    >"$B/$t.log" 2>&1
  local rc=$?
  local stats
  stats=$(grep -E '^#[0-9]+' "$B/$t.log" | tail -1 | sed -E 's/^(#[0-9]+).*cov: ([0-9]+).*exec\/s: ([0-9]+).*/runs \1 cov \2 exec\/s \3/')
  printf '%-20s rc=%d  %4ds  %s\n' "$t" "$rc" "$((SECONDS - start))" "$stats"
  return $rc
}

status=0
running=0
for t in "${TARGETS[@]}"; do
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$PAR" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
if find "$B/artifacts" -type f 2>/dev/null | grep -q .; then
  echo "findings:"
  find "$B/artifacts" -type f
  status=1
fi
exit $status
