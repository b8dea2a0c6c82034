#!/usr/bin/env python3
"""Fails when a source folder includes a header of a folder it may not use.

usage: check_layers.py SOURCE_ROOT FOLDER STAMP [ALLOWED_FOLDER ...]

Every project folder that is neither FOLDER nor one of the allowed ones is
forbidden to FOLDER's headers and sources; on success STAMP is written.
"""
import pathlib
import re
import sys

PROJECT_FOLDERS = {"base", "files", "net", "archive", "render", "bootstrap", "app", "tools"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([a-z_]+)/[^"]+"', re.MULTILINE)


def main():
    root, folder, stamp, *allowed = sys.argv[1:]
    allowed = set(allowed) | {folder.split("/")[0]}
    wrong = []
    for path in sorted((pathlib.Path(root) / folder).rglob("*")):
        if path.suffix not in (".h", ".cpp", ".c"):
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            target = match.group(1)
            if target in PROJECT_FOLDERS and target not in allowed:
                line = text.count("\n", 0, match.start()) + 1
                wrong.append(f"{path.relative_to(root)}:{line}: includes {target}/, which {folder}/ may not use")
    if wrong:
        print("\n".join(wrong), file=sys.stderr)
        print(f"{folder}/ may use only: {', '.join(sorted(allowed - {folder})) or 'nothing of ours'}", file=sys.stderr)
        return 1
    pathlib.Path(stamp).parent.mkdir(parents=True, exist_ok=True)
    pathlib.Path(stamp).write_text("ok\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
