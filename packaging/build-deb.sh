#!/usr/bin/env bash
# Builds the Debian package of varo with CPack: a release build of the programs with the sample
# collection beside them (scripts/build-sample.sh), so that the package installs ready to use.
# Prints the path of the .deb. Install it with: sudo apt-get install ./varo_<version>_<arch>.deb
#   VARO_PACKAGE_DIR  build folder (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh run
# CPack's Debian generator finds the shared libraries the programs need with dpkg-shlibdeps
# (dpkg-dev), and recognises the programs with file.
missing=()
for package in dpkg-dev file; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} > 0)); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=$(realpath -m "${VARO_PACKAGE_DIR:-build-package}")
cmake --preset package -B "$build_dir"
cmake --build "$build_dir" -j2
VARO_BUILD_DIR=$build_dir bash scripts/build-sample.sh sample "$build_dir/bin"
(cd "$build_dir" && cpack -G DEB >cpack.log) || { cat "$build_dir/cpack.log" >&2; exit 1; }
package=$(ls -t "$build_dir"/varo_*.deb | head -n 1)
echo "$package"
