#!/usr/bin/env bash
# The cache of the Windows dependencies (scripts/windows-deps), with a stand-in builder that
# takes no time: a run that finds its key builds nothing, also from another checkout of the same
# scripts; a changed key builds anew beside the old folder, taking Qt from it when Qt's own
# inputs are the same; a build cut short is never taken as finished; --fresh builds anew; a
# second run waits for one building the same key; the installed files name the folder they end
# up in.
#   windows_deps_cache_test.sh SOURCE-DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d /tmp/tolvane-deps-cache-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...: counts a failure when the command fails
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# Two checkouts of the same scripts in different folders.
for checkout in one two; do
  mkdir -p "$work/$checkout/scripts"
  cp "$source_dir/scripts/windows-deps" "$work/$checkout/scripts/"
done

# The stand-in builder: its description is MOCK_VERSION and its Qt's MOCK_QT, which alone its
# part "qt" depends on; a build counts itself in builds.log, builds its Qt (naming the folder it
# builds in) unless it finds qt.done, installs a .pc file naming that folder, and stops half-way
# when MOCK_FAIL is set (after writing part of its files), or waits MOCK_SLEEP seconds first.
cat >"$work/builder" <<'BUILDER'
#!/usr/bin/env bash
set -euo pipefail
if [ "$1" = --describe ]; then
  echo "mock ${MOCK_VERSION:-1}"
  echo "mock-qt ${MOCK_QT:-1}"
  exit 0
fi
if [ "$1" = --reusable ]; then
  echo "qt mock-qt ${MOCK_QT:-1}"
  exit 0
fi
echo "build $1" >>"$MOCK_LOG"
sleep "${MOCK_SLEEP:-0}"
mkdir -p "$1/prefix/lib/pkgconfig"
if [ ! -f "$1/qt.done" ]; then
  echo "qt built" >>"$MOCK_LOG"
  mkdir -p "$1/qt/bin" "$1/qt/lib"
  printf '%s\n' "$RANDOM$RANDOM" >"$1/qt/bin/build-id"
  printf 'set(QT_PREFIX %s)\n' "$1/qt" >"$1/qt/lib/qt.cmake"
  touch "$1/qt.done"
fi
[ -f "$1/half.done" ] && echo "taken up" >>"$MOCK_LOG"
touch "$1/half.done"
[ -n "${MOCK_FAIL:-}" ] && exit 1
printf 'prefix=%s\nLibs: -L${prefix}/lib -lmock\n' "$1/prefix" >"$1/prefix/lib/pkgconfig/mock.pc"
BUILDER
chmod +x "$work/builder"

export TOLVANE_DEPS_BUILDER=$work/builder TOLVANE_DEPS_CACHE=$work/cache MOCK_LOG=$work/builds.log
: >"$MOCK_LOG"
builds() { grep -c '^build' "$MOCK_LOG" || true; }
deps() { "$work/${CHECKOUT:-one}/scripts/windows-deps" "$@" 2>>"$work/stderr.log"; }

# A first run builds, into a folder under the cache named by the key, with nothing left beside.
first=$(deps)
check "a first run builds once" [ "$(builds)" = 1 ]
check "the folder is in TOLVANE_DEPS_CACHE" [ "$(dirname "$first")" = "$work/cache" ]
check "the folder is whole" [ -f "$first/qt/bin/build-id" ]
check "no partial folder is left" [ ! -e "$first.partial" ]
check "the installed .pc file names the final folder" \
  grep -qx "prefix=$first/prefix" "$first/prefix/lib/pkgconfig/mock.pc"
check "the folder holds the description of its key" grep -qx "mock 1" "$first/key.txt"

# A second run, from another checkout of the same scripts, builds nothing.
second=$(CHECKOUT=two deps)
check "a run from another checkout finds the same folder" [ "$second" = "$first" ]
check "and builds nothing" [ "$(builds)" = 1 ]

# A changed key builds anew beside the old folder.
changed=$(MOCK_VERSION=2 deps)
check "a changed key builds anew" [ "$(builds)" = 2 ]
check "into a folder of its own" test "$changed" != "$first" -a -d "$changed"
check "the old folder stays" [ -f "$first/qt/bin/build-id" ]
qt_builds() { grep -c '^qt built' "$MOCK_LOG" || true; }
check "but takes Qt from the old folder, built from the same Qt inputs" [ "$(qt_builds)" = 1 ]
check "the same Qt" cmp -s "$first/qt/bin/build-id" "$changed/qt/bin/build-id"
check "whose files name the new folder" grep -qx "set(QT_PREFIX $changed/qt)" "$changed/qt/lib/qt.cmake"
qt_changed=$(MOCK_VERSION=2 MOCK_QT=2 deps)
check "a Qt of other inputs is built" test "$(qt_builds)" = 2 -a "$(builds)" = 3
check "in its own folder" test "$qt_changed" != "$changed" -a -f "$qt_changed/qt/bin/build-id"

# A build cut short leaves no folder that looks finished; the next run takes it up.
if MOCK_VERSION=3 MOCK_FAIL=1 deps >/dev/null; then
  check "a failing build fails the run" false
fi
check "a failed build is counted" [ "$(builds)" = 4 ]
count=$(find "$work/cache" -mindepth 1 -maxdepth 1 -type d ! -name '*.partial' | wc -l)
check "a build cut short adds no finished folder" [ "$count" = 3 ]
third=$(MOCK_VERSION=3 deps)
check "the next run builds it" test "$(builds)" = 5 -a -f "$third/qt/bin/build-id"
check "taking up the cut build" grep -qx "taken up" "$MOCK_LOG"
check "the taken-up build names its final folder" \
  grep -qx "prefix=$third/prefix" "$third/prefix/lib/pkgconfig/mock.pc"
check "and its partial folder is gone" [ ! -e "$third.partial" ]

# --fresh builds anew even when the key's folder exists, and puts the new one in its place.
old_id=$(cat "$first/qt/bin/build-id")
fresh=$(deps --fresh)
check "--fresh builds anew" [ "$(builds)" = 6 ]
check "--fresh keeps the key's folder name" [ "$fresh" = "$first" ]
check "--fresh replaces its contents" [ "$(cat "$first/qt/bin/build-id")" != "$old_id" ]
check "--fresh starts from nothing" [ "$(grep -c 'taken up' "$MOCK_LOG")" = 1 ]
check "--fresh leaves nothing stale beside it" \
  [ -z "$(find "$work/cache" -maxdepth 1 -name '*.stale.*')" ]

# Two runs at once on a new key: one builds, the other waits and finds its folder.
MOCK_VERSION=4 MOCK_SLEEP=2 deps >"$work/a" &
sleep 0.5
MOCK_VERSION=4 deps >"$work/b"
wait $!
check "a run waits for another building the same key" [ "$(builds)" = 7 ]
check "and finds the same folder" [ "$(cat "$work/a")" = "$(cat "$work/b")" ]

# Without TOLVANE_DEPS_CACHE the cache is under XDG_CACHE_HOME.
xdg=$(env -u TOLVANE_DEPS_CACHE XDG_CACHE_HOME="$work/xdg" \
  "$work/one/scripts/windows-deps" 2>>"$work/stderr.log")
check "the default cache is XDG_CACHE_HOME/tolvane/windows-deps" \
  [ "$(dirname "$xdg")" = "$work/xdg/tolvane/windows-deps" ]

if [ "$failures" -ne 0 ]; then
  echo "--- what scripts/windows-deps said:"
  cat "$work/stderr.log"
  echo "$failures checks failed"
  exit 1
fi
echo "all checks passed"
