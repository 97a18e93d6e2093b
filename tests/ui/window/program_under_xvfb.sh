#!/usr/bin/env bash
# Starts the real window program on a private X server with a bank on its command line, saves a
# screenshot once the window has settled, ends the program with SIGTERM (as a logout does) and
# checks that it ended cleanly and saved its window size and sound database.
#   program_under_xvfb.sh PROGRAM GRABBER SCREENSHOT BANK
set -euo pipefail
program=$1 grabber=$2 screenshot=$3 bank=$4

work=$(mktemp -d /tmp/tolvane-xvfb.XXXXXX)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The server takes any free display and reports its number; clients prove themselves with a
# cookie, which xauth files under that number once it is known.
cookie=$(od -An -tx1 -N16 /dev/urandom | tr -d " \n")
touch "$work/server-auth" "$work/client-auth"
xauth -q -f "$work/server-auth" add :0 . "$cookie"
Xvfb -displayfd 3 -auth "$work/server-auth" -screen 0 1024x768x24 -nolisten tcp \
  3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
display=:$(head -n 1 "$work/display")
export XAUTHORITY=$work/client-auth
xauth -q add "$display" . "$cookie"
export DISPLAY=$display QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$work/runtime"

# A copy of the program keeps its sound database (next to it) in the work folder.
mkdir "$work/bin"
cp "$program" "$work/bin/"
"$work/bin/$(basename "$program")" "$bank" &
pid=$!
mkdir -p "$(dirname "$screenshot")"
ASAN_OPTIONS=detect_leaks=0 "$grabber" "$screenshot" 60
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { echo "the program ended with status $status" >&2; exit 1; }
grep -q '"WindowWidth"=dword:' "$work/config/Kestrum/Norvadex.reg" ||
  { echo "window size not saved" >&2; exit 1; }
grep -qi "^\[$(basename "$bank" .sf2)\]" "$work/bin/tolvane-sound-converter.INI" ||
  { echo "sound database not saved" >&2; exit 1; }
echo "screenshot: $screenshot"
