#!/usr/bin/env bash
# The demo: builds everything, assembles a TEV distribution in build/demo/dist
# (setup.exe, INSTALL.FIL packed from dist/payload, the DOC files, runtime DLL
# stand-ins, the icons) and runs setup.exe under Wine, with an earlier
# installation recorded in C:\OLD whose settings the setup can carry over.
#
# On your display (DISPLAY set) you work the dialog yourself. Without a display
# (or with --walkthrough) it runs under a virtual X server as a scripted
# walk-through that presses the buttons, saves screenshots to build/demo/screens
# and prints the installed tree and the Start-menu links.
#
# Then, as an administrator would: an unattended installation over it
# (setup.exe /S with its log) and the uninstallation by the command that
# Add/Remove Programs holds, with that list before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
# The whole demo runs with the fixed address layout that Wine starts reliably in.
if [ -z "${TEV_DEMO_FIXED_LAYOUT:-}" ]; then
  source scripts/fixed-layout.sh
  TEV_DEMO_FIXED_LAYOUT=1 fixed_layout bash scripts/demo.sh "$@"
  exit
fi
root=$PWD
mode=interactive
if [ "${1:-}" = --walkthrough ] || [ -z "${DISPLAY:-}" ]; then mode=walkthrough; fi

bash scripts/bootstrap.sh >/dev/null
echo "Building (native and Windows)..."
cmake --preset native >/dev/null
cmake --build --preset native --target unzip >/dev/null
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target setup e2e_driver >/dev/null

demo=$root/build/demo
dist=$demo/dist
rm -rf "$dist" "$demo/screens"
mkdir -p "$dist"
cp build/mingw/setup.exe "$dist/"
python3 - "$root/dist/payload" "$dist/INSTALL.FIL" <<'PY'
import os, sys, zipfile
source, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(target, "w") as z:
    for folder, dirs, files in os.walk(source):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            member = os.path.relpath(path, source).replace(os.sep, "/")
            method = zipfile.ZIP_STORED if name == "PHONEBK" else zipfile.ZIP_DEFLATED
            z.write(path, member, method)
    z.comment = b"TEV for Windows - demo payload"
PY
cp dist/doc/*.DOC "$dist/"
for dll in VELMORA.DLL KWEMOS2.DLL KWEMWIN.DLL; do printf 'runtime library %s\r\n' "$dll" > "$dist/$dll"; done
cp dist/icons/*.ico "$dist/"
echo "The distribution in build/demo/dist:"
(cd "$dist" && ls -1 | sed 's/^/  /')
echo
echo "\$ unzip -v INSTALL.FIL   (the setup's own archive engine, on Linux)"
(cd "$dist" && "$root/build/native/unzip" -v INSTALL.FIL)
echo

export WINEPREFIX=$demo/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d"
xvfb_pid=""
cleanup() {
  bash "$root/scripts/wine-prefix.sh" "$WINEPREFIX" stop || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [ "$mode" = walkthrough ]; then
  # A private X server; the first free display number from 90 on.
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=":$n"; break; }
  done
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

echo "Preparing the Wine prefix build/demo/wineprefix (the first time takes a while)..."
bash scripts/wine-prefix.sh "$WINEPREFIX"
drive_c=$WINEPREFIX/drive_c

if [ "$mode" = walkthrough ]; then
  echo
  E2E_SOURCE=$root E2E_DIST=$dist E2E_WORK=$demo/work E2E_SCREENS=$demo/screens \
    E2E_SETUP=$dist/setup.exe E2E_DRIVER=$root/build/mingw/e2e_driver.exe \
    python3 tests/e2e/scenarios.py demo en </dev/null
  echo
  echo "Screenshots of the walk-through in build/demo/screens:"
  ls -1 "$demo/screens" | sed 's/^/  /'
else
  rm -rf "$drive_c/TEV" "$drive_c/OLD"
  cp -r dist/earlier "$drive_c/OLD"
  wine reg add 'HKCU\Software\Tevanet ' /v HomePath /d 'C:\OLD' /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Tevanet ' /v WindowPos /d '10 10 640 480' /f >/dev/null 2>&1
  echo "Starting setup.exe on your display: choose a destination (for example C:\\TEV) and press Install."
  wine "$dist/setup.exe" </dev/null || true
  echo
  echo "The installed tree (C:\\TEV):"
  if [ -d "$drive_c/TEV" ]; then (cd "$drive_c/TEV" && find . -type f | sort | sed 's|^\./|  |'); fi
  echo "The Start-menu links:"
  find "$drive_c/users" -path '*Start Menu/Programs/TEV*' -name '*.LNK' 2>/dev/null | sort | sed 's/^/  /'
fi

echo
echo "An unattended reinstallation, as an administrator rolls TEV out:"
echo "\$ wine setup.exe /S /DIR=C:\\TEV /LOG=C:\\setup.log"
set +e
wine "$dist/setup.exe" /S '/DIR=C:\TEV' '/LOG=C:\setup.log' </dev/null >/dev/null 2>&1
code=$?
set -e
echo "exit code $code; the log C:\\setup.log:"
sed 's/^/  /' "$drive_c/setup.log"
echo
echo "\$ wine uninstaller --list      (Add/Remove Programs)"
wine uninstaller --list </dev/null | sed 's/^/  /'
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TEV'
quiet=$(wine reg query "$key" /v QuietUninstallString </dev/null 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *QuietUninstallString *REG_SZ *//p')
echo "The uninstall command it holds: $quiet"
echo "\$ wine $quiet /LOG=C:\\uninstall.log"
set +e
eval "wine $quiet '/LOG=C:\\uninstall.log'" </dev/null >/dev/null 2>&1
code=$?
set -e
for _ in $(seq 100); do [ -e "$drive_c/TEV/UNINSTAL.EXE" ] || break; sleep 0.1; done
echo "exit code $code; the log C:\\uninstall.log:"
sed 's/^/  /' "$drive_c/uninstall.log"
echo "\$ wine uninstaller --list"
listed=$(wine uninstaller --list </dev/null)
printf '%s\n' "$listed" | sed 's/^/  /'
if printf '%s\n' "$listed" | grep -q 'TEV for Windows'; then
  echo "demo: TEV is still listed in Add/Remove Programs" >&2
  exit 1
fi
echo "(nothing of TEV listed any more)"
echo "Left in C:\\TEV (the settings carried over from C:\\OLD are the user's):"
if [ -d "$drive_c/TEV" ]; then (cd "$drive_c/TEV" && find . -type f | sort | sed 's|^\./|  |'); fi
