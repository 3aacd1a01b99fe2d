#!/usr/bin/env bash
# Idle CPU of a program under Wine: starts PROGRAM.exe in the Wine environment that
# tests/wine/env-up recorded in STATE, waits SETTLE seconds after the start, then counts for
# SECONDS seconds the CPU time of the program's process and of the prefix's wineserver, and
# prints "idle cpu: P % of a core (program Q %, wineserver R %)". The program is closed with
# WM_CLOSE to the window titled TITLE (LAUNCH_BENCH.exe --close), or killed when it has none.
#
#   bench/idle_cpu.sh STATE PROGRAM.exe LAUNCH_BENCH.exe TITLE [SETTLE] [SECONDS]
#
# POINTER="X Y" puts the pointer there once the program has started (Wine's desktop puts it in
# the middle of the screen, over whatever lies there); POINTER="on home-link" puts it on the
# middle of the program's home link. READ=TEXT types TEXT into the program's URL field and presses Return
# when half the settling time has passed.
set -euo pipefail
state=$1 program=$2 closer=$3 title=$4 settle=${5:-10} seconds=${6:-10}
# shellcheck disable=SC1091
. "$state/env"

# The CPU ticks (user + system) of a process; the name in /proc/PID/stat may hold blanks, so the
# fields are counted after its closing parenthesis.
ticks() {
  sed 's/^.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'
}

# The wineserver of this prefix: it works in a folder named server-DEV-INODE of the prefix.
server_pid() {
  local name p
  name=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for p in $(pgrep wineserver); do
    case "$(readlink "/proc/$p/cwd" 2>/dev/null)" in
      */"$name") echo "$p"; return 0 ;;
    esac
  done
  return 0
}

wine "$program" >/dev/null 2>&1 &
pid=$!
sleep 1
case "${POINTER:-}" in
  "") ;;
  on\ *) wine "$closer" --pointer-on "$title" "${POINTER#on }" >/dev/null 2>&1 || true ;;
  # shellcheck disable=SC2086
  *) wine "$closer" --pointer $POINTER >/dev/null 2>&1 || true ;;
esac
if [ -n "${READ:-}" ]; then
  sleep "$(awk -v s="$settle" 'BEGIN { print (s > 2 ? s / 2 - 1 : 0) }')"
  wine "$closer" --read "$title" "$READ" >/dev/null 2>&1 || true
  sleep "$(awk -v s="$settle" 'BEGIN { print (s > 2 ? s / 2 : s - 1) }')"
else
  sleep "$((settle > 1 ? settle - 1 : 0))"
fi
server=$(server_pid)
[ -n "$server" ] || { echo "idle_cpu: no wineserver for $WINEPREFIX" >&2; kill -9 "$pid"; exit 1; }
hz=$(getconf CLK_TCK)
p0=$(ticks "$pid") s0=$(ticks "$server") t0=$(date +%s.%N)
sleep "$seconds"
p1=$(ticks "$pid") s1=$(ticks "$server") t1=$(date +%s.%N)
wine "$closer" --close "$title" >/dev/null 2>&1 || true
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -9 "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
awk -v p="$((p1 - p0))" -v s="$((s1 - s0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
  w = t1 - t0
  printf "idle cpu: %.2f %% of a core (program %.2f %%, wineserver %.2f %%)\n",
    100 * (p + s) / hz / w, 100 * p / hz / w, 100 * s / hz / w }'
