#!/usr/bin/env bash
# Builds the Debian package from an existing release build and checks it the
# way Debian and the desktops do: lintian, desktop-file-validate, appstreamcli
# (without the network) and mandoc; then unpacks it to find every file where
# it belongs and nothing else, and runs the unpacked programs and completion.
#
#   scripts/check-package.sh [BUILD-DIR]     (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
fail() { echo "check-package: FAILED: $*" >&2; exit 1; }

rm -f "$build"/tegmora_*.deb
cmake --build "$build" -j "$(nproc)" --target package >"$build/package.log" 2>&1 ||
  { cat "$build/package.log"; fail "the package did not build"; }
debs=("$build"/tegmora_*_amd64.deb)
[[ -f ${debs[0]} && ${#debs[@]} -eq 1 ]] || fail "expected one tegmora_<version>_amd64.deb in $build"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[[ $deb == */tegmora_${version}_amd64.deb ]] || fail "$deb is not named for its version $version"
echo "check-package: $deb"

dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 ||
  fail "Depends lacks the Qt libraries: $(dpkg-deb -f "$deb" Depends)"

echo "check-package: lintian"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian reports errors or warnings"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

id=example.quorvel.tegmora
expected=(
  usr/bin/tegmora
  usr/bin/tegmora-fx
  "usr/share/applications/$id.desktop"
  usr/share/bash-completion/completions/tegmora-fx
  usr/share/doc/tegmora/README.md
  usr/share/doc/tegmora/changelog.gz
  usr/share/doc/tegmora/copyright
  usr/share/man/man1/tegmora-fx.1.gz
  usr/share/man/man1/tegmora.1.gz
  "usr/share/metainfo/$id.metainfo.xml"
)
for size in 16 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
found=$(cd "$root" && find . ! -type d -printf '%P\n' | sort)
diff -u <(printf '%s\n' "${expected[@]}" | sort) <(echo "$found") ||
  fail "the package's files differ from the list above (- missing, + unexpected)"

echo "check-package: desktop-file-validate, appstreamcli, mandoc"
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
for page in tegmora tegmora-fx; do
  # Each page refers to the other, which mandoc looks for among the installed
  # pages only; it is in the package beside it.
  lint=$(mandoc -T lint "$root/usr/share/man/man1/$page.1.gz" 2>&1 |
    grep -v -E 'STYLE: referenced manual not found: Xr tegmora(-fx)? 1( \(2 times\))?$' || true)
  [[ -z $lint ]] || fail "mandoc -T lint $page.1: $lint"
done

echo "check-package: the unpacked programs, their pages and completion"
# Runs bash code, with the arguments after it, in a shell that loaded the
# installed completion.
with_completion() {
  local code=$1
  shift
  bash -c "source /usr/share/bash-completion/bash_completion && source \"\$0\" && $code" \
    "$root/usr/share/bash-completion/completions/tegmora-fx" "$@"
}
# The options a page explains: those its option list's items name with the
# Fl macro, as a reader sees them (".It Fl e , Fl -effect" gives -e, --effect).
page_options() {
  zcat "$root/usr/share/man/man1/$1.1.gz" | awk '/^\.It Fl / {
    flags = 0
    for (i = 2; i <= NF; i++) {
      if ($i ~ /^[A-Z][a-z][a-z]?$/) flags = $i == "Fl"
      else if (flags && $i !~ /^[|,.;:()]$/) { word = $i; gsub(/\\-/, "-", word); print "-" word }
    }
  }' | sort -u
}
for program in tegmora tegmora-fx; do
  # Neither --version nor --help may need a display.
  said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" --version) ||
    fail "$program --version"
  [[ $said == "$program $version" ]] || fail "$program --version says \"$said\", not \"$program $version\""
  diff -u <(page_options "$program") \
    <({ with_completion '_tegmora_fx_options "$1"' "$root/usr/bin/$program" | cut -f 1; } | sed '/^$/d' | sort -u) ||
    fail "$program(1) and $program --help name different options (- only the page, + only --help)"
done
# What the shell offers after the words, the unpacked tool answering.
complete_after() {
  with_completion 'COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" && COMP_POINT=${#COMP_LINE} &&
                   { _tegmora_fx; printf "%s\n" "${COMPREPLY[@]}"; }' "$root/usr/bin/tegmora-fx" "$@" | sort | xargs
}
check_completion() {
  local got
  got=$(complete_after "${@:2}")
  [[ $got == "$1" ]] || fail "completing \"${*:2}\" offers \"$got\", not \"$1\""
}
check_completion "darker" -e dar
check_completion "floyd-steinberg-dither" --effect floyd
check_completion "24 8 keep" --depth ''
check_completion "--depth --dither" --d
echo "check-package: ok"
