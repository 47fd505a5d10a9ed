#!/usr/bin/env bash
# Creates (once) the Wine prefix that the Windows-program tests run in, and keeps
# its Wine server running until `wine-prefix.sh PREFIX stop`: a server that shuts
# down between two tests can make the next program fail to start.
set -eu
prefix=${1:?usage: wine-prefix.sh PREFIX [stop]}
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"winemenubuilder.exe,mscoree,mshtml=d"}
if [ "${2:-}" = stop ]; then
  wineserver -k >/dev/null 2>&1 || true
  exit 0
fi
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
test -f "$prefix/system.reg"
# A persistent server, detached from the test's output.
wineserver -p </dev/null >/dev/null 2>&1 || true
