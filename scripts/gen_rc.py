#!/usr/bin/env python3
"""Writes the setup program's resource script from the dialog's control table.

    gen_rc.py CONTROLS_INC RES_DIR OUT_RC
    gen_rc.py --placeholders DIR     (plain grey stand-ins for the artwork)

CONTROLS_INC is src/setup/dialog_controls.inc (UTF-8): one DIALOG_FORM line and
one DIALOG_CONTROL line per control. The script writes, in code page 1252 with a
matching `#pragma code_page(1252)`, the dialogs 100 (English), 101 (German) and
102 (French), bitmaps 2, 200 and 201 and icon 1 from RES_DIR, and a manifest
that runs the program with the user's own rights. Any kind of control it does
not know, any text that code page 1252 cannot hold, or a malformed line stops
the build with a message.
"""
import os
import re
import sys

DIALOG_IDS = (100, 101, 102)  # English, German, French
BITMAPS = ((2, "checker.bmp"), (200, "logo_large.bmp"), (201, "logo_small.bmp"))
ICON = (1, "setup.ico")

def _rect(x, y, cx, cy):
    return f"{x}, {y}, {cx}, {cy}"

# Each kind of the table: a function of (id, text in rc quoting, rectangle)
# giving its line of the dialog template.
KINDS = {
    "LABEL": lambda i, t, r: f"LTEXT {t}, {i}, {r}, SS_NOPREFIX",
    "LABEL_RIGHT": lambda i, t, r: f"RTEXT {t}, {i}, {r}, SS_NOPREFIX",
    "EDIT": lambda i, t, r: f"EDITTEXT {i}, {r}, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP",
    "EDIT_READONLY": lambda i, t, r:
        f"EDITTEXT {i}, {r}, ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP",
    "BUTTON": lambda i, t, r: f"PUSHBUTTON {t}, {i}, {r}, WS_TABSTOP",
    "DEFBUTTON": lambda i, t, r: f"DEFPUSHBUTTON {t}, {i}, {r}, WS_TABSTOP",
    "CHECKBOX": lambda i, t, r: f"AUTOCHECKBOX {t}, {i}, {r}, WS_TABSTOP",
    "GROUPBOX": lambda i, t, r: f"GROUPBOX {t}, {i}, {r}",
    # A picture shows the bitmap whose resource id is the control's id.
    "BITMAP": lambda i, t, r: f'CONTROL {i}, {i}, "Static", SS_BITMAP | WS_CHILD | WS_VISIBLE, {r}',
    "PROGRESS": lambda i, t, r: f'CONTROL "", {i}, "ProgressBar", WS_CHILD | WS_VISIBLE, {r}',
}

MANIFEST = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="TEV.Setup" version="3.61.0.0" processorArchitecture="*"/>
  <description>TEV Setup</description>
  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">
    <security>
      <requestedPrivileges>
        <requestedExecutionLevel level="asInvoker" uiAccess="false"/>
      </requestedPrivileges>
    </security>
  </trustInfo>
</assembly>
"""


def fail(message):
    sys.exit(f"gen_rc.py: {message}")


_TOKEN = re.compile(r'\s*(?:("(?:[^"\\]|\\.)*")|(-?\d+)|([A-Za-z_]\w*)|(.))', re.S)


def _c_string(literal, where):
    """The value of a C string literal (UTF-8 source text)."""
    body = literal[1:-1]
    out = []
    i = 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        e = body[i + 1]
        simple = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"', "'": "'", "?": "?"}
        if e in simple:
            out.append(simple[e])
            i += 2
        elif e == "x":
            m = re.match(r"[0-9A-Fa-f]+", body[i + 2:])
            if not m:
                fail(f"{where}: bad \\x escape")
            out.append(bytes([int(m.group(0), 16) & 0xFF]).decode("cp1252"))
            i += 2 + len(m.group(0))
        else:
            fail(f"{where}: unknown escape \\{e}")
    return "".join(out)


def _arguments(text, where):
    """The arguments of one macro call: numbers, names and (concatenated) strings."""
    args, current = [], None
    for m in _TOKEN.finditer(text):
        string, number, name, other = m.groups()
        if string is not None:
            value = _c_string(string, where)
            current = value if not isinstance(current, str) else current + value
        elif number is not None:
            current = int(number)
        elif name is not None:
            current = name
        elif other == ",":
            args.append(current)
            current = None
        elif other and not other.isspace():
            fail(f"{where}: unexpected '{other}'")
    args.append(current)
    return args


def _strip_comments(source):
    source = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), source, flags=re.S)
    return re.sub(r'//[^\n]*', "", source)


def read_table(path):
    with open(path, encoding="utf-8") as f:
        source = _strip_comments(f.read())
    form, controls = None, []
    for m in re.finditer(r"\b(DIALOG_FORM|DIALOG_CONTROL)\s*\(((?:[^()\"]|\"(?:[^\"\\]|\\.)*\")*)\)", source):
        line = source.count("\n", 0, m.start()) + 1
        where = f"{path}:{line}"
        args = _arguments(m.group(2), where)
        if m.group(1) == "DIALOG_FORM":
            if len(args) != 7 or form:
                fail(f"{where}: DIALOG_FORM needs 7 arguments, once")
            form = args
        else:
            if len(args) != 9:
                fail(f"{where}: DIALOG_CONTROL needs 9 arguments")
            if args[1] not in KINDS:
                fail(f"{where}: unknown control kind {args[1]}")
            controls.append((args, where))
    if not form or not controls:
        fail(f"{path}: no DIALOG_FORM or no DIALOG_CONTROL lines")
    return form, controls


def rc_string(text, where):
    try:
        text.encode("cp1252")
    except UnicodeEncodeError:
        fail(f"{where}: text {text!r} does not fit code page 1252")
    return '"' + text.replace('"', '""') + '"'


def rc_path(path):
    return '"' + path.replace("\\", "/") + '"'


def write_rc(form, controls, res_dir, out_path):
    width, height, font, points = form[0], form[1], form[2], form[3]
    lines = ["// Generated from src/setup/dialog_controls.inc by scripts/gen_rc.py; do not edit.",
             "#pragma code_page(1252)",
             "#include <windows.h>",
             "",
             f"{ICON[0]} ICON {rc_path(os.path.join(res_dir, ICON[1]))}"]
    for number, name in BITMAPS:
        lines.append(f"{number} BITMAP {rc_path(os.path.join(res_dir, name))}")
    manifest = os.path.splitext(out_path)[0] + ".manifest"
    lines.append(f"1 24 {rc_path(os.path.abspath(manifest))}")
    for language, dialog_id in enumerate(DIALOG_IDS):
        where = "DIALOG_FORM"
        lines += ["",
                  f"{dialog_id} DIALOGEX 0, 0, {width}, {height}",
                  "STYLE DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU",
                  f"CAPTION {rc_string(form[4 + language], where)}",
                  f"FONT {points}, {rc_string(font, where)}",
                  "BEGIN"]
        for args, where in controls:
            cid, kind, x, y, cx, cy = args[:6]
            text = args[6 + language] or ""
            cid = -1 if cid in (None, "IDC_STATIC") else cid
            lines.append("    " + KINDS[kind](cid, rc_string(text, where), _rect(x, y, cx, cy)))
        lines.append("END")
    data = ("\r\n".join(lines) + "\r\n").encode("cp1252")
    with open(out_path, "wb") as f:
        f.write(data)
    with open(manifest, "w", encoding="utf-8") as f:
        f.write(MANIFEST)


def write_placeholders(directory):
    """Plain grey bitmaps and icon of the right sizes, for a build without the artwork."""
    import struct
    os.makedirs(directory, exist_ok=True)

    def dib(w, h, icon):
        row = (w * 3 + 3) // 4 * 4
        pixels = b"".join(bytes([0xC0, 0xC0, 0xC0] * w) + bytes(row - w * 3) for _ in range(h))
        mask = bytes(((w + 31) // 32 * 4) * h) if icon else b""
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2 if icon else h, 1, 24, 0,
                             len(pixels) + len(mask), 0, 0, 0, 0)
        return header + pixels + mask

    for name, (w, h) in (("checker.bmp", (4, 4)), ("logo_large.bmp", (230, 210)),
                         ("logo_small.bmp", (200, 180))):
        body = dib(w, h, False)
        with open(os.path.join(directory, name), "wb") as f:
            f.write(struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, 54) + body)
    body = dib(32, 32, True)
    with open(os.path.join(directory, ICON[1]), "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 0, 0, 1, 24,
                                                           len(body), 22) + body)


def main(argv):
    if len(argv) == 3 and argv[1] == "--placeholders":
        write_placeholders(argv[2])
        return
    if len(argv) != 4:
        fail("usage: gen_rc.py CONTROLS_INC RES_DIR OUT_RC")
    form, controls = read_table(argv[1])
    for number, name in BITMAPS + (ICON,):
        if not os.path.isfile(os.path.join(argv[2], name)):
            fail(f"resource {number}: {os.path.join(argv[2], name)} is missing")
    write_rc(form, controls, os.path.abspath(argv[2]), argv[3])


if __name__ == "__main__":
    main(sys.argv)
