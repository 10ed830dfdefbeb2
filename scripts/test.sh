#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in an optimised
# build and in a build under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"
scripts/check-package.sh build/release

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEGMORA_SANITIZE=ON -DTEGMORA_BENCH=OFF
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

# A short run of each fuzz target over the seed corpus.
scripts/fuzz.sh 20
