#!/usr/bin/env bash
# verdimo-cli (native) against its marks, through the stand-in site on a free port:
# - saving the "fifty" profile (50 songs of 1 MB) into a fresh folder, the whole command timed,
#   against curl fetching the same 50 addresses with 50 parallel transfers through the same
#   server as its proxy; then the same command again on the full folder (every song skipped).
#   Every run's files are checked byte for byte.
# - saving 10,000 songs of 8 KB from nginx (a real server that keeps connections open, started
#   with its own prefix on a free loopback port, in front of the stand-in site as the proxy),
#   against curl --parallel --parallel-max 8 fetching the same addresses through it: wall and CPU.
# - listing the generated 100,000-row playlist (stdout to /dev/null), against one plain curl
#   fetch of the same playlist into a file plus the scan alone on those bytes
#   (bench/cli/playlist_scan_floor.cpp); and the listing's peak memory (max RSS) against the
#   playlist's size plus the bytes of its rows' names and addresses.
# Each measurement runs RUNS times (default 3), alternating with its mark; the medians come last,
# one "median ..." line per goal. Not a test: neither CTest nor CI runs it.
#
#   bench/cli_bench.sh [NATIVE_BUILD_DIR]        (default: build/native of the source tree)
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build/native}
runs=${RUNS:-3}
song_count=50
song_bytes=1048576
list_rows=100000
list_address="http://www.verdimo.test/someband?&friendID=rows-$list_rows"
playlist_address="http://media.verdimo.test/services/media/musicplayerxml.ashx?b=rows-$list_rows"

[ -x /usr/bin/time ] || { echo "cli bench: /usr/bin/time is missing (scripts/setup installs it)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/cli-bench.XXXXXX")
site_pid=
nginx_conf=
cleanup() {
  [ -n "$nginx_conf" ] && /usr/sbin/nginx -q -e "$work/nginx/error.log" -p "$work/nginx" -c "$nginx_conf" -s stop 2>/dev/null
  [ -n "$site_pid" ] && kill "$site_pid" 2>/dev/null && wait "$site_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$src" -B "$build" -G Ninja >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }
fi
cmake --build "$build" -j2 --target verdimo-cli playlist_scan_floor >"$work/build.log" 2>&1 \
  || { cat "$work/build.log" >&2; exit 1; }
cli=$build/verdimo-cli
floor=$build/playlist_scan_floor

python3 "$src/site/server.py" --port 0 --port-file "$work/port" &
site_pid=$!
for _ in $(seq 1 250); do [ -f "$work/port" ] && break; sleep 0.02; done
[ -f "$work/port" ] || { echo "cli bench: the stand-in site did not start" >&2; exit 1; }
proxy=http://127.0.0.1:$(cat "$work/port")
export http_proxy=$proxy

# nginx serves static.verdimo.test from files and hands every other host to the stand-in site.
static_count=10000
static_bytes=8192
mkdir -p "$work/nginx/www" "$work/nginx/tmp"
chmod 755 "$work" "$work/nginx" "$work/nginx/www"  # its workers run as another user
python3 - "$work/nginx/www" "$src/site" "$static_count" "$static_bytes" <<'PY'
import os, sys
sys.path.insert(0, sys.argv[2])
from server import generated_bytes
for k in range(1, int(sys.argv[3]) + 1):
    with open(os.path.join(sys.argv[1], "%d.mp3" % k), "wb") as f:
        f.write(generated_bytes(k, 0, int(sys.argv[4])))
PY
chmod 644 "$work"/nginx/www/*
nginx_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/nginx/nginx.conf" <<EOF
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events {}
http {
  access_log off;
  client_body_temp_path $work/nginx/tmp;
  proxy_temp_path $work/nginx/tmp;
  server { listen 127.0.0.1:$nginx_port default_server;
           location / { proxy_pass $proxy; proxy_set_header Host \$host; } }
  server { listen 127.0.0.1:$nginx_port; server_name static.verdimo.test; root $work/nginx/www; }
}
EOF
/usr/sbin/nginx -q -e "$work/nginx/error.log" -p "$work/nginx" -c "$work/nginx/nginx.conf" \
  || { cat "$work/nginx/error.log" >&2; echo "cli bench: nginx did not start" >&2; exit 1; }
nginx_conf=$work/nginx/nginx.conf
nginx_proxy=http://127.0.0.1:$nginx_port
for k in $(seq 1 "$static_count"); do
  printf 'url = "http://static.verdimo.test/%d.mp3"\noutput = "%d.mp3"\n' "$k" "$k"
done >"$work/static.curl"

now() { date +%s.%N; }
since() { echo "$(now) - $1" | bc -l | awk '{printf "%.3f", $1}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
median() {
  printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# Checks that FOLDER holds the 50 songs, song n under the name printf(FORMAT, n), each exactly
# the site's body of seed n, and nothing else but the files named in EXTRA (comma-separated).
check_songs() {
  python3 - "$1" "$2" "$3" "$src/site" "$song_count" "$song_bytes" <<'PY'
import os, sys
folder, form, extra, site, count, size = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5]), int(sys.argv[6])
sys.path.insert(0, site)
from server import generated_bytes
expected = {form % n: n for n in range(1, count + 1)}
bad = 0
for name, n in expected.items():
    try:
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
    except OSError:
        print("FAIL: %s: missing" % name); bad += 1; continue
    if data != generated_bytes(n, 0, size):
        print("FAIL: %s: %d bytes, not the site's %d of seed %d" % (name, len(data), size, n)); bad += 1
others = set(os.listdir(folder)) - set(expected) - set(filter(None, extra.split(",")))
if others:
    print("FAIL: unexpected files: %s" % sorted(others)); bad += 1
sys.exit(1 if bad else 0)
PY
}

# save RUN: the first save into a fresh folder, then the same command again; prints both times.
save_run() {
  local folder=$work/save-$1 log=$work/save-$1.log start first again
  start=$(now)
  "$cli" save fifty "$folder" >"$log" 2>&1 || { cat "$log" >&2; echo "save run $1 failed" >&2; exit 1; }
  first=$(since "$start")
  check_songs "$folder" "Piece %02d.mp3" ".verdimo-index.json,.verdimo-index.lock" >&2 \
    || { echo "save run $1 saved wrong files" >&2; exit 1; }
  start=$(now)
  "$cli" save fifty "$folder" >"$log" 2>&1 || { cat "$log" >&2; echo "save run $1 again failed" >&2; exit 1; }
  again=$(since "$start")
  [ "$(grep -c '^Skipped' "$log")" -eq "$song_count" ] \
    || { cat "$log" >&2; echo "save run $1 again did not skip every song" >&2; exit 1; }
  check_songs "$folder" "Piece %02d.mp3" ".verdimo-index.json,.verdimo-index.lock" >&2 \
    || { echo "save run $1 again left wrong files" >&2; exit 1; }
  rm -rf "$folder"
  echo "$first $again"
}

curl_run() {
  local folder=$work/curl-$1 log=$work/curl-$1.log args=() n start elapsed
  mkdir -p "$folder"
  for n in $(seq 1 "$song_count"); do
    args+=(-o "$folder/$n.mp3" "http://audio.verdimo.test/gen/$song_bytes/$n.mp3")
  done
  start=$(now)
  curl --silent --show-error --fail --parallel --parallel-max 50 -x "$proxy" "${args[@]}" >"$log" 2>&1 \
    || { cat "$log" >&2; echo "curl run $1 failed" >&2; exit 1; }
  elapsed=$(since "$start")
  check_songs "$folder" "%d.mp3" "" >&2 || { echo "curl run $1 saved wrong files" >&2; exit 1; }
  rm -rf "$folder"
  echo "$elapsed"
}

# static RUN: the 10,000 small songs saved through nginx, then by curl; prints the wall and CPU
# seconds of each.
static_run() {
  local folder=$work/static-$1 log=$work/static-$1.log wall user sys cwall cuser csys
  /usr/bin/time -f "%e %U %S" -o "$work/static-time" env http_proxy="$nginx_proxy" \
    "$cli" save --quiet --jobs 8 "http://www.verdimo.test/someband?&friendID=static-$static_count" "$folder" >"$log" 2>&1 \
    || { cat "$log" >&2; echo "static run $1 failed" >&2; exit 1; }
  [ "$(find "$folder" -name 'Track *.mp3' -size "${static_bytes}c" | wc -l)" -eq "$static_count" ] \
    || { echo "static run $1 saved wrong files" >&2; exit 1; }
  rm -rf "$folder"
  mkdir -p "$work/curl-static-$1"
  (cd "$work/curl-static-$1" && /usr/bin/time -f "%e %U %S" -o "$work/curl-static-time" \
    curl --silent --show-error --fail --parallel --parallel-max 8 -x "$nginx_proxy" -K "$work/static.curl") \
    >"$log" 2>&1 || { cat "$log" >&2; echo "curl static run $1 failed" >&2; exit 1; }
  [ "$(find "$work/curl-static-$1" -name '*.mp3' -size "${static_bytes}c" | wc -l)" -eq "$static_count" ] \
    || { echo "curl static run $1 saved wrong files" >&2; exit 1; }
  rm -rf "$work/curl-static-$1"
  read -r wall user sys <"$work/static-time"
  read -r cwall cuser csys <"$work/curl-static-time"
  echo "$wall $(echo "$user + $sys" | bc -l) $cwall $(echo "$cuser + $csys" | bc -l)"
}

# list RUN: the listing's time and its peak memory in KB.
list_run() {
  local start elapsed
  start=$(now)
  /usr/bin/time -f %M -o "$work/list-rss" "$cli" list "$list_address" >/dev/null 2>"$work/list.log" \
    || { cat "$work/list.log" "$work/list-rss" >&2; echo "list run $1 failed" >&2; exit 1; }
  elapsed=$(since "$start")
  echo "$elapsed $(tail -n 1 "$work/list-rss")"
}

# fetch RUN: one plain fetch of the playlist into a file; the file stays for the scan.
fetch_run() {
  local start elapsed
  rm -f "$work/playlist.xml"
  start=$(now)
  curl --silent --show-error --fail -x "$proxy" -o "$work/playlist.xml" "$playlist_address" >"$work/fetch.log" 2>&1 \
    || { cat "$work/fetch.log" >&2; echo "fetch run $1 failed" >&2; exit 1; }
  elapsed=$(since "$start")
  echo "$elapsed"
}

# The listing's rows, checked once before anything is timed: every row in order.
"$cli" list "$list_address" >"$work/list.txt" 2>"$work/list.log" || { cat "$work/list.log" >&2; exit 1; }
awk -F'\t' -v rows="$list_rows" '
  $0 != "Track " NR "\thttp://audio.verdimo.test/gen/2048/" NR ".mp3" { print "FAIL: row " NR ": " $0; exit 1 }
  END { if (NR != rows) { print "FAIL: " NR " rows listed, not " rows; exit 1 } }' "$work/list.txt" >&2 \
  || { echo "the listing's rows are wrong" >&2; exit 1; }
rm -f "$work/list.txt"

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"
statics=() static_cpus=() curl_statics=() curl_static_cpus=()
saves=() agains=() curls=() lists=() rsss=() fetches=() scans=() floors=()
for run in $(seq 1 "$runs"); do
  # Each step exits its own subshell on a failure; the assignment passes that on.
  out=$(save_run "$run") || exit 1
  read -r s a <<<"$out"
  c=$(curl_run "$run") || exit 1
  out=$(static_run "$run") || exit 1
  read -r sw sc cw cc <<<"$out"
  statics+=("$sw") static_cpus+=("$sc") curl_statics+=("$cw") curl_static_cpus+=("$cc")
  out=$(list_run "$run") || exit 1
  read -r l m <<<"$out"
  f=$(fetch_run "$run") || exit 1
  start=$(now)
  scan_out=$("$floor" "$work/playlist.xml") || exit 1
  floor_wall=$(since "$start")
  read -r scan_rows text_bytes doc_bytes scan <<<"$(echo "$scan_out" \
    | sed -n 's/^scan: \([0-9]*\) rows, \([0-9]*\) text bytes, \([0-9]*\) document bytes, \([0-9.]*\) s$/\1 \2 \3 \4/p')"
  [ "${scan_rows:-0}" -eq "$list_rows" ] || { echo "$scan_out" >&2; echo "the scan alone found wrong rows" >&2; exit 1; }
  saves+=("$s") agains+=("$a") curls+=("$c") lists+=("$l") rsss+=("$m") fetches+=("$f") scans+=("$scan")
  floors+=("$floor_wall")
  echo "run $run: save $s s (again $a s), curl $c s; 10,000 small: $sw s ($sc s CPU), curl $cw s ($cc s CPU); list $l s, $m KB; fetch $f s, scan $scan s" \
    "(the scan's program $floor_wall s)"
done

save=$(median "${saves[@]}")
again=$(median "${agains[@]}")
curl_time=$(median "${curls[@]}")
list=$(median "${lists[@]}")
rss=$(median "${rsss[@]}")
fetch=$(median "${fetches[@]}")
scan=$(median "${scans[@]}")
mark=$(echo "$fetch + $scan" | bc -l | awk '{printf "%.3f", $1}')
# The playlist's bytes and its rows' text in KB, as the peak memory is counted.
held=$(( (doc_bytes + text_bytes) / 1024 ))
echo "median of $runs: save: $save s, curl: $curl_time s, ratio: $(ratio "$save" "$curl_time")"
echo "median of $runs: save again, all skipped: $again s"
static=$(median "${statics[@]}")
static_cpu=$(median "${static_cpus[@]}")
curl_static=$(median "${curl_statics[@]}")
curl_static_cpu=$(median "${curl_static_cpus[@]}")
echo "median of $runs: small songs: $static s, curl: $curl_static s, ratio: $(ratio "$static" "$curl_static");" \
  "CPU $static_cpu s, curl $curl_static_cpu s, ratio: $(ratio "$static_cpu" "$curl_static_cpu")"
echo "median of $runs: list: $list s, fetch: $fetch s, scan: $scan s, fetch + scan: $mark s, ratio: $(ratio "$list" "$mark")"
echo "median of $runs: list peak memory: $rss KB, playlist $doc_bytes bytes + text $text_bytes bytes: $held KB," \
  "ratio: $(ratio "$rss" "$held")"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
