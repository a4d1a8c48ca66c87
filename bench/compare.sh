#!/usr/bin/env bash
# Compares varo's search engine with SQLite FTS5, Groonga, Xapian and ripgrep on the full sample
# collection: exports the indexed text of every page, indexes it in each engine, runs one query
# mix on all of them, checks that they find the same pages, and writes a table of latency,
# index build time, size and memory, with render and desktop timings beside them.
#
# Usage: bash bench/compare.sh [ENGINE ...]   (default: all; about 15 minutes on 2 cores)
#   engines: varo fts5 fts5-trigram groonga xapian ripgrep
#   VARO_PEER_BUILD_DIR  build folder (default: build-peers)
#   VARO_PEER_WORK       work folder: collection, texts, indexes, answers (default: BUILD/peer-work)
#   VARO_PEER_REUSE=1    keep indexes that are already built (their build figures stay as they were)
#   VARO_PEER_MIN_TIME   seconds each query is timed for, at least (default 0.5)
#   VARO_PEER_QUIET=L    before each timed step wait (up to 20 minutes) until the load average
#                        falls below L, for figures not skewed by other work on the machine
# The table goes to bench/results/peers.md and to standard output.
set -euo pipefail
cd "$(dirname "$0")/.."

all_engines=(varo fts5 fts5-trigram groonga xapian ripgrep)
engines=("$@")
if ((${#engines[@]} == 0)); then
  engines=("${all_engines[@]}")
fi
for engine in "${engines[@]}"; do
  case " ${all_engines[*]} " in
    *" $engine "*) ;;
    *) echo "unknown engine $engine (engines: ${all_engines[*]})" >&2; exit 64 ;;
  esac
done

build_dir=${VARO_PEER_BUILD_DIR:-build-peers}
work=${VARO_PEER_WORK:-$build_dir/peer-work}
collection=$work/collection
min_time=${VARO_PEER_MIN_TIME:-0.5}
report=bench/results/peers.md

step() { echo; echo "== $* (at $((SECONDS / 60)) min $((SECONDS % 60)) s, load average $(cut -d' ' -f1-3 /proc/loadavg))"; }

# With VARO_PEER_QUIET set, waits until the one-minute load average is below it.
waited_total=0
wait_for_quiet() {
  [ -n "${VARO_PEER_QUIET:-}" ] || return 0
  local waited=0
  while awk -v limit="$VARO_PEER_QUIET" '{ exit !($1 >= limit) }' /proc/loadavg && ((waited < 1200)); do
    ((waited == 0)) && echo "waiting for the load average to fall below $VARO_PEER_QUIET"
    sleep 10
    waited=$((waited + 10))
  done
  waited_total=$((waited_total + waited))
}

step "Installing what is missing"
bash scripts/install-deps.sh run
peer_packages=(libsqlite3-dev libgroonga-dev libxapian-dev ripgrep)
missing=()
for package in "${peer_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]} > 0)); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

step "Building"
cmake --preset dev -B "$build_dir" -DVARO_BUILD_PEER_BENCH=ON -DVARO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" -j2 --target varo-build varo-peers varo-desktop-bench
peers=$(realpath "$build_dir/bench/peers/varo-peers")
desktop=$(realpath "$build_dir/bin/varo-desktop-bench")

if [ ! -f "$collection/Index-idx.m" ]; then
  step "Building the full sample collection into $collection"
  VARO_BUILD_DIR=$build_dir bash scripts/build-sample.sh full "$collection"
fi

mkdir -p "$work/results"
machine=$work/results/machine.tsv
{
  printf 'date\t%s\n' "$(date -u '+%Y-%m-%d %H:%M UTC')"
  printf 'machine\t%s, %s cores, %s GiB memory\n' "$(lscpu | sed -n 's/^Model name: *//p' | head -1)" "$(nproc)" \
    "$(awk '/MemTotal/ {printf "%.0f", $2 / 1048576}' /proc/meminfo)"
  printf 'versions\tSQLite %s, Groonga %s, Xapian %s, %s, %s\n' "$(pkg-config --modversion sqlite3)" \
    "$(pkg-config --modversion groonga)" "$(pkg-config --modversion xapian-core)" "$(rg --version | head -1)" \
    "$(c++ --version | head -1)"
  printf 'load average at the start\t%s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
} >"$machine"

step "Exporting the indexed texts"
"$peers" export --collection "$collection" --work "$work"

query_loads=()
for engine in "${engines[@]}"; do
  if [ "${VARO_PEER_REUSE:-0}" = 1 ] && [ -f "$work/results/index-$engine.tsv" ]; then
    echo "keeping the $engine index"
  else
    wait_for_quiet
    step "Indexing: $engine"
    "$peers" index "$engine" --collection "$collection" --work "$work"
  fi
  wait_for_quiet
  query_loads+=("$engine $(cut -d' ' -f1 /proc/loadavg)")
  step "Querying: $engine"
  "$peers" query "$engine" --collection "$collection" --work "$work" --min-time "$min_time"
done

wait_for_quiet
step "Rendering result pages"
"$peers" render --collection "$collection" --work "$work"

wait_for_quiet
step "Desktop program, offscreen"
# A settings store and runtime folder of their own, so the user's are left alone; the
# offscreen platform's notices are dropped.
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
(cd "$work" && XDG_CONFIG_HOME=$settings XDG_RUNTIME_DIR=$settings QT_QPA_PLATFORM=offscreen \
  "$desktop" --data collection --out results/desktop.tsv) \
  2> >(grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR >&2)

{
  printf 'one-minute load average before each engine'"'"'s queries\t%s\n' "$(IFS=,; echo "${query_loads[*]}" | sed 's/,/, /g')"
  printf 'load average at the end\t%s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
  printf 'run time\t%d min %d s, of which %d min %d s waiting for a quiet machine\n' $((SECONDS / 60)) \
    $((SECONDS % 60)) $((waited_total / 60)) $((waited_total % 60))
} >>"$machine"
step "Report"
mkdir -p "$(dirname "$report")"
"$peers" report --work "$work" --markdown "$report"
echo
echo "written to $report"
