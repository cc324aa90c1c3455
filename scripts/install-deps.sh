#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, run the demo and the
# benchmarks. Idempotent; run as root on Debian 12.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
pkgs=(
  build-essential cmake pkg-config git ca-certificates
  libwxgtk3.2-dev libwxgtk-webview3.2-dev libwebkit2gtk-4.0-dev
  libcurl4-openssl-dev zlib1g-dev
  googletest libgtest-dev libgmock-dev
  libcpp-httplib-dev
  xvfb xauth imagemagick fonts-wqy-microhei
  clang clang-format libclang-rt-14-dev
  aria2 wget2 python3
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
