#!/usr/bin/env python3
"""Writes what the signed-manifest whole runs serve: the jar and runtime of
the other whole runs, and manifests signed with the host's openssl.

    make_signed_files.py <docroot> <manifest dir> <stand-in exe> <https base URL> <keys dir> <new starter exe>
                         <crashing starter exe>

Each manifest names files on the HTTPS server; "old" names a jar that does not
exist, so a run that used it could not launch. The "starter_" manifests name
a starter program: a working one (a build trusting key B), one that ends at
once with 0 (the Java stand-in), one that crashes after its window,
and entries the signature does not cover.
"delta_outside_a8" names the next runtime release and a delta from the first
that its general signature (made before the delta was added) does not cover.
"""
import json
import os
import shutil
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
sys.path.insert(0, os.path.join(here, "..", "signing"))
import make_e2e_files  # noqa: E402
import openssl_manifest  # noqa: E402


def main():
    docroot, manifests, stand_in_path, base, keys, new_starter, crashing_starter = sys.argv[1:8]
    files = os.path.join(docroot, "files")
    os.makedirs(files, exist_ok=True)
    os.makedirs(manifests, exist_ok=True)
    os.makedirs(os.path.join(docroot, "starter"), exist_ok=True)
    jar = os.path.join(files, "Morvanta.jar")
    runtime = os.path.join(files, "java-x64.zip")
    make_e2e_files.make_jar(jar)
    make_e2e_files.make_runtime(runtime, open(stand_in_path, "rb").read())

    current = {base + "/files/Morvanta.jar": make_e2e_files.sha256(jar).upper(),
               base + "/files/java-x64.zip": make_e2e_files.sha256(runtime)}
    old = {base + "/files/old/Morvanta.jar": "0" * 64, base + "/files/java-x64.zip": current[base + "/files/java-x64.zip"]}

    def starter(folder, program):
        os.makedirs(os.path.join(files, folder), exist_ok=True)
        path = os.path.join(files, folder, "MorvantaStarter.exe")
        shutil.copyfile(program, path)
        return {base + "/files/" + folder + "/MorvantaStarter.exe": make_e2e_files.sha256(path)}

    new = dict(current, **starter("new", new_starter))
    quits = dict(current, **starter("quits", stand_in_path))
    crashes = dict(current, **starter("crashes", crashing_starter))

    def signed(entries, key, sequence, only_v1=False):
        """Every form the entries need, or the v1 form alone."""
        manifest = dict(entries)
        for version in [1] if only_v1 else openssl_manifest.versions(manifest):
            raw = openssl_manifest.openssl(["dgst", "-sha256", "-sign", os.path.join(keys, key + ".pem")],
                                           openssl_manifest.message(manifest, sequence, version))
            assert raw.returncode == 0, raw.stderr
            manifest[openssl_manifest.MEMBERS[version]] = openssl_manifest.der_to_raw(raw.stdout).hex().upper()
        manifest["sequence"] = sequence
        return manifest

    def general(manifest, key):
        text = "morvanta-manifest-v3\n" + "".join(
            "%s\n%s\n" % (name, manifest[name]) for name in sorted(manifest) if not name.startswith("signature"))
        raw = openssl_manifest.openssl(["dgst", "-sha256", "-sign", os.path.join(keys, key + ".pem")], text.encode())
        assert raw.returncode == 0, raw.stderr
        return openssl_manifest.der_to_raw(raw.stdout).hex()

    release_b = os.path.join(files, "b", "java-x64.zip")
    os.makedirs(os.path.dirname(release_b), exist_ok=True)
    make_e2e_files.make_next_release(runtime, release_b, open(stand_in_path, "rb").read())
    next_release = {base + "/files/Morvanta.jar": current[base + "/files/Morvanta.jar"],
                    base + "/files/b/java-x64.zip": make_e2e_files.sha256(release_b)}
    delta_outside = signed(next_release, "test_key_a", "8")
    delta_outside["signature-v3"] = general(delta_outside, "test_key_a")
    delta_outside[base + "/files/d/java-x64.from-%s.delta" % make_e2e_files.sha256(runtime)] = "cd" * 32

    tampered = signed(current, "test_key_a", "7")
    tampered[base + "/files/Morvanta.jar"] = "ab" * 32
    starter_tampered = signed(new, "test_key_a", "7")
    starter_tampered[base + "/files/new/MorvantaStarter.exe"] = "ab" * 32
    starter_v1 = signed(dict(new), "test_key_a", "7", only_v1=True)
    scenarios = {
        "good_a7": signed(current, "test_key_a", "7"),
        "good_b7": signed(current, "test_key_b", "7"),
        "good_a8": signed(current, "test_key_a", "8"),
        "old_a6": signed(old, "test_key_a", "6"),
        "unknown_key": signed(current, "test_key_c", "7"),
        "tampered_digest": tampered,
        "unsigned": dict(current),
        "starter_b7": signed(new, "test_key_b", "7"),
        "starter_quits_a7": signed(quits, "test_key_a", "7"),
        "starter_crashes_a7": signed(crashes, "test_key_a", "7"),
        "starter_tampered_a7": starter_tampered,
        "starter_v1_a7": starter_v1,
        "delta_outside_a8": delta_outside,
    }
    for name, manifest in scenarios.items():
        with open(os.path.join(manifests, name + ".json"), "w") as out:
            json.dump(manifest, out, indent=2)
    try:
        os.remove(os.path.join(docroot, "starter", "launcher.json"))
    except FileNotFoundError:
        pass


if __name__ == "__main__":
    main()
