#!/bin/sh
# Builds the Debian package from the build folder and checks its control
# fields and contents with dpkg-deb. Installing it for real changes the
# machine, so that step runs only when BRIMWELL_TEST_INSTALL_DEB=1 asks for
# it (as root, on a throwaway machine).
# usage: package_check.sh BUILD_DIR VERSION
set -eu
build=$1
version=$2

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/packages.sh lists the test packages)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
set -- "$work"/brimwell_*.deb
[ $# = 1 ] && [ -f "$1" ] || fail "cpack made no single brimwell_*.deb: $*"
deb=$1

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = brimwell ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = graphics ] || fail "Section: $(field Section)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
field Maintainer | grep -q '^[^<]\+ <[^>]\+@[^>]\+>$' || fail "Maintainer: $(field Maintainer)"
[ -n "$(field Description)" ] || fail "no Description"
# Depends comes from the programs' shared libraries.
depends=$(field Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6network6; do
  printf '%s\n' "$depends" | tr ',' '\n' | grep -q "^ *$library\( \|$\)" || fail "Depends lacks $library: $depends"
done

# Its dependencies resolve on this system, as apt would install it.
apt-get -s install "$deb" >"$work/apt.log" 2>&1 && grep -q '^Inst brimwell ' "$work/apt.log" ||
  { cat "$work/apt.log" >&2; fail "apt cannot install the package"; }

dpkg-deb -c "$deb" >"$work/contents"
for path in \
  ./usr/bin/brimwell ./usr/bin/brimwell-thumbnailer ./usr/bin/rpfinfo ./usr/bin/rpfgen \
  ./usr/share/applications/brimwell.desktop \
  ./usr/share/mime/packages/brimwell.xml \
  ./usr/share/metainfo/invalid.brimwell.Brimwell.metainfo.xml \
  ./usr/share/doc/brimwell/copyright \
  ./usr/share/doc/brimwell/changelog.gz \
  ./usr/share/thumbnailers/brimwell.thumbnailer \
  ./usr/share/icons/hicolor/16x16/apps/brimwell.png \
  ./usr/share/icons/hicolor/32x32/apps/brimwell.png \
  ./usr/share/icons/hicolor/48x48/apps/brimwell.png \
  ./usr/share/icons/hicolor/256x256/apps/brimwell.png \
  ./usr/share/man/man1/brimwell.1.gz ./usr/share/man/man1/brimwell-thumbnailer.1.gz \
  ./usr/share/man/man1/rpfinfo.1.gz ./usr/share/man/man1/rpfgen.1.gz; do
  grep -q " $path\$" "$work/contents" || fail "the package lacks $path"
done
# Owned by root, everything under /usr, and no caches: the MIME database,
# icon cache and desktop database are the triggers' to build on the machine.
awk '{ print $2 }' "$work/contents" | grep -qv '^root/root$' && fail "files not owned by root"
awk '{ print $6 }' "$work/contents" | grep -v '^\./$' | grep -qv '^\./usr/' && fail "files outside /usr"
grep -Eq 'mime/mime\.cache|icon-theme\.cache|mimeinfo\.cache' "$work/contents" && fail "the package ships a cache"
for program in brimwell brimwell-thumbnailer rpfinfo rpfgen; do
  grep " ./usr/bin/$program\$" "$work/contents" | grep -q '^-rwxr-xr-x' || fail "/usr/bin/$program is not executable"
done

if [ "${BRIMWELL_TEST_INSTALL_DEB:-0}" = 1 ]; then
  [ "$(id -u)" = 0 ] || fail "installing the package wants root"
  DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb"
  dpkg-query -W -f='${Status}' brimwell | grep -q "install ok installed" || fail "the package did not install"
  # The triggers built the MIME database with the new type.
  grep -q ':image/x-rpf:\*\.rpf' /usr/share/mime/globs2 || fail "the MIME trigger did not register image/x-rpf"
  env -u DISPLAY brimwell --version | grep -qx "brimwell $version" || fail "the installed viewer"
  DEBIAN_FRONTEND=noninteractive apt-get purge -y brimwell
fi
echo "package $(basename "$deb"): control fields and contents good"
