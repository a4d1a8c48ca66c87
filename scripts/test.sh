#!/usr/bin/env bash
# Builds everything and runs every test. Installs what is missing first.
#   VARO_BUILD_DIR  build folder (default: build)
#   VARO_SANITIZE   ON for an AddressSanitizer + UndefinedBehaviorSanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test

build_dir=${VARO_BUILD_DIR:-build}
sanitize=${VARO_SANITIZE:-OFF}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARO_WERROR=ON -DVARO_SANITIZE="$sanitize"
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 900
