#!/usr/bin/env python3
"""Fault soak: albumora-cli downloads a profile from the substitute photo service while the
service injects resets, stalls longer than the time-out, error pages, truncated bodies and slow
trickles; then every file on disk is checked against what the service served.

A picture on disk must be complete and byte-identical to the service's file for its post, or
absent. Nothing else may be left in the save folder (no temporary or torn file) or in the
settings folder. The process's resident memory is sampled while it runs; with --flat-check the
last third of the run may not climb above the first third.

Exit status 0 when every check passed. The last line of output is a one-line summary."""

import argparse
import hashlib
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
SERVICE = os.path.join(ROOT, "tools", "photo_service.py")
NAME_RE = re.compile(r"^(\d+)\) \1\.(jpg|png|mp4)$")
SIDE_FILES = {"pic.nvx"}
SETTINGS_FILES = {"soft.dat", "下载器扩展设置.ini", "cookies.txt"}


def admin(port, path):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", timeout=60) as r:
        return json.loads(r.read().decode("utf-8"))


def sha256_file(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def start_service(args, log):
    cmd = [sys.executable, SERVICE, "--port", "0", "--profile", "soak_user", "--posts", str(args.posts),
           "--videos", str(args.videos), "--seed", str(args.seed), "--fault-scope", "media",
           "--reset-rate", str(args.rate), "--stall-rate", str(args.rate), "--error-rate", str(args.rate),
           "--truncate-rate", str(args.rate), "--trickle-rate", str(args.rate),
           "--stall-seconds", str(args.stall_seconds), "--trickle-interval-ms", "50",
           "--pic-min-kb", str(args.pic_min_kb), "--pic-max-kb", str(args.pic_max_kb)]
    svc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=log, text=True)
    line = svc.stdout.readline()
    if not line.startswith("LISTENING 127.0.0.1:"):
        svc.kill()
        raise SystemExit(f"the service did not start: {line!r}")
    return svc, int(line.rsplit(":", 1)[1])


def run_cli(args, port, settings, out):
    env = {k: v for k, v in os.environ.items() if not k.lower().endswith("_proxy")}
    cmd = [args.cli, "--settings-dir", settings, "-o", out, "--threads", str(args.threads),
           "--timeout", str(args.timeout), "--name-type", "number", "--no-fix-order", "--yes",
           f"http://127.0.0.1:{port}/www.instagram.com/soak_user"]
    t0 = time.monotonic()
    with open(os.path.join(settings, "..", "cli.out"), "w") as so, \
         open(os.path.join(settings, "..", "cli.err"), "w") as se:
        proc = subprocess.Popen(cmd, stdout=so, stderr=se, env=env)
        samples = []
        deadline = t0 + args.deadline
        while proc.poll() is None:
            kb = rss_kb(proc.pid)
            if kb is not None:
                samples.append((time.monotonic() - t0, kb))
            if time.monotonic() > deadline:
                proc.send_signal(signal.SIGKILL)
                proc.wait()
                raise SystemExit(f"albumora-cli did not finish within {args.deadline} s")
            time.sleep(0.1)
    elapsed = time.monotonic() - t0
    with open(os.path.join(settings, "..", "cli.out")) as f:
        stdout = f.read()
    return proc.returncode, elapsed, samples, stdout


def summary_value(stdout, label):
    m = re.search(rf"^\s*{label}:\s*(\d+)", stdout, re.M)
    return int(m.group(1)) if m else None


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--cli", required=True)
    ap.add_argument("--posts", type=int, default=150)
    ap.add_argument("--videos", type=int, default=5)
    ap.add_argument("--rate", type=float, default=4, help="percent of media responses per fault kind")
    ap.add_argument("--stall-seconds", type=int, default=14)
    ap.add_argument("--timeout", type=int, default=10)
    ap.add_argument("--threads", type=int, default=15)
    ap.add_argument("--seed", type=int, default=9)
    ap.add_argument("--pic-min-kb", type=int, default=20)
    ap.add_argument("--pic-max-kb", type=int, default=300)
    ap.add_argument("--deadline", type=int, default=600, help="seconds before the run counts as hung")
    ap.add_argument("--flat-check", action="store_true", help="fail when memory climbs during the run")
    ap.add_argument("--keep", action="store_true", help="keep the work folder")
    args = ap.parse_args()

    work = tempfile.mkdtemp(prefix="albumora-soak-")
    settings, out = os.path.join(work, "settings"), os.path.join(work, "out")
    os.makedirs(settings)
    os.makedirs(out)
    problems = []
    with open(os.path.join(work, "service.log"), "w") as log:
        svc, port = start_service(args, log)
        try:
            with open(os.path.join(settings, "下载器扩展设置.ini"), "w", encoding="utf-8") as f:
                f.write(f"[Instagram]\n站点根地址=http://127.0.0.1:{port}\n")
            posts = admin(port, "/__admin/posts?hashes=1")["posts"]
            rc, elapsed, samples, stdout = run_cli(args, port, settings, out)
            stats = admin(port, "/__admin/stats")
        finally:
            svc.send_signal(signal.SIGTERM)
            try:
                svc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                svc.kill()

    if rc != 0:
        problems.append(f"albumora-cli exit status {rc}")

    # Every file: a complete picture of the right post, the album's marker, or a problem.
    good = 0
    seen = set()
    for folder, _, files in os.walk(out):
        for name in files:
            path = os.path.join(folder, name)
            if name in SIDE_FILES:
                continue
            m = NAME_RE.match(name)
            if not m:
                problems.append(f"unexpected file {os.path.relpath(path, out)}")
                continue
            k = int(m.group(1))
            if not 1 <= k <= len(posts) or k in seen:
                problems.append(f"file {name} names no post or a post twice")
                continue
            seen.add(k)
            post = posts[k - 1]
            size = os.path.getsize(path)
            if size != post["size"] or sha256_file(path) != post["sha256"]:
                problems.append(f"{name}: {size} bytes, not the {post['size']} bytes served for post "
                                f"{post['serial']}")
            else:
                good += 1
    for name in os.listdir(settings):
        if name not in SETTINGS_FILES:
            problems.append(f"left in the settings folder: {name}")

    found = summary_value(stdout, "pictures found")
    on_disk = summary_value(stdout, "pictures on disk")
    failed = summary_value(stdout, "failed pictures")
    if found != len(posts):
        problems.append(f"found {found} pictures of {len(posts)} posts")
    if on_disk != len(seen):
        problems.append(f"summary says {on_disk} on disk, {len(seen)} are")
    if found is not None and failed is not None and on_disk is not None and on_disk + failed != found:
        problems.append(f"on disk {on_disk} + failed {failed} != found {found}")

    kbs = [kb for _, kb in samples]
    peak = max(kbs) if kbs else 0
    third = max(1, len(kbs) // 3)
    first_peak, last_peak = (max(kbs[:third]), max(kbs[-third:])) if kbs else (0, 0)
    # Flat: the end of the run may not hold more than the start plus slack for allocator noise.
    flat = last_peak <= first_peak * 1.25 + 16 * 1024
    if args.flat_check and not flat:
        problems.append(f"memory climbed: first third peak {first_peak} KB, last third {last_peak} KB")

    faults = stats.get("faults", {})
    for p in problems[:40]:
        print("PROBLEM:", p)
    print(f"soak: posts {len(posts)}, found {found}, complete and identical {good}, absent "
          f"{len(posts) - len(seen)} (failed {failed}); faults injected {json.dumps(faults, sort_keys=True)}; "
          f"elapsed {elapsed:.1f} s; RSS peak {peak / 1024:.1f} MB, first third {first_peak / 1024:.1f} MB, "
          f"last third {last_peak / 1024:.1f} MB ({'flat' if flat else 'climbing'}); "
          f"{'PASS' if not problems else 'FAIL'}")
    if args.keep or problems:
        print("work folder:", work)
    else:
        subprocess.run(["rm", "-rf", work])
    return 0 if not problems else 1


if __name__ == "__main__":
    sys.exit(main())
