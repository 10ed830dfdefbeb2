#!/bin/sh
# Takes a picture of the real window on the demo roofs under a virtual X
# server and writes it to docs/window.png.
#
#   scripts/screenshot.sh [BUILD-DIR]     (default: build/release)
#
# Needs the Debian packages xvfb, x11-utils and imagemagick, and a build of
# the targets tegmora and make_demo_prefix.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
output="$root/docs/window.png"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/demo/make_demo_prefix" "$work/prefix" >/dev/null

# The window is found by its title, then captured alone.
cat >"$work/capture.sh" <<'SCRIPT'
#!/bin/sh
set -eu
WINEPREFIX="$1" QT_QPA_PLATFORM=xcb "$2" &
editor=$!
tries=0
until xwininfo -name Tegmora >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
        echo "screenshot: the window did not appear" >&2
        kill "$editor" 2>/dev/null
        exit 1
    fi
    sleep 0.1
done
sleep 1
import -window Tegmora "$3"
kill "$editor"
wait "$editor" 2>/dev/null || true
SCRIPT

mkdir -p "$root/docs"
xvfb-run --auto-servernum --server-args="-screen 0 800x600x24 -dpi 96" \
    sh "$work/capture.sh" "$work/prefix" "$build/app/tegmora" "$output"
echo "wrote $output"
