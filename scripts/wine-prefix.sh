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
# A virtual desktop of 1024 by 768: windows get their title bars in screenshots
# and programs keep their exit codes.
if ! grep -q 'Explorer\\\\Desktops' "$prefix/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  # The server these calls started must be gone before the persistent one starts,
  # or it stays the running one and shuts down between two tests.
  wineserver -w || true
fi
# Title-bar buttons are drawn with the Marlett font: make sure the prefix has it.
fonts=$prefix/drive_c/windows/Fonts
for font in /usr/share/wine/fonts/marlett.ttf /usr/share/wine/marlett.ttf; do
  if [ -f "$font" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then cp "$font" "$fonts/"; fi
done
# A persistent server, detached from the test's output.
wineserver -p </dev/null >/dev/null 2>&1 || true
