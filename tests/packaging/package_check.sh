#!/usr/bin/env bash
# The Debian package of a build, made with cpack and looked at the way Debian's tools and an
# installed system see it.
#   package_check.sh build BUILD_DIR DEB_DIR     make the package into DEB_DIR
#   package_check.sh CHECK DEB_DIR VERSION       CHECK: lintian, installs, desktop-entry, metainfo
#   package_check.sh mime DEB_DIR VERSION DEMO_MAKER CONTENT_TYPES
#                                                the package's MIME types as a desktop sees them
set -euo pipefail

the_package() {
  local debs=("$1"/zulshell_"$2"_*.deb)
  if [ ! -f "${debs[0]}" ]; then
    echo "package_check: no zulshell_$2 package in $1" >&2
    exit 1
  fi
  echo "${debs[0]}"
}

# The package unpacked into a scratch root, removed when the check ends.
unpack() {
  root=$(mktemp -d)
  trap 'rm -rf "$root"' EXIT
  dpkg -x "$1" "$root"
}

fail() {
  echo "package_check: $*" >&2
  exit 1
}

check_installs() {
  local deb=$1 version=$2 out
  unpack "$deb"
  # Run from the scratch root with no display: the version needs none.
  local program
  for program in zulcheck zulshell; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version) ||
      fail "$program --version ended with status $?"
    [ "$out" = "$program $version" ] || fail "$program --version said '$out'"
  done
  local f
  for f in usr/share/man/man1/zulshell.1.gz usr/share/man/man1/zulcheck.1.gz \
    usr/share/doc/zulshell/copyright usr/share/doc/zulshell/changelog.gz \
    usr/share/icons/hicolor/scalable/apps/zulshell.svg; do
    [ -s "$root/$f" ] || fail "$f is missing"
  done
  grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/zulshell.svg" || fail "the scalable icon is no SVG picture"
  local size geometry
  for size in 48 64 128 256; do
    f=usr/share/icons/hicolor/${size}x${size}/apps/zulshell.png
    geometry=$(identify -format '%m %wx%h' "$root/$f") || fail "$f is missing or unreadable"
    [ "$geometry" = "PNG ${size}x${size}" ] || fail "$f is '$geometry'"
  done
  # The libraries come from dpkg-shlibdeps, the rest is what the menu loads or runs by name.
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  for f in libc6 libqt6widgets6 libsdl2 fonts-wine timgm6mb-soundfont xdg-utils; do
    [[ "$depends" == *"$f"* ]] || fail "Depends lacks $f: $depends"
  done
  echo "installed into a scratch root; Depends: $depends"
}

# Exit status that ctest reports as a skipped test.
skip() {
  echo "package_check: skipped: $*"
  exit 77
}

# The package's MIME types and desktop entry the way a file manager sees them, from a scratch
# copy of the system's MIME database with the package's file added: the demo disc's folder (and
# the same disc as an ISO 9660 disc without long names mounts, in capitals with version suffixes)
# is a cover disc, an ordinary folder is not, and every image kind the menu opens has a type the
# desktop entry lists, so "Open with" and the question on insertion offer the menu.
check_mime() {
  local deb=$1 demo_maker=$2 content_types=$3
  command -v update-mime-database >/dev/null || skip "update-mime-database (shared-mime-info) is missing"
  [ -x "$content_types" ] || skip "no content_types tool: GIO's development files were missing at build time"
  unpack "$deb"
  local package=$root/usr/share/mime/packages/zulshell.xml
  local entry=$root/usr/share/applications/zulshell.desktop
  [ -s "$package" ] || fail "the package has no ${package#"$root"/}"
  local data=$root/scratch/data
  mkdir -p "$data/mime/packages" "$root/scratch/home" "$root/scratch/images"
  cp /usr/share/mime/packages/*.xml "$data/mime/packages/"
  cp "$package" "$data/mime/packages/"
  # Anything it says about the files (in the search path, it has nothing else to say) is a fault.
  local warnings
  warnings=$(XDG_DATA_HOME="$root/scratch/home" XDG_DATA_DIRS="$data" update-mime-database "$data/mime" 2>&1 >/dev/null) ||
    fail "update-mime-database failed: $warnings"
  [ -z "$warnings" ] || fail "update-mime-database: $warnings"

  local disc=$root/scratch/disc
  env QT_QPA_PLATFORM=offscreen "$demo_maker" "$disc" --iso "$root/scratch/images/disc.iso" >/dev/null ||
    fail "the demo disc maker failed"
  local capitals=$root/scratch/capitals
  mkdir -p "$capitals/GRAPH"
  cp "$disc/graph/shell.dat" "$capitals/GRAPH/SHELL.DAT;1"
  cp "$disc/graph/image_lit.dat" "$capitals/GRAPH/IMAGE_LIT.DAT;1"
  # Ordinary folders: the unpacked package, and a folder with the archive's name but no script.
  local archive_only=$root/scratch/archive-only
  mkdir -p "$archive_only/graph"
  cp "$disc/graph/shell.dat" "$archive_only/graph/"

  # Images: the kinds the menu opens; raw-sector ones (.bin, .mdf, CloneCD's .img) begin with
  # the sync pattern of a CD sector. A .bin that is no CD image gets no type of ours.
  local images=$root/scratch/images
  local sector='\000\377\377\377\377\377\377\377\377\377\377\000\000\002\000\001'
  printf '%b' "$sector" >"$images/disc.bin"
  printf '%b' "$sector" >"$images/disc.mdf"
  printf '%b' "$sector" >"$images/disc.img"
  printf 'FILE "disc.bin" BINARY\r\n  TRACK 01 MODE1/2352\r\n' >"$images/disc.cue"
  printf '[CloneCD]\r\nVersion=3\r\n' >"$images/disc.ccd"
  head -c 4096 /dev/zero >"$images/disc.nrg"
  head -c 4096 /dev/zero >"$images/firmware.bin"

  local listed path types out
  listed=";$(sed -n 's/^MimeType=//p' "$entry")"
  for path in "$disc" "$capitals" "$images"/disc.* "$root/usr" "$archive_only" "$images/firmware.bin"; do
    out=$(env XDG_DATA_HOME="$root/scratch/home" XDG_DATA_DIRS="$data" "$content_types" "$path") ||
      fail "content_types failed on $path"
    echo "${path#"$root"/scratch/}: $out"
    read -ra types <<<"$out"
    case "$path" in
      "$root/usr" | "$archive_only" | */firmware.bin)
        ! offered "$listed" "${types[@]}" || fail "$path is '$out', which the desktop entry lists" ;;
      *)
        offered "$listed" "${types[@]}" || fail "$path is '$out', which the desktop entry does not list" ;;
    esac
  done
}

# offered LISTED TYPE...: whether the desktop entry's MimeType list (";"-led) holds one of the types.
offered() {
  local listed=$1 type
  shift
  for type in "$@"; do
    [[ "$listed" == *";$type;"* ]] && return 0
  done
  return 1
}

case "${1:-}" in
  build)
    build_dir=$2 deb_dir=$3
    rm -rf "$deb_dir"
    cpack --config "$build_dir/CPackConfig.cmake" -B "$deb_dir"
    ;;
  lintian)
    deb=$(the_package "$2" "$3")
    lintian --fail-on error,warning --display-info --tag-display-limit 0 "$deb"
    ;;
  installs)
    deb=$(the_package "$2" "$3")
    check_installs "$deb" "$3"
    ;;
  desktop-entry)
    deb=$(the_package "$2" "$3")
    unpack "$deb"
    desktop-file-validate "$root/usr/share/applications/zulshell.desktop"
    ;;
  metainfo)
    deb=$(the_package "$2" "$3")
    unpack "$deb"
    metainfo=$root/usr/share/metainfo/io.github.zulshell.zulshell.metainfo.xml
    appstreamcli validate --no-net "$metainfo"
    # Its newest release, the first listed, is this one: software centres show that version.
    newest=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" || true)
    [ "$newest" = "<release version=\"$3\"" ] || fail "the metainfo's newest release is not $3: $newest"
    # The whole tree: the metainfo's desktop entry and icon are where it says.
    appstreamcli validate-tree --no-net "$root"
    ;;
  mime)
    deb=$(the_package "$2" "$3")
    check_mime "$deb" "$4" "${5:-}"
    ;;
  *)
    sed -n '4,7p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
