#!/usr/bin/env bash
# Regenerates sample/yitizi.txt, the variant-character table, from the Unihan database of the
# Debian package unicode-data. Usage: make-yitizi.sh [Unihan_Variants.txt[.bz2]] [output]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh unihan
node tools/unihan/make-yitizi.js "$@"
