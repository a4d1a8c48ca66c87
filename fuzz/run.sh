#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer + ASan + UBSan), generates their seed corpora
# from the fuzz collection and runs each target for a bounded time, starting from the seeds, the
# corpus a campaign reached (fuzz/corpus/TARGET) and the inputs of its findings
# (fuzz/regressions/TARGET). Fails on the first target that finds a crash, a hang, a leak or a
# broken check; the input that did it is kept under BUILD/artifacts/TARGET/ and can be replayed
# with BUILD/fuzz/TARGET FILE. fuzz/README.md tells how to run a longer campaign.
#
#   fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]     (default: 30 seconds, every target)
#   VARO_FUZZ_BUILD_DIR   build folder (default: build-fuzz); its corpus/ grows from run to run
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(fuzz_index fuzz_store fuzz_catalogue fuzz_variants fuzz_render fuzz_pairs)
fi
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || ((seconds == 0)); then
  echo "usage: $0 [SECONDS_PER_TARGET] [TARGET...]" >&2
  exit 64
fi

bash scripts/install-deps.sh test  # clang and libFuzzer among them
build=${VARO_FUZZ_BUILD_DIR:-build-fuzz}
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j2 --target fuzz_seeds "${targets[@]}"

rm -rf "$build/seeds"
"$build/fuzz/fuzz_seeds" "$build/seeds"
mkdir -p "$build/logs"

# The index target's inputs carry whole posting files, so they may be longer.
max_len() {
  case "$1" in
    fuzz_index) echo 65536 ;;
    *) echo 16384 ;;
  esac
}

# An input that runs longer than this fails the run as a hang. The slowest inputs known take
# well under a tenth of a second in this build on an idle machine (renders that use their whole
# budget, which this build cuts to a 64th of the program's); a 2-core machine busy with other
# builds runs them about three times slower, and the bound keeps ample room in hand. An input
# that spends 13 s in one operation, as variant renders could before their budget, fails.
timeout_seconds=10

# A smaller quarantine of freed memory still catches a use after free within an input, and puts
# fewer allocations on fresh pages (fuzz/README.md).
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}

summary=()
failed=""
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target" "$build/artifacts/$target"
  log="$build/logs/$target.log"
  echo "Fuzzing $target for ${seconds}s..."
  status=0
  kept=()
  for folder in fuzz/corpus/$target fuzz/regressions/$target; do
    if [ -d "$folder" ]; then kept+=("$folder"); fi
  done
  "$build/fuzz/$target" "$build/corpus/$target" "$build/seeds/$target" "${kept[@]}" \
    -max_total_time="$seconds" -timeout="$timeout_seconds" -rss_limit_mb=2048 -max_len="$(max_len "$target")" \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target/" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cover=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  summary+=("$(printf '%-16s %12s runs %8s/s  cov %s' "$target" "${runs:-?}" "${rate:-?}" "${cover:-?}")")
  if ((status != 0)); then
    echo "$target failed (exit $status); the end of its log:" >&2
    tail -n 60 "$log" >&2
    failed="$failed $target"
  fi
done

echo "Fuzzing summary (${seconds}s per target):"
printf '  %s\n' "${summary[@]}"
if [ -n "$failed" ]; then
  echo "Failed:$failed" >&2
  exit 1
fi
