#!/usr/bin/env bash
# Installs a build into a fresh prefix with cmake --install and runs the installed programs from
# there. The programs read their collection from the folder of their own executable, so what is
# checked is the layout: the links in bin/ lead to lib/varo, and the collection, the guide and
# the desktop entry's launcher are where the programs and the desktop look for them.
# Usage: install_test.sh CMAKE BUILD_DIR WORK_DIR
#   The sample collection is installed when the build has one (scripts/build-sample.sh); without
#   it a small collection is built into the installed folder with the installed varo-build.
set -euo pipefail

cmake=$1
build=$2
work=$3
prefix=$work/prefix
program_dir=$prefix/lib/varo
app_id=org.varo.Varo

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs the installed varo-cli search with the arguments and sets summary to its first line.
search() {
  "$prefix/bin/varo-cli" search "$@" >"$work/search.txt" || fail "varo-cli search $*"
  summary=$(head -n 1 "$work/search.txt")
}

rm -rf "$work"
mkdir -p "$work/cwd" "$work/tmp"
export TMPDIR=$work/tmp
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log" >&2
  fail "cmake --install"
}

# Commands on the PATH are links into the program folder, where the data lives.
for program in varo varo-cli varo-build; do
  [ -L "$prefix/bin/$program" ] || fail "bin/$program is not a link"
  [ "$(readlink -f "$prefix/bin/$program")" = "$(readlink -f "$program_dir/$program")" ] ||
    fail "bin/$program does not lead to lib/varo/$program"
  [ -x "$program_dir/$program" ] || fail "lib/varo/$program is not executable"
done
[ -f "$program_dir/help/index.html" ] || fail "the user guide is not at lib/varo/help/index.html"

# The desktop entry starts the launcher under this prefix and names an installed icon.
entry=$prefix/share/applications/$app_id.desktop
[ -f "$entry" ] || fail "no desktop entry $entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
launcher=${exec_line//\"/}
[ "$launcher" = "$program_dir/varo-desktop" ] || fail "the desktop entry starts '$exec_line'"
[ -x "$launcher" ] || fail "the launcher $launcher is not executable"
icon=$(sed -n 's/^Icon=//p' "$entry")
compgen -G "$prefix/share/icons/hicolor/*/apps/$icon.png" >/dev/null || fail "no icon named $icon"
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
[ -f "$metainfo" ] || fail "no AppStream metadata"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" || {
    cat "$work/appstream.log" >&2
    fail "appstreamcli validate"
  }
fi

# Run from a folder of its own: the catalogue listing zlq.txt is written to the current folder.
cd "$work/cwd"
if [ -f "$program_dir/zlq.dir" ]; then
  echo "searching the installed sample collection"
  query=子曰
  "$prefix/bin/varo-cli" catalogue >"$work/catalogue.txt" || fail "varo-cli catalogue"
  [ -s "$work/catalogue.txt" ] || fail "varo-cli lists no catalogue"
  search --scope all "$query"
  [[ $summary =~ ^全部で\ [1-9][0-9]*\ 頁で ]] || fail "no page of the sample holds $query: $summary"
else
  echo "no sample collection installed: building a small one with the installed varo-build"
  source=$work/source
  mkdir -p "$source/01_經部/01_論語/01_學而"
  printf '# 學而第一\n子曰：學而時習之，不亦說乎？\n' >"$source/01_經部/01_論語/01_學而/0001.txt"
  printf '有子曰：其爲人也孝弟{善事父母爲孝}。\n' >"$source/01_經部/01_論語/01_學而/0002.txt"
  printf '5B66,5B78\n' >"$source/yitizi.txt"
  "$prefix/bin/varo-build" --quiet "$source" "$program_dir" || fail "varo-build into lib/varo"
  "$prefix/bin/varo-cli" catalogue >"$work/catalogue.txt" || fail "varo-cli catalogue"
  grep -q 學而 "$work/catalogue.txt" || fail "the catalogue lacks 學而"
  # 学 finds 學 (heading and text) through the installed variant table.
  search 学
  [ "$summary" = "全部で 1 頁で、2 箇所でした。" ] || fail "search 学: $summary"
  search --or 子曰 孝
  [ "$summary" = "全部で 2 頁で、4 箇所でした。" ] || fail "search 子曰 孝: $summary"
fi

# The desktop program, started as the menu starts it, opens the installed collection: its
# catalogue listing appears in the launcher's folder. It runs until it is stopped.
cache=$work/cache
XDG_CACHE_HOME=$cache XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen "$launcher" /Embedding >"$work/varo.log" 2>&1 &
pid=$!
for _ in $(seq 1 300); do
  [ -s "$cache/varo/zlq.txt" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
[ -s "$cache/varo/zlq.txt" ] || {
  cat "$work/varo.log" >&2
  fail "the desktop program wrote no catalogue listing into $cache/varo"
}
echo "installed programs work from $prefix"
