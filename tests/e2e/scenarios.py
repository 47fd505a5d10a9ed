#!/usr/bin/env python3
"""End-to-end scenarios of setup.exe under Wine, in English, German and French.

    scenarios.py SCENARIO LANGUAGE      (LANGUAGE: en, de, fr)

Each scenario builds a distribution (setup.exe, the payload packed from
dist/payload, the DOC files, runtime DLL stand-ins, the icons), starts setup.exe
in the test prefix and works its dialog through e2e_driver.exe as a user would:
texts into the edits, clicks on buttons and check boxes, answers to the message
boxes the dialog owns. It then checks the installed tree, the rewritten path
file, the Start-menu links and the exit code. Other scenarios run setup.exe
unattended (/S) as an administrator would, with its log, and remove TEV again
with the uninstaller that Add/Remove Programs names. Screenshots go to
E2E_SCREENS when a display is there.

Environment: WINEPREFIX, E2E_SETUP (setup.exe), E2E_DRIVER (e2e_driver.exe),
E2E_SOURCE (the source tree), E2E_WORK (a scratch directory), E2E_SCREENS.
"""
import os
import random
import re
import select
import shutil
import struct
import subprocess
import sys
import time
import zipfile

SOURCE = os.environ["E2E_SOURCE"]
PREFIX = os.environ["WINEPREFIX"]
WORK = os.environ["E2E_WORK"]
SCREENS = os.environ.get("E2E_SCREENS", os.path.join(WORK, "screens"))

LANGUAGES = {"en": 0, "de": 1, "fr": 2}
PAYLOADS = ("INSTALL.FIL", "INSTALLD.FIL", "INSTALLF.FIL")
CAPTIONS = ("TEV Install V3.061", "TEV Installation V3.061", "Installation de TEV V3.061")
FOLDERS = ("TEV for Windows NT", "TEV für Windows NT", "TEV sous Windows NT")
ORDER_PREFIX = ("Order from ", "Bestellen bei ", "Commande de la part de ")
MESSAGES = {
    1: ("Installation aborted - TEV wasn't installed successfully!",
        "Installation abgebrochen - TEV konnte nicht vollständig installiert werden!",
        "Installation abandonnée - l'installation de TEV n'a pas réussi!"),
    5: ("All files processed - installation complete (TEV was added to your start menu)",
        "Installation erfolgreich beendet (TEV-Eintrag wurde im Startmenü erzeugt)",
        "Tous les fichiers ont été traités - installation terminée (TEV a été ajouté au menu démarrage)"),
    10: ("Upload path is empty", "Der Upload-Pfad ist leer", "Le chemin d'envoi de fichiers est vide"),
    16: ("Overwrite %s with TEV's installation defaults?",
         "Datei %s mit Standardeinstellungen überschreiben?",
         "Ecraser %s avec les paramètres d'installation par défaut de TEV?"),
    17: ("Overwrite existing option files with TEV's installation defaults (all TEV settings will be lost)?",
         "Bestehende Options-Dateien mit Standardeinstellungen überschreiben (alle bisherigen TEV-Einstellungen werden gelöscht)?",
         "Ecraser les fichiers d'options existants avec les options d'installation par défaut de TEV?"),
    18: ("All intentionally overwritten files were backed up in the same directory!",
         "Von allen absichtlich überschriebenen Dateien wurden Sicherheitskopien im entsprechenden Verzeichnis angelegt",
         "Tous les fichiers écrasés intentionnellement ont été sauvegardés dans le même répertoire!"),
    19: ("Do you want to read TEV's DOC-files (PROBLEMS.DOC, README.DOC, etc.) now?",
         "Informationsdateien (PROBLEMS.DOC, README.DOC, etc.) jetzt anzeigen?",
         "Voulez-vous lire maintenant les fichiers DOC de TEV (PROBLEMS.DOC, README.DOC, etc.)?"),
    25: ("Nothing was changed - your computer is as it was before the installation.",
         "Es wurde nichts verändert - Ihr Computer ist im selben Zustand wie vor der Installation.",
         "Rien n'a été modifié - votre ordinateur est dans le même état qu'avant l'installation."),
    30: ("Do you really want to remove TEV for Windows from your computer?\r\rFiles you changed or added are kept.",
         "Wollen Sie TEV für Windows wirklich von Ihrem Computer entfernen?\r\r"
         "Von Ihnen geänderte oder hinzugefügte Dateien bleiben erhalten.",
         "Voulez-vous vraiment supprimer TEV sous Windows de votre ordinateur?\r\r"
         "Les fichiers que vous avez modifiés ou ajoutés sont conservés."),
    31: ("TEV for Windows was removed from your computer.",
         "TEV für Windows wurde von Ihrem Computer entfernt.",
         "TEV sous Windows a été supprimé de votre ordinateur."),
}
USAGE_START = ("Usage: setup.exe [/S]", "Aufruf: setup.exe [/S]", "Utilisation: setup.exe [/S]")
CAPTION_ERROR = ("Error", "Fehler", "Erreur")
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TEV"
CAPTION_INFO = "Information"
IDOK, IDYES, IDNO = 1, 6, 7
DOC_FILES = ("DEVELOP.DOC", "VERSIONS.DOC", "PROBLEMS.DOC", "ISDN.DOC", "REGISTER.DOC",
             "FEATURES.DOC", "README.DOC")
DLLS = ("VELMORA.DLL", "KWEMOS2.DLL", "KWEMWIN.DLL")
ICONS = ("inst_doc", "inst_ger", "inst_usa", "inst_aus", "inst_dk")
SHORTCUTS = (  # name, target in the destination or None for the viewer, arguments, icon
    ("TEV", "TEV.EXE", "", ""),
    ("Readme.doc", None, "README.DOC", "inst_doc.ico"),
    ("Features.doc", None, "FEATURES.DOC", "inst_doc.ico"),
    ("Problems.doc", None, "PROBLEMS.DOC", "inst_doc.ico"),
    ("Register.doc", None, "REGISTER.DOC", "inst_doc.ico"),
    ("Isdn.doc", None, "ISDN.DOC", "inst_doc.ico"),
    ("Develop.doc", None, "DEVELOP.DOC", "inst_doc.ico"),
    ("Versions.doc", None, "VERSIONS.DOC", "inst_doc.ico"),
    ("!Vendora", "TEV.EXE", "/ORDER:0", "inst_ger.ico"),
    ("!Ostrelle", "TEV.EXE", "/ORDER:1", "inst_usa.ico"),
    ("!Palamid", "TEV.EXE", "/ORDER:2", "inst_aus.ico"),
    ("!Quorvin", "TEV.EXE", "/ORDER:3", "inst_dk.ico"),
)
PROFILE = "Tevanet "
TIMEOUT = 30000  # ms for any one condition

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what, flush=True)
    return condition


def equal(actual, expected, what):
    return check(actual == expected, f"{what}: expected {expected!r}, got {actual!r}")


# ---- Paths and files.

def windows_path(unix_path):
    """The Wine path of a Linux path: drive_c of the prefix is C:, the rest Z:."""
    drive_c = os.path.join(PREFIX, "drive_c")
    full = os.path.abspath(unix_path)
    if full.startswith(drive_c + os.sep) or full == drive_c:
        return "C:" + full[len(drive_c):].replace("/", "\\") or "C:\\"
    return "Z:" + full.replace("/", "\\")


def unix_path(win_path):
    if win_path[:2].upper() == "C:":
        rest = win_path[2:].replace("\\", "/").lstrip("/")
        base = os.path.join(PREFIX, "drive_c")
        # Wine's file names are case-insensitive: find each component as it is stored.
        for part in [p for p in rest.split("/") if p]:
            match = part
            if os.path.isdir(base):
                for name in os.listdir(base):
                    if name.lower() == part.lower():
                        match = name
                        break
            base = os.path.join(base, match)
        return base
    return win_path[2:].replace("\\", "/")


SHELL_FOLDERS = "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders"  # as the .reg files write it


def read_registry_value(hive, key, name):
    """A value of the prefix's registry file (system.reg or user.reg); `key` as written there."""
    with open(os.path.join(PREFIX, hive), encoding="utf-8", errors="replace") as f:
        text = f.read()
    section = text.split("[" + key + "]", 1)[1]
    return re.search(r'^"' + re.escape(name) + r'"="(.*)"$', section, re.M).group(1).replace("\\\\", "\\")


def programs_folder(all_users=False):
    """The Start-menu Programs folder of the prefix's user (or of all users), as a Windows path."""
    if all_users:
        return read_registry_value("system.reg", SHELL_FOLDERS, "Common Programs")
    return read_registry_value("user.reg", SHELL_FOLDERS, "Programs")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def pack_payload(target, filler_members=0, version=b"", damaged=None):
    """The payload of dist/payload; `version` is appended to every member's
    content, and the member named `damaged` gets a wrong CRC."""
    source = os.path.join(SOURCE, "dist", "payload")
    rng = random.Random(8)
    with zipfile.ZipFile(target, "w") as z:
        for folder, dirs, files in os.walk(source):
            dirs.sort()
            for name in sorted(files):
                path = os.path.join(folder, name)
                member = os.path.relpath(path, source).replace(os.sep, "/")
                z.writestr(member, read(path) + version, zipfile.ZIP_DEFLATED)
        for i in range(filler_members):
            data = bytes(rng.getrandbits(8) for _ in range(4096)) * 64
            z.writestr(f"FILLER/PART{i:03d}.BIN", data, zipfile.ZIP_STORED)
    if damaged:
        damage_crc(target, damaged)


def damage_crc(target, member):
    """Gives `member` a wrong CRC-32 in its local and its central header."""
    data = bytearray(read(target))
    with zipfile.ZipFile(target) as z:
        data[z.getinfo(member).header_offset + 14] ^= 0xFF
    end = data.rindex(b"PK\x05\x06")
    at = struct.unpack("<I", data[end + 16:end + 20])[0]
    while data[at:at + 4] == b"PK\x01\x02":
        name_length, extra_length, comment_length = struct.unpack("<HHH", data[at + 28:at + 34])
        if data[at + 46:at + 46 + name_length] == member.encode():
            data[at + 16] ^= 0xFF
        at += 46 + name_length + extra_length + comment_length
    with open(target, "wb") as f:
        f.write(data)


def make_distribution(directory, language, filler_members=0, version=b"", damaged=None):
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    shutil.copy(os.environ["E2E_SETUP"], os.path.join(directory, "setup.exe"))
    pack_payload(os.path.join(directory, PAYLOADS[language]), filler_members, version, damaged)
    for doc in DOC_FILES:
        shutil.copy(os.path.join(SOURCE, "dist", "doc", doc), directory)
    for dll in DLLS:
        with open(os.path.join(directory, dll), "wb") as f:
            f.write(b"runtime library stand-in " + dll.encode() + b"\r\n")
    for icon in ICONS:
        shutil.copy(os.path.join(SOURCE, "dist", "icons", icon + ".ico"), directory)


# ---- The programs.

def wine_env(extra=None):
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    env["WINEDLLOVERRIDES"] = "winemenubuilder.exe,mscoree,mshtml=d"
    env.update(extra or {})
    return env


def escape(text):
    out = []
    for b in text.encode("cp1252"):
        out.append(chr(b) if 0x20 <= b < 0x7F and b != 0x5C else "\\x%02X" % b)
    return "".join(out)


def unescape(text):
    raw = re.sub(r"\\x([0-9A-F]{2})", lambda m: chr(int(m.group(1), 16)), text)
    return raw.encode("latin-1").decode("cp1252")


class Driver:
    """e2e_driver.exe, one command per line."""

    def __init__(self):
        self.proc = subprocess.Popen(["wine", os.environ["E2E_DRIVER"]], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=wine_env())
        self.pending = b""

    def __call__(self, *fields, timeout=60):
        line = "\t".join(escape(str(f)) for f in fields) + "\n"
        self.proc.stdin.write(line.encode("ascii"))
        self.proc.stdin.flush()
        deadline = time.monotonic() + timeout
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.proc.stdout], [], [], left)[0]:
                raise RuntimeError(f"driver does not answer {fields}")
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                raise RuntimeError(f"driver ended at {fields}")
            self.pending += chunk
        answer, self.pending = self.pending.split(b"\n", 1)
        answer = answer.decode("ascii").rstrip("\r")
        if not answer.startswith("ok"):
            raise RuntimeError(f"{fields}: {answer}")
        return [unescape(f) for f in answer[3:].split("\t")] if len(answer) > 2 else [""]

    def text(self, control):
        return self("get", control)[0]

    def box(self):
        caption, text = self("box", TIMEOUT)
        return caption, text

    def close(self):
        try:
            self("quit", timeout=5)
        except RuntimeError:
            pass
        self.proc.wait(timeout=30)


class Setup:
    """setup.exe (or another program of the prefix, such as the uninstaller) with its arguments."""

    def __init__(self, distribution, arguments=(), program=None):
        self.stderr_path = os.path.join(WORK, "setup.stderr")
        self.stderr = open(self.stderr_path, "wb")
        self.proc = subprocess.Popen(["wine", program or os.path.join(distribution, "setup.exe")] + list(arguments),
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=self.stderr, env=wine_env({"TEV_TRACE_DIALOG": "1"}))

    def finish(self, expected=0):
        try:
            code = self.proc.wait(timeout=120)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            code = None
        self.stderr.close()
        equal(code, expected, "exit code of setup.exe")
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("latin-1")


def run_setup(distribution, arguments, program=None):
    """An unattended run to its end; its exit code."""
    return Setup(distribution, arguments, program).proc.wait(timeout=300)


def box_screenshot(driver, name):
    screenshot(name, driver("boxrect")[0])


def screenshot(name, rect=None):
    """The whole screen, or the part given as "LEFT TOP RIGHT BOTTOM" (with a margin)."""
    if not os.environ.get("DISPLAY") or not shutil.which("import"):
        return
    os.makedirs(SCREENS, exist_ok=True)
    crop = []
    if rect:
        left, top, right, bottom = (int(v) for v in rect.split())
        left, top = max(left - 8, 0), max(top - 8, 0)
        crop = ["-crop", f"{right + 8 - left}x{bottom + 8 - top}+{left}+{top}", "+repage"]
    subprocess.run(["import", "-window", "root"] + crop + [os.path.join(SCREENS, name + ".png")],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


def set_profile(driver, home_path):
    driver("profile-clear", PROFILE)
    if home_path is not None:
        driver("profile-set", PROFILE, "HomePath", home_path)
        driver("profile-set", PROFILE, "WindowPos", "10 10 640 480")


def start(driver, distribution, language, arguments=()):
    setup = Setup(distribution, arguments)
    driver("find", CAPTIONS[language], TIMEOUT)
    return setup


def expect_box(driver, language, number, argument=None):
    caption, text = driver.box()
    expected = MESSAGES[number][language]
    if argument is not None:
        expected = expected.replace("%s", argument)
    equal((caption, text), (CAPTION_INFO, expected), f"message box {number}")


def install_without_docs(driver, language, setup):
    """Install pressed; the completion acknowledged, the DOC files declined, the setup ended."""
    driver("click", 1)
    expect_box(driver, language, 5)
    answer(driver, IDOK)
    expect_box(driver, language, 19)
    answer(driver, IDNO)
    driver("gone", TIMEOUT)
    setup.finish()


def answer(driver, button):
    driver("answer", button, TIMEOUT)


def focus(driver, expected):
    """The control with the focus, once it is `expected` or the time is up."""
    deadline = time.monotonic() + TIMEOUT / 1000
    while True:
        got = driver("focus")[0]
        if got == expected or time.monotonic() > deadline:
            return got
        time.sleep(0.02)


def fields(driver):
    return {c: driver.text(c) for c in (302, 307, 310, 311, 312, 318, 319)}


# ---- What an installation leaves behind.

def check_payload_installed(destination, dirs):
    """Every payload member where its keyword sends it, with its content."""
    source = os.path.join(SOURCE, "dist", "payload")
    keyword_dirs = {"LOG": dirs[310], "OPTIONS": dirs[311], "SCRIPT": dirs[312],
                    "UPLOAD": dirs[318], "DOWNLOAD": dirs[319]}
    for folder, _, files in os.walk(source):
        for name in files:
            rel = os.path.relpath(os.path.join(folder, name), source).split(os.sep)
            if len(rel) > 1 and rel[0] in keyword_dirs:
                target = "\\".join([keyword_dirs[rel[0]]] + rel[1:])
            else:
                target = "\\".join([destination] + rel[-1:])
            path = unix_path(target)
            if check(os.path.isfile(path), f"installed {target}"):
                if rel[-1] not in ("STANDARD.TPA",):
                    equal(read(path), read(os.path.join(folder, name)), f"content of {target}")


def check_copies(destination, distribution):
    for name in DOC_FILES + DLLS:
        path = unix_path(destination + "\\" + name)
        if check(os.path.isfile(path), f"copied {name}"):
            equal(read(path), read(os.path.join(distribution, name)), f"content of {name}")


def check_path_file(dirs, destination):
    path = unix_path(dirs[311] + "\\STANDARD.TPA")
    text = read(path).decode("cp1252")
    lines = dict(re.findall(r'^(\w+)="(.*)"', text, re.M))
    if text.startswith("***") and text[3:7] < "2.50":  # the older layout: one path per line
        rows = text.splitlines()
        lines = dict(zip(("DownloadPath", "UploadPath", "CapturePath", "ScriptPath", "OptsPath"),
                         (rows[i] if i < len(rows) else None for i in (1, 3, 5, 6, 7))))

    def relative(p):
        return p[len(destination):].lstrip("\\") if p.lower().startswith(destination.lower()) else p
    expected = {"DownloadPath": relative(dirs[319]), "UploadPath": relative(dirs[318]),
                "CapturePath": relative(dirs[310]), "ScriptPath": relative(dirs[312]),
                "OptsPath": relative(dirs[311])}
    equal({k: lines.get(k) for k in expected}, expected, "rewritten STANDARD.TPA")
    check(not os.path.exists(unix_path(dirs[311] + "\\STANDARD.TMP")), "no STANDARD.TMP left")


def link_folder(language):
    return programs_folder() + "\\" + FOLDERS[language]


def remove_links(language):
    shutil.rmtree(unix_path(link_folder(language)), ignore_errors=True)


def check_links(driver, language, destination, distribution):
    folder = link_folder(language)
    names = sorted(os.listdir(unix_path(folder))) if os.path.isdir(unix_path(folder)) else []
    expected_names = []
    for name, target, arguments, icon in SHORTCUTS:
        if name.startswith("!"):
            name = ORDER_PREFIX[language] + name[1:]
        expected_names.append(name + ".LNK")
        got = driver("link", folder + "\\" + name + ".LNK")
        if target:
            want_target, want_args = destination + "\\" + target, arguments
        else:
            # The viewer as Wine's search path finds it.
            want_target, want_args = got[0], arguments
            check(got[0].lower().endswith("\\notepad.exe"), f"{name}: target {got[0]} is the viewer")
        icon_path = destination + "\\" + icon if icon else ""  # copied with the DOC files
        equal(got[:5], [want_target, want_args, destination, name, icon_path], f"link {name}")
        if icon:
            equal(got[5], "0", f"link {name}: icon index")
    equal(names, sorted(expected_names), "the twelve .LNK files")


def tree(root):
    """Every file below a Windows folder with its content, and every folder."""
    base = unix_path(root)
    entries = {}
    for folder, dirs, files in os.walk(base):
        for name in dirs:
            entries[os.path.relpath(os.path.join(folder, name), base)] = "<folder>"
        for name in files:
            entries[os.path.relpath(os.path.join(folder, name), base)] = read(os.path.join(folder, name))
    return entries


def state(driver, language, destination):
    """What an installation may change: its folder, its Start-menu folder, its registry entry."""
    return tree(destination), tree(link_folder(language)), driver("reg", "HKCU", UNINSTALL_KEY)


def same_state(before, after, what):
    """Checks that nothing of `state` changed; names what did."""
    for part, b, a in zip(("folder", "Start-menu folder", "registry entry"), before, after):
        if isinstance(b, dict):
            changed = sorted(k for k in set(b) | set(a) if b.get(k) != a.get(k))
            check(not changed, f"{what}: the {part} changed: {changed}")
        else:
            equal(a, b, f"{what}: the {part}")


def add_remove_programs():
    """The list that Add/Remove Programs shows."""
    listing = subprocess.run(["wine", "uninstaller", "--list"], stdin=subprocess.DEVNULL, capture_output=True,
                             env=wine_env(), timeout=120)
    return listing.stdout.decode("utf-8", "replace")


def registry(driver, root="HKCU"):
    return dict(v.split("=", 1) for v in driver("reg", root, UNINSTALL_KEY) if v)


def split_command(command):
    """A command such as "C:\\TEV\\UNINSTAL.EXE" /UNINSTALL /S as program and arguments."""
    program, rest = re.match(r'^"([^"]*)"\s*(.*)$', command).groups()
    return program, rest.split()


def wait_gone(windows_path_, seconds=60):
    deadline = time.monotonic() + seconds
    while os.path.exists(unix_path(windows_path_)) and time.monotonic() < deadline:
        time.sleep(0.2)
    return not os.path.exists(unix_path(windows_path_))


def trace_codes(stderr):
    return re.findall(r"^dialog (0x[0-9A-F]+) (0x[0-9A-F]+)", stderr, re.M)


# ---- Scenarios.

def clean_base(lang):
    """The scenario's own folder on drive C:, emptied."""
    base = os.path.join(PREFIX, "drive_c", "E2E", lang)
    shutil.rmtree(base, ignore_errors=True)
    return base


def fresh(language, lang):
    """The scenario's folder emptied, its distribution made afresh, no links of
    its language, a driver; the destination is TEV in the scenario's folder."""
    base = clean_base(lang)
    distribution = scenario_distribution(language, lang)
    remove_links(language)
    return base, distribution, windows_path(base) + "\\TEV", Driver()


def scenario_distribution(language, lang, **options):
    """The distribution of this language, made afresh."""
    distribution = os.path.join(WORK, "dist_" + lang)
    make_distribution(distribution, language, **options)
    return distribution


def scenario_install(language, lang):
    """A first installation, then a reinstallation over it."""
    base = clean_base(lang)
    distribution = scenario_distribution(language, lang)
    destination = windows_path(base) + "\\TEV"
    upload = windows_path(base) + "\\UP"
    remove_links(language)
    driver = Driver()
    try:
        set_profile(driver, None)
        # First installation, with a log.
        os.makedirs(base, exist_ok=True)
        log = os.path.join(base, "setup.log")
        setup = start(driver, distribution, language, ["/LOG=" + windows_path(log)])
        equal(focus(driver, "307"), "307", "focus after start-up (first installation)")
        equal((driver.text(302), driver.text(307)), ("", ""), "path edits at start")
        for box in (303, 304, 305):
            equal(driver("state", box)[0].split()[1], "0", f"copy box {box} disabled")
        driver("set", 307, destination)
        driver("set", 318, upload)
        dirs = fields(driver)
        equal([dirs[c] for c in (310, 311, 312, 319)],
              [destination + "\\" + d for d in ("LOG", "OPTIONS", "SCRIPT", "DOWNLOAD")],
              "directories derived from the destination")
        screenshot(f"dialog_{lang}", driver("rect")[0])
        driver("click", 1)
        expect_box(driver, language, 5)
        answer(driver, IDOK)
        expect_box(driver, language, 19)
        screenshot(f"question_{lang}", driver("rect")[0])
        answer(driver, IDYES)
        titles = []
        deadline = time.monotonic() + TIMEOUT / 1000
        while time.monotonic() < deadline and len(titles) < len(DOC_FILES):
            titles = [t for t in driver("windows", "ShowTextWindow") if t]
            time.sleep(0.05)
        equal(sorted(titles), sorted(DOC_FILES), "one text window per DOC file")
        equal(driver("active")[0], "README.DOC", "the last text window is the active one")
        screenshot(f"text_windows_{lang}")
        for title in titles:
            driver("close-window", title)
        driver("gone", TIMEOUT)
        stderr = setup.finish()
        text = read(log).decode("utf-8")
        check(f"question: {MESSAGES[19][language]} -> yes\n" in text, "the log has the dialog's question")
        check(f"installed {destination}\\TEV.EXE\n" in text, "the log has the files")
        check(text.rstrip().endswith("with exit code 0"), "the log ends with the exit code")
        # The end of the worker reached the dialog once, handled (not also taken as DM_REPOSITION).
        equal([c for c in trace_codes(stderr) if c[0] == "0x402"], [("0x402", "0x0")], "one WM_SETUP_DONE")
        check_payload_installed(destination, dirs)
        check_copies(destination, distribution)
        check_path_file(dirs, destination)
        check_links(driver, language, destination, distribution)

        # Reinstallation over it: the user's phone book and options are asked for.
        phone_book = unix_path(destination + "\\PHONEBK")
        with open(phone_book, "wb") as f:
            f.write(b"the user's own phone book\r\n")
        options = unix_path(dirs[311] + "\\STANDARD.TEV")
        old_options = read(options)
        setup = start(driver, distribution, language)
        driver("set", 307, destination)
        driver("set", 318, upload)
        driver("click", 1)
        # The phone book comes first in the payload, the option files after it.
        expect_box(driver, language, 16, destination + "\\PHONEBK")
        answer(driver, IDYES)
        expect_box(driver, language, 17)
        screenshot(f"question_options_{lang}", driver("rect")[0])
        answer(driver, IDYES)
        expect_box(driver, language, 5)
        answer(driver, IDOK)
        expect_box(driver, language, 18)
        answer(driver, IDOK)
        expect_box(driver, language, 19)
        answer(driver, IDNO)
        driver("gone", TIMEOUT)
        setup.finish()
        equal(read(unix_path(destination + "\\PHONEB0")), b"the user's own phone book\r\n",
              "backup of the phone book")
        equal(read(phone_book), read(os.path.join(SOURCE, "dist", "payload", "PHONEBK")),
              "phone book from the payload")
        equal(read(unix_path(dirs[311] + "\\STANDARD.0EV")), old_options, "backup of STANDARD.TEV")
        check_payload_installed(destination, dirs)
        check_path_file(dirs, destination)
    finally:
        driver.close()


def scenario_earlier(language, lang):
    """An earlier installation elsewhere: its settings are carried over."""
    base = clean_base(lang)
    old = os.path.join(base, "OLD")
    shutil.copytree(os.path.join(SOURCE, "dist", "earlier"), old)
    old_win = windows_path(old)
    # The earlier settings name their own directories.
    path_file = os.path.join(old, "OPTIONS", "TEVPATH.DAT")
    with open(path_file, "rb") as f:
        content = f.read()
    with open(path_file, "wb") as f:
        f.write(content.replace(b"C:\\OLD", old_win.encode("cp1252")))
    distribution = scenario_distribution(language, lang)
    destination = windows_path(base) + "\\TEV"
    remove_links(language)
    driver = Driver()
    try:
        set_profile(driver, old_win)
        setup = start(driver, distribution, language)
        equal(driver("state", 300)[0].split()[0], "1", "already installed is checked")
        equal((driver.text(302), driver.text(307)), (old_win.lower(), old_win.lower()),
              "existing path in lower case, destination following it")
        equal(focus(driver, "307"), "307", "focus after start-up (earlier installation)")
        driver("set", 307, destination)
        for box in (303, 304, 305):
            equal(driver("state", box)[0].split()[:2], ["1", "1"], f"copy box {box} checked and enabled")
        dirs = fields(driver)
        screenshot(f"dialog_earlier_{lang}", driver("rect")[0])
        install_without_docs(driver, language, setup)
        equal(read(unix_path(destination + "\\PHONEBK")), read(os.path.join(old, "PHONEBK")),
              "phone book carried over")
        equal(read(unix_path(dirs[312] + "\\MYOWN.TRX")), read(os.path.join(old, "SCRIPT", "MYOWN.TRX")),
              "script carried over")
        equal(read(unix_path(dirs[311] + "\\STANDARD.FEE")), read(os.path.join(old, "OPTIONS", "TEVPHONE.FEE")),
              "fee table carried over under its new name")
        check_path_file(dirs, destination)
        check_links(driver, language, destination, distribution)
    finally:
        driver.close()


def worked_with(driver, language, distribution, destination):
    """An earlier installation, unattended, that the user has worked with: a
    phone book of the user's own and a file of the user's. Returns its state."""
    equal(run_setup(distribution, ["/S", "/DIR=" + destination]), 0, "exit code of the earlier installation")
    with open(unix_path(destination + "\\PHONEBK"), "wb") as f:
        f.write(b"the user's own phone book\r\n")
    with open(unix_path(destination + "\\MINE.TXT"), "wb") as f:
        f.write(b"the user's own file\r\n")
    return state(driver, language, destination)


def scenario_cancel(language, lang):
    """Cancel part way through an installation over an earlier one the user has
    worked with: everything is put back as it was."""
    base = clean_base(lang)
    small = scenario_distribution(language, lang)
    distribution = os.path.join(WORK, "dist_large_" + lang)
    make_distribution(distribution, language, filler_members=120, version=b" (newer)")
    destination = windows_path(base) + "\\TEV"
    remove_links(language)
    driver = Driver()
    try:
        set_profile(driver, None)
        before = worked_with(driver, language, small, destination)
        setup = start(driver, distribution, language)
        driver("set", 307, destination)
        driver("click", 1)
        expect_box(driver, language, 16, destination + "\\PHONEBK")
        answer(driver, IDYES)  # a backup of the phone book, which the rollback must take back
        expect_box(driver, language, 17)
        answer(driver, IDYES)
        seen = int(driver("cancel-at", 10, TIMEOUT)[0])
        caption, text = driver.box()
        equal((caption, text), (CAPTION_INFO, MESSAGES[1][language] + "\r\r" + MESSAGES[25][language]),
              "message after the rollback")
        percent = int(driver("percent")[0])
        check(10 <= seen <= percent < 100, f"cancelled part way (seen {seen}, stopped at {percent})")
        screenshot(f"progress_{lang}", driver("rect")[0])
        box_screenshot(driver, f"rollback_{lang}")
        answer(driver, IDOK)
        driver("gone", TIMEOUT)
        stderr = setup.finish(1)
        parts = [l for l in stderr.splitlines() if l.startswith("get_zip_name(FILLER/")]
        check(0 < len(parts) < 120, f"extraction stopped part way ({len(parts)} of 120 members)")
        same_state(before, state(driver, language, destination), "after the rollback")
        check("0x29" not in [c for c, _ in trace_codes(stderr)], "no close message")
    finally:
        driver.close()


def scenario_validation(language, lang):
    """Empty fields, typing a short path, and closing the dialog."""
    base = clean_base(lang)
    distribution = scenario_distribution(language, lang)
    destination = windows_path(base) + "\\TEV"
    driver = Driver()
    try:
        set_profile(driver, None)
        setup = start(driver, distribution, language)
        # Typing a path: the handler rewrites it at the third key; the next key goes at the end.
        driver("type", 307, "\\TEV")
        equal(driver.text(307), windows_path(distribution)[:3] + "TEV", "typed short path made absolute")
        driver("set", 307, destination)
        driver("set", 319, "")
        driver("type", 319, "x" * 270)
        equal(len(driver.text(319)), 259, "an edit takes at most 259 typed characters")
        driver("set", 318, "")
        driver("set", 319, "")
        driver("click", 1)
        expect_box(driver, language, 10)
        answer(driver, IDOK)
        equal(focus(driver, "318"), "318", "focus on the first empty field")
        check(not os.path.exists(unix_path(destination)), "nothing installed")
        driver("close")
        driver("gone", TIMEOUT)
        stderr = setup.finish(1)  # closed without installing: cancelled
        codes = trace_codes(stderr)
        equal([c for c in codes if c[0] == "0x29"], [("0x29", "0x0")], "one close message")
        check(("0x20", "0x2") not in codes, "close did not also arrive as Cancel")
    finally:
        driver.close()


def scenario_silent(language, lang):
    """Unattended installations with a log: into a new folder (the tree is the
    one the dialog installs), and over an earlier installation (its settings are
    carried over). The links keep their icons when the distribution is gone."""
    base, distribution, _, driver = fresh(language, lang)
    try:
        set_profile(driver, None)
        interactive = windows_path(base) + "\\DIALOG"
        setup = start(driver, distribution, language)
        driver("set", 307, interactive)
        install_without_docs(driver, language, setup)

        destination = windows_path(base) + "\\TEV"
        log = os.path.join(base, "setup.log")
        equal(run_setup(distribution, ["/S", "/DIR=" + destination, "/LOG=" + windows_path(log)]), 0,
              "exit code of setup.exe /S")
        dialog_tree, silent_tree = tree(interactive), tree(destination)
        for t in (dialog_tree, silent_tree):
            t.pop("UNINSTAL.DAT", None)  # names its own folder
        equal(sorted(silent_tree), sorted(dialog_tree), "the files of the unattended installation")
        same_state((dialog_tree,), (silent_tree,), "the unattended installation against the dialog's")
        text = read(log).decode("utf-8")
        for name, content in tree(destination).items():
            path = " " + destination + "\\" + name.replace("/", "\\")
            if content != "<folder>":
                check(path + "\n" in text or path + " (" in text, f"the log names {name}")
        check(text.rstrip().endswith("with exit code 0"), "the log ends with the exit code")
        values = registry(driver)
        equal({k: values.get(k) for k in ("DisplayName", "DisplayVersion", "Publisher", "InstallLocation",
                                          "UninstallString", "QuietUninstallString", "NoModify", "NoRepair")},
              {"DisplayName": "REG_SZ:TEV for Windows", "DisplayVersion": "REG_SZ:3.061",
               "Publisher": "REG_SZ:Tevanet", "InstallLocation": "REG_SZ:" + destination,
               "UninstallString": f'REG_SZ:"{destination}\\UNINSTAL.EXE" /UNINSTALL',
               "QuietUninstallString": f'REG_SZ:"{destination}\\UNINSTAL.EXE" /UNINSTALL /S',
               "NoModify": "REG_DWORD:1", "NoRepair": "REG_DWORD:1"}, "the uninstall entry")
        check_links(driver, language, destination, distribution)
        shutil.rmtree(distribution)
        for name in os.listdir(unix_path(link_folder(language))):
            icon, index = driver("link", link_folder(language) + "\\" + name)[4:6]
            if icon:
                equal(driver("icon", icon, index)[0], "1", f"icon of {name} without the distribution")

        # Over an earlier installation recorded in the profile.
        old = os.path.join(base, "OLD")
        shutil.copytree(os.path.join(SOURCE, "dist", "earlier"), old)
        path_file = os.path.join(old, "OPTIONS", "TEVPATH.DAT")
        with open(path_file, "wb") as f:
            f.write(read(os.path.join(SOURCE, "dist", "earlier", "OPTIONS", "TEVPATH.DAT"))
                    .replace(b"C:\\OLD", windows_path(old).encode("cp1252")))
        set_profile(driver, windows_path(old))
        distribution = scenario_distribution(language, lang)
        carried = windows_path(base) + "\\NEW"
        equal(run_setup(distribution, ["/S", "/DIR=" + carried]), 0, "exit code over an earlier installation")
        equal(read(unix_path(carried + "\\PHONEBK")), read(os.path.join(old, "PHONEBK")), "phone book carried over")
        equal(read(unix_path(carried + "\\SCRIPT\\MYOWN.TRX")), read(os.path.join(old, "SCRIPT", "MYOWN.TRX")),
              "script carried over")
        equal(read(unix_path(carried + "\\OPTIONS\\STANDARD.FEE")),
              read(os.path.join(old, "OPTIONS", "TEVPHONE.FEE")), "fee table carried over under its new name")
    finally:
        driver.close()


def scenario_rollback(language, lang):
    """An unattended installation over an earlier one the user has worked with
    fails at a damaged member: exit code 2, and everything is as it was."""
    base, distribution, destination, driver = fresh(language, lang)
    try:
        set_profile(driver, None)
        before = worked_with(driver, language, distribution, destination)
        os.chmod(unix_path(destination + "\\TEV.EXE"), 0o444)  # read-only: its copy must go all the same
        damaged = os.path.join(WORK, "dist_damaged_" + lang)
        make_distribution(damaged, language, version=b" (newer)", damaged="LOG/README.TXT")
        log = os.path.join(base, "setup.log")
        equal(run_setup(damaged, ["/S", "/DIR=" + destination, "/LOG=" + windows_path(log)]), 2,
              "exit code of the failed installation")
        same_state(before, state(driver, language, destination), "after the rollback")
        text = read(log).decode("utf-8")
        check(f"restored {destination}\\TEV.EXE\n" in text, "the log tells the rollback")
    finally:
        driver.close()


def scenario_uninstall(language, lang):
    """TEV in Add/Remove Programs, removed by its quiet command (the user's files
    stay) and by its own command with its question (nothing stays)."""
    base, distribution, destination, driver = fresh(language, lang)
    try:
        set_profile(driver, None)
        equal(run_setup(distribution, ["/S", "/DIR=" + destination]), 0, "exit code of setup.exe /S")
        check("|||TEV for Windows" in add_remove_programs(), "TEV in Add/Remove Programs")
        with open(unix_path(destination + "\\PHONEBK"), "ab") as f:
            f.write(b"a number the user added\r\n")
        with open(unix_path(destination + "\\MINE.TXT"), "wb") as f:
            f.write(b"the user's own file\r\n")
        program, arguments = split_command(registry(driver)["QuietUninstallString"][len("REG_SZ:"):])
        equal(run_setup(None, arguments, program), 0, "exit code of the quiet uninstallation")
        check(wait_gone(destination + "\\UNINSTAL.EXE"), "the uninstaller removed itself")
        equal(sorted(tree(destination)), ["MINE.TXT", "PHONEBK"], "what the uninstallation left")
        check(not os.path.exists(unix_path(link_folder(language))), "no Start-menu folder")
        equal(driver("reg", "HKCU", UNINSTALL_KEY), [""], "no uninstall entry")
        check("TEV for Windows" not in add_remove_programs(), "TEV gone from Add/Remove Programs")

        # Installed again, and removed with the question.
        shutil.rmtree(unix_path(destination))
        equal(run_setup(distribution, ["/S", "/DIR=" + destination]), 0, "exit code of setup.exe /S")
        installed = state(driver, language, destination)
        program, arguments = split_command(registry(driver)["UninstallString"][len("REG_SZ:"):])
        for reply, code in ((IDNO, 1), (IDYES, 0)):
            uninstaller = Setup(None, arguments, program)
            equal(driver("lonebox", TIMEOUT), [CAPTION_INFO, MESSAGES[30][language]], "the uninstaller's question")
            box_screenshot(driver, f"uninstall_question_{lang}")
            answer(driver, reply)
            if reply == IDYES:
                equal(driver("lonebox", TIMEOUT), [CAPTION_INFO, MESSAGES[31][language]], "the uninstaller's message")
                box_screenshot(driver, f"uninstall_done_{lang}")
                answer(driver, IDOK)
            uninstaller.finish(code)
            if reply == IDNO:
                same_state(installed, state(driver, language, destination), "after No")
        check(wait_gone(destination), "the folder and the uninstaller removed")
        check(not os.path.exists(unix_path(link_folder(language))), "no Start-menu folder")
    finally:
        driver.close()


def scenario_cmdline(language, lang):
    """Bad command lines change nothing; /? shows the usage; /ALLUSERS installs
    for every user (under Wine the user has the rights)."""
    base, distribution, destination, driver = fresh(language, lang)
    try:
        set_profile(driver, None)
        before = tree(windows_path(base)), driver("reg", "HKCU", UNINSTALL_KEY), driver("reg", "HKLM", UNINSTALL_KEY)
        setup = Setup(distribution, ["/DIR=" + destination, "/TYPO"])
        caption, text = driver("lonebox", TIMEOUT)
        equal(caption, CAPTION_ERROR[language], "caption of the usage after a bad option")
        check(text.startswith('"/TYPO"\r\r' + USAGE_START[language]), f"the usage after a bad option: {text!r}")
        box_screenshot(driver, f"usage_{lang}")
        answer(driver, IDOK)
        setup.finish(4)
        equal(run_setup(distribution, ["/S", "/DIR=" + destination, "/NOPE"]), 4, "exit code of /S with a bad option")
        equal(run_setup(distribution, ["/S", "/DIR="]), 4, "exit code of /S with an empty /DIR=")
        after = tree(windows_path(base)), driver("reg", "HKCU", UNINSTALL_KEY), driver("reg", "HKLM", UNINSTALL_KEY)
        equal(after, before, "nothing written by a bad command line")
        setup = Setup(distribution, ["/?"])
        caption, text = driver("lonebox", TIMEOUT)
        check(caption == CAPTION_INFO and text.startswith(USAGE_START[language]), f"the usage: {text!r}")
        answer(driver, IDOK)
        setup.finish(0)

        equal(run_setup(distribution, ["/S", "/ALLUSERS", "/DIR=" + destination]), 0, "exit code with /ALLUSERS")
        common = programs_folder(all_users=True) + "\\" + FOLDERS[language]
        check(os.path.isfile(unix_path(common + "\\TEV.LNK")), f"links in the common Start menu {common}")
        check(not os.path.exists(unix_path(link_folder(language))), "no links in the user's Start menu")
        equal(registry(driver, "HKLM").get("DisplayName"), "REG_SZ:TEV for Windows", "the entry for the machine")
        equal(driver("reg", "HKCU", UNINSTALL_KEY), [""], "no entry for the user")
        program, arguments = split_command(registry(driver, "HKLM")["QuietUninstallString"][len("REG_SZ:"):])
        equal(run_setup(None, arguments, program), 0, "exit code of the quiet uninstallation")
        check(wait_gone(destination), "all removed")
        check(not os.path.exists(unix_path(common)), "no common Start-menu folder")
        equal(driver("reg", "HKLM", UNINSTALL_KEY), [""], "no entry for the machine")
    finally:
        driver.close()



def scenario_demo(language, lang):
    """The demo's walk-through: an installation into C:\\TEV that carries the
    settings of an earlier installation in C:\\OLD over, with screenshots and a
    report of what it made. Uses the distribution in E2E_DIST as it is."""
    distribution = os.environ["E2E_DIST"]
    drive_c = os.path.join(PREFIX, "drive_c")
    for name in ("TEV", "OLD"):
        shutil.rmtree(os.path.join(drive_c, name), ignore_errors=True)
    shutil.copytree(os.path.join(SOURCE, "dist", "earlier"), os.path.join(drive_c, "OLD"))
    remove_links(language)
    driver = Driver()
    try:
        set_profile(driver, "C:\\OLD")
        print("Starting setup.exe under Wine (an earlier installation is recorded in C:\\OLD)")
        setup = start(driver, distribution, language)
        shot = lambda name: screenshot(name, driver("rect")[0])
        print(f"  dialog: {CAPTIONS[language]}, existing path {driver.text(302)}")
        shot("1_dialog")
        driver("set", 307, "C:\\TEV")
        print("  typed C:\\TEV as destination; the directories follow:")
        for control, label in ((311, "options"), (310, "logs"), (312, "scripts"), (318, "uploads"),
                               (319, "downloads")):
            print(f"    {label:10} {driver.text(control)}")
        shot("2_destination")
        print("  Install pressed")
        driver("click", 1)
        caption, text = driver.box()
        print(f"  [{caption}] {text}")
        answer(driver, IDOK)
        caption, text = driver.box()
        print(f"  [{caption}] {text} -> Yes")
        shot("3_question")
        answer(driver, IDYES)
        titles = []
        deadline = time.monotonic() + TIMEOUT / 1000
        while time.monotonic() < deadline and len(titles) < len(DOC_FILES):
            titles = [t for t in driver("windows", "ShowTextWindow") if t]
            time.sleep(0.05)
        print(f"  text windows: {', '.join(titles)}")
        screenshot("4_text_windows")
        for title in titles:
            driver("close-window", title)
        driver("gone", TIMEOUT)
        setup.finish()
        print(f"setup.exe ended with exit code {setup.proc.returncode}")
        print()
        print("The installed tree (C:\\TEV):")
        root = os.path.join(drive_c, "TEV")
        for folder, dirs, files in sorted(os.walk(root)):
            dirs.sort()
            for name in sorted(files):
                print("  " + os.path.relpath(os.path.join(folder, name), root))
        print()
        print("Carried over from C:\\OLD (old names mapped to new ones):")
        for name in ("PHONEBK", "OPTIONS\\STANDARD.FEE", "OPTIONS\\STANDARD.TKY", "SCRIPT\\MYOWN.TRX"):
            text = read(unix_path("C:\\TEV\\" + name)).decode("cp1252").strip()
            print(f"  {name:22} {text}")
        print()
        print("C:\\TEV\\OPTIONS\\STANDARD.TPA, rewritten for the new directories:")
        for line in read(unix_path("C:\\TEV\\OPTIONS\\STANDARD.TPA")).decode("cp1252").splitlines():
            print("  " + line)
        print()
        folder = link_folder(language)
        print(f"The Start-menu folder {folder}:")
        for name in sorted(os.listdir(unix_path(folder))):
            target, args, workdir, description, icon, index = driver("link", folder + "\\" + name)
            icon_text = f", icon {icon.rsplit(chr(92), 1)[-1]}" if icon else ""
            print(f"  {name:32} -> {target} {args}".rstrip() + f" (in {workdir}{icon_text})")
    finally:
        driver.close()
    if failures:
        print("The walk-through did not go as expected.")


SCENARIOS = {"demo": scenario_demo, "install": scenario_install, "earlier": scenario_earlier, "cancel": scenario_cancel,
             "validation": scenario_validation, "silent": scenario_silent, "rollback": scenario_rollback,
             "uninstall": scenario_uninstall, "cmdline": scenario_cmdline}


def main():
    scenario, lang = sys.argv[1], sys.argv[2]
    os.makedirs(WORK, exist_ok=True)
    started = time.monotonic()
    SCENARIOS[scenario](LANGUAGES[lang], lang)
    print(f"{scenario} {lang}: {len(failures)} failure(s) in {time.monotonic() - started:.1f} s")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
