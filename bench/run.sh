#!/usr/bin/env bash
# Runs every benchmark and prints one table of figures and ratios, headed by the machine's facts.
#
#   bench/run.sh            (builds what it needs in build-bench/, Release)
#
# - downloads: 2,000 pictures of 20-300 KB from a loopback server with 20 ms per response, ours
#   against aria2c and wget2 at 5 and 15 threads, in the same run (bench/download);
# - naming of 10,000 and 100,000 pictures through AddPicToJob (bench/download);
# - the grid on 100,000 rows under a virtual display (bench/grid);
# - a whole profile: albumora-cli against the substitute service, 2,000 posts, zero latency;
#   time spent outside the adapter's described pauses, and peak memory (bench/profile).
# Full outputs of each benchmark are kept in build-bench/bench-*.txt.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
B="$ROOT/build-bench"
JOBS="$(nproc)"

cmake -S "$ROOT" -B "$B" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$B" -j"$JOBS" --target albumora-bench-download albumora-cli >/dev/null
GRID=1
cmake --build "$B" -j"$JOBS" --target albumora-bench-grid >/dev/null 2>&1 || GRID=0

cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
mem="$(awk '/MemTotal/ {printf "%.1f GB", $2 / 1048576}' /proc/meminfo)"
echo "Machine: $(nproc) hardware threads, ${cpu:-unknown CPU}, $mem RAM, $(uname -sr); load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Peers: $(aria2c --version 2>/dev/null | head -1), $(wget2 --version 2>/dev/null | head -1)"

echo "... downloads and naming (bench/download)" >&2
"$B/bench/download/albumora-bench-download" >"$B/bench-download.txt" 2>&1
if [ "$GRID" = 1 ]; then
  echo "... grid (bench/grid, under xvfb-run)" >&2
  xvfb-run -a "$B/bench/grid/albumora-bench-grid" >"$B/bench-grid.txt" 2>&1 || echo "grid benchmark failed" >"$B/bench-grid.txt"
else
  echo "grid benchmark not built (needs the wx GUI build)" >"$B/bench-grid.txt"
fi
echo "... whole profile (bench/profile)" >&2
python3 "$ROOT/bench/profile/bench_profile.py" --cli "$B/albumora-cli" >"$B/bench-profile.txt" 2>&1

python3 - "$B" <<'PY'
import re, sys
B = sys.argv[1]
rows = []
dl = open(f"{B}/bench-download.txt").read()
for sec in re.split(r"^(?=Download of )", dl, flags=re.M)[1:]:
    head = re.match(r"Download of (\d+) pictures \(([\d]+)-([\d]+) KB", sec)
    what = f"{head.group(1)} x {head.group(2)}-{head.group(3)} KB" if head else "download"
    for m in re.finditer(r"^\| (\d+) \| (\w+) \| ([\d.]+) \| (\d+) \| ([\d.]+) \| (\d+/\d+)[^|]* \| ([\d.]+) \| ([\d.]+) \|", sec, re.M):
        n, prog, wall, pps, rss, complete, rw, rr = m.groups()
        rows.append((f"download {what}, {n} threads", prog,
                     f"{wall} s, {pps} pictures/s, {rss} MB peak, {complete} complete",
                     f"wall {rw}x, RSS {rr}x ours"))
n10 = re.search(r"^\| 10,000 \| ([\d.]+) \|", dl, re.M)
n100 = re.search(r"^\| 100,000 \| ([\d.]+) \|", dl, re.M)
if n10 and n100:
    rows.append(("naming", "10,000 / 100,000 pictures", f"{n10.group(1)} s / {n100.group(1)} s",
                 f"100k/10k = {float(n100.group(1)) / float(n10.group(1)):.1f} (10 = linear)"))
grid = open(f"{B}/bench-grid.txt").read()
for line in grid.splitlines():
    m = re.match(r"^\s+(.+?)\s{2,}([\d.]+ ms.*)$", line)
    if m:
        rows.append(("grid 100,000 rows", m.group(1), m.group(2), ""))
p100 = re.search(r"paint one screen, 100 rows\s+([\d.]+)", grid)
pbig = re.search(r"paint one screen, \d+ rows\s+([\d.]+)", grid)
if p100 and pbig and float(p100.group(1)) > 0:
    rows.append(("grid", "paint 100,000 rows vs 100 rows", "", f"{float(pbig.group(1)) / float(p100.group(1)):.2f}x"))
prof = open(f"{B}/bench-profile.txt").read()
m = re.search(r"^profile (.*)$", prof, re.M)
if m:
    kv = dict(x.split("=", 1) for x in m.group(1).split())
    rows.append(("whole profile", f"albumora-cli, {kv['posts']} posts ({kv['videos']} videos), {kv['threads']} threads",
                 f"{kv['wall_s']} s wall, {kv['pauses_s']} s described pauses, {kv['peak_rss_mb']} MB peak",
                 f"{kv['outside_pauses_s']} s outside the pauses; {kv['files']} files, exit {kv['exit']}"))
else:
    rows.append(("whole profile", "failed", prof.strip()[-300:], ""))
print()
print("| benchmark | what | figures | ratio |")
print("|---|---|---|---|")
for r in rows:
    print("| " + " | ".join(r) + " |")
PY
echo
echo "Full outputs: $B/bench-download.txt, $B/bench-grid.txt, $B/bench-profile.txt"
