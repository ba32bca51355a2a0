#!/bin/sh
# Builds the Debian package from the build folder, as package_check.sh does,
# and runs Debian's own package checker on it: no errors allowed. Its
# warnings and notes are printed for the reader. Skipped (status 77) where
# lintian is not installed.
# usage: lintian_check.sh BUILD_DIR
set -eu
build=$1

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
if ! command -v lintian >/dev/null; then
  echo "SKIP: lintian is not installed (scripts/packages.sh lists it)"
  exit 77
fi
for tool in cpack dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/packages.sh lists the test packages)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
set -- "$work"/brimwell_*.deb
[ $# = 1 ] && [ -f "$1" ] || fail "cpack made no single brimwell_*.deb: $*"
deb=$1

# lintian's exit status also counts its own troubles (a tag profile it
# cannot load), so the verdict is read from the tags themselves.
status=0
lintian --tag-display-limit 0 --allow-root "$deb" >"$work/lintian.log" 2>&1 || status=$?
cat "$work/lintian.log"
grep -q '^E: ' "$work/lintian.log" && fail "lintian reports errors on $(basename "$deb")"
[ "$status" = 0 ] || [ "$status" = 1 ] || fail "lintian ended with status $status"
echo "lintian on $(basename "$deb"): no errors"
