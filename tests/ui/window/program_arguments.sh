#!/usr/bin/env bash
# What the window program answers without opening a window: --help and --version on stdout with
# status 0, and one line on stderr with status 1 where there is no display.
#   program_arguments.sh PROGRAM
set -uo pipefail
program=$1
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" --help 2>/dev/null)
status=$?
[ "$status" -eq 0 ] || fail "--help ended with status $status"
[[ "$out" == "Usage: tolvane-sound-converter "* ]] || fail "--help printed: $out"

out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" some.wav --version)
status=$?
[ "$status" -eq 0 ] || fail "--version ended with status $status"
[[ "$out" =~ ^tolvane-sound-converter\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed: $out"

err=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
  "$program" 2>&1 >/dev/null)
status=$?
[ "$status" -eq 1 ] || fail "without a display: status $status"
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "without a display, not one line: $err"
[[ "$err" == *"no display"* ]] || fail "without a display: $err"

[ "$failures" -eq 0 ] && echo "program arguments: all answered without a window"
exit "$failures"
