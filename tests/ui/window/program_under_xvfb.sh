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

# shellcheck source=private_xvfb.sh
source "$(dirname "$0")/private_xvfb.sh"
start_private_xvfb "$work"

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
