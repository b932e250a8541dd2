#!/usr/bin/env python3
"""The mutation sample: how many small faults in src/ the tests catch.

Applies the mutants of scripts/mutants.txt one at a time to the checkout,
rebuilds incrementally (the DLL and the test programs that cover the mutated
file), runs those programs, puts the file back and reports each mutant as
killed, survived or not built. A program is one Wine process for all its
cases; a case that fails there counts only when it also fails alone, as ctest
runs it, so that what one case leaves behind for the next is no kill.

    python3 scripts/mutation-sample.py [--build DIR] [--only TEXT] [--list]

The programs that cover a file are those of its own layer and of every layer
above it (the order of scripts/check-layers.sh), then the host's and the
stand-in IDE's. Needs a configured and built test build (default build/x64).
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
TIMEOUT = 300


def layer_ranks():
    text = (ROOT / "scripts/check-layers.sh").read_text()
    return {name: int(rank) for name, rank in re.findall(r"\[(\w+)\]=(-?\d+)", text)}


def read_mutants(path):
    mutants = []
    for block in re.split(r"\n\s*\n", path.read_text()):
        fields, key = {}, None
        for line in block.splitlines():
            if line.startswith("|") and key:
                fields[key] += "\n" + line[1:]
            elif not line.startswith("#") and ":" in line:
                key, value = line.split(":", 1)
                key = key.strip()
                fields[key] = value.strip()
        if {"kind", "file", "find", "with"} <= fields.keys():
            mutants.append(fields)
    return mutants


def covering_programs(source, ranks, build):
    layer = Path(source).parts[1]
    own = ranks[layer]
    # Layers of the same rank stand side by side and do not reach each other.
    layers = sorted((r, name) for name, r in ranks.items() if r > own or name == layer)
    ordered = [name for _, name in layers] + ["host", "ide"]
    ordered.remove(layer)
    ordered.insert(0, layer)
    return [n for n in ordered if (ROOT / "tests" / n).is_dir() and (build / "bin" / f"qz_{n}_tests.exe").exists()]


def run(command, cwd, env=None, timeout=TIMEOUT):
    try:
        done = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout, text=True, errors="replace")
        return done.returncode, done.stdout
    except subprocess.TimeoutExpired as expired:
        out = expired.stdout or ""
        return "timeout", out if isinstance(out, str) else out.decode(errors="replace")


class Runner:
    def __init__(self, build):
        self.build = build
        self.env = dict(os.environ, WINEPREFIX=str(build / "wineprefix"), QZ_WINE_OUTPUT_VIA_FILES="1")

    def build_targets(self, programs):
        targets = ["QZToolOpt", "QZToolOptUI"] + [f"qz_{p}_tests" for p in programs]
        code, out = run(["cmake", "--build", str(self.build), "--target", *targets], ROOT, timeout=None)
        return code == 0, out

    def alone_fails(self, case):
        code, out = run(["ctest", "--test-dir", str(self.build), "-R", "^" + re.escape(case) + "$"], ROOT)
        return code != 0 and "No tests were found" not in out

    def program_kills(self, program):
        """The first case of the program that fails alone, or None."""
        exe = f"./qz_{program}_tests.exe"
        code, out = run([str(ROOT / "cmake/wine-run.sh"), exe], self.build / "bin", self.env)
        crashed = re.search(r"Unhandled (page fault|exception|stack overflow)", out)
        if code == 0 and not crashed:
            return None
        failed = re.findall(r"^\[  FAILED  \] ([A-Za-z_][\w/]*\.[\w/]+)", out, re.M)
        if not failed:
            started = re.findall(r"^\[ RUN      \] (\S+)", out, re.M)
            failed = started[-1:]
        if code == "timeout" and not failed:
            return f"{program}: timed out"
        for case in dict.fromkeys(failed):
            if self.alone_fails(case):
                return case
        return None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build/x64", help="the configured test build (default build/x64)")
    parser.add_argument("--mutants", default="scripts/mutants.txt")
    parser.add_argument("--only", help="only the mutants whose file contains this text")
    parser.add_argument("--list", action="store_true", help="list the mutants and their covering programs")
    args = parser.parse_args()

    build = (ROOT / args.build).resolve()
    ranks = layer_ranks()
    mutants = [m for m in read_mutants(ROOT / args.mutants) if not args.only or args.only in m["file"]]
    runner = Runner(build)

    if args.list:
        for number, m in enumerate(mutants, 1):
            print(f"{number:3} {m['kind']:20} {m['file']}: {' '.join(covering_programs(m['file'], ranks, build))}")
        return 0
    if not (build / "CMakeCache.txt").exists():
        sys.exit(f"mutation-sample: {build} is not configured (cmake --preset x64 && cmake --build --preset x64)")

    # A mutated file must never stay behind, also when the run is stopped.
    pending = {}

    def restore():
        for path, text in pending.items():
            path.write_text(text)
        pending.clear()

    def stop(signum, frame):
        restore()
        sys.exit(130)

    signal.signal(signal.SIGINT, stop)
    signal.signal(signal.SIGTERM, stop)

    every = covering_programs("src/core/x", ranks, build)
    ok, out = runner.build_targets(every)
    if not ok:
        sys.exit("mutation-sample: the unmutated tree does not build:\n" + out[-3000:])

    tally = {"killed": 0, "survived": 0, "not built": 0, "not found": 0}
    survivors = []
    started = time.time()
    try:
        for number, m in enumerate(mutants, 1):
            path = ROOT / m["file"]
            original = path.read_text()
            label = f"{number:3} {m['kind']:20} {m['file']}"
            if original.count(m["find"]) != 1:
                tally["not found"] += 1
                print(f"{label}: NOT FOUND (the text occurs {original.count(m['find'])} times)", flush=True)
                continue
            pending[path] = original
            path.write_text(original.replace(m["find"], m["with"]))
            programs = covering_programs(m["file"], ranks, build)
            began = time.time()
            ok, _ = runner.build_targets(programs)
            killer = None
            if ok:
                for program in programs:
                    killer = runner.program_kills(program)
                    if killer:
                        break
            restore()
            seconds = time.time() - began
            if not ok:
                tally["not built"] += 1
                verdict = "not built"
            elif killer:
                tally["killed"] += 1
                verdict = f"killed by {killer}"
            else:
                tally["survived"] += 1
                survivors.append(f"{m['file']}: {m['find']!r} -> {m['with']!r}")
                verdict = "SURVIVED"
            print(f"{label}: {verdict} ({seconds:.0f} s)", flush=True)
    finally:
        restore()
        # The restored files rebuild the unmutated programs for whoever comes next.
        runner.build_targets(every)

    tried = tally["killed"] + tally["survived"]
    print(f"\nmutation sample: {tally['killed']} of {tried} mutants killed, {tally['survived']} survived, "
          f"{tally['not built']} not built, {tally['not found']} not found ({time.time() - started:.0f} s)")
    for line in survivors:
        print(f"  survived: {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
