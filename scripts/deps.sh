#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Tegmora need;
# with --bench, also what bench/compare_opencv.py needs.
set -euo pipefail

packages=(
  g++ make cmake pkg-config # the toolchain
  qt6-base-dev              # the window, image files, tegmora-fx
  qt6-image-formats-plugins # WebP and TIFF pictures to make roofs from
  libimagequant-dev         # 8-bit roofs of more than 256 colours
  libyaml-cpp-dev           # game discovery: Lutris and Bottles settings
  nlohmann-json3-dev        # game discovery: Heroic settings
  libgtest-dev              # tests
  libbenchmark-dev          # benchmarks
  clang libclang-rt-14-dev  # the fuzzers (libFuzzer)
)
if [[ ${1:-} == --bench ]]; then
  packages+=(python3-opencv)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y "${missing[@]}"
