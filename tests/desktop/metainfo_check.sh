#!/bin/sh
# Installs the build into a temporary DESTDIR (prefix /usr) and checks the
# AppStream file that software centres list the viewer from: it validates,
# and what it names (the desktop entry, the programs, the file type) is in
# the same tree. Skipped (status 77) where appstreamcli is not installed.
# usage: metainfo_check.sh BUILD_DIR
set -eu
build=$1
id=invalid.brimwell.Brimwell

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
if ! command -v appstreamcli >/dev/null; then
  echo "SKIP: appstreamcli is not installed (the appstream package, in scripts/packages.sh)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
usr="$work/root/usr"
metainfo="$usr/share/metainfo/$id.metainfo.xml"
[ -f "$metainfo" ] || fail "share/metainfo/$id.metainfo.xml is not installed"

# The checks that need no network; the file's own contents are all judged.
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli does not accept $id.metainfo.xml"

# The component is the file's namesake, and what it points at is installed.
value() { sed -n "s|.*<$1[^>]*>\(.*\)</$1>.*|\1|p" "$metainfo"; }
[ "$(value id)" = "$id" ] || fail "the component id is \"$(value id)\", not $id"
desktop=$(value launchable)
[ -f "$usr/share/applications/$desktop" ] || fail "the launchable $desktop is not installed"
for program in $(value binary); do
  [ -x "$usr/bin/$program" ] || fail "the metainfo provides bin/$program, which is not installed"
done
for type in $(value mediatype); do
  grep -q "<mime-type type=\"$type\"" "$usr/share/mime/packages/brimwell.xml" ||
    fail "the metainfo provides $type, which the MIME package does not define"
done
echo "metainfo $id: validates, and its entry, programs and file type are installed"
