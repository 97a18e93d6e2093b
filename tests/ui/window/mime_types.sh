#!/usr/bin/env bash
# Builds a shared MIME database of the converter's MIME type file alone and checks that it
# knows the files the converter reads by their names and by their first bytes.
#   mime_types.sh UPDATE-MIME-DATABASE MIME-XML
set -euo pipefail
update=$1
xml=$2
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
database=$data/mime
mkdir -p "$database/packages"
cp "$xml" "$database/packages/"
# A file it cannot parse is named on stderr and left out: that is a failure here. (The folder is
# on its search path, or it says that it is not.)
XDG_DATA_HOME=$data "$update" "$database" 2>"$data/errors"
if [ -s "$data/errors" ]; then
  cat "$data/errors" >&2
  exit 1
fi
for glob in 'audio/x-sfz:\*.sfz' 'audio/x-sf2:\*.sf2' 'audio/x-sf3:\*.sf3' \
  'application/x-decent-sampler-preset:\*.dspreset' 'application/x-hydrogen-drumkit:drumkit.xml'; do
  grep -q ":$glob" "$database/globs2" || { echo "no glob $glob" >&2; exit 1; }
done
grep -q 'audio/x-sf2' "$database/magic" || { echo "no magic for SoundFont banks" >&2; exit 1; }
grep -q 'drumkit_info' "$database/XMLnamespaces" || { echo "no XML root for drum kits" >&2; exit 1; }
echo "MIME types: every format known by name, banks by their bytes"
