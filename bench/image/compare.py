#!/usr/bin/env python3
"""`px40318 compile` of the largest configuration against its yardsticks.

Writes the largest configuration the editors allow (write_maximal_configuration), builds
pugixml_parse.cpp (Debian's libpugixml-dev) and runs, in alternating rounds (the machine
may be busy), `px40318 --version`, `px40318 compile DIR --quiet`, `px40318 compile DIR`
(its findings printed to /dev/null) and pugixml parsing the five files as a process. For
each it prints the median CPU time (user plus system) of the process; then pugixml's best
time for one parse of the five files in memory, and compile --quiet against three times
--version plus that parse (the goal: at most 1).

    PX_WITH_BENCH=1 scripts/deps          # libpugixml-dev among them
    bench/image/compare.py [--bin build/bin] [--rounds 20] [--before EXE]

--before times another build of px40318 (an older one) in the same rounds.
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def cpu_of(cmd):
    """CPU seconds (user plus system) of one run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit(f"{' '.join(cmd)} ended with {done.returncode}")
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "bin"))
    parser.add_argument("--rounds", type=int, default=20)
    parser.add_argument("--before", help="another px40318 to time in the same rounds")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as tmp:
        config = os.path.join(tmp, "maximal")
        out = os.path.join(tmp, "out")
        subprocess.run([os.path.join(args.bin, "write_maximal_configuration"), config], check=True,
                       stdout=subprocess.DEVNULL)
        pugixml = os.path.join(tmp, "pugixml_parse")
        subprocess.run(["c++", "-O2", "-std=c++17", os.path.join(HERE, "pugixml_parse.cpp"), "-o", pugixml, "-lpugixml"],
                       check=True)

        programs = {}
        tools = [("px40318", os.path.join(args.bin, "px40318"))]
        if args.before:
            tools.append(("before", args.before))
        for name, exe in tools:
            programs[f"{name} --version"] = [exe, "--version"]
            programs[f"{name} compile --quiet"] = [exe, "compile", config, "--quiet", "--out", out]
            programs[f"{name} compile"] = [exe, "compile", config, "--out", out]
        programs["pugixml parsing the five files, as a process"] = [pugixml, config]

        times = {name: [] for name in programs}
        for _ in range(args.rounds):
            for name, cmd in programs.items():
                times[name].append(cpu_of(cmd))

        parse = subprocess.run([pugixml, config, "200"], check=True, capture_output=True, text=True)
        parse_ms = float(parse.stdout.split()[0]) / 1000.0

    median = {name: statistics.median(t) * 1000.0 for name, t in times.items()}
    width = max(len(name) for name in median)
    for name, ms in median.items():
        print(f"{name:<{width}}  {ms:6.1f} ms CPU (median of {args.rounds})")
    print(f"{'pugixml, one parse of the five files in memory':<{width}}  {parse_ms:6.2f} ms (best of 200)")
    goal = 3 * median["px40318 --version"] + parse_ms
    ratio = median["px40318 compile --quiet"] / goal
    print(f"compile --quiet against 3 x --version + one parse ({goal:.1f} ms): {ratio:.2f} (goal: at most 1)")


if __name__ == "__main__":
    main()
