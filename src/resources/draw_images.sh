#!/usr/bin/env bash
# Draws the program's 33 built-in images into src/resources/images with ImageMagick.
# The PNGs are committed; run this only to change the artwork. Every file is written as 8-bit
# RGB without alpha and not interlaced, which is what the program's decoder is tested against.
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)/images
mkdir -p "$out"
convert=/usr/bin/convert
font=DejaVu-Sans-Bold
save() { "$convert" "$@" -alpha off -depth 8 -interlace none -strip "PNG24:$out/$name.png"; }

# Header strip: grey gradient with the dark label at its left.
name=header_strip save -size 26x400 gradient:'#f4f4f4-#c8c8c8' -rotate 90 -rotate 180 \
  -font DejaVu-Sans -pointsize 12 -fill '#303030' -annotate +6+17 'Verdimo-URL:'
# Rotated gradient comes out 400x26 top-to-bottom light to dark.

button() {  # button NAME WIDTH LABEL FILL TEXTCOLOUR
  local width=$2 label=$3 fill=$4 text=$5
  name=$1 save -size "${width}x23" xc:white -fill "$fill" -stroke '#2a4a2a' -strokewidth 1 \
    -draw "roundrectangle 0,0 $((width - 1)),22 7,7" -stroke none \
    -fill "$text" -font "$font" -pointsize 11 -gravity center -annotate +0+0 "$label"
}
for b in go:55:Go! save:78:'Save Songs'; do
  IFS=: read -r key width label <<<"$b"
  button "${key}_normal" "$width" "$label" '#2e9e3a' white
  button "${key}_hover" "$width" "$label" '#d8a81c' white
  button "${key}_pressed" "$width" "$label" '#1b5e22' white
  button "${key}_disabled" "$width" "$label" '#9a9a9a' '#e8e8e8'
done

# Spinner: a ring of twelve dots; in frames 1-12 the dots turn dark green one by one clockwise
# from the top, in frames 13-24 they turn light again one by one.
for frame in $(seq 1 24); do
  draw=()
  for dot in $(seq 0 11); do
    if [ "$frame" -le 12 ]; then dark=$((dot < frame)); else dark=$((dot >= frame - 12)); fi
    colour='#cfe8cf'; [ "$dark" -eq 1 ] && colour='#1b6e2a'
    x=$(awk -v d="$dot" 'BEGIN { printf "%d", 42 + 28 * sin(d * 3.14159265 / 6) }')
    y=$(awk -v d="$dot" 'BEGIN { printf "%d", 42 - 28 * cos(d * 3.14159265 / 6) }')
    draw+=(-fill "$colour" -draw "circle $x,$y $((x + 5)),$y")
  done
  name=$(printf 'spinner_%02d' "$frame") save -size 84x84 xc:white "${draw[@]}"
done
echo "drew $(ls "$out"/*.png | wc -l) images into $out"
