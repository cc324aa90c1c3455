#!/usr/bin/env python3
"""Whole-profile benchmark: albumora-cli lists and downloads a profile from the substitute photo
service (zero latency), measured as a child process: wall time, peak resident memory, and the
time spent outside the adapter's described pauses (3000/4000 ms after each page in turn,
1000 ms after each video's post view). Prints one line of key=value figures at the end."""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))


def admin(port, path):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", timeout=60) as r:
        return json.loads(r.read().decode("utf-8"))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--posts", type=int, default=2000)
    ap.add_argument("--videos", type=int, default=20)
    ap.add_argument("--threads", type=int, default=15)
    args = ap.parse_args()

    work = tempfile.mkdtemp(prefix="albumora-benchprof-")
    settings, out = os.path.join(work, "settings"), os.path.join(work, "out")
    os.makedirs(settings)
    svc = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "photo_service.py"), "--port", "0",
                            "--profile", "bench_user", "--posts", str(args.posts), "--videos",
                            str(args.videos), "--latency-ms", "0"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        port = int(svc.stdout.readline().strip().rsplit(":", 1)[1])
        with open(os.path.join(settings, "下载器扩展设置.ini"), "w", encoding="utf-8") as f:
            f.write(f"[Instagram]\n站点根地址=http://127.0.0.1:{port}\n")
        env = {k: v for k, v in os.environ.items() if not k.lower().endswith("_proxy")}
        timing = os.path.join(work, "time.txt")
        cmd = ["/usr/bin/time", "-o", timing, "-f", "%e %M", args.cli, "--settings-dir", settings, "-o", out,
               "--threads", str(args.threads), f"http://127.0.0.1:{port}/www.instagram.com/bench_user"]
        res = subprocess.run(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        wall, rss_kb = open(timing).read().split()[-2:]
        wall, rss_kb = float(wall), int(rss_kb)
        reqs = admin(port, "/__admin/requests")
    finally:
        svc.terminate()
        svc.wait()

    pages = [r for r in reqs if r["kind"] in ("profile", "query") and r["status"] == 200]
    views = [r for r in reqs if r["kind"] == "postview" and r["status"] == 200]
    # One pause after every page the adapter parsed: 4000 ms after odd pages, 3000 after even.
    pauses = sum((n % 2 + 3) for n in range(1, len(pages) + 1)) + len(views) * 1.0
    files = sum(len(f) for _, _, f in os.walk(out))
    subprocess.run(["rm", "-rf", work])
    if res.returncode != 0:
        print(res.stdout[-2000:], res.stderr[-2000:])
    print(f"profile posts={args.posts} videos={args.videos} threads={args.threads} exit={res.returncode} "
          f"files={files} pages={len(pages)} views={len(views)} wall_s={wall:.1f} pauses_s={pauses:.1f} "
          f"outside_pauses_s={wall - pauses:.1f} peak_rss_mb={rss_kb / 1024:.1f}")
    return res.returncode


if __name__ == "__main__":
    sys.exit(main())
