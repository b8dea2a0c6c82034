#!/usr/bin/python3
"""The archive fixtures, unpacked by the starter's extractZip under Wine (the
whole file, and as it would arrive) and by Info-ZIP unzip, both in a time zone
with daylight saving: the trees, the file contents and the files' modification
times must be the same.

    unzip_differential_test.py <wine-run.sh> <extract_win.exe> <work folder>
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "archive"))
import make_test_archives  # noqa: E402
import zip_compat_fixtures  # noqa: E402

ZONE = "Europe/Berlin"

# Archives of the older fixtures that Info-ZIP on Linux must read the same way.
PLAIN = ["empty.zip", "files_only.zip", "stored.zip", "folder_entry.zip", "cyrillic.zip", "zip64.zip",
         "tool_jar.zip", "tool_infozip.zip", "tool_infozip_zip64.zip", "tool_infozip_pipe.zip"]

# Archives that the unpack as they arrive leaves to the whole file; every other one it follows.
WHOLE_FILE = {
    "descriptor_signed.zip",     # a stored entry with a data descriptor
    "dos_folder_attribute.zip",  # folders only the central directory marks
    "duplicate_names.zip",
    "tool_infozip_pipe.zip",     # stored entries with data descriptors
}

# Where unzip's exit code is not 0 although it unpacks what we unpack.
UNZIP_EXIT = {
    "empty.zip": 1,              # "zipfile is empty"
    "deflated_empty.zip": 2,     # reports "invalid compressed data" but writes the empty file
    "disk_numbers_one.zip": 1,   # warns about a multi-part archive, then reads it
    "dos_folder_attribute.zip": 0,
}

# unzip goes by the trailing slash alone: a folder marked only by its MS-DOS
# attribute becomes an empty file there, a folder here.
ATTRIBUTE_ONLY_FOLDERS = {"dos_folder_attribute.zip": {"jdk/legal", "jdk/conf/empty"}}


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def snapshot(root):
    """relative path -> ("d",) or ("f", bytes, whole-second modification time in UTC)."""
    found = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs:
            found[os.path.relpath(os.path.join(folder, name), root)] = ("d",)
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as data:
                found[os.path.relpath(path, root)] = ("f", data.read(), int(os.stat(path).st_mtime))
    return found


def differences(archive, ours, theirs):
    problems = []
    for path in sorted(set(ours) | set(theirs)):
        mine, reference = ours.get(path), theirs.get(path)
        if path in ATTRIBUTE_ONLY_FOLDERS.get(archive, ()):
            if mine != ("d",) or reference is None or reference[:2] != ("f", b""):
                problems.append("%s: folder here %r, empty file in unzip %r" % (path, mine, reference))
        elif mine is None or reference is None:
            problems.append("%s: only in %s" % (path, "unzip" if mine is None else "ours"))
        elif mine[0] != reference[0] or mine[1:2] != reference[1:2]:
            problems.append("%s: different %s" % (path, "kind" if mine[0] != reference[0] else "contents"))
        elif mine[0] == "f" and mine[2] != reference[2]:
            problems.append("%s: modified %d here, %d by unzip (%+d s)" %
                            (path, mine[2], reference[2], mine[2] - reference[2]))
    return problems


def main():
    wine_run, extractor, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    fixtures = os.path.join(work, "fixtures")
    make_test_archives.main([fixtures])
    archives = [a for a in PLAIN if os.path.exists(os.path.join(fixtures, a))] + sorted(zip_compat_fixtures.COMPATIBLE)
    env = dict(os.environ, TZ=ZONE)

    failures = 0
    for mode, folder in (([], "ours"), (["--stream"], "streamed")):
        pairs = []
        for archive in archives:
            pairs += [winpath(os.path.join(fixtures, archive)), winpath(os.path.join(work, folder, archive))]
        os.makedirs(os.path.join(work, folder))
        run = subprocess.run([wine_run, extractor] + mode + pairs, env=env, capture_output=True, text=True)
        print(run.stdout.replace("\r", ""), end="")
        if run.returncode != 0:
            failures += 1
            print("FAIL: extractZip %srefused an archive (exit %d): %s" % (" ".join(mode), run.returncode, run.stderr))
        for line in run.stdout.replace("\r", "").splitlines():
            archive = line.split(" ")[0].split("\\")[-1]
            expected = "ok, whole file" if archive in WHOLE_FILE else "ok, streamed"
            if mode and expected not in line:
                failures += 1
                print("FAIL: %s: expected %s" % (archive, expected))

    for archive in archives:
        theirs = os.path.join(work, "theirs", archive)
        os.makedirs(theirs)
        code = subprocess.run(["unzip", "-q", "-o", os.path.join(fixtures, archive), "-d", theirs], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        reference = snapshot(theirs)
        problems = differences(archive, snapshot(os.path.join(work, "ours", archive)), reference)
        problems += ["as it arrives: " + p for p in
                     differences(archive, snapshot(os.path.join(work, "streamed", archive)), reference)]
        if code != UNZIP_EXIT.get(archive, 0):
            problems.append("unzip exited %d" % code)
        for problem in problems:
            print("FAIL: %s: %s" % (archive, problem))
        failures += 1 if problems else 0
    print("%d archives compared, %d differ" % (len(archives), failures))
    if failures == 0:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
