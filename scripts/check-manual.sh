#!/usr/bin/env bash
# Checks the manual pages and the installation: groff finds no fault in the
# pages, an installation holds both program names and both pages, zipinfo's
# page shows unzip's (in the source tree and installed), and the installed
# zipinfo enters the information mode.
# Usage: check-manual.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=${1:?source directory}
build=${2:?build directory}

warnings=$(groff -man -Tutf8 -ww "$src/docs/unzip.1" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "docs/unzip.1: $warnings" >&2
  exit 1
fi

# From the source tree, whatever the current folder: zipinfo.1 shows the unzip page.
page=$(cd / && groff -man -Tutf8 -P-cbou -ww "$src/docs/zipinfo.1" 2>&1)
case $page in
  *"INFORMATION MODE"*) ;;
  *) echo "docs/zipinfo.1 does not show the unzip page from the source tree" >&2; exit 1 ;;
esac

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/unzip bin/zipinfo share/man/man1/unzip.1 share/man/man1/zipinfo.1; do
  [ -f "$prefix/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done

page=$(cd "$prefix/share/man" && groff -s -man -Tutf8 -P-cbou -ww man1/zipinfo.1 2>&1)
case $page in
  *"INFORMATION MODE"*) ;;
  *) echo "zipinfo.1 does not show the unzip page" >&2; exit 1 ;;
esac

usage=$("$prefix/bin/zipinfo")
case $usage in
  *"   usage:  zipinfo [-12smlvhtz] file[.zip] [list...] [-x xlist...]"*) ;;
  *) echo "the installed zipinfo did not start the information mode" >&2; exit 1 ;;
esac
echo "check-manual: pages and installation OK"
