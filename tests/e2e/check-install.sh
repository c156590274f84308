#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that a desktop would
# accept what lands there: the program, the menu entry, the icons, the
# metainfo, and the copyright, changelog and manual page a package needs.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

cmake --install "$build" --prefix "$stage/usr" >/dev/null
id=org.quorvel.Quorvel
for file in bin/quorvel share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
            share/icons/hicolor/{16x16,32x32,48x48}/apps/$id.png \
            share/doc/quorvel/{copyright,changelog.gz} share/man/man1/quorvel.1.gz; do
  [ -e "$stage/usr/$file" ] || { echo "not installed: $file"; exit 1; }
done
[ -x "$stage/usr/bin/quorvel" ] || { echo "bin/quorvel is not executable"; exit 1; }
for px in 16 32 48; do
  size=$(identify -format '%wx%h' "$stage/usr/share/icons/hicolor/${px}x${px}/apps/$id.png")
  [ "$size" = "${px}x${px}" ] || { echo "the ${px}x${px} icon is $size"; exit 1; }
done
grep -qx "Icon=$id" "$stage/usr/share/applications/$id.desktop" || { echo "menu entry names another icon"; exit 1; }

desktop-file-validate "$stage/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$stage/usr/share/metainfo/$id.metainfo.xml"
gzip -t "$stage/usr/share/doc/quorvel/changelog.gz" "$stage/usr/share/man/man1/quorvel.1.gz"
