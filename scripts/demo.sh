#!/usr/bin/env bash
# The demo: builds the programs, packs the demo payload, shows what the archive
# engine makes of it, then installs TEV from a demo distribution without any
# window: the real start-up checks and install worker, with drive C: mapped to a
# temporary directory that holds an earlier (2.10) installation to migrate.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/bootstrap.sh >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native --target unzip setup_headless >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dist=$work/dist
drive_c=$work/drive_c
mkdir -p "$dist" "$drive_c"

# The distribution directory: payload, DOC files, runtime DLLs, icons.
python3 - "$root/dist/payload" "$dist/INSTALL.FIL" <<'PY'
import os, sys, zipfile
source, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(target, "w") as z:
    for folder, _, files in sorted(os.walk(source)):
        for name in sorted(files):
            path = os.path.join(folder, name)
            member = os.path.relpath(path, source).replace(os.sep, "/")
            method = zipfile.ZIP_STORED if name == "PHONEBK" else zipfile.ZIP_DEFLATED
            z.write(path, member, method)
    z.comment = b"TEV for Windows - demo payload"
PY
cp "$root"/dist/doc/*.DOC "$dist/"
for dll in VELMORA.DLL KWEMOS2.DLL KWEMWIN.DLL; do printf 'runtime library %s\r\n' "$dll" > "$dist/$dll"; done
for icon in inst_doc inst_ger inst_usa inst_aus inst_dk; do printf 'icon\r\n' > "$dist/$icon.ico"; done
cp -r "$root/dist/earlier" "$drive_c/OLD"
mkdir -p "$drive_c/Users/Demo/Start Menu/Programs"

echo "\$ unzip -v INSTALL.FIL"
(cd "$dist" && "$root/build/native/unzip" -v INSTALL.FIL)
echo
echo "\$ unzip -t INSTALL.FIL"
(cd "$dist" && "$root/build/native/unzip" -t INSTALL.FIL)
echo
echo "\$ setup_headless: install into C:\\TEV, carrying settings over from C:\\OLD (answering yes)"
"$root/build/native/setup_headless" "$dist" "$drive_c" 'C:\TEV' 'C:\OLD' --yes 2>/dev/null
echo
echo "The installed tree (drive C:):"
(cd "$drive_c" && find TEV Users -type f | sort | sed 's/^/  /')
echo
echo "Carried over from C:\\OLD (old names mapped to new ones):"
for f in PHONEBK OPTIONS/STANDARD.FEE OPTIONS/STANDARD.TKY SCRIPT/MYOWN.TRX; do
  printf '  %-22s %s\n' "$f" "$(tr -d '\r' < "$drive_c/TEV/$f")"
done
echo
echo "C:\\TEV\\OPTIONS\\STANDARD.TPA, rewritten for the new directories:"
sed 's/^/  /; s/\r$//' "$drive_c/TEV/OPTIONS/STANDARD.TPA"
