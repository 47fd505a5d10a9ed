"""Times our programs against other archivers on the benchmark corpora.

Each case runs its tools in turn, round after round (ours, peer, peer, ours,
...), so that a change in the machine's load falls on all of them alike. Every
run is a child process whose user and system CPU time and peak memory come
from the kernel (wait4); wall time is measured around it. The table shows
medians and our time divided by each peer's, by the measure named in the
ratio column (cpu = user + system; user; wall).

The peers are timing baselines only: their output is thrown away unread.

    python3 bench/run.py [--scale small|full] [--rounds N] [--ours DIR]
                         [--before DIR] [--only REGEX] [--check]
"""
import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import corpus  # noqa: E402

# The CPU times come from wait4 on the child (they include its own children);
# the peak memory comes from /usr/bin/time, which starts the command from its own
# small process: a child forked from this interpreter would report the
# interpreter's size as its peak whenever its own is smaller.
TIME = "/usr/bin/time"
RSS_FILE = os.path.join(ROOT, "build/bench/peak-rss.txt")
ERR_FILE = os.path.join(ROOT, "build/bench/stderr.txt")

PY_READ_ALL = ("import sys, zipfile\n"
               "with zipfile.ZipFile(sys.argv[1]) as z:\n"
               "    for info in z.infolist():\n"
               "        with z.open(info) as f:\n"
               "            while f.read(1 << 20): pass\n")


class Tool:
    """One command of a case: `argv`, how its ratio is taken, and what to do before each run."""

    def __init__(self, label, argv, metric="cpu", clean=None, stdin=None, needs=None):
        self.label, self.argv, self.metric = label, argv, metric
        self.clean, self.stdin = clean, stdin
        self.needs = needs or argv[0]
        self.samples = []      # (user, sys, wall, peak KiB)
        self.failure = None    # why the tool has no numbers

    def available(self):
        return shutil.which(self.needs) is not None or os.access(self.needs, os.X_OK)

    def run_once(self, env):
        if self.clean:
            # The earlier run's files are removed and the disk settled first, so
            # that no run pays for the writing back or freeing of another's.
            shutil.rmtree(self.clean, ignore_errors=True)
            os.makedirs(self.clean)
            os.sync()
        stdin = open(self.stdin, "rb") if self.stdin else subprocess.DEVNULL
        start = time.perf_counter()
        # Standard error goes to a file, not a pipe: Wine's helper processes keep
        # the descriptors they inherit open after the program has ended.
        with open(ERR_FILE, "w+b") as err:
            child = subprocess.Popen([TIME, "-f", "%M", "-o", RSS_FILE] + self.argv, stdin=stdin,
                                     stdout=subprocess.DEVNULL, stderr=err, env=env)
            _, status, usage = os.wait4(child.pid, 0)
            wall = time.perf_counter() - start
            child.returncode = os.waitstatus_to_exitcode(status)
            err.seek(0)
            first = err.read().decode(errors="replace").strip().splitlines()[:1]
        if self.stdin:
            stdin.close()
        if child.returncode != 0:
            self.failure = f"exit {child.returncode}" + (f": {first[0][:60]}" if first else "")
            return
        with open(RSS_FILE) as f:
            peak = int(f.read().split()[-1])
        self.samples.append((usage.ru_utime, usage.ru_stime, wall, peak))

    def median(self, what):
        index = {"user": 0, "sys": 1, "wall": 2, "rss": 3}
        if what == "cpu":
            return statistics.median(u + s for u, s, _, _ in self.samples)
        return statistics.median(sample[index[what]] for sample in self.samples)


class Case:
    def __init__(self, name, tools, files=None, note=""):
        self.name, self.tools, self.files, self.note = name, tools, files, note

    def measured(self):
        return [t for t in self.tools if t.samples and not t.failure]


def member_count(path):
    import zipfile
    with zipfile.ZipFile(path) as z:
        return sum(1 for i in z.infolist() if not i.is_dir())


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def make_cases(a, p, work):
    ours = os.path.join(a.ours, "unzip")
    setup = os.path.join(a.ours, "setup_headless")
    before = os.path.join(a.before, "unzip") if a.before else None
    before_setup = os.path.join(a.before, "setup_headless") if a.before else None
    out = os.path.join(work, "out")

    def with_before(label, argv_of, metric="cpu", **kw):
        """Ours, and the same command with the earlier build when one is given."""
        tools = [Tool("ours " + label, argv_of(ours), metric, **kw)]
        if before:
            tools.append(Tool("before " + label, argv_of(before), metric, **kw))
        return tools

    py = sys.executable
    cases = []
    for name in ("mixed", "large", "tiny", "stored"):
        z = p[name]
        cases.append(Case(f"test {name}", with_before("unzip -t", lambda u: [u, "-t", z]) + [
            Tool("7zz t -mmt1", ["7zz", "t", "-mmt1", z]),
            Tool("bsdtar -xOf", ["bsdtar", "-xOf", z]),
            Tool("python zipfile", [py, "-c", PY_READ_ALL, z]),
        ]))
    for name in ("mixed", "large", "tiny", "stored"):
        z = p[name]
        peers = [Tool("bsdtar -xOf", ["bsdtar", "-xOf", z])]
        if name == "large":
            peers.append(Tool("libdeflate-gunzip -c", ["libdeflate-gunzip", "-c", p["large_gz"]],
                              "user"))
        if name == "stored":
            peers.append(Tool("cat", ["cat", z]))
        cases.append(Case(f"pipe {name}", with_before("unzip -p", lambda u: [u, "-p", z]) + peers))
    for name in ("mixed", "tiny"):
        z = p[name]
        cases.append(Case(f"extract {name}", with_before(
            "unzip -o -q -d", lambda u: [u, "-o", "-q", z, "-d", out], clean=out) + [
            Tool("7zz x -mmt1", ["7zz", "x", "-mmt1", "-o" + out, "-y", z], clean=out),
            Tool("bsdtar -xf", ["bsdtar", "-xf", z, "-C", out], clean=out),
        ]))
    for name in ("shrink", "reduce", "implode"):
        z = p[name]
        cases.append(Case(f"legacy {name}", with_before("unzip -t", lambda u: [u, "-t", z]) + [
            Tool("7zz t -mmt1", ["7zz", "t", "-mmt1", z])]))

    # The methods other archivers write, on the mixed files packed by 7zz; for
    # deflate64 also our deflate of the same files (the same output bytes).
    for name in corpus.OTHER_METHODS:
        z = p[name]
        tools = with_before("unzip -t", lambda u: [u, "-t", z]) + [
            Tool("7zz t -mmt1", ["7zz", "t", "-mmt1", z])]
        if name == "deflate64":
            tools.append(Tool("ours unzip -t (deflate)", [ours, "-t", p["deflate"]]))
        cases.append(Case(f"method {name}", tools))
    # AES-256 members (the same files, deflated by 7zz and encrypted), and our
    # test of the unencrypted ones: the difference is the decryption's cost.
    z = p["aes256"]
    password = corpus.AES_PASSWORD
    cases.append(Case("aes aes256", with_before("unzip -t -P", lambda u: [u, "-t", "-P", password, z]) + [
        Tool("7zz t -mmt1", ["7zz", "t", "-mmt1", "-p" + password, z]),
        Tool("ours unzip -t (deflate)", [ours, "-t", p["deflate"]])]))

    # The Windows build under Wine against the native one, by wall time per file
    # (Wine's work is shared with its server process, out of the child's CPU time).
    wine_tools = [Tool("wine unzip.exe -o -q -d", ["wine", a.wine_exe, "-o", "-q",
                                                   wine_path(p["tiny"]), "-d", wine_path(out)],
                       "wall", clean=out, needs="wine")]
    if a.before_wine_exe:
        wine_tools.append(Tool("wine before unzip.exe", ["wine", a.before_wine_exe, "-o", "-q",
                                                         wine_path(p["tiny"]), "-d", wine_path(out)],
                               "wall", clean=out, needs="wine"))
    wine_tools.append(Tool("native unzip -o -q -d", [ours, "-o", "-q", p["tiny"], "-d", out],
                           "wall", clean=out))
    wine_case = Case("wine extract tiny", wine_tools, files=member_count(p["tiny"]))
    if not shutil.which("wine"):
        wine_case.note = "skipped: wine is not installed"
    elif not os.path.exists(a.wine_exe):
        wine_case.note = f"skipped: {a.wine_exe} is missing"
    cases.append(wine_case)

    dist = p["dist"]
    c_drive = os.path.join(work, "c")
    setup_tools = [Tool("setup_headless --yes", [setup, dist, c_drive, "--yes"], clean=c_drive)]
    if before_setup:
        setup_tools.append(Tool("before setup_headless", [before_setup, dist, c_drive, "--yes"],
                                clean=c_drive))
    setup_tools.append(Tool("unzip -o -q -d", [ours, "-o", "-q", os.path.join(dist, "INSTALL.FIL"),
                                               "-d", out], clean=out))
    cases.append(Case("setup payload", setup_tools,
                      files=member_count(os.path.join(dist, "INSTALL.FIL"))))
    return cases


def ratio(subject, tool):
    if subject is tool or not subject.samples or not tool.samples:
        return ""
    theirs = tool.median(tool.metric)
    return f"{subject.median(tool.metric) / theirs:6.2f} {tool.metric}" if theirs > 0 else ""


def print_case(case, before, out=sys.stdout):
    if case.note:
        print(f"{case.name:18} {case.note}", file=out)
        return
    subject = case.tools[0]
    # With an earlier build, its ratio to each peer too (its own line is the second).
    earlier = case.tools[1] if before and len(case.tools) > 1 and \
        case.tools[1].label.startswith(("before", "wine before")) else None
    for i, t in enumerate(case.tools):
        head = case.name if i == 0 else ""
        if t.failure or not t.samples:
            print(f"{head:18} {t.label:24} {t.failure or 'not run'}", file=out)
            continue
        u, s, w = t.median("user"), t.median("sys"), t.median("wall")
        line = (f"{head:18} {t.label:24} {u:7.3f} {s:7.3f} {u + s:7.3f} {w:7.3f}"
                f" {t.median('rss') / 1024:7.1f}  {ratio(subject, t):11}")
        if earlier and t is not earlier:
            line += f"  {ratio(earlier, t):11}"
        if case.files:
            line += f"  {w / case.files * 1000:6.3f} ms/file"
        print(line.rstrip(), file=out)


def header(before):
    cols = f"{'case':18} {'tool':24} {'user':>7} {'sys':>7} {'cpu':>7} {'wall':>7} {'MiB':>7}  ours/tool"
    if before:
        cols += "    before/tool"
    return cols + "\n" + "-" * len(cols)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--scale", choices=corpus.SCALES, default="full")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--ours", default=os.environ.get("TEV_BENCH_OURS",
                                                     os.path.join(ROOT, "build/native")),
                    help="build directory (or unzip program) of ours; env TEV_BENCH_OURS")
    ap.add_argument("--before", default=os.environ.get("TEV_BENCH_BEFORE"),
                    help="an earlier build to time alongside; env TEV_BENCH_BEFORE")
    ap.add_argument("--wine-exe", default=os.environ.get(
        "TEV_BENCH_WINE_EXE", os.path.join(ROOT, "build/mingw/unzip.exe")))
    ap.add_argument("--before-wine-exe", default=os.environ.get("TEV_BENCH_BEFORE_WINE_EXE"))
    ap.add_argument("--only", help="run only the cases whose name matches this pattern")
    ap.add_argument("--json", help="default: build/bench/results-SCALE.json")
    ap.add_argument("--check", action="store_true",
                    help="fail unless every case printed numbers for every tool")
    a = ap.parse_args()
    for attr in ("ours", "before"):
        path = getattr(a, attr)
        if path and os.path.isfile(path):
            setattr(a, attr, os.path.dirname(path))
    a.ours = os.path.abspath(a.ours)
    a.before = os.path.abspath(a.before) if a.before else None

    if not os.access(TIME, os.X_OK):
        sys.exit(f"{TIME} is missing (Debian package time)")
    bench = os.path.join(ROOT, "build/bench")
    work = os.path.join(bench, "work")
    p = corpus.build(a.scale, os.path.join(bench, "corpora", a.scale),
                     os.path.join(ROOT, "build/native/bench/legacy_corpus"))
    cases = [c for c in make_cases(a, p, work) if not a.only or re.search(a.only, c.name)]

    env = dict(os.environ, LC_ALL="C")
    wine_prefix = os.path.join(bench, "wineprefix")
    wine = any(c.name.startswith("wine") and not c.note for c in cases)
    if wine:
        env.update(WINEPREFIX=wine_prefix, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d")
        subprocess.run(["bash", os.path.join(ROOT, "scripts/wine-prefix.sh"), wine_prefix],
                       check=True, env=env)
    try:
        for case in cases:
            if case.note:
                continue
            for t in case.tools:
                if not t.available():
                    t.failure = f"skipped: {t.needs} not found"
            if wine and case.name.startswith("wine"):
                case.tools[0].run_once(env)  # the first Wine start loads the prefix: untimed
                case.tools[0].samples.clear()
            for _ in range(a.rounds):
                for t in case.tools:
                    if not t.failure:
                        t.run_once(env)
            print(f"  {case.name}: done", file=sys.stderr, flush=True)
    finally:
        if wine:
            subprocess.run(["bash", os.path.join(ROOT, "scripts/wine-prefix.sh"), wine_prefix,
                            "stop"], env=env)
        shutil.rmtree(work, ignore_errors=True)

    print(f"scale {a.scale}, {a.rounds} rounds, medians in seconds; ours = {a.ours}"
          + (f"; before = {a.before}" if a.before else ""))
    print(header(a.before))
    for case in cases:
        print_case(case, a.before)
    peaks = {}
    for c in cases:
        for t in c.tools:
            if t.samples and t.label.startswith(("ours", "setup_headless")):
                mode = c.name.split()[0] if t.label.startswith("ours") else "setup_headless"
                peaks[mode] = max(peaks.get(mode, 0), max(s[3] for s in t.samples))
    print("\npeak memory of ours (largest of all runs, MiB; target: under 4): " +
          ", ".join(f"{mode} {kib / 1024:.2f}" for mode, kib in peaks.items()))

    results = {"scale": a.scale, "rounds": a.rounds, "ours": a.ours, "before": a.before,
               "cases": [{"name": c.name, "note": c.note, "files": c.files, "tools": [
                   {"label": t.label, "argv": t.argv, "metric": t.metric, "failure": t.failure,
                    "samples": [dict(zip(("user", "sys", "wall", "peak_kib"), s))
                                for s in t.samples]} for t in c.tools]} for c in cases]}
    json_path = a.json or os.path.join(bench, f"results-{a.scale}.json")
    with open(json_path, "w") as f:
        json.dump(results, f, indent=1)
    print(f"(all samples: {json_path})")

    if a.check:
        # Every tool of every case that ran must have one sample per round; only the
        # peers' lack of a method (a failing peer in a legacy case, an earlier
        # build of ours in a method or AES case) is accepted.
        missing = [f"{c.name}: {t.label} ({t.failure or 'no samples'})"
                   for c in cases if not c.note for t in c.tools
                   if len(t.samples) != a.rounds
                   and not (c.name.startswith("legacy") and t is not c.tools[0]
                            and not t.label.startswith("before"))
                   and not (c.name.startswith(("method", "aes")) and t.label.startswith("before"))]
        for m in missing:
            print("check: missing " + m, file=sys.stderr)
        print("check: " + ("FAILED" if missing else f"every row of {len(cases)} cases printed"),
              file=sys.stderr)
        return 1 if missing else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
