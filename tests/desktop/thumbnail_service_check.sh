#!/bin/sh
# A file manager's thumbnail service asked for a thumbnail of an RPF file:
# tumblerd on a session bus of the test's own, a thumbnailer entry naming the
# built thumbnailer, the MIME package in a database of the test's own, and
# HOME and the cache in the test's folder. The service creates the output
# file, runs the thumbnailer on it and reads it back, so a PNG in its cache
# shows that the thumbnailer wrote into the file it was given.
# Exits 77 (skipped) where the service or a session bus cannot run.
# usage: thumbnail_service_check.sh THUMBNAILER DEMO_SAMPLE MIME_PACKAGE
set -eu
thumbnailer=$(realpath "$1")  # the entry names it whole
demo=$(realpath "$2")
mime=$(realpath "$3")
tumblerd=/usr/lib/x86_64-linux-gnu/tumbler-1/tumblerd

skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}
[ -x "$tumblerd" ] || skip "tumbler is not installed ($tumblerd)"
for tool in dbus-run-session gdbus update-mime-database md5sum; do
  command -v "$tool" >/dev/null || skip "$tool is missing"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/share/thumbnailers" "$work/share/mime/packages" "$work/share/dbus-1/services" "$work/home" \
  "$work/cache" "$work/pictures"
cp "$mime" "$work/share/mime/packages/"
update-mime-database "$work/share/mime" 2>/dev/null
cat >"$work/share/thumbnailers/brimwell.thumbnailer" <<ENTRY
[Thumbnailer Entry]
TryExec=$thumbnailer
Exec=$thumbnailer -s %s %i %o
MimeType=image/x-rpf;
ENTRY
# The session bus starts tumblerd when the request comes, as desktops do.
cat >"$work/share/dbus-1/services/org.freedesktop.thumbnails.Thumbnailer1.service" <<SERVICE
[D-BUS Service]
Name=org.freedesktop.thumbnails.Thumbnailer1
Exec=$tumblerd
SERVICE
cp "$demo" "$work/pictures/frame.rpf"
uri="file://$work/pictures/frame.rpf"
thumbnail="$work/cache/thumbnails/normal/$(printf %s "$uri" | md5sum | cut -d' ' -f1).png"

# Inside the session: the request (which starts tumblerd), then a wait for
# the thumbnail under its final name, then tumblerd ended.
cat >"$work/session.sh" <<'SESSION'
gdbus call --session --timeout 150 --dest org.freedesktop.thumbnails.Thumbnailer1 \
  --object-path /org/freedesktop/thumbnails/Thumbnailer1 \
  --method org.freedesktop.thumbnails.Thumbnailer1.Queue "['$URI']" "['image/x-rpf']" normal default "uint32 0" \
  >/dev/null || echo "the Queue call failed" >&2
for i in $(seq 1500); do
  [ -s "$THUMBNAIL" ] && break
  sleep 0.1
done
daemon=$(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.GetConnectionUnixProcessID org.freedesktop.thumbnails.Thumbnailer1 2>/dev/null |
  tr -dc 0-9 | sed 's/^32//')
[ -n "$daemon" ] && kill "$daemon" 2>/dev/null || true
SESSION
# Media plugins of the service would scan every GStreamer plugin of the
# system at its first start; none is needed here.
mkdir -p "$work/no-media-plugins"
if ! env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_CACHE_HOME="$work/cache" \
  GST_PLUGIN_SYSTEM_PATH_1_0="$work/no-media-plugins" GST_PLUGIN_PATH_1_0="$work/no-media-plugins" \
  XDG_DATA_DIRS="$work/share:/usr/share" TUMBLERD="$tumblerd" WORK="$work" URI="$uri" THUMBNAIL="$thumbnail" \
  dbus-run-session -- sh "$work/session.sh" 2>"$work/session.log"; then
  grep -q "Failed to start message bus\|Could not connect" "$work/session.log" &&
    skip "no session bus: $(head -n 3 "$work/session.log")"
fi

if [ ! -s "$thumbnail" ]; then
  echo "FAIL: no thumbnail in the service's cache ($thumbnail)" >&2
  ls -la "$work/cache/thumbnails"/* >&2 2>/dev/null || true
  cat "$work/session.log" "$work/tumblerd.log" >&2 2>/dev/null || true
  exit 1
fi
case $(file -b "$thumbnail") in
  "PNG image data, 128 x 96,"*) ;;
  *) echo "FAIL: the cached thumbnail is $(file -b "$thumbnail")" >&2; exit 1 ;;
esac
echo "thumbnail service: $(file -b "$thumbnail")"
