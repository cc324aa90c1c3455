#!/usr/bin/env bash
# Builds the whole project with a sanitizer and runs the whole CTest suite under it.
#
#   scripts/sanitize.sh address   AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
#   scripts/sanitize.sh thread    ThreadSanitizer, in build-tsan/
#   scripts/sanitize.sh all       both, one after the other (the default)
#
# Extra arguments go to ctest (e.g. -R core). Builds and tests run under `nice -n 19`.
# ALBUMORA_SANITIZE_GUI=OFF builds only the wx-free core, its tests and the command-line front
# end (in build-asan-core/ or build-tsan-core/): what CI runs on every submission.
# The suppression files written into the build folder cover only system libraries that are not
# built with the sanitizer (GTK, GLib, gdk-pixbuf, fontconfig, WebKit..., and the dynamic loader
# that iconv uses to load its converters), never our own code. TSan's reports of mutex misuse
# are off: GLib-based libraries (GLib, pango, EGL...) lock mutexes TSan never saw created, and
# every GUI test would stop at start-up; data races and lock-order problems are still reported.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
WHICH="${1:-all}"
shift || true
JOBS="${JOBS:-$(nproc)}"

run() {
  local kind="$1" dir="$2"
  shift 2
  local gui="${ALBUMORA_SANITIZE_GUI:-ON}"
  [ "$gui" = ON ] || dir="$dir-core"
  local B="$ROOT/$dir"
  echo "== $kind sanitizer: configuring and building $dir"
  cmake -S "$ROOT" -B "$B" -DALBUMORA_SANITIZE="$kind" -DALBUMORA_GUI="$gui" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || return 2
  nice -n 19 cmake --build "$B" -j"$JOBS" >"$B/build.log" 2>&1 || { tail -30 "$B/build.log"; return 2; }

  cat >"$B/lsan.supp" <<'SUPP'
leak:libgtk-3.so
leak:libgdk-3.so
leak:libglib-2.0.so
leak:libgobject-2.0.so
leak:libgio-2.0.so
leak:libfontconfig.so
leak:libpango
leak:libcairo.so
leak:libharfbuzz.so
leak:libwebkit2gtk
leak:libjavascriptcoregtk
leak:libatk
leak:libdbus
leak:libX11.so
leak:libwx_
SUPP
  cat >"$B/tsan.supp" <<'SUPP'
called_from_lib:libglib-2.0.so
called_from_lib:libgobject-2.0.so
called_from_lib:libgio-2.0.so
called_from_lib:libgtk-3.so
called_from_lib:libgdk-3.so
called_from_lib:libfontconfig.so
called_from_lib:libpango-1.0.so
called_from_lib:libcairo.so
called_from_lib:libdbus-1.so
called_from_lib:libwebkit2gtk-4.0.so
called_from_lib:libjavascriptcoregtk-4.0.so
race:libglib-2.0.so
race:libgio-2.0.so
race:libgtk-3.so
race:libgdk-3.so
race:libdconf
race:libfontconfig.so
race:libpango
called_from_lib:libgdk_pixbuf-2.0.so.0
mutex:libgdk_pixbuf-2.0.so.0
mutex:libglib-2.0.so
mutex:libgtk-3.so
mutex:libwx_gtk3u_core-3.2.so
mutex:libgdk-3.so
mutex:libpango
mutex:libcairo.so
mutex:libfontconfig.so
mutex:libharfbuzz.so
deadlock:libGLdispatch.so
deadlock:libX11.so
deadlock:libGLX.so
called_from_lib:libX11.so.6
called_from_lib:libGLX.so.0
called_from_lib:libGLdispatch.so.0
called_from_lib:ld-linux-x86-64.so.2
race:_dl_close_worker
race:_dl_check_map_versions
SUPP
  local start=$SECONDS
  echo "== $kind sanitizer: ctest in $dir"
  (
    cd "$B" &&
      ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1" \
      LSAN_OPTIONS="suppressions=$B/lsan.supp:print_suppressions=0" \
      UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
      TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:report_mutex_bugs=0:suppressions=$B/tsan.supp" \
      nice -n 19 ctest --output-on-failure -j"$JOBS" --timeout 900 "$@"
  )
  local rc=$?
  echo "== $kind sanitizer: ctest exit status $rc after $((SECONDS - start)) s"
  return $rc
}

status=0
case "$WHICH" in
  address) run address build-asan "$@" || status=1 ;;
  thread) run thread build-tsan "$@" || status=1 ;;
  all)
    run address build-asan "$@" || status=1
    run thread build-tsan "$@" || status=1
    ;;
  *) echo "usage: $0 [address|thread|all] [ctest arguments]" >&2; exit 2 ;;
esac
exit $status
