#!/usr/bin/python3
"""Random archives, unpacked by our zip reader (the whole file, and as it would
arrive) and by Python's zipfile: the trees must be equal byte for byte. Some are
written to a pipe, which gives every entry a data descriptor.

    differential_test.py <extract_cli> [count] [seed]
"""
import filecmp
import io
import os
import random
import shutil
import subprocess
import sys
import tempfile
import zipfile

NAME_PARTS = ["bin", "lib", "conf", "legal", "jdk", "данные", "modules", "a b", "x.y", "UPPER"]


class Pipe(io.RawIOBase):
    """A file that cannot seek or tell, as a pipe."""
    def __init__(self, target):
        self.target = target

    def writable(self):
        return True

    def write(self, data):
        return self.target.write(data)

    def tell(self):
        raise OSError("a pipe")


def random_archive(rng, path):
    """Stored and deflated entries, empty files, nested folders, sometimes ZIP64,
    sometimes written to a pipe."""
    force_zip64 = rng.random() < 0.25
    names = set()
    out = open(path, "wb")
    with out, zipfile.ZipFile(Pipe(out) if rng.random() < 0.3 else out, "w", allowZip64=True) as archive:
        for _ in range(rng.randint(0, 25)):
            depth = rng.randint(0, 4)
            parts = [rng.choice(NAME_PARTS) for _ in range(depth)]
            if rng.random() < 0.15:
                name = "/".join(parts + ["folder%d" % rng.randint(0, 9)]) + "/"
            else:
                extension = rng.choice([".exe", ".txt", ".dll", ""])  # never a trailing dot: Windows drops it
                name = "/".join(parts + ["file%d%s" % (rng.randint(0, 99), extension)])
            # A name that is also a folder prefix of another cannot exist on disk twice.
            if name in names or any(n.startswith(name.rstrip("/") + "/") or name.startswith(n.rstrip("/") + "/")
                                    and not n.endswith("/") for n in names):
                continue
            names.add(name)
            info = zipfile.ZipInfo(name, date_time=(2020 + rng.randint(0, 5), rng.randint(1, 12), rng.randint(1, 28),
                                                    rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 29) * 2))
            info.compress_type = rng.choice([zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED])
            if name.endswith("/"):
                info.external_attr = 0o40755 << 16 | 0x10
                archive.writestr(info, b"")
                continue
            kind = rng.random()
            if kind < 0.15:
                data = b""
            elif kind < 0.6:
                data = bytes(rng.getrandbits(8) for _ in range(rng.randint(1, 3000)))
            else:
                data = (rng.choice([b"java ", b"\0\0\0\1", b"MZ\x90"]) * rng.randint(1, 40000))
            with archive.open(info, "w", force_zip64=force_zip64) as entry:
                entry.write(data)


def main():
    cli = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 20261208
    rng = random.Random(seed)
    work = tempfile.mkdtemp(prefix="zip-diff-")
    failures = 0
    hows = {}
    try:
        for number in range(count):
            archive = os.path.join(work, "a%d.zip" % number)
            random_archive(rng, archive)
            ours = os.path.join(work, "ours%d" % number)
            theirs = os.path.join(work, "theirs%d" % number)
            os.makedirs(ours)
            os.makedirs(theirs)
            streamed_into = os.path.join(work, "streamed%d" % number)
            os.makedirs(streamed_into)
            code = subprocess.run([cli, archive, ours]).returncode
            run = subprocess.run([cli, "--stream", archive, streamed_into], capture_output=True, text=True)
            how = run.stdout.strip()
            hows[how] = hows.get(how, 0) + 1
            with zipfile.ZipFile(archive) as reference:
                reference.extractall(theirs)
            if code != 0 or not same_tree(ours, theirs) or run.returncode != 0 or not same_tree(streamed_into, theirs):
                failures += 1
                kept = os.path.join(tempfile.gettempdir(), "zip-diff-failure-%d.zip" % number)
                shutil.copy(archive, kept)
                print("FAIL: archive %d differs (exit %d, as it arrives %d: %s), kept as %s" %
                      (number, code, run.returncode, how, kept))
            shutil.rmtree(ours)
            shutil.rmtree(theirs)
            shutil.rmtree(streamed_into)
            os.remove(archive)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed; as they arrive: %s" % (count - failures, failures, hows))
    # Most archives must take the path that unpacks as they arrive, or it is not tested.
    if hows.get("streamed", 0) < count // 2:
        print("FAIL: only %d of %d unpacked as they arrived" % (hows.get("streamed", 0), count))
        return 1
    return 1 if failures else 0


def same_tree(a, b):
    compare = filecmp.dircmp(a, b)
    if compare.left_only or compare.right_only or compare.funny_files:
        return False
    _, mismatch, errors = filecmp.cmpfiles(a, b, compare.common_files, shallow=False)
    if mismatch or errors:
        return False
    return all(same_tree(os.path.join(a, d), os.path.join(b, d)) for d in compare.common_dirs)


if __name__ == "__main__":
    sys.exit(main())
