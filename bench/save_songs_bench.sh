#!/usr/bin/env bash
# Save Songs against curl: the wall time for the 50 songs of 1 MB of the stand-in site's "fifty"
# profile, saved by the program under Wine (bench/windows/save_songs_bench.cpp) and fetched by
# curl with 50 parallel transfers through the same server as its HTTP proxy. Each side runs
# RUNS times, alternating, on its own fresh folder; every run's files are checked. Not a test:
# neither CTest nor CI runs it.
#
#   bench/save_songs_bench.sh [BUILD_DIR]
#
# BUILD_DIR is a MinGW cross build folder; it is configured when it holds none yet, and the
# benchmark target is brought up to date in it. Default: /tmp/verdimo-save-songs-bench-build.
# Environment: RUNS (default 3), TRACE=1 (the program's per-row timeline and loop tally),
# RAW=1 (also time the transfers alone, without the window: 50 bare threads calling the program's
# TransferToFile, and 50 bare threads with a plain WinINet read loop instead, for comparison),
# BARE=1 (also time 50 bare threads that each only call URLDownloadToFileA, the mark for Save
# Songs), VERDIMO_PNG_PREFIX (libpng for MinGW, default BUILD's deps in the source tree).
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-/tmp/verdimo-save-songs-bench-build}
runs=${RUNS:-3}
png_prefix=${VERDIMO_PNG_PREFIX:-$src/build/deps/mingw}
song_count=50
song_bytes=1048576

work=$(mktemp -d "${TMPDIR:-/tmp}/save-songs-bench.XXXXXX")
state=$work/env
cleanup() {
  "$src/tests/wine/env-down" "$state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" \
    -DVERDIMO_PNG_PREFIX="$png_prefix" >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }
fi
ninja -C "$build" save_songs_bench >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; exit 1; }
bench_exe=$build/save_songs_bench.exe

"$src/tests/wine/env-up" "$state" "$src" >/dev/null
# shellcheck disable=SC1091
. "$state/env"
proxy=http://127.0.0.1:$VERDIMO_SITE_PORT

# Wine's drive Z: is the root of the Unix file system.
windows_folder() {
  printf '%s' "Z:${1//\//\\}\\"
}

now() { date +%s.%N; }

# The kernel's count of connections dropped because a listening socket's accept queue was full
# (system-wide). The stand-in site listens with a short queue; when 50 connections arrive at once
# and its accept thread is slow to run, some are dropped and their clients retry only after the
# TCP retransmission delay of 1 s, 3 s, 7 s..., which shows as an outlier run.
listen_overflows() {
  awk '/^TcpExt:/ {if (!h) {for (i = 1; i <= NF; i++) if ($i == "ListenOverflows") c = i; h = 1} else print $c}' /proc/net/netstat
}

# Checks that folder holds the 50 songs, song n as FILE_n, each exactly the site's body of seed n.
check_curl_files() {
  python3 - "$1" "$src/site" "$song_count" "$song_bytes" <<'PY'
import os, sys
folder, site, count, size = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
sys.path.insert(0, site)
from server import generated_bytes
bad = 0
for n in range(1, count + 1):
    path = os.path.join(folder, "%d.mp3" % n)
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        print("FAIL: curl song %d: missing" % n); bad += 1; continue
    if len(data) != size:
        print("FAIL: curl song %d: %d bytes instead of %d" % (n, len(data), size)); bad += 1
    elif data != generated_bytes(n, 0, size):
        print("FAIL: curl song %d: wrong content" % n); bad += 1
sys.exit(1 if bad else 0)
PY
}

save_songs_run() {
  local folder=$work/save-$1 log=$work/save-$1.log
  mkdir -p "$folder"
  local flags=()
  [ "${TRACE:-0}" = 1 ] && flags+=(--trace)
  local before
  before=$(listen_overflows)
  if ! "$src/tests/wine/run" "$state" "$bench_exe" "$(windows_folder "$folder")" "${flags[@]}" >"$log" 2>&1; then
    cat "$log" >&2
    echo "save songs run $1 failed" >&2
    exit 1
  fi
  [ "${TRACE:-0}" = 1 ] && sed 's/^/    /' "$log" >&2
  rm -rf "$folder"
  echo "$(sed -n 's/^save songs: \([0-9.]*\) s.*/\1/p' "$log" | tr -d '\r') $(($(listen_overflows) - before))"
}

# MODE is --raw (the program's TransferToFile), --bare (URLDownloadToFileA alone) or
# --raw-wininet (a plain WinINet loop).
raw_transfers_run() {
  local folder=$work/raw-$1 log=$work/raw-$1.log
  mkdir -p "$folder"
  if ! "$src/tests/wine/run" "$state" "$bench_exe" "$(windows_folder "$folder")" "$2" >"$log" 2>&1; then
    cat "$log" >&2
    echo "bare transfer run $1 ($2) failed" >&2
    exit 1
  fi
  rm -rf "$folder"
  sed -n 's/^raw transfers: \([0-9.]*\) s.*/\1/p' "$log" | tr -d '\r'
}

curl_run() {
  local folder=$work/curl-$1 log=$work/curl-$1.log
  mkdir -p "$folder"
  local args=() n
  for n in $(seq 1 "$song_count"); do
    args+=(-o "$folder/$n.mp3" "http://audio.verdimo.test/gen/$song_bytes/$n.mp3")
  done
  local start end before
  before=$(listen_overflows)
  start=$(now)
  if ! curl --silent --show-error --fail --parallel --parallel-max 50 -x "$proxy" "${args[@]}" >"$log" 2>&1; then
    end=$(now)
    cat "$log" >&2
    echo "curl run $1 failed" >&2
    exit 1
  fi
  end=$(now)
  local overflows=$(($(listen_overflows) - before))
  check_curl_files "$folder" >&2 || { echo "curl run $1 saved wrong files" >&2; exit 1; }
  rm -rf "$folder"
  echo "$(echo "$end - $start" | bc -l | awk '{printf "%.3f", $1}') $overflows"
}

median() {
  printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"
save_times=() curl_times=() raw_times=() wininet_times=() clean_curl_times=() bare_times=()
for run in $(seq 1 "$runs"); do
  out=$(save_songs_run "$run")
  read -r s s_drops <<<"$out"
  out=$(curl_run "$run")
  read -r c c_drops <<<"$out"
  save_times+=("$s")
  curl_times+=("$c")
  [ "$c_drops" -eq 0 ] && clean_curl_times+=("$c")
  line="run $run: save songs: $s s, curl: $c s, ratio: $(echo "$s / $c" | bc -l | awk '{printf "%.2f", $1}')"
  if [ "$s_drops" -gt 0 ] || [ "$c_drops" -gt 0 ]; then
    line="$line (listen-queue drops during save songs: $s_drops, during curl: $c_drops)"
  fi
  if [ "${RAW:-0}" = 1 ]; then
    r=$(raw_transfers_run "$run" --raw)
    w=$(raw_transfers_run "$run" --raw-wininet)
    raw_times+=("$r")
    wininet_times+=("$w")
    line="$line; bare TransferToFile: $r s, bare WinINet loop: $w s"
  fi
  if [ "${BARE:-0}" = 1 ]; then
    b=$(raw_transfers_run "$run" --bare)
    bare_times+=("$b")
    line="$line; bare URLDownloadToFileA threads: $b s"
  fi
  echo "$line"
done

save_median=$(median "${save_times[@]}")
curl_median=$(median "${curl_times[@]}")
ratio=$(echo "$save_median / $curl_median" | bc -l | awk '{printf "%.2f", $1}')
echo "median of $runs: save songs: $save_median s, curl: $curl_median s, ratio: $ratio"
if [ "${#clean_curl_times[@]}" -gt 0 ] && [ "${#clean_curl_times[@]}" -lt "$runs" ]; then
  clean_median=$(median "${clean_curl_times[@]}")
  echo "curl median of the ${#clean_curl_times[@]} runs without listen-queue drops: $clean_median s," \
    "ratio: $(echo "$save_median / $clean_median" | bc -l | awk '{printf "%.2f", $1}')"
fi
if [ "${RAW:-0}" = 1 ]; then
  echo "median of $runs: bare TransferToFile: $(median "${raw_times[@]}") s, bare WinINet loop: $(median "${wininet_times[@]}") s"
fi
if [ "${BARE:-0}" = 1 ]; then
  bare_median=$(median "${bare_times[@]}")
  echo "median of $runs: bare URLDownloadToFileA threads: $bare_median s, save songs against them:" \
    "$(echo "$save_median / $bare_median" | bc -l | awk '{printf "%.2f", $1}')"
fi
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
