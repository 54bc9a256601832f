#!/usr/bin/env bash
# The Debian package of a build, made with cpack and looked at the way Debian's tools and an
# installed system see it.
#   package_check.sh build BUILD_DIR DEB_DIR     make the package into DEB_DIR
#   package_check.sh CHECK DEB_DIR VERSION       CHECK: lintian, installs, desktop-entry, metainfo
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
  *)
    sed -n '4,5p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
