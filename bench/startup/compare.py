#!/usr/bin/env python3
"""The configurator's start-up against a bare Qt Widgets window.

Both programs run with quit_when_shown preloaded, which ends each as soon as its first
window has painted, so both are timed from exec to the same point. The configurator starts
in a home folder of its own with an example configuration active, as a person's second
start finds it. The two programs run in alternating rounds (the machine may be busy); for
each the script prints the median and the lowest wall time, the median CPU time (user plus
system, of the process and its children) and the shared objects mapped when the window was
shown, and the configurator's ratios to the bare window.

    bench/startup/compare.py [--bin build/bin] [--rounds 20] [--libraries] [--before EXE]

Qt's platform is the caller's: under X (xvfb-run -a bench/startup/compare.py) Qt's xcb
plugin, without a display the offscreen platform. --libraries lists the shared objects that
the configurator maps and the bare window does not. The bare window runs a second time with
one label ("one label": what Qt's font database costs any window with text) and a third
time with one label and one button with a standard icon ("text and icon"). --before times
another build of the configurator (an older one) in the same rounds.
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def run_once(cmd, env):
    """Wall and CPU seconds of one start."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit(f"{cmd[0]} ended with {done.returncode}: {done.stderr.decode(errors='replace')}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def mapped_libraries(cmd, env, folder):
    target = os.path.join(folder, "maps.txt")
    run_once(cmd, dict(env, PX_STARTUP_MAPS=target))
    with open(target) as f:
        return [line.strip() for line in f if line.strip()]


def prepare_home(configurator, env, home):
    """A home folder after its first start, with PumpStation_Jumper as the last configuration."""
    run_once([configurator, "--home", home], env)
    shutil.copytree(os.path.join(ROOT, "examples", "PumpStation_Jumper"),
                    os.path.join(home, "PROJECTS", "PumpStation_Jumper"))
    os.makedirs(os.path.join(home, "PROJECTS", "PumpStation_Jumper", "bin"), exist_ok=True)
    # The settings as the configurator writes them when it closes (it is ended before), with
    # no XML declaration: the settings reader takes the first node for the root.
    with open(os.path.join(home, "Orvane.xml"), "w", encoding="utf-8") as f:
        f.write('<Conf_Settings><lastproj><projectname>PumpStation_Jumper'
                '</projectname></lastproj><lastipadd><ipaddress>192.168.2.205</ipaddress></lastipadd><lastlang>'
                '<language>English</language></lastlang><lastinternet><enable_internet>0</enable_internet>'
                '<enable_update>0</enable_update><enable_jump_field_tables>0</enable_jump_field_tables>'
                '<Double_Click_Auto_Size>0</Double_Click_Auto_Size></lastinternet></Conf_Settings>\n')


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "bin"),
                        help="folder of px40318-configurator, bare_window and libquit_when_shown.so")
    parser.add_argument("--rounds", type=int, default=20)
    parser.add_argument("--libraries", action="store_true", help="list the configurator's extra shared objects")
    parser.add_argument("--before", help="another px40318-configurator to time in the same rounds")
    args = parser.parse_args()

    shim = os.path.join(args.bin, "libquit_when_shown.so")
    configurator = os.path.join(args.bin, "px40318-configurator")
    bare = os.path.join(args.bin, "bare_window")
    for path in (shim, configurator, bare):
        if not os.path.exists(path):
            sys.exit(f"{path} is missing: cmake --build --preset run --target px40318-configurator bare_window "
                     "quit_when_shown")
    env = dict(os.environ, LD_PRELOAD=shim)
    if not env.get("DISPLAY") and not env.get("WAYLAND_DISPLAY"):
        env.setdefault("QT_QPA_PLATFORM", "offscreen")
    platform = env.get("QT_QPA_PLATFORM", "xcb" if env.get("DISPLAY") else "wayland")

    with tempfile.TemporaryDirectory() as folder:
        home = os.path.join(folder, "home")
        prepare_home(configurator, env, home)
        programs = {"bare window": [bare], "one label": [bare, "label"], "text and icon": [bare, "text"],
                    "configurator": [configurator, "--home", home]}
        if args.before:
            programs["before"] = [args.before, "--home", home]
        libraries = {name: mapped_libraries(cmd, env, folder) for name, cmd in programs.items()}
        walls = {name: [] for name in programs}
        cpus = {name: [] for name in programs}
        run_once(programs["bare window"], env)   # warms the file cache for both
        for _ in range(args.rounds):
            for name, cmd in programs.items():
                wall, cpu = run_once(cmd, env)
                walls[name].append(wall * 1000)
                cpus[name].append(cpu * 1000)

    print(f"{args.rounds} alternating rounds, Qt platform {platform}")
    print(f"{'':14}{'libraries':>10}{'wall median':>13}{'wall min':>10}{'CPU median':>12}")
    for name in programs:
        print(f"{name:14}{len(libraries[name]):>10}{statistics.median(walls[name]):>11.1f}ms"
              f"{min(walls[name]):>8.1f}ms{statistics.median(cpus[name]):>10.1f}ms")
    yardsticks = ("bare window", "one label", "text and icon")
    for name in programs:
        if name in yardsticks:
            continue
        for base in yardsticks:
            ratio = lambda v: statistics.median(v[name]) / statistics.median(v[base])
            print(f"{name} / {base}: wall {ratio(walls):.2f}x, CPU {ratio(cpus):.2f}x")
    if args.libraries:
        extra = sorted(set(libraries["configurator"]) - set(libraries["bare window"]))
        print("\nmapped by the configurator only:")
        for path in extra:
            print("  " + path)


if __name__ == "__main__":
    main()
