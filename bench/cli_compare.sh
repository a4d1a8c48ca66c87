#!/usr/bin/env bash
# Compares the output of two varo-cli programs byte for byte on one collection: the rendered
# result pages of a few hundred (query, page, target, variants) combinations that hit, with
# wildcards ? ？ * and several terms, and the hits, search, catalogue and page commands. A
# change that should leave every answer as it was (a move, a new layering) is checked with it.
#
# Usage: bash bench/cli_compare.sh OLD_VARO_CLI NEW_VARO_CLI DATA_DIR
#   e.g. bash bench/cli_compare.sh /tmp/old/varo-cli build/bin/varo-cli sample/collection
# Prints how many combinations were compared and every one that differs; exit status 1 when
# any differs. Takes a few minutes: it is not part of the test command.
set -euo pipefail

if (($# != 3)); then
  echo "usage: $0 OLD_VARO_CLI NEW_VARO_CLI DATA_DIR" >&2
  exit 64
fi
old=$(realpath "$1")
new=$(realpath "$2")
data=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The catalogue command writes its listing zlq.txt into the current folder.
cd "$work"

queries=(
  君子 天下 子曰 學 学 國 国 干 於 于 仁 禮 樂 爲 說 書 馬 鳥 見 德 道 之 夫子 學而
  "君?" "?子" "不??" "曰?" "君？子" "子？曰" "而?習" "君??人"
  "子*曰" "天*地" "*仁" "仁*" "之*之*之" "也*矣" "有朋*來" "君*子*人" "學*?習"
  "君子 小人" "詩 經" "風 雨" "王 后" "無 不" "君子　天下" "学 国 干" "子?曰 天*下"
  "?? 君子" "* 仁"
)
pages_per_query=4

compared=0
differing=0

# Runs one command line with both programs and compares standard output, standard error and
# the exit status.
compare() {
  local old_status=0 new_status=0
  "$old" --data "$data" "$@" >"$work/old.out" 2>"$work/old.err" || old_status=$?
  "$new" --data "$data" "$@" >"$work/new.out" 2>"$work/new.err" || new_status=$?
  compared=$((compared + 1))
  if [[ $old_status != "$new_status" ]] || ! cmp -s "$work/old.out" "$work/new.out" ||
    ! cmp -s "$work/old.err" "$work/new.err"; then
    differing=$((differing + 1))
    echo "differs: varo-cli $* (status $old_status / $new_status)"
  fi
}

# Up to pages_per_query page numbers of the hit set, spread over it: first, last and between.
hit_pages() {
  "$old" --data "$data" hits --kind "$1" $2 "$3" 2>/dev/null | awk 'NR > 4 { print $1 }' >"$work/pages"
  local count
  count=$(wc -l <"$work/pages")
  if ((count == 0)); then
    return
  fi
  for ((i = 0; i < pages_per_query; i++)); do
    sed -n "$((1 + i * (count - 1) / (pages_per_query > 1 ? pages_per_query - 1 : 1)))p" "$work/pages"
  done | sort -un
}

# Search target code -> index kind: 全文 0 -> 0, 正文 1 -> 2, 注釈 2 -> 1.
kinds=(0 2 1)
for query in "${queries[@]}"; do
  for target in 0 1 2; do
    for variants in --variants ""; do
      hits_option=""
      [[ -z $variants ]] && hits_option=--no-variants
      for page in $(hit_pages "${kinds[$target]}" "$hits_option" "$query"); do
        compare render --page "$page" --target "$target" $variants "$query"
        compare render --page "$page" --target "$target" $variants --count "$query"
      done
    done
  done
  compare hits "$query"
  compare hits --or --no-variants "$query"
  compare hits --kind 1 --json "$query"
  compare search "$query"
  compare search --or --target 2 --scope all --json "$query"
done

# Pages without hits are re-emitted in the template; refused and empty queries.
for page in 0 1 2 1000; do
  compare render --page "$page" 君子
  compare render --page "$page" --variants ""
  compare page --page "$page"
done
compare hits abc
compare search "君子 a"
compare render --page 0 --variants "?*"
compare catalogue
compare page --slot 3 --label 2

echo "$compared combinations compared, $differing differ"
((differing == 0))
