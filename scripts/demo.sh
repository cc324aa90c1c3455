#!/usr/bin/env bash
# The main job: installs and builds, then downloads a sample profile end to end. The substitute
# photo service plays Instagram on 127.0.0.1 (as a plain HTTP proxy); albumora-cli lists the
# profile and downloads it into ./demo-downloads; the summary shows what a user got.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
build="${ALBUMORA_BUILD_DIR:-build}"

bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

# The settings folder of the demo run: first-run settings, and the web-root override that points
# the adapter at the plain-http address the proxy serves.
settings="$(mktemp -d /tmp/albumora-demo-XXXXXX)"
log="$settings/service.log"
svc_pid=""
cleanup() {
  if [ -n "$svc_pid" ]; then kill "$svc_pid" 2>/dev/null || true; wait "$svc_pid" 2>/dev/null || true; fi
  rm -rf "$settings"
}
trap cleanup EXIT
printf '[Instagram]\n站点根地址=http://www.instagram.com\n' > "$settings/下载器扩展设置.ini"

echo "== starting the substitute photo service (sample profile: 60 posts, 3 videos) =="
coproc SVC { exec python3 tools/photo_service.py --port 0 --profile sample_user --posts 60 --videos 3 \
  --first-page 20 --captions mixed --latency-ms 20 2>"$log"; }
svc_pid=$SVC_PID
read -r -t 20 line <&"${SVC[0]}" || { echo "the service did not start:"; cat "$log"; exit 1; }
echo "$line"
port="${line##*:}"

rm -rf demo-downloads
echo "== albumora-cli http://www.instagram.com/sample_user/ -> ./demo-downloads =="
status=0
env -u no_proxy -u NO_PROXY -u https_proxy -u all_proxy http_proxy="http://127.0.0.1:$port" \
  "$build/albumora-cli" --settings-dir "$settings" -o "$root/demo-downloads" --fix-order --captions \
  http://www.instagram.com/sample_user/ || status=$?

echo "== what landed in ./demo-downloads =="
find demo-downloads -type f | sort | head -n 12
echo "... $(find demo-downloads -type f | wc -l) files in all, $(du -sh demo-downloads | cut -f1)"
echo "by type: $(find demo-downloads -type f -name '*.jpg' | wc -l) jpg," \
  "$(find demo-downloads -type f -name '*.png' | wc -l) png," \
  "$(find demo-downloads -type f -name '*.mp4' | wc -l) mp4"
echo "albumora-cli exit status: $status"

# The desktop program, when there is a display to show it on: it starts against the same
# service (configuration exchange included, so the site list fills) with the profile address in
# its address box; press "获取相册" and watch it download into the folder in "保存路径" (started
# from a temporary folder, that is the documents folder + "Albumora/"). Closing the window ends
# the demo. ALBUMORA_DEMO_GUI=0 skips it.
if [ "${ALBUMORA_DEMO_GUI:-1}" != 0 ] && [ -x "$build/albumora" ] &&
   { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  gui="$settings/gui"
  mkdir -p "$gui"
  app="$(cd "$build" && pwd)/albumora"
  printf '[Instagram]\n站点根地址=http://127.0.0.1:%s\n[配置]\n配置地址=http://127.0.0.1:%s/gv/stage1.php\n' \
    "$port" "$port" > "$gui/下载器扩展设置.ini"
  echo "== the desktop program (Gramvista): press 获取相册, then close the window to finish =="
  ( cd "$gui" && env -u http_proxy -u https_proxy -u all_proxy "$app" \
      "http://127.0.0.1:$port/www.instagram.com/sample_user" ) || true
else
  echo "(no display: the desktop program was not started; the terminal demo above is the main job)"
fi
exit "$status"
