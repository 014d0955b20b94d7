#!/usr/bin/env python3
"""Applies hand-picked one-line faults to the product code, one at a time, and records whether
the test suite notices each of them.

    python3 scripts/mutate.py --list
    python3 scripts/mutate.py --quick --out docs/mutation-baseline.md
    python3 scripts/mutate.py --only mail-smtp-code,net-req-slash

A mutation is "killed" when some test fails, "survived" when all pass and "invalid" when the
mutated tree does not build. The list lives in scripts/mutations.txt: records separated by blank
lines, each with the fields id, file, from (text that must occur exactly once in the file), to
(its replacement) and why (what the fault is).
"""
import argparse
import ctypes
import datetime
import hashlib
import os
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LIST = os.path.join(ROOT, "scripts", "mutations.txt")

# The CTest suites that quick mode runs for a mutation in a folder: that folder's own suites and
# the end-to-end suites that drive the folder's code through the program.
QUICK = {
    "platform": r"^platform_",
    "foundation": r"^foundation_",
    "config": r"^(config_|app_add_camera_)",
    "imaging": r"^imaging_",
    "sources": r"^(sources_unit|sources_stream|sources_camsim)_",
    "mail": r"^(mail_|app_mail_command_)",
    "net": r"^(net_unit|net_webserver)_",
    "delivery": r"^(delivery_|app_delivery_)",
    "controller": r"^controller_",
    "app": r"^app_",
    "ui": r"^ui_",
}
FIELDS = ("id", "file", "from", "to", "why")


def load(path):
    """Reads the list; every record must have all fields and a unique id."""
    items, record = [], {}
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n") + [""]
    for n, line in enumerate(lines, 1):
        if line.startswith("#"):
            continue
        if not line.strip():
            if record:
                missing = [k for k in FIELDS if k not in record]
                if missing:
                    sys.exit(f"{path}:{n}: record {record.get('id')} lacks {missing}")
                items.append(record)
                record = {}
            continue
        key, sep, value = line.partition(": ")
        if not sep or key not in FIELDS:
            sys.exit(f"{path}:{n}: expected 'field: value', got {line!r}")
        record[key] = value
    ids = [m["id"] for m in items]
    dupes = {i for i in ids if ids.count(i) > 1}
    if dupes:
        sys.exit(f"duplicate ids: {sorted(dupes)}")
    return items


def folder(m):
    return m["file"].split("/", 1)[0]


def become_subreaper():
    """Processes that tests start and leave behind (peers of a test ended at its first failure)
    become this script's children, so end_orphans can find them."""
    PR_SET_CHILD_SUBREAPER = 36
    try:
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    except (OSError, AttributeError):
        pass


def end_orphans():
    """Kills and reaps every process left as this script's child (a peer server, a headless
    instance): left running, they would load the machine for the next mutations."""
    for _ in range(5):
        left = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/stat") as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, ValueError, IndexError):
                continue
            if ppid == os.getpid():
                left.append(int(entry))
        for pid in left:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        while True:
            try:
                pid, _ = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                break
            if pid == 0:
                break
        if not left:
            return
        time.sleep(0.2)


def run(cmd, log, stop_on=None):
    """Runs cmd with its output appended to log as it comes; returns (exit code, output).
    When the output matches stop_on, the command and all its children are ended at once (CTest's
    --stop-on-failure starts no new test but lets a running one go on to its timeout)."""
    with open(log, "ab") as f:
        f.write(("$ " + " ".join(cmd) + "\n").encode())
        f.flush()
        start = f.tell()
        p = subprocess.Popen(cmd, cwd=ROOT, stdout=f, stderr=subprocess.STDOUT,
                             start_new_session=True)
        try:
            while p.poll() is None:
                time.sleep(0.5)
                if stop_on and re.search(stop_on, read_from(log, start)):
                    time.sleep(1)  # the failed test's output follows its status line
                    os.killpg(p.pid, signal.SIGTERM)
                    p.wait()
                    return 1, read_from(log, start)
        finally:
            if p.poll() is None:
                os.killpg(p.pid, signal.SIGKILL)
                p.wait()
            end_orphans()
    return p.returncode, read_from(log, start)


def read_from(log, start):
    with open(log, "rb") as f:
        f.seek(start)
        return f.read().decode("utf-8", "replace")


def suites(builddir, regex):
    """The CTest names the regex selects (all when regex is None)."""
    cmd = ["ctest", "--test-dir", builddir, "-N"] + (["-R", regex] if regex else [])
    out = subprocess.run(cmd, cwd=ROOT, stdout=subprocess.PIPE, text=True).stdout
    return re.findall(r"Test\s+#\d+: (\S+)", out)


def check(builddir, regex, log):
    """Builds what the selected suites need and runs them: 'pass', 'fail: NAME' or 'nobuild'."""
    names = suites(builddir, regex)
    # Every test is a target of its own name except the layering script, which needs no build.
    targets = [n for n in names if n != "layering"] if regex else []
    build = ["cmake", "--build", builddir, "-j2"]
    if targets:
        build += ["--target"] + targets
    if run(build, log)[0] != 0:
        return "nobuild"
    test = ["ctest", "--test-dir", builddir, "-j2", "--stop-on-failure", "--timeout", "300",
            "--output-on-failure"] + (["-R", regex] if regex else [])
    code, out = run(test, log, stop_on=r"\*\*\*(Failed|Timeout|Exception)|Subprocess aborted")
    if code == 0:
        return "pass"
    failed = re.findall(r"Test\s+#\d+: (\S+) \.+\**\s*(?:Failed|Timeout|Exception|Subprocess)", out)
    case = re.search(r"\[  FAILED  \] (\S+)", out)
    return "fail: " + (failed[0] if failed else "?") + (f" {case.group(1)}" if case else "")


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def mutate_and_check(m, builddir, regex, log):
    path = os.path.join(ROOT, m["file"])
    with open(path, "rb") as f:
        original = f.read()
    text = original.decode("utf-8")
    count = text.count(m["from"])
    if count != 1:
        return f"refused: original text found {count} times", 0.0
    before = digest(path)
    start = time.monotonic()
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace(m["from"], m["to"], 1))
        outcome = check(builddir, regex, log)
    finally:
        with open(path, "wb") as f:
            f.write(original)
        if digest(path) != before:
            sys.exit(f"could not restore {m['file']}: stop and check it by hand")
    seconds = time.monotonic() - start
    if outcome == "nobuild":
        return "invalid", seconds
    if outcome == "pass":
        return "survived", seconds
    return "killed (" + outcome[6:] + ")", seconds


def write_table(out, mode, rows, summary):
    commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT,
                            stdout=subprocess.PIPE, text=True).stdout.strip()
    now = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    with open(out, "w", encoding="utf-8") as f:
        f.write(f"# Mutation results\n\nMode: {mode}. Date: {now}. Commit: {commit}.\n\n")
        f.write("| id | folder | description | result | first failing test | seconds |\n")
        f.write("| --- | --- | --- | --- | --- | --- |\n")
        for m, result, seconds in rows:
            word, _, test = result.partition(" (")
            f.write(f"| {m['id']} | {folder(m)} | {m['why']} | {word} | {test.rstrip(')')} "
                    f"| {seconds:.0f} |\n")
        f.write(f"\n{summary}\n")


def main():
    become_subreaper()
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--list", action="store_true", help="print the mutations and stop")
    ap.add_argument("--only", help="comma-separated ids to run, in that order")
    ap.add_argument("--quick", action="store_true", help="run only the suites of the folder")
    ap.add_argument("--suites", help="run the CTest suites this regex selects, for every mutation")
    ap.add_argument("--builddir", default="build/mutate")
    ap.add_argument("--out", help="Markdown table of the results, rewritten after each mutation")
    ap.add_argument("--skip-check", action="store_true",
                    help="do not first check the unmutated tree (when it was just checked)")
    ap.add_argument("--log", default=None, help="build and test output (default BUILDDIR/mutate.log)")
    args = ap.parse_args()

    items = load(LIST)
    if args.only:
        wanted = args.only.split(",")
        unknown = set(wanted) - {m["id"] for m in items}
        if unknown:
            sys.exit(f"unknown ids: {sorted(unknown)}")
        by_id = {m["id"]: m for m in items}
        items = [by_id[i] for i in wanted]  # in the order given
    if args.list:
        for m in items:
            print(f"{m['id']:24} {m['file']:36} {m['why']}")
        return

    builddir = args.builddir
    if not os.path.exists(os.path.join(ROOT, builddir, "CMakeCache.txt")):
        subprocess.run(["cmake", "-S", ".", "-B", builddir, "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DOCV_BUILD_BENCH=OFF"],
                       cwd=ROOT, check=True)
    log = args.log or os.path.join(ROOT, builddir, "mutate.log")
    mode = ("quick (the mutated folder's suites)" if args.quick else
            f"suites matching {args.suites}" if args.suites else "full (every suite)")
    print(f"mode: {mode}; log: {log}", flush=True)

    # The unmutated tree must pass in the chosen mode, or no result would mean anything.
    regexes = {folder(m): QUICK[folder(m)] if args.quick else args.suites for m in items}
    union = "|".join(sorted(set(regexes.values()))) if args.quick else args.suites
    if not args.skip_check:
        outcome = check(builddir, union, log)
        if outcome != "pass":
            sys.exit(f"the unmutated tree does not pass: {outcome}; see {log}")
        print(f"unmutated tree passes: {union or 'all suites'}", flush=True)

    rows = []
    for m in items:
        result, seconds = mutate_and_check(m, builddir, regexes[folder(m)], log)
        rows.append((m, result, seconds))
        print(f"{m['id']:24} {result}  [{seconds:.0f} s]", flush=True)
        counts = {w: sum(r.startswith(w) for _, r, _ in rows) for w in ("killed", "survived", "invalid")}
        summary = (f"killed {counts['killed']} / survived {counts['survived']} / "
                   f"invalid {counts['invalid']} of {len(rows)}")
        if args.out:
            write_table(os.path.join(ROOT, args.out), mode, rows, summary)
    print(summary)


def interrupt(signum, frame):
    raise KeyboardInterrupt


if __name__ == "__main__":
    # Ctrl-C, and also SIGTERM or a SIGINT under nohup, end the run through the restoring path.
    signal.signal(signal.SIGINT, interrupt)
    signal.signal(signal.SIGTERM, interrupt)
    try:
        main()
    except KeyboardInterrupt:
        sys.exit("interrupted (the mutated file was restored)")
