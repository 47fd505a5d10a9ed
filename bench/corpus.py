"""The benchmark corpora: generated once, deterministically, and cached.

Every byte comes from a seeded generator, so two machines build the same
archives. Content kinds: prose-like text, source-like code, structured binary
(counters, small deltas, padding) and noise (like already-compressed data).

    python3 bench/corpus.py [--scale small|full] [--legacy-tool PATH] [--out DIR]
"""
import argparse
import gzip
import os
import random
import shutil
import subprocess
import sys
import zipfile
from array import array
from itertools import accumulate

MiB = 1 << 20
VERSION = "1"  # bump when the content changes: cached corpora are rebuilt

SCALES = {
    # members / bytes of each corpus
    "full": dict(mixed_members=2800, mixed_bytes=60 * MiB, large_bytes=200 * MiB,
                 tiny_members=20000, stored_bytes=200 * MiB, legacy_bytes=64 * MiB,
                 payload_members=3000),
    "small": dict(mixed_members=280, mixed_bytes=2 * MiB, large_bytes=6 * MiB,
                  tiny_members=2000, stored_bytes=6 * MiB, legacy_bytes=1 * MiB,
                  payload_members=300),
}
DATE = (2024, 5, 17, 10, 30, 0)


def _vocabulary(rng, count=3000):
    syllables = ["ta", "ve", "ni", "mod", "em", "ter", "al", "con", "fig", "set", "up", "in",
                 "stal", "ar", "chi", "ve", "dat", "a", "file", "lo", "ca", "tion", "s", "ed",
                 "ing", "pho", "ne", "line", "scr", "ipt", "op", "tio", "n", "com", "port"]
    words = set()
    while len(words) < count:
        words.add("".join(rng.choice(syllables) for _ in range(rng.randint(1, 4))))
    words = sorted(words)
    rng.shuffle(words)
    return words, list(accumulate(1.0 / (rank + 1) for rank in range(count)))


class Content:
    """Deterministic bytes of each kind; each call continues the same stream."""

    KINDS = ("text", "source", "binary", "noise")

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.words, self.weights = _vocabulary(self.rng)

    def _words(self, n):
        return self.rng.choices(self.words, cum_weights=self.weights, k=n)

    def text(self, size):
        words = self._words(size // 6 + 16)
        seps = self.rng.choices([" "] * 10 + [", ", ".\r\n", ". "], k=len(words))
        out = "".join(w + s for w, s in zip(words, seps)).encode()
        while len(out) < size:
            out += self.text(size - len(out))
        return out[:size]

    def source(self, size):
        rng, lines, total = self.rng, [], 0
        templates = ("int {0}_{1}(struct {2} *{3}, size_t {4});\n",
                     "    if ({0}->{1} > {5}) {{\n        {2}_{3}({4}, {5});\n    }}\n",
                     "    for (i = 0; i < {5}; ++i) {0}[i] = {1}_{2}[i] ^ {3};\n",
                     "    return {0}_{1} + {5};\n}}\n\n",
                     "/* {0} {1} {2} {3} {4} */\n",
                     "#define {0}_{1} 0x{5:04x}\n",
                     "static const char {0}[] = \"{1} {2} {3}\";\n")
        while total < size:
            w = self._words(5)
            line = rng.choice(templates).format(*w, rng.randrange(65536))
            lines.append(line)
            total += len(line)
        return "".join(lines).encode()[:size]

    def binary(self, size):
        rng, parts, total = self.rng, [], 0
        while total < size:
            n = rng.randrange(256, 4096)
            kind = rng.randrange(3)
            if kind == 0:  # a table of growing 32-bit values
                part = array("i", accumulate(rng.choices(range(-3, 40), k=n))).tobytes()
            elif kind == 1:  # small-alphabet bytes (pixels, flags)
                part = bytes(rng.choices(range(16), k=n * 2))
            else:  # padding
                part = bytes(n)
            parts.append(part)
            total += len(part)
        return b"".join(parts)[:size]

    def noise(self, size):
        return self.rng.randbytes(size)

    def of(self, kind, size):
        return getattr(self, kind)(size)

    def mixed(self, size, block=MiB):
        """`size` bytes of blocks of every kind (noise one block in ten)."""
        kinds = ["text"] * 4 + ["source"] * 3 + ["binary"] * 2 + ["noise"]
        parts, total = [], 0
        while total < size:
            n = min(block, size - total)
            parts.append(self.of(kinds[len(parts) % len(kinds)], n))
            total += n
        return b"".join(parts)


EXTENSIONS = {"text": ("TXT", "DOC", "HLP"), "source": ("C", "H", "SCR"),
              "binary": ("DAT", "EXE", "DLL"), "noise": ("ZIP", "BMP", "GZ")}


def member_sizes(rng, count, total, smallest=100, largest=2 * MiB):
    """`count` log-uniform sizes scaled to add up to about `total`."""
    raw = [rng.lognormvariate(0, 1.6) for _ in range(count)]
    scale = total / sum(raw)
    return [max(smallest, min(largest, int(r * scale))) for r in raw]


def _info(name, method):
    info = zipfile.ZipInfo(name, date_time=DATE)
    info.compress_type = method
    info.create_system = 3
    info.external_attr = 0o100644 << 16
    return info


def write_zip(path, members, method=zipfile.ZIP_DEFLATED):
    """Writes (name, bytes) pairs; deflate at level 6."""
    tmp = path + ".part"
    with zipfile.ZipFile(tmp, "w", compresslevel=6) as z:
        for name, data in members:
            z.writestr(_info(name, method), data, compresslevel=6)
    os.replace(tmp, path)


def mixed_members(content, count, total):
    rng = content.rng
    kinds = ["text"] * 35 + ["source"] * 30 + ["binary"] * 20 + ["noise"] * 15
    for i, size in enumerate(member_sizes(rng, count, total)):
        kind = rng.choice(kinds)
        name = f"PKG{i % 23:02d}/SUB{i % 7}/F{i:05d}.{rng.choice(EXTENSIONS[kind])}"
        yield name, content.of(kind, size)


def build_mixed(path, s):
    write_zip(path, sorted(mixed_members(Content(1), s["mixed_members"], s["mixed_bytes"])))


def build_large(path, gz_path, s):
    content = Content(2)
    zip_tmp, gz_tmp = path + ".part", gz_path + ".part"
    with zipfile.ZipFile(zip_tmp, "w", compresslevel=6) as z, \
            z.open(_info("LARGE.DAT", zipfile.ZIP_DEFLATED), "w") as member, \
            open(gz_tmp, "wb") as raw, \
            gzip.GzipFile(fileobj=raw, mode="wb", compresslevel=6, mtime=0, filename="") as gz:
        left = s["large_bytes"]
        while left:
            block = content.mixed(min(16 * MiB, left))
            member.write(block)
            gz.write(block)
            left -= len(block)
    os.replace(zip_tmp, path)
    os.replace(gz_tmp, gz_path)


def build_tiny(path, s):
    content = Content(3)
    rng = content.rng

    def members():
        for i in range(s["tiny_members"]):
            kind = rng.choice(("text", "source"))
            yield f"D{i // 200:03d}/T{i:05d}.{EXTENSIONS[kind][0]}", \
                content.of(kind, rng.randrange(10, 600))
    write_zip(path, members())


def build_stored(path, s):
    content = Content(4)
    count = max(1, s["stored_bytes"] // (4 * MiB))
    size = s["stored_bytes"] // count
    write_zip(path, ((f"STORE{i:03d}.BIN", content.noise(size)) for i in range(count)),
              zipfile.ZIP_STORED)


def build_legacy(paths, s, tool):
    """The same source files packed by our test encoders with each legacy method."""
    src = os.path.join(os.path.dirname(paths["shrink"]), "legacy-src")
    shutil.rmtree(src, ignore_errors=True)
    content = Content(5)
    count = max(8, s["legacy_bytes"] // (192 * 1024))
    for name, data in mixed_members(content, count, s["legacy_bytes"]):
        os.makedirs(os.path.join(src, os.path.dirname(name)), exist_ok=True)
        with open(os.path.join(src, name), "wb") as f:
            f.write(data)
    for method, path in paths.items():
        subprocess.run([tool, method, path + ".part", src], check=True, stdout=subprocess.DEVNULL)
        os.replace(path + ".part", path)
    shutil.rmtree(src)


# The methods that other archivers write: the same mixed files packed by 7zz.
OTHER_METHODS = {"deflate": "Deflate", "deflate64": "Deflate64", "bzip2": "BZip2", "lzma": "LZMA"}
# The same files deflated and encrypted with AES-256 by 7zz, under this password.
AES_PASSWORD = "bench"
ENCRYPTED = {"aes256": ["-mm=Deflate", "-mem=AES256", "-p" + AES_PASSWORD]}


def build_other_methods(paths, s):
    """The mixed corpus's files packed by 7zz with each method (7zz's own
    deflate too, so that deflate64 is compared with deflate of one writer)."""
    src = os.path.join(os.path.dirname(next(iter(paths.values()))), "methods-src")
    shutil.rmtree(src, ignore_errors=True)
    for name, data in mixed_members(Content(1), s["mixed_members"], s["mixed_bytes"]):
        os.makedirs(os.path.join(src, os.path.dirname(name)), exist_ok=True)
        with open(os.path.join(src, name), "wb") as f:
            f.write(data)
    for method, path in paths.items():
        tmp = os.path.abspath(path + ".part")
        if os.path.exists(tmp):
            os.remove(tmp)
        options = ENCRYPTED.get(method) or ["-mm=" + OTHER_METHODS[method]]
        subprocess.run(["7zz", "a", "-tzip", "-bd", *options, tmp, "."],
                       cwd=src, check=True, stdout=subprocess.DEVNULL)
        os.replace(tmp, path)
    shutil.rmtree(src)


def build_payload(dist_dir, s):
    """A distribution directory whose INSTALL.FIL holds a few thousand files."""
    os.makedirs(dist_dir, exist_ok=True)
    members = sorted(mixed_members(Content(6), s["payload_members"],
                                   s["payload_members"] * 6 * 1024))
    write_zip(os.path.join(dist_dir, "INSTALL.FIL"), members)


def corpus_paths(out):
    return {name: os.path.join(out, file) for name, file in (
        ("mixed", "mixed.zip"), ("large", "large.zip"), ("large_gz", "large.gz"),
        ("tiny", "tiny.zip"), ("stored", "stored.zip"), ("shrink", "shrink.zip"),
        ("reduce", "reduce.zip"), ("implode", "implode.zip"), ("dist", "dist"))} | \
        {m: os.path.join(out, f"{m}.zip") for m in (*OTHER_METHODS, *ENCRYPTED)}


def build(scale, out, legacy_tool, log=sys.stderr):
    """Builds what is missing or stale under `out`; returns the corpus paths."""
    s = SCALES[scale]
    os.makedirs(out, exist_ok=True)
    p = corpus_paths(out)
    legacy = {m: p[m] for m in ("shrink", "reduce", "implode")}
    others = {m: p[m] for m in (*OTHER_METHODS, *ENCRYPTED)}
    # name, the parameters it depends on, what it writes, how
    steps = [
        ("mixed", ("mixed_members", "mixed_bytes"), [p["mixed"]],
         lambda: build_mixed(p["mixed"], s)),
        ("large", ("large_bytes",), [p["large"], p["large_gz"]],
         lambda: build_large(p["large"], p["large_gz"], s)),
        ("tiny", ("tiny_members",), [p["tiny"]], lambda: build_tiny(p["tiny"], s)),
        ("stored", ("stored_bytes",), [p["stored"]], lambda: build_stored(p["stored"], s)),
        ("legacy", ("legacy_bytes",), list(legacy.values()),
         lambda: build_legacy(legacy, s, legacy_tool)),
        ("methods", ("mixed_members", "mixed_bytes"), list(others.values()),
         lambda: build_other_methods(others, s)),
        ("dist", ("payload_members",), [os.path.join(p["dist"], "INSTALL.FIL")],
         lambda: build_payload(p["dist"], s)),
    ]
    for name, keys, targets, step in steps:
        stamp = os.path.join(out, f"STAMP.{name}")
        want = f"{VERSION} {[(k, s[k]) for k in keys]}\n"
        if os.path.exists(stamp) and open(stamp).read() == want and \
                all(os.path.exists(t) for t in targets):
            continue
        print(f"building corpus {scale}/{name} ...", file=log, flush=True)
        step()
        with open(stamp, "w") as f:
            f.write(want)
    return p


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.dirname(here)
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--scale", choices=SCALES, default="full")
    ap.add_argument("--legacy-tool", default=os.path.join(root, "build/native/bench/legacy_corpus"))
    ap.add_argument("--out", help="default: build/bench/corpora/SCALE")
    a = ap.parse_args()
    out = a.out or os.path.join(root, "build/bench/corpora", a.scale)
    for name, path in build(a.scale, out, a.legacy_tool).items():
        print(f"{name:9} {path}")


if __name__ == "__main__":
    main()
