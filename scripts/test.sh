#!/usr/bin/env bash
# Builds everything and runs every test. Installs what is missing first.
#   VARO_BUILD_DIR  build folder (default: build)
#   VARO_SANITIZE   ON for an AddressSanitizer + UndefinedBehaviorSanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test

# The build settings are the presets' (CMakePresets.json): dev, or asan with VARO_SANITIZE=ON.
preset=dev
if [ "${VARO_SANITIZE:-OFF}" = ON ]; then
  preset=asan
fi
build_dir=${VARO_BUILD_DIR:-build}
cmake --preset "$preset" -B "$build_dir"
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2 --timeout 900
