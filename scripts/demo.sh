#!/usr/bin/env bash
# The main job: installs and builds, then runs what the program does today.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
echo "Built: $(ls build | grep -E '^albumora' || true)"
