#!/bin/sh
# Installs the build into a temporary DESTDIR as a package would (prefix
# /usr) and checks the tree with the freedesktop tools: the desktop entry
# validates, the MIME package names .rpf files in any case, the thumbnailer
# runs as its entry says without a display, and the viewer answers --help
# and --version without one.
# usage: install_check.sh BUILD_DIR DEMO_SAMPLE VERSION
set -eu
build=$1
demo=$2
version=$3

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in desktop-file-validate update-mime-database xdg-mime gio file groff gzip; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/packages.sh lists the test packages)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
usr="$work/root/usr"

# The tree.
for path in \
  bin/brimwell bin/brimwell-thumbnailer bin/rpfinfo bin/rpfgen bin/rpfdiff \
  share/applications/brimwell.desktop \
  share/mime/packages/brimwell.xml \
  share/thumbnailers/brimwell.thumbnailer; do
  [ -f "$usr/$path" ] || fail "$path is not installed"
done
for size in 16 32 48 256; do
  icon="$usr/share/icons/hicolor/${size}x${size}/apps/brimwell.png"
  file "$icon" | grep -q "PNG image data, $size x $size," || fail "no $size x $size icon at $icon"
done
# Every program and nothing else in bin, each with its man page.
for program in "$usr"/bin/*; do
  name=$(basename "$program")
  [ -x "$program" ] || fail "bin/$name is not executable"
  case $name in brimwell | brimwell-thumbnailer | rpfinfo | rpfgen | rpfconvert | rpfdiff) ;; *) fail "bin/$name is installed" ;; esac
  page="$usr/share/man/man1/$name.1.gz"
  [ -f "$page" ] || fail "no man page for $name"
  warnings=$(gzip -dc "$page" | groff -man -ww -z -Tutf8 2>&1)
  [ -z "$warnings" ] || fail "man page of $name: $warnings"
  gzip -dc "$page" | groff -man -Tutf8 -P-cbou 2>/dev/null | grep -q "^NAME" || fail "man page of $name has no NAME section"
done
[ -z "$(find "$work/root" -path "$usr" -prune -o -print | grep -v "^$work/root\$")" ] || fail "files outside the prefix"

# The desktop entry.
desktop-file-validate "$usr/share/applications/brimwell.desktop" || fail "the desktop entry does not validate"
grep -qx 'Exec=brimwell %F' "$usr/share/applications/brimwell.desktop" || fail "the entry's Exec line"
grep -qx 'MimeType=image/x-rpf;' "$usr/share/applications/brimwell.desktop" || fail "the entry's MimeType"

# The MIME package, read into a database of its own; xdg-mime asks GIO
# (as on a GNOME desktop), which reads the databases XDG_DATA_DIRS names.
XDG_DATA_DIRS="$usr/share" update-mime-database "$usr/share/mime"
mkdir "$work/files" "$work/home"
cp "$demo" "$work/files/demo.rpf"
cp "$demo" "$work/files/FRAME_0001.RPF"
cp "$demo" "$work/files/Mixed.Rpf"
for sample in demo.rpf FRAME_0001.RPF Mixed.Rpf; do
  type=$(env XDG_DATA_DIRS="$usr/share" XDG_DATA_HOME="$work/home" XDG_CURRENT_DESKTOP=GNOME GIO_USE_VFS=local \
    xdg-mime query filetype "$work/files/$sample")
  [ "$type" = image/x-rpf ] || fail "xdg-mime names $sample \"$type\""
done

# The thumbnailer, run exactly as its entry's Exec line says, through PATH,
# with no display at all.
entry="$usr/share/thumbnailers/brimwell.thumbnailer"
grep -qx '\[Thumbnailer Entry\]' "$entry" || fail "the thumbnailer entry's group"
grep -qx 'TryExec=brimwell-thumbnailer' "$entry" || fail "the thumbnailer entry's TryExec"
grep -qx 'MimeType=image/x-rpf;' "$entry" || fail "the thumbnailer entry's MimeType"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
command=$(printf '%s' "$exec_line" | sed -e "s|%s|256|" -e "s|%i|$work/files/FRAME_0001.RPF|" -e "s|%o|$work/thumb.png|")
# shellcheck disable=SC2086 # the entry's words, as the file manager splits them
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$usr/bin:/usr/bin:/bin" $command ||
  fail "the thumbnailer failed: $command"
# The demo sample is 640 x 480.
file "$work/thumb.png" | grep -q "PNG image data, 256 x 192," || fail "thumbnail: $(file "$work/thumb.png")"
command=$(printf '%s' "$exec_line" | sed -e "s|%s|256|" -e "s|%i|$work/files/missing.rpf|" -e "s|%o|$work/none.png|")
status=0
# shellcheck disable=SC2086
env -u DISPLAY PATH="$usr/bin:/usr/bin:/bin" $command 2>/dev/null || status=$?
[ "$status" = 1 ] || fail "the thumbnailer ended with $status on a missing file"
[ ! -e "$work/none.png" ] || fail "the thumbnailer left a file after failing"

# --help and --version before any display is needed.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/brimwell" --help) || fail "brimwell --help failed"
printf '%s\n' "$out" | grep -q '^usage: brimwell ' || fail "brimwell --help printed: $out"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/brimwell" --version) || fail "brimwell --version failed"
[ "$out" = "brimwell $version" ] || fail "brimwell --version printed: $out"
out=$(env -u DISPLAY "$usr/bin/brimwell-thumbnailer" --version) || fail "brimwell-thumbnailer --version failed"
[ "$out" = "brimwell-thumbnailer $version" ] || fail "brimwell-thumbnailer --version printed: $out"

echo "install tree, desktop entry, MIME type, thumbnailer and --help/--version: all good"
