#!/usr/bin/env bash
# Compares two builds of tegmora-fx byte for byte: every neighbourhood filter
# and Saturation, at boundary, failing and typical amounts, on images whose
# sizes cross every vector width and batch of the row loops, on both loop
# versions. Outputs, exit statuses and whether an output exists must agree.
#   bench/compare_builds.sh OLD_TEGMORA_FX NEW_TEGMORA_FX [ROOF.bmp ...]
set -euo pipefail

if (($# < 2)); then
  echo "usage: $0 OLD_TEGMORA_FX NEW_TEGMORA_FX [ROOF.bmp ...]" >&2
  exit 2
fi
old=$1 new=$2
shift 2
roofs=("$@")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

codes=(1 3 5 6 7 8 9 10 11 13 25 26 27 30)
# Blur, Smooth, Relief, Dilate, Erode and Inner Edge take no amount: 0 will do.
takes_no_amount=" 3 5 13 25 26 27 "
amounts=(-2147483648 -946028151 -946028150 -8421505 -300 -101 -100 -50 -20 -9 -8 -2 -1 0 1 2 3 10 15
  50 150 255 256 4210752 16777215 842150350 842150351 946027950 946027951 2147483647)
sizes=(1x1 2x2 3x3 7x5 15x4 16x4 17x4 31x3 32x3 33x3 63x3 64x3 65x3 130x2 4x300 1030x3)

# 24-bit bitmaps: noise, one flat colour, ramps across and down.
make_images() {
  /usr/bin/python3 - "$work" "${sizes[@]}" <<'EOF'
import random, struct, sys
out = sys.argv[1]
def bitmap(path, w, h, pixel):
    stride = (3 * w + 3) // 4 * 4
    rows = b"".join(bytes(b for x in range(w) for b in pixel(x, y)).ljust(stride, b"\0")
                    for y in reversed(range(h)))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    open(path, "wb").write(header + info + rows)
rng = random.Random(23)
for size in sys.argv[2:]:
    w, h = map(int, size.split("x"))
    bitmap(f"{out}/noise-{size}.bmp", w, h, lambda x, y: (rng.randrange(256), rng.randrange(256), rng.randrange(256)))
    bitmap(f"{out}/flat-{size}.bmp", w, h, lambda x, y: (200, 17, 99))
    bitmap(f"{out}/ramp-{size}.bmp", w, h, lambda x, y: ((7 * x) % 256, (5 * y) % 256, (3 * x + 11 * y) % 256))
EOF
}

make_images
images=("$work"/*.bmp "${roofs[@]}")
compared=0 differences=0
for isa in baseline avx2; do
  for code in "${codes[@]}"; do
    for amount in "${amounts[@]}"; do
      [[ $takes_no_amount == *" $code "* && $amount != 0 ]] && continue
      statuses=()
      for build in old new; do
        rm -rf "$work/$build" && mkdir "$work/$build"
        status=0
        TEGMORA_ISA=$isa "${!build}" -e "$code:$amount" "${images[@]}" --out-dir "$work/$build" >/dev/null 2>&1 ||
          status=$?
        statuses+=("$status")
      done
      run="TEGMORA_ISA=$isa code $code amount $amount"
      if [[ ${statuses[0]} != "${statuses[1]}" ]]; then
        differences=$((differences + 1))
        echo "exit status differs: $run: ${statuses[*]}"
      fi
      for image in "${images[@]}"; do
        name=$(basename "$image")
        compared=$((compared + 1))
        if [[ -e $work/old/$name || -e $work/new/$name ]] && ! cmp -s "$work/old/$name" "$work/new/$name"; then
          differences=$((differences + 1))
          echo "output differs: $run $name"
        fi
      done
    done
  done
done
echo "$compared outputs compared, $differences differences"
((differences == 0))
