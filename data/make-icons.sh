#!/usr/bin/env bash
# Draws the application icon: a small landscape picture in a dark frame,
# drawn as 16x16 pixel art and enlarged without smoothing, so every size
# stays crisp. Needs ImageMagick. Run from anywhere; writes icons/<px>/.
set -euo pipefail
cd "$(dirname "$0")"

art=$(mktemp --suffix=.xpm)
trap 'rm -f "$art"' EXIT
cat >"$art" <<'XPM'
/* XPM */
static char *quorvel[] = {
"16 16 7 1",
". c None",
"# c #2E3440",
"s c #7EC8F0",
"y c #FFD23C",
"g c #58B848",
"G c #3C8C34",
"w c #FFFFFF",
"................",
".##############.",
".#ssssssssssss#.",
".#sswwssssyyss#.",
".#swwwwssyyyys#.",
".#ssssssyyyyys#.",
".#ssssssssyyss#.",
".#ssssssssssss#.",
".#sssgggssssss#.",
".#ssgggggsssgg#.",
".#sgggggggsggg#.",
".#gggggggggggg#.",
".#GGGGGGGGGGGG#.",
".#GGGGGGGGGGGG#.",
".##############.",
"................"
};
XPM

for px in 16 32 48; do
  mkdir -p "icons/$px"
  convert "$art" -filter point -resize "${px}x${px}" -strip "PNG32:icons/$px/quorvel.png"
done
