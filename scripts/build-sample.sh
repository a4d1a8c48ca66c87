#!/usr/bin/env bash
# Builds a collection from the npm package chinese-poetry 2.0.1 (MIT licence) with varo-build.
# Usage: build-sample.sh [sample|full] [OUTPUT]
#   sample  the default: 四書, 詩經, 楚辭, 唐詩三百首, 古文觀止, the primers and the like (seconds)
#   full    everything usable in the package, 全唐詩, 全宋詩, 全宋詞 and 元曲 included (a minute or
#           two; for benchmarks)
#   OUTPUT  defaults to the program's folder, where the program looks for its collection
#   VARO_BUILD_DIR  build folder (default: build)
# The package is fetched once into sample/cache (never committed) and converted there.
set -euo pipefail
cd "$(dirname "$0")/.."

size=${1:-sample}
case "$size" in
  sample|full) ;;
  *) echo "usage: $0 [sample|full] [OUTPUT]" >&2; exit 64 ;;
esac
build_dir=${VARO_BUILD_DIR:-build}
output=${2:-$build_dir/bin}

package=chinese-poetry
version=2.0.1
sha1=b6e7e60d0accac7c723d066a5c360549aab8299d
cache=sample/cache
tarball=$cache/$package-$version.tgz
unpacked=$cache/$package-$version

bash scripts/install-deps.sh run

mkdir -p "$cache"
if [ ! -f "$tarball" ]; then
  echo "fetching $package@$version"
  npm pack "$package@$version" --silent --pack-destination "$cache" >/dev/null
fi
if [ "$(sha1sum "$tarball" | cut -d' ' -f1)" != "$sha1" ]; then
  echo "$tarball does not have the checksum of $package@$version; delete it and run again" >&2
  exit 1
fi
if [ ! -d "$unpacked/package/dist" ]; then
  rm -rf "$unpacked" && mkdir -p "$unpacked"
  tar -xzf "$tarball" -C "$unpacked"
fi

source_dir=$cache/source-$size
node sample/chinese-poetry.js "$unpacked/package/dist" "$size" "$source_dir"

program=$build_dir/bin/varo-build
if [ ! -x "$program" ]; then
  cmake --preset dev -B "$build_dir" >/dev/null
  cmake --build "$build_dir" -j2 --target varo-build
fi
mkdir -p "$output"
"$program" --variants sample/yitizi.txt "$source_dir" "$output"
