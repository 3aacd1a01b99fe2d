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
# RAW=1 (also time 50 bare TransferToFile threads without the window, same folder checks),
# VERDIMO_PNG_PREFIX (libpng for MinGW, default BUILD's deps in the source tree).
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-/tmp/verdimo-save-songs-bench-build}
runs=${RUNS:-3}
png_prefix=${VERDIMO_PNG_PREFIX:-$src/build/deps/mingw}
song_count=50
song_bytes=1048576

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" \
    -DVERDIMO_PNG_PREFIX="$png_prefix" >/dev/null
fi
ninja -C "$build" save_songs_bench >/dev/null
bench_exe=$build/save_songs_bench.exe

work=$(mktemp -d "${TMPDIR:-/tmp}/save-songs-bench.XXXXXX")
state=$work/env
cleanup() {
  "$src/tests/wine/env-down" "$state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

"$src/tests/wine/env-up" "$state" "$src" >/dev/null
# shellcheck disable=SC1091
. "$state/env"
proxy=http://127.0.0.1:$VERDIMO_SITE_PORT

# Wine's drive Z: is the root of the Unix file system.
windows_folder() {
  printf 'Z:%s\\' "${1//\//\\}"
}

now() { date +%s.%N; }

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
  if ! "$src/tests/wine/run" "$state" "$bench_exe" "$(windows_folder "$folder")" "${flags[@]}" >"$log" 2>&1; then
    cat "$log" >&2
    echo "save songs run $1 failed" >&2
    exit 1
  fi
  [ "${TRACE:-0}" = 1 ] && sed 's/^/    /' "$log" >&2
  rm -rf "$folder"
  sed -n 's/^save songs: \([0-9.]*\) s.*/\1/p' "$log" | tr -d '\r'
}

raw_transfers_run() {
  local folder=$work/raw-$1 log=$work/raw-$1.log
  mkdir -p "$folder"
  if ! "$src/tests/wine/run" "$state" "$bench_exe" "$(windows_folder "$folder")" --raw >"$log" 2>&1; then
    cat "$log" >&2
    echo "raw transfer run $1 failed" >&2
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
  local start end
  start=$(now)
  if ! curl --silent --show-error --fail --parallel --parallel-max 50 -x "$proxy" "${args[@]}" >"$log" 2>&1; then
    end=$(now)
    cat "$log" >&2
    echo "curl run $1 failed" >&2
    exit 1
  fi
  end=$(now)
  check_curl_files "$folder" >&2 || { echo "curl run $1 saved wrong files" >&2; exit 1; }
  rm -rf "$folder"
  echo "$end - $start" | bc -l | awk '{printf "%.3f", $1}'
}

median() {
  printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

save_times=() curl_times=() raw_times=()
for run in $(seq 1 "$runs"); do
  s=$(save_songs_run "$run")
  c=$(curl_run "$run")
  save_times+=("$s")
  curl_times+=("$c")
  line="run $run: save songs: $s s, curl: $c s, ratio: $(echo "$s / $c" | bc -l | awk '{printf "%.2f", $1}')"
  if [ "${RAW:-0}" = 1 ]; then
    r=$(raw_transfers_run "$run")
    raw_times+=("$r")
    line="$line, bare transfers: $r s"
  fi
  echo "$line"
done

save_median=$(median "${save_times[@]}")
curl_median=$(median "${curl_times[@]}")
ratio=$(echo "$save_median / $curl_median" | bc -l | awk '{printf "%.2f", $1}')
echo "median of $runs: save songs: $save_median s, curl: $curl_median s, ratio: $ratio"
if [ "${RAW:-0}" = 1 ]; then
  echo "median of $runs: bare transfers: $(median "${raw_times[@]}") s"
fi
