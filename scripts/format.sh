#!/usr/bin/env bash
# Formats every C++ source of the tree with .clang-format, or with --check lists the files that
# drift from it and fails (CI runs the check).
#   scripts/format.sh           rewrite the files in place
#   scripts/format.sh --check   change nothing; exit 1 when a file would change
set -euo pipefail
cd "$(dirname "$0")/.."

check=false
case "${1:-}" in
  --check) check=true ;;
  "") ;;
  *) echo "usage: $0 [--check]" >&2; exit 64 ;;
esac
if ! command -v clang-format >/dev/null; then
  echo "format.sh: clang-format is missing (Debian: clang-format)" >&2
  exit 64
fi

# The tree's own sources; the sample's sources and the build folders are not the tree's code.
mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -v '^sample/')
if ! $check; then
  clang-format -i "${sources[@]}"
  exit 0
fi
drifting=()
for source in "${sources[@]}"; do
  if ! clang-format --dry-run --Werror "$source" >/dev/null 2>&1; then
    drifting+=("$source")
  fi
done
if ((${#drifting[@]} > 0)); then
  echo "format.sh: these files drift from .clang-format (bash scripts/format.sh rewrites them):" >&2
  printf '  %s\n' "${drifting[@]}" >&2
  exit 1
fi
echo "format.sh: ${#sources[@]} files follow .clang-format"
