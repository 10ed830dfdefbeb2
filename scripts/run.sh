#!/usr/bin/env bash
# Installs what is missing, builds, and opens the editor on a demo game
# installation: a Wine-style prefix with a handful of roofs of our own.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$(nproc)" --target tegmora tegmora-fx make_demo_prefix
rm -rf build/demo-prefix
build/release/demo/make_demo_prefix build/demo-prefix
WINEPREFIX="$PWD/build/demo-prefix" exec build/release/app/tegmora
