#!/usr/bin/env bash
# Installs what is missing, builds, and runs the engine's command-line tool.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$(nproc)" --target tegmora-fx
build/release/cli/tegmora-fx --list
