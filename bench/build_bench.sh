#!/usr/bin/env bash
# Measures varo-build on the chinese-poetry collection: wall time, peak memory and file sizes.
# Usage: bench/build_bench.sh [full|sample]   (default full: about a minute)
#   VARO_BUILD_DIR  build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

size=${1:-full}
build_dir=${VARO_BUILD_DIR:-build}
first=$(mktemp -d)
second=$(mktemp -d)
trap 'rm -rf "$first" "$second"' EXIT

# Fetches and converts the package and builds once, which also warms the file cache.
bash scripts/build-sample.sh "$size" "$first" >/dev/null

source_dir=sample/cache/source-$size
echo "varo-build on $source_dir ($(find "$source_dir" -type f | wc -l) page files)"
if [ -x /usr/bin/time ]; then
  /usr/bin/time -f 'wall %e s, user %U s, system %S s, peak memory %M KiB' \
    "$build_dir/bin/varo-build" --variants sample/yitizi.txt "$source_dir" "$second"
else
  time "$build_dir/bin/varo-build" --variants sample/yitizi.txt "$source_dir" "$second"
fi
