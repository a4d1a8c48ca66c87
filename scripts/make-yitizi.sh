#!/usr/bin/env bash
# Regenerates sample/yitizi.txt, the variant-character table, from Debian's packages: the Unihan
# database of unicode-data and OpenCC's Japanese and simplified/traditional character tables of
# libopencc-data (opencc_dict of the opencc package turns them into text).
# Usage: make-yitizi.sh [Unihan_Variants.txt[.bz2]] [output] [OpenCC folder]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh unihan
node tools/unihan/make-yitizi.js "$@"
