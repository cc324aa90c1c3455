#!/usr/bin/env bash
# Screenshot of the desktop program after a download from the substitute photo service:
#   scripts/gui-shot.sh OUT.png [BUILD_DIR]
# Runs everything in a fresh virtual display (../shared/tools/shot when present, else xvfb-run):
# the service, the program with the profile address, Enter on the window (its default button
# "获取相册"), then waits for the download and takes the picture.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(readlink -f "${1:?usage: gui-shot.sh OUT.png [BUILD_DIR]}")"
build="$(readlink -f "${2:-$root/build}")"

if [ -z "${ALBUMORA_SHOT_INNER:-}" ]; then
  shot="$root/../shared/tools/shot"
  if [ -x "$shot" ]; then
    ALBUMORA_SHOT_INNER=1 exec "$shot" "$out" 25 env ALBUMORA_SHOT_INNER=1 bash "$0" "$out" "$build"
  fi
  ALBUMORA_SHOT_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$out" "$build"
fi

settings="$(mktemp -d /var/tmp/albumora-shot-XXXXXX)"
svc_pid="" app_pid=""
# The screenshot tool ends this script with a signal: take the service and the program along.
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$svc_pid" ] && kill "$svc_pid" 2>/dev/null
  rm -rf "$settings"
}
trap cleanup EXIT
trap 'exit 0' TERM INT
coproc SVC { exec python3 "$root/tools/photo_service.py" --port 0 --posts 24 --videos 2 --latency-ms 20 2>/dev/null; }
svc_pid=$SVC_PID
read -r -t 20 line <&"${SVC[0]}"
port="${line##*:}"
printf '[Instagram]\n站点根地址=http://127.0.0.1:%s\n[配置]\n配置地址=http://127.0.0.1:%s/gv/stage1.php\n' \
  "$port" "$port" > "$settings/下载器扩展设置.ini"
mkdir -p "$settings/out"
( cd "$settings" && exec "$build/albumora" "http://127.0.0.1:$port/www.instagram.com/sample_user" ) &
app_pid=$!
# Sleeps in the background, so a signal is handled at once rather than after the sleep.
pause() { sleep "$1" & wait $!; }
pause 4
python3 "$root/scripts/press-enter.py" 400 400
pause 12
# Inside shot the picture is taken by shot itself; under plain xvfb-run take it here.
if ! [ -x "$root/../shared/tools/shot" ]; then import -window root "$out"; fi
pause 10
