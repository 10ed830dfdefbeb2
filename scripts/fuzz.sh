#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each over a copy of the seed corpus.
#
#   scripts/fuzz.sh              20 seconds each (the test command's run)
#   scripts/fuzz.sh 600          ten minutes each
#   scripts/fuzz.sh 3600 image   one hour of the image target only
#
# Everything the runs write stays in build/fuzz/work/<target>: the grown
# corpus and the log of the last run, and in findings/ every input that broke
# a check. Exits non-zero when any target reports a finding.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz
all_targets=(image registry windows_path)

# Quiet unless something goes wrong.
configure_and_build() {
  mkdir -p "$build"
  {
    cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTEGMORA_FUZZ=ON -DTEGMORA_TESTS=OFF -DTEGMORA_BENCH=OFF &&
      cmake --build "$build" -j "$(nproc)" --target "$@"
  } >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
}

seconds=${1:-20}
shift || true
targets=("${@:-${all_targets[@]}}")
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: $0 [seconds] [target...]" >&2; exit 2; }

configure_and_build "${targets[@]/%/_fuzzer}"

# A smaller quarantine than ASan's 256 MB keeps long runs' memory flat.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:quarantine_size_mb=64
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

run_target() {
  local target=$1 work
  work=$(realpath -m "$build/work/$target")
  # Findings of earlier runs are kept; everything else starts afresh.
  rm -rf "$work/corpus" "$work/tmp" "$work/log"
  mkdir -p "$work/tmp" "$work/findings"
  cp -r "fuzz/corpus/$target" "$work/corpus"
  local status=0
  # The Wine prefix that the path and registry targets make goes to the work
  # folder too. No input may need a single allocation above 300 MB, nor 30 s.
  TMPDIR="$work/tmp" "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=30 \
    -rss_limit_mb=2048 -malloc_limit_mb=300 -print_final_stats=1 -artifact_prefix="$work/findings/" \
    "$work/corpus" >"$work/log" 2>&1 || status=$?
  local runs files
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  files=$(find "$work/corpus" -type f | wc -l)
  if ((status == 0)); then
    echo "${target}_fuzzer: ok, ${runs:-0} runs in ${seconds} s, corpus ${files} inputs"
  else
    local newest input="none saved"
    newest=$(ls -t "$work/findings" | head -1)
    [[ -n $newest ]] && input="$work/findings/$newest"
    echo "${target}_fuzzer: FINDING (status $status), input $input, log $work/log"
  fi
  return "$status"
}

failed=0
for target in "${targets[@]}"; do
  run_target "$target" || failed=1
done
exit "$failed"
