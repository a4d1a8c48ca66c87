#!/usr/bin/env bash
# Builds everything, builds the sample collection next to the program and opens varo on it.
# Installs what is missing first. Without a display it says so and shows how to search the same
# collection with varo-cli.
#   VARO_BUILD_DIR  build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh run

build_dir=${VARO_BUILD_DIR:-build}
bin=$build_dir/bin
cmake --preset dev -B "$build_dir"
cmake --build "$build_dir" -j2
# The program reads its collection from its own folder.
VARO_BUILD_DIR=$build_dir bash scripts/build-sample.sh sample "$bin"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat <<MESSAGE

varo is built, with the sample collection in $bin, but there is no display to open its
window on (neither DISPLAY nor WAYLAND_DISPLAY is set). The same collection answers on the
command line:

  the contents tree, with record slots:
    $bin/varo-cli catalogue
  the pages of the first category that hold both terms:
    $bin/varo-cli search '君子 小人'
  the same over every category:
    $bin/varo-cli search --scope all '君子 小人'
  a stored page of a volume (slot 3), by its label:
    $bin/varo-cli page --slot 3 --label 1
  everything else:
    $bin/varo-cli --help

On a machine with a display, run this script again, or start $bin/varo yourself
(--data DIR opens a collection in another folder). A picture of the window after a search:
bash scripts/screenshot.sh (draws it on a virtual screen).
MESSAGE
  exit 0
fi

echo "opening $bin/varo"
# Loading the catalogue writes its listing zlq.txt into the current folder: the build folder.
program=$(realpath "$bin/varo")
cd "$build_dir"
exec "$program"
