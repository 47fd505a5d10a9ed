#!/usr/bin/env bash
# The demo: builds the archive engine, makes a small archive and shows what the
# command-line program does with it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native >/dev/null

unzip=$PWD/build/native/unzip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/demo.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("README.DOC", "TEV terminal and communications\r\n" * 40, zipfile.ZIP_DEFLATED)
    z.writestr("OPTIONS/STANDARD.TPA", 'DownloadPath="DOWNLOAD"\r\n', zipfile.ZIP_STORED)
    z.writestr("SCRIPT/RXSAMPLE/1_FIRST.TRX", "say 'hello'\r\n" * 10, zipfile.ZIP_DEFLATED)
    z.comment = b"TEV demo payload"
PY
cd "$work"
echo "\$ unzip -v demo.zip"
"$unzip" -v demo.zip
echo
echo "\$ unzip -l demo.zip"
"$unzip" -l demo.zip
