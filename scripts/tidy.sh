#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over every source of the tree that the build
# compiles (the build's compile_commands.json names them). Fails on any finding. Takes a
# quarter of an hour on two cores, so it is not part of the test command.
#   VARO_BUILD_DIR  a configured and built folder of the dev preset (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${VARO_BUILD_DIR:-build}
if [ ! -f "$build_dir/compile_commands.json" ]; then
  echo "tidy.sh: $build_dir has no compile_commands.json; build it first (cmake --preset dev)" >&2
  exit 64
fi
if ! command -v run-clang-tidy >/dev/null; then
  echo "tidy.sh: run-clang-tidy is missing (Debian: clang-tidy)" >&2
  exit 64
fi
# The sources of the tree, not the files the build writes (moc, resources).
mapfile -t sources < <(git ls-files '*.cpp' | grep -E '^(text|platform|store|engine|panel|shell|tools|tests|bench|fuzz)/')
run-clang-tidy -p "$build_dir" -quiet -j 2 "${sources[@]/#/$PWD/}"
