#!/usr/bin/env bash
# Installs the Debian packages that building and testing (or running) varo needs, when any of
# them is missing. Usage: install-deps.sh test|run|unihan
set -euo pipefail

purpose=${1:-test}
packages=(cmake g++ ninja-build git pkg-config libgtest-dev libgmock-dev libbenchmark-dev)
# The desktop program: Qt 6 Widgets, giflib for the splash animation its art generator draws at
# build time (not needed at run time), CJK fonts for the texts (Hanazono for ideographs beyond
# the basic plane), Qt's translations (Qt's own dialogs and menus in Japanese), and an X server
# without a screen for its screenshot.
desktop=(qt6-base-dev libgif-dev fonts-noto-cjk fonts-hanazono qt6-translations-l10n xvfb xauth)
case "$purpose" in
  test) packages+=("${desktop[@]}" clang libclang-rt-14-dev clang-format) ;;  # fuzz/run.sh; the format check
  run) packages+=("${desktop[@]}" nodejs) ;;  # the sample collection is fetched with npm and converted with Node.js
  unihan) packages+=(nodejs unicode-data bzip2 opencc) ;;  # regenerating sample/yitizi.txt
  *) echo "usage: $0 test|run|unihan" >&2; exit 64 ;;
esac
# Some builds of nodejs bring npm along; Debian packages it on its own.
if [ "$purpose" = run ] && ! command -v npm >/dev/null; then
  packages+=(npm)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
