#!/usr/bin/env bash
# Takes the picture of the main window after a search on a virtual X screen (Xvfb), for
# docs/screenshot.png. Builds what is missing, the sample collection included.
# Usage: screenshot.sh [OUTPUT] [QUERY]
#   OUTPUT  default docs/screenshot.png
#   QUERY   default 君子　小人 (two terms, with an ideographic space between them), searched
#           in the first entry of the catalogue
#   VARO_BUILD_DIR  build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

output=${1:-docs/screenshot.png}
query=${2:-君子　小人}
build_dir=${VARO_BUILD_DIR:-build}
bin=$build_dir/bin

bash scripts/install-deps.sh run
cmake --preset dev -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2 --target varo-screenshot varo-build
if [ ! -f "$bin/zlq.dir" ]; then
  VARO_BUILD_DIR=$build_dir bash scripts/build-sample.sh sample "$bin"
fi

mkdir -p "$(dirname "$output")"
# The listing zlq.txt that loading the catalogue writes goes to a scratch folder.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
program=$(realpath "$build_dir/tools/screenshot/varo-screenshot")
data=$(realpath "$bin")
target=$(realpath -m "$output")
(cd "$scratch" && QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  "$program" "$target" --data "$data" --query "$query" --scope 1 --size 1280x800)
