#!/bin/sh
# Takes pictures of the real window on the demo roofs under a virtual X
# server: docs/window.png, and docs/hue_saturation.png with the Hue /
# Saturation dialog open over it, Hue at 120.
#
#   scripts/screenshot.sh [BUILD-DIR]     (default: build/release)
#
# Needs the Debian packages xvfb, x11-utils, imagemagick and xdotool, and a
# build of the targets tegmora and make_demo_prefix.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
docs="$root/docs"
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
import -window Tegmora "$3/window.png"
# The dialog opens centred over the window: the picture is the window's
# place on the screen, the dialog in it.
window=$(xdotool search --name '^Tegmora$' | head -n 1)
xdotool windowfocus --sync "$window" key ctrl+u
sleep 1
xdotool type 120
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$3/hue_saturation.png"
kill "$editor"
wait "$editor" 2>/dev/null || true
SCRIPT

mkdir -p "$docs"
xvfb-run --auto-servernum --server-args="-screen 0 800x600x24 -dpi 96" \
    sh "$work/capture.sh" "$work/prefix" "$build/app/tegmora" "$docs"
echo "wrote $docs/window.png and $docs/hue_saturation.png"
