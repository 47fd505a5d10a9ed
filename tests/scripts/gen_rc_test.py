#!/usr/bin/env python3
"""The resource generator against the real control table: three dialogs with
every control, the texts in code page 1252, the artwork referenced; and a table
with a kind the generator does not know stops it."""
import os
import re
import subprocess
import sys
import tempfile

SOURCE = sys.argv[1]
GEN = os.path.join(SOURCE, "scripts", "gen_rc.py")
TABLE = os.path.join(SOURCE, "src", "setup", "dialog_controls.inc")
ART = os.path.join(SOURCE, "dist", "res")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


with tempfile.TemporaryDirectory() as work:
    rc = os.path.join(work, "setup.rc")
    run = subprocess.run([sys.executable, GEN, TABLE, ART, rc], capture_output=True, text=True)
    check(run.returncode == 0, f"generator succeeds: {run.stderr}")
    data = open(rc, "rb").read()
    text = data.decode("cp1252")
    check(text.startswith("// Generated") and "#pragma code_page(1252)" in text, "code page pragma")
    table = open(TABLE, encoding="utf-8").read()
    ids = re.findall(r"^DIALOG_CONTROL\((-?\d+),", table, re.M)
    dialogs = re.split(r"^(\d+) DIALOGEX ", text, flags=re.M)[1:]
    check([dialogs[i] for i in range(0, len(dialogs), 2)] == ["100", "101", "102"], "dialogs 100, 101, 102")
    for number, body in zip(dialogs[0::2], dialogs[1::2]):
        lines = body.split("BEGIN", 1)[1].split("END", 1)[0].strip().splitlines()
        check(len(lines) == len(ids) == 26, f"dialog {number}: {len(lines)} controls of {len(ids)}")
        check("415, 220" in body.splitlines()[0], f"dialog {number}: size 415 by 220")
        check('FONT 8, "MS Sans Serif"' in body, f"dialog {number}: font")
    # The accented letters as single code page 1252 bytes, not as UTF-8.
    for word in ("übernehmen", "déjà installé", "Réceptions de fichiers", "enthält"):
        check(word.encode("cp1252") in data and word.encode("utf-8") not in data, f"{word} in code page 1252")
    check('CAPTION "Installation de TEV"' in text, "French caption")
    for number, name in ((2, "checker.bmp"), (200, "logo_large.bmp"), (201, "logo_small.bmp")):
        check(re.search(rf'^{number} BITMAP ".*/{name}"\r?$', text, re.M), f"bitmap {number}")
    check(re.search(r'^1 ICON ".*/setup.ico"\r?$', text, re.M), "icon 1")

    bad = os.path.join(work, "bad.inc")
    with open(bad, "w", encoding="utf-8") as f:
        f.write(table.replace("DIALOG_CONTROL(2, BUTTON,", "DIALOG_CONTROL(2, SLIDER,"))
    run = subprocess.run([sys.executable, GEN, bad, ART, rc], capture_output=True, text=True)
    check(run.returncode != 0 and "unknown control kind SLIDER" in run.stderr, "an unknown kind stops the build")
    with open(bad, "w", encoding="utf-8") as f:
        f.write(table.replace('"Abbruch"', '"Abbruch \u20ac\u2192"'))
    run = subprocess.run([sys.executable, GEN, bad, ART, rc], capture_output=True, text=True)
    check(run.returncode != 0 and "code page 1252" in run.stderr, "a text outside code page 1252 stops the build")

print(f"gen_rc: {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
