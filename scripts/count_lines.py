#!/usr/bin/env python3
"""Counts non-blank, non-comment lines of C++, Python and shell per folder, and the share of the
test code (tests/ and fuzz/) against the rest.

    python3 scripts/count_lines.py          # a row per folder, then the totals
    python3 scripts/count_lines.py --total  # only the totals line
"""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE = (".cpp", ".h", ".hpp", ".cc")
SCRIPT = (".py", ".sh")
TEST_TOPS = ("tests", "fuzz")
SKIP = {"build", "third_party"}


def count(path):
    """Lines that are neither blank nor comments ("//", "/* */" in C++, "#" in scripts)."""
    script = path.endswith(SCRIPT)
    n = 0
    in_block = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            s = line.strip()
            if script:
                n += bool(s) and not s.startswith("#")
                continue
            if in_block:
                if "*/" not in s:
                    continue
                in_block = False
                s = s.split("*/", 1)[1].strip()
            if not s or s.startswith("//"):
                continue
            if s.startswith("/*"):
                in_block = "*/" not in s
                continue
            n += 1
    return n


def folder_of(rel):
    parts = rel.split(os.sep)
    if parts[0] in TEST_TOPS and len(parts) > 2:
        return parts[0] + "/" + parts[1]
    return parts[0]


def main():
    per_folder = {}
    for d, dirs, files in os.walk(ROOT):
        dirs[:] = sorted(x for x in dirs if not x.startswith(".") and x not in SKIP)
        for name in files:
            if name.endswith(SOURCE + SCRIPT):
                path = os.path.join(d, name)
                key = folder_of(os.path.relpath(path, ROOT))
                per_folder[key] = per_folder.get(key, 0) + count(path)
    tests = sum(v for k, v in per_folder.items() if k.split("/")[0] in TEST_TOPS)
    code = sum(v for k, v in per_folder.items() if k.split("/")[0] not in TEST_TOPS)
    if "--total" not in sys.argv:
        for key in sorted(per_folder):
            print(f"{key:24} {per_folder[key]:6}")
    print(f"tests {tests} / code {code} = {100.0 * tests / max(code, 1):.1f} %")


if __name__ == "__main__":
    main()
