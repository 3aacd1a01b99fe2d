#!/usr/bin/env bash
# Regenerates the stand-in site's generated fixtures, which are committed as they come out of here:
#   fixtures/songs/tone1.mp3 .. tone6.mp3   short sine tones (sox synthesises, lame encodes)
#   fixtures/author/downloader/verdimo/notice/files/notice1.png   the 370x20 notice banner
#   fixtures/playlists/thousand.xml, fifty.xml   the two long playlists
# Needs sox, lame and ImageMagick's convert.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
fixtures="$here/fixtures"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Songs: one note each, 2.0 to 3.0 seconds, 96 kbit/s mono, so every file is 24-36 KB and they
# differ in length as well as in content.
mkdir -p "$fixtures/songs"
frequencies=(330 392 440 494 523 587)
durations=(2.0 2.2 2.4 2.6 2.8 3.0)
for n in 1 2 3 4 5 6; do
  seconds="${durations[$((n - 1))]}"
  sox -R -n -r 44100 -c 1 -b 16 "$work/tone$n.wav" \
    synth "$seconds" sine "${frequencies[$((n - 1))]}" fade 0.05 "$seconds" 0.2 vol 0.5
  lame --quiet --noreplaygain -m m -b 96 "$work/tone$n.wav" "$fixtures/songs/tone$n.mp3"
done

# Notice banner: a light yellow field (#f5e6a8, which the end-to-end tests look for) with a line
# of text; 8-bit RGB without alpha and without the time stamps ImageMagick would otherwise write,
# so that regenerating it changes nothing.
notice_files="$fixtures/author/downloader/verdimo/notice/files"
mkdir -p "$notice_files"
convert -size 370x20 xc:'#f5e6a8' \
  -font DejaVu-Sans-Bold -pointsize 11 -fill '#5a3a00' -gravity west \
  -annotate +8+0 'Verdimo Music Downloader - stand-in notice' \
  -strip -define png:exclude-chunks=date,time -type TrueColor -depth 8 \
  "PNG24:$notice_files/notice1.png"

# Long playlists. Each song line keeps the attribute order title, durl, purl.
song_line() {  # title url
  printf '  <song title="%s" durl="%s" purl="%s" />\n' "$1" "$2" "$2"
}

{
  printf '<?xml version="1.0" encoding="windows-1252"?>\n<playlist>\n'
  for n in $(seq 1 1000); do
    song_line "$(printf 'Track %04d' "$n")" "http://audio.verdimo.test/gen/2048/$n.mp3"
  done
  printf '</playlist>\n'
} > "$fixtures/playlists/thousand.xml"

{
  printf '<?xml version="1.0" encoding="windows-1252"?>\n<playlist>\n'
  for n in $(seq 1 50); do
    song_line "$(printf 'Piece %02d' "$n")" "http://audio.verdimo.test/gen/1048576/$n.mp3"
  done
  printf '</playlist>\n'
} > "$fixtures/playlists/fifty.xml"
