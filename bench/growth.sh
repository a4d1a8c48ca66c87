#!/usr/bin/env bash
# Measures how the search grows with the collection: the query mix of bench/compare.sh (and a
# few queries led by a rare character) on a collection and on one ten times its size, with
# varo-cli in one process per collection (index open once, each query repeated), and the peak
# memory of that process. Writes a table per collection, the sizes of their index and pair files,
# and a growth table (time 10x / 1x).
#
# When the build holds bench/desktop_search_bench (built with the desktop program), it also
# times the desktop program's search on both collections: Enter in the search panel's keyword
# field to a filled, painted result list, with the whole collection as the scope.
#
# Usage: bash bench/growth.sh SMALL_COLLECTION LARGE_COLLECTION [REPEATS] > table.md
#   VARO_BUILD_DIR  build folder (default: build)
# The large collection is written by bench/tenfold.js and varo-build (see bench/README.md).
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# < 2)); then
  echo "usage: $0 SMALL_COLLECTION LARGE_COLLECTION [REPEATS]" >&2
  exit 64
fi
small=$1
large=$2
repeats=${3:-15}
cli=${VARO_BUILD_DIR:-build}/bin/varo-cli
desktop=${VARO_BUILD_DIR:-build}/bench/desktop_search_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# class<TAB>query<TAB>and|or
cat >"$work/mix.tsv" <<'MIX'
frequent character	不	and
frequent character	人	and
mid character	鶴	and
mid character	鷺	and
rare character	砠	and
supplementary-plane character	𣂏	and
2-character phrase	明月	and
2-character phrase	不知	and
4-character phrase	白日依山	and
4-character phrase	不知何處	and
phrase that never occurs	人不月明	and
and, 2 terms	春 秋	and
and, 3 terms	山 水 雲	and
and, 2 phrases	明月 清風	and
or, 2 terms	鶴 鷺	or
or, 3 terms	山 水 雲	or
'?' one character	明?月	and
'?' one character	不?不	and
'*' gap of 0-300	春*秋	and
'*' gap of 0-300	明月*清風	and
'*' gap of 0-300	山*水*雲	and
rare character first	砠 山	and
rare character last	山 砠	and
rare character in a phrase	砠山	and
absent character last	明月 丟	and
MIX

# Runs the mix on one collection: every query repeated, and queries and ors each in one process.
run() {
  local data=$1 name=$2
  for mode in and or; do
    local queries="$work/$name-$mode.txt"
    awk -F'\t' -v mode="$mode" '$3 == mode { print $2 }' "$work/mix.tsv" >"$queries"
    local flag=()
    [ "$mode" = or ] && flag=(--or)
    for ((i = 0; i < repeats; ++i)); do cat "$queries"; done |
      /usr/bin/time -f '%M' -o "$work/$name-$mode.rss" "$cli" --data "$data" hits --batch --no-variants "${flag[@]}" \
        >"$work/$name-$mode.json"
  done
}

# The desktop program's search on one collection, offscreen, in a settings folder of its own.
run_desktop() {
  local data=$1 name=$2
  [ -x "$desktop" ] || return 0
  if ! XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen "$desktop" --data "$data" --runs "$((repeats / 2))" \
    >"$work/desktop-$name.tsv" 2>"$work/desktop-$name.log"; then
    echo "desktop_search_bench failed on $data:" >&2
    cat "$work/desktop-$name.log" >&2
    rm -f "$work/desktop-$name.tsv"
  fi
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
run "$small" small
run "$large" large
run_desktop "$small" small
run_desktop "$large" large
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

node - "$work" "$repeats" "$small" "$large" <<'NODE'
const fs = require('fs');
const [work, repeats, small, large] = process.argv.slice(2);
const mix = fs.readFileSync(`${work}/mix.tsv`, 'utf8').trim().split('\n').map((l) => l.split('\t'));
const format = (us) => us >= 1000 ? `${(us / 1000).toFixed(us >= 10000 ? 1 : 2)} ms` : `${us} µs`;
const figures = {};
for (const name of ['small', 'large']) {
  figures[name] = { rss: {} };
  for (const mode of ['and', 'or']) {
    const rows = fs.readFileSync(`${work}/${name}-${mode}.json`, 'utf8').trim().split('\n').map(JSON.parse);
    const queries = mix.filter((m) => m[2] === mode);
    queries.forEach((m, i) => {
      const times = [];
      for (let k = 0; k < repeats; ++k) times.push(rows[i + k * queries.length].elapsed_us);
      // The first run builds what a stream's first search builds; the rest are warm.
      const warm = times.slice(1).sort((a, b) => a - b);
      figures[name][m[1] + mode] = { pages: rows[i].pages.length, first: times[0], median: warm[Math.floor(warm.length / 2)] };
    });
    figures[name].rss[mode] = Number(fs.readFileSync(`${work}/${name}-${mode}.rss`, 'utf8').trim().split('\n').pop());
  }
}
const label = (m) => m[1] + (m[2] === 'or' ? ' (or)' : '');
for (const [name, folder] of [['small', small], ['large', large]]) {
  console.log(`\n### ${name === 'small' ? 'Full sample' : 'Ten times the full sample'} (${folder})\n`);
  console.log('| class | query | pages | first run | median of the warm runs |');
  console.log('|---|---|--:|--:|--:|');
  for (const m of mix) {
    const f = figures[name][m[1] + m[2]];
    console.log(`| ${m[0]} | ${label(m)} | ${f.pages.toLocaleString('en')} | ${format(f.first)} | ${format(f.median)} |`);
  }
  console.log(`\nPeak memory of varo-cli over the mix: ${(figures[name].rss.and / 1024).toFixed(0)} MiB (and-queries), ` +
    `${(figures[name].rss.or / 1024).toFixed(0)} MiB (or-queries).`);
}
// The files of each index kind: header, postings and, when the collection has them, pair files.
const sizeOf = (folder, name) => { try { return fs.statSync(`${folder}/${name}`).size; } catch { return 0; } };
const mb = (bytes) => bytes ? `${(bytes / 1e6).toFixed(1)} MB` : '—';
console.log('\n### Index files\n');
console.log('| index | header, 1x | postings, 1x | pairs, 1x | gap pairs, 1x | header, 10x | postings, 10x | pairs, 10x | gap pairs, 10x |');
console.log('|---|--:|--:|--:|--:|--:|--:|--:|--:|');
for (const [kind, stem] of [['full text', 'Index'], ['main text', 'Index_content'], ['annotations', 'Index_desc']]) {
  const cells = [small, large].flatMap((folder) => ['-idx.h', '-idx.m', '-idx.pairs', '-idx.gappairs'].map((end) => mb(sizeOf(folder, stem + end))));
  console.log(`| ${kind} | ${cells.join(' | ')} |`);
}
console.log('\n### Growth: ten times the full sample against the full sample\n');
console.log('| class | query | pages 10x / 1x | time 10x / 1x (warm median) |');
console.log('|---|---|--:|--:|');
for (const m of mix) {
  const a = figures.small[m[1] + m[2]], b = figures.large[m[1] + m[2]];
  const pages = a.pages ? (b.pages / a.pages).toFixed(2) : (b.pages ? '—' : '0 / 0');
  const time = (Math.max(b.median, 1) / Math.max(a.median, 1)).toFixed(2);
  console.log(`| ${m[0]} | ${label(m)} | ${pages} | ${time} |`);
}

// The desktop program's figures, when desktop_search_bench ran on both collections.
const desktopFile = (name) => `${work}/desktop-${name}.tsv`;
if (fs.existsSync(desktopFile('small')) && fs.existsSync(desktopFile('large'))) {
  const read = (name) => {
    const [head, ...lines] = fs.readFileSync(desktopFile(name), 'utf8').trim().split('\n').map((l) => l.split('\t'));
    return Object.fromEntries(lines.map((l) => [l[0], Object.fromEntries(head.map((h, i) => [h, i ? Number(l[i]) : l[i]]))]));
  };
  const desktop = { small: read('small'), large: read('large') };
  const ms = (x) => `${x.toFixed(x >= 100 ? 0 : 1)} ms`;
  console.log('\n### The desktop program: Enter in the keyword field to a filled result list\n');
  console.log('Offscreen, the whole collection as the scope, variants on (the panel\'s default); until the');
  console.log('list shows its first 100 rows, the summary gives the count and the event loop is idle.');
  console.log('"engine" is the engine\'s own search (warm median), the rest is the panel and the window.\n');
  console.log('| query | pages 1x | first 1x | warm 1x | engine 1x | pages 10x | first 10x | warm 10x | engine 10x | warm 10x / 1x |');
  console.log('|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|');
  for (const query of Object.keys(desktop.small)) {
    const a = desktop.small[query], b = desktop.large[query];
    if (!b) continue;
    console.log(`| ${query} | ${a.pages.toLocaleString('en')} | ${ms(a.first_ms)} | ${ms(a.median_ms)} | ${ms(a.engine_ms)} | ` +
      `${b.pages.toLocaleString('en')} | ${ms(b.first_ms)} | ${ms(b.median_ms)} | ${ms(b.engine_ms)} | ` +
      `${(b.median_ms / Math.max(a.median_ms, 0.1)).toFixed(2)} |`);
  }
}
NODE
