#!/usr/bin/env bash
# Checks on what `cmake --install` and `cpack -G DEB` put in place.
#
#   install_checks.sh CHECK BUILD_DIR ROOT VERSION SOURCE_DIR
#
# CHECK is one of: install (into ROOT, the DESTDIR, with prefix /opt/quorvex),
# layout, desktop_entry, metainfo, man_page, installed_program, package.
# Every check after install reads the files that install left in ROOT.
set -euo pipefail

check=$1 build=$2 root=$3 version=$4 source=$5
prefix=/opt/quorvex
id=org.quorvex.Quorvex
installed=$root$prefix
export LC_ALL=C.UTF-8

fail() { echo "FAIL: $*" >&2; exit 1; }

# The files an installation holds, relative to its prefix.
expected_files() {
  printf '%s\n' \
    bin/quorvex \
    share/applications/$id.desktop \
    share/icons/hicolor/32x32/apps/$id.png \
    share/icons/hicolor/64x64/apps/$id.png \
    share/icons/hicolor/scalable/apps/$id.svg \
    share/man/man1/quorvex.1 \
    share/metainfo/$id.metainfo.xml
}

# Number of pixels in which two images differ (0: the same picture).
pixels_differing() {
  compare -metric AE "$1" "$2" null: 2>&1 || true
}

case $check in
install)
  rm -rf "$root"
  DESTDIR=$root cmake --install "$build" --prefix "$prefix"
  ;;

layout)
  actual=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
  wanted=$(expected_files | sed "s|^|${prefix#/}/|" | sort)
  if [ "$actual" != "$wanted" ]; then
    diff <(echo "$wanted") <(echo "$actual") >&2 || true
    fail "the installation does not hold exactly the expected files (< expected, > installed)"
  fi
  [ -x "$installed/bin/quorvex" ] || fail "bin/quorvex is not executable"

  # The PNG icons are the program's pixmap: at 32x32 pixel for pixel, at 64x64
  # every pixel of it as a 2x2 block (both sampling and averaging give it back).
  xpm=$source/resources/quorvex.xpm
  icons=$installed/share/icons/hicolor
  [ "$(identify -format '%m %wx%h' "$icons/32x32/apps/$id.png")" = "PNG 32x32" ] || fail "32x32 icon is not a 32x32 PNG"
  [ "$(identify -format '%m %wx%h' "$icons/64x64/apps/$id.png")" = "PNG 64x64" ] || fail "64x64 icon is not a 64x64 PNG"
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  [ "$(pixels_differing "$xpm" "$icons/32x32/apps/$id.png")" = 0 ] || fail "32x32 icon differs from resources/quorvex.xpm"
  convert "$icons/64x64/apps/$id.png" -sample 32x32 "$scratch/sampled.png"
  convert "$icons/64x64/apps/$id.png" -scale 32x32 "$scratch/averaged.png"
  [ "$(pixels_differing "$xpm" "$scratch/sampled.png")" = 0 ] || fail "64x64 icon is not the pixmap doubled"
  [ "$(pixels_differing "$xpm" "$scratch/averaged.png")" = 0 ] || fail "64x64 icon has blocks of mixed colours"
  # The scalable icon draws the same bars at any size.
  rsvg-convert -w 32 -h 32 "$icons/scalable/apps/$id.svg" -o "$scratch/svg32.png"
  rsvg-convert -w 64 -h 64 "$icons/scalable/apps/$id.svg" -o "$scratch/svg64.png"
  [ "$(pixels_differing "$xpm" "$scratch/svg32.png")" = 0 ] || fail "SVG icon at 32x32 differs from the pixmap"
  [ "$(pixels_differing "$icons/64x64/apps/$id.png" "$scratch/svg64.png")" = 0 ] || fail "SVG icon at 64x64 differs from the 64x64 icon"

  # Every installed text that names a version names the build's one version.
  grep -q "<release version=\"$version\"" "$installed/share/metainfo/$id.metainfo.xml" || fail "metainfo lacks release $version"
  grep -q "^\.TH QUORVEX 1 \"[^\"]*\" \"Quorvex $version\"" "$installed/share/man/man1/quorvex.1" || fail "manual page is not for Quorvex $version"
  ;;

desktop_entry)
  entry=$installed/share/applications/$id.desktop
  out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] || fail "desktop-file-validate warns: $out"
  # What the entry names is installed: the program and the icon of its id.
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$installed/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
  [ "$(sed -n 's/^Icon=//p' "$entry")" = "$id" ] || fail "Icon= is not $id"
  ;;

metainfo)
  metainfo=$installed/share/metainfo/$id.metainfo.xml
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
  grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo does not launch $id.desktop"
  grep -q '<image>[^<]*/screenshot\.png</image>' "$metainfo" || fail "metainfo names no screenshot.png"
  [ -f "$source/docs/screenshot.png" ] || fail "docs/screenshot.png, which the metainfo names, is missing"
  ;;

man_page)
  page=$installed/share/man/man1/quorvex.1
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 > /dev/null) || fail "man fails on quorvex.1: $warnings"
  [ -z "$warnings" ] || fail "man warns on quorvex.1: $warnings"
  # apropos and whatis find the page by its NAME line.
  lexgrog "$page" | grep -q ': "quorvex - ' || fail "lexgrog finds no 'quorvex - ...' NAME line"
  # Every command that `quorvex --help` lists has its section, and every option
  # that a --help shows is described (wide lines: no option is broken apart).
  text=$(MANWIDTH=1000 man -l "$page")
  program=$installed/bin/quorvex
  has_option() { # OPTION TEXT
    grep -qE -e "(^|[^[:alnum:]-])$1([^[:alnum:]-]|\$)" <<< "$2"
  }
  section_of() { # COMMAND: its subsection, up to the next heading
    awk -v head="   quorvex $1" '
      found && (/^[^ ]/ || /^   [^ ]/) { exit }
      $0 == head || index($0, head " ") == 1 { found = 1 }
      found' <<< "$text"
  }
  options_of() {
    grep -oE -e '(^|[][[:space:](,/|])--?[[:alpha:]][[:alnum:]-]*' | sed 's/^[^-]*//' | sort -u
  }
  for option in $(env -u DISPLAY "$program" --help | options_of); do
    has_option "$option" "$text" || fail "quorvex --help shows $option, which the manual page lacks"
  done
  commands=$(env -u DISPLAY "$program" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
  [ -n "$commands" ] || fail "quorvex --help lists no commands"
  for command in $commands; do
    section=$(section_of "$command")
    [ -n "$section" ] || fail "the manual page has no section for 'quorvex $command'"
    for option in $(env -u DISPLAY "$program" "$command" --help | options_of); do
      has_option "$option" "$section" ||
        fail "quorvex $command --help shows $option, which the manual page's 'quorvex $command' lacks"
    done
  done
  ;;

installed_program)
  # Commands need no display.
  program=$installed/bin/quorvex
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version) || fail "--version exits with $?"
  [ "$out" = "quorvex $version" ] || fail "--version printed '$out', not 'quorvex $version'"
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" list) || fail "list exits with $?"
  algorithms=$(sed -n '/^Algorithms:/,/^$/p' <<< "$out" | grep -cE '^ +[0-9]+  ' || true)
  inputs=$(sed -n '/^Input types:/,/^$/p' <<< "$out" | grep -cE '^ +[0-9]+  ' || true)
  [ "$algorithms" = 32 ] || fail "list shows $algorithms algorithms, not 32"
  [ "$inputs" -gt 0 ] || fail "list shows no input types"
  ;;

package)
  # The Debian package holds what an installation to /usr holds, and nothing of
  # the tests or the benchmarks; its dependencies come from the linked libraries.
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" > "$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; fail "cpack -G DEB"; }
  debs=("$out"/quorvex_"$version"_*.deb)
  [ -f "${debs[0]}" ] || fail "no quorvex_${version}_*.deb in $(ls "$out")"
  deb=${debs[0]}
  [ "$(dpkg-deb -f "$deb" Package)" = quorvex ] || fail "package name is not quorvex"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libwxgtk3.2 libsdl1.2debian libstdc++6; do
    grep -q "$lib" <<< "$depends" || fail "Depends lacks $lib: $depends"
  done
  actual=$(dpkg-deb -c "$deb" | grep -v '^d' | awk '{print $6}' | sed 's|^\./||' | sort)
  wanted=$(expected_files | sed 's|^|usr/|' | sort)
  if [ "$actual" != "$wanted" ]; then
    diff <(echo "$wanted") <(echo "$actual") >&2 || true
    fail "the package does not hold exactly the expected files (< expected, > packed)"
  fi
  dpkg-deb -x "$deb" "$out/root"
  ! readelf -S "$out/root/usr/bin/quorvex" | grep -q '\.debug_info' || fail "the packed program is not stripped"
  ;;

*)
  fail "unknown check '$check'"
  ;;
esac
