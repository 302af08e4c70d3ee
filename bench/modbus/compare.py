#!/usr/bin/env python3
"""The virtual converter's Modbus TCP server against a minimal libmodbus server.

Builds the two C programs of this folder (Debian's libmodbus-dev), then for function code 3
(125 registers) and function code 16 (2 registers), with one client and with eight, runs
each server in turn (interleaved rounds, the machine may be busy) under the same load and
prints the requests per second and the server's CPU time per request, and the ratio of the
virtual converter to libmodbus (above 1: the virtual converter is faster).

With --bus-load it measures instead how long the virtual converter takes to answer function
code 3 (125 registers, one client) while its CAN side (candump lines on standard input) is
idle and while it is saturated (lines written as fast as it takes them), in alternating
rounds, and prints the median round trip of each and their ratio. A server busy with CAN
lines never leaves its processor to the client, so the client waits for its replies on the
other one; on a virtual machine waking a processor costs tens of microseconds, which the
idle case, where server and client take turns on one processor, does not pay. --pin keeps
the server on processor 0 (with the lines' writer) and the client on processor 1 in both
states, so the ratio shows what the lines themselves cost.

With one client, the server's CPU time per request depends on where the system puts server
and client: sharing a processor, they take turns without waking one another; on two, each
request wakes the server's processor, which on a virtual machine costs more than the
request. Unpinned runs mix the two as the machine's other load comes and goes.
--one-processor keeps every server and client on processor 0, the same for both servers in
every round.

    bench/modbus/compare.py [--px build/bin/px40318] [--seconds 3] [--rounds 3] [--one-processor]
    bench/modbus/compare.py [--px build/bin/px40318] [--seconds 3] [--rounds 3] --bus-load [--pin]
"""
import argparse
import os
import re
import socket
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def build(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "libmodbus"], capture_output=True, text=True)
    if flags.returncode != 0:
        sys.exit("libmodbus-dev is missing: PX_WITH_BENCH=1 scripts/deps installs it")
    programs = {}
    for name in ("modbus_server", "modbus_client"):
        exe = os.path.join(out_dir, name)
        subprocess.run(["cc", "-O2", "-Wall", "-o", exe, os.path.join(HERE, name + ".c")] + flags.stdout.split(),
                       check=True)
        programs[name] = exe
    return programs


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wait_for_port(port, deadline=10.0):
    end = time.time() + deadline
    while time.time() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.2):
                return
        except OSError:
            time.sleep(0.05)
    sys.exit(f"no server on port {port}")


# Candump lines of the example's receive frame 0x281 (2 bytes), each with other data.
BUS_LINES = "".join(f"(1700000000.{i:06d}) vcan0 281#{i:04X}\n" for i in range(4096)).encode()


def feed_bus(pipe, stop, fed):
    """Writes candump lines to the server's standard input as fast as it takes them."""
    try:
        while not stop.is_set():
            pipe.write(BUS_LINES)
            pipe.flush()
            fed[0] += 4096
    except (BrokenPipeError, ValueError, OSError):
        pass


def on_cpu(cpu):
    """Keeps a process started with it on one processor (None: where the system puts it)."""
    return None if cpu is None else lambda: os.sched_setaffinity(0, {cpu})


def run(server_cmd, client, kind, start, clients, seconds, bus_load=False, pin=False, one_cpu=False):
    port = free_port()
    server = subprocess.Popen([c.replace("PORT", str(port)) for c in server_cmd], stdin=subprocess.PIPE,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              preexec_fn=on_cpu(0 if pin or one_cpu else None))
    stop = threading.Event()
    fed = [0]
    feeder = threading.Thread(target=feed_bus, args=(server.stdin, stop, fed)) if bus_load else None
    try:
        wait_for_port(port)
        if feeder:
            feeder.start()
            time.sleep(0.2)
        before = cpu_seconds(server.pid)
        lines_before = fed[0]
        out = subprocess.run([client, str(port), kind, str(start), str(clients), str(seconds)], capture_output=True,
                             text=True, preexec_fn=on_cpu(1 if pin else 0 if one_cpu else None))
        cpu = cpu_seconds(server.pid) - before
        lines = fed[0] - lines_before
    finally:
        stop.set()
        server.kill()
        server.wait()
        if feeder:
            feeder.join()
    m = re.match(r"(\d+) requests/s, (\d+) failed, median round trip ([\d.]+) us", out.stdout)
    if not m or int(m.group(2)):
        sys.exit(f"client failed: {out.stdout}{out.stderr}")
    rate = float(m.group(1))
    return rate, cpu / (rate * seconds) * 1e6, float(m.group(3)), lines / seconds


def bus_load(px_cmd, client, seconds, rounds, pin):
    """FC 3 round trips of one client with the CAN side idle and saturated, alternating."""
    if pin:
        # The lines' writer beside the server, the client alone on the other processor.
        os.sched_setaffinity(0, {0})
    results = {"idle": [], "saturated": []}
    for _ in range(rounds):
        for name in results:
            results[name].append(run(px_cmd, client, "read", 0, 1, seconds, bus_load=name == "saturated", pin=pin))
    print(f"{'CAN side':<12}{'requests/s':>11}{'p50 us':>8}{'p50 spread':>16}{'lines/s':>10}{'server CPU':>12}")
    medians = {}
    for name, rows in results.items():
        p50s = sorted(r[2] for r in rows)
        medians[name] = statistics.median(p50s)
        print(f"{name:<12}{statistics.median(r[0] for r in rows):>11.0f}{medians[name]:>8.1f}"
              f"{f'{p50s[0]:.1f}-{p50s[-1]:.1f}':>16}{statistics.median(r[3] for r in rows):>10.0f}"
              f"{statistics.median(r[0] * r[1] / 1e4 for r in rows):>11.0f}%")
    print(f"{'ratio':<12}{'':>11}{medians['saturated'] / medians['idle']:>7.2f}x")


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--px", default=os.path.join(ROOT, "build", "bin", "px40318"))
    p.add_argument("--config", default=os.path.join(ROOT, "examples", "Conveyor_DipSwitch"))
    p.add_argument("--seconds", type=float, default=3)
    p.add_argument("--rounds", type=int, default=3)
    p.add_argument("--bus-load", action="store_true", help="FC 3 latency with the CAN side idle and saturated")
    p.add_argument("--pin", action="store_true",
                   help="with --bus-load: the server on processor 0, the client on processor 1, in both states")
    p.add_argument("--one-processor", action="store_true",
                   help="every server and client on processor 0 (one client: no processor woken per request)")
    args = p.parse_args()
    programs = build(os.path.join(os.path.dirname(args.px), "..", "bench-modbus"))
    servers = {
        "libmodbus": [programs["modbus_server"], "PORT"],
        # Registers 1000 and 1001 of the example fill a transmit frame: every write sends it.
        "px40318": [args.px, "simulate", args.config, "--can", "stdio", "--port", "PORT"],
    }
    if args.bus_load:
        bus_load(servers["px40318"], programs["modbus_client"], args.seconds, args.rounds, args.pin)
        return
    cases = [("FC 3, 125 registers", "read", 0), ("FC 16, 2 registers", "write", 1000)]
    print(f"{'load':<34}{'server':<11}{'requests/s':>11}{'CPU us/req':>11}{'spread':>13}{'p50 us':>8}")
    for title, kind, start in cases:
        for clients in (1, 8):
            results = {name: [] for name in servers}
            for _ in range(args.rounds):
                for name, cmd in servers.items():
                    results[name].append(run(cmd, programs["modbus_client"], kind, start, clients, args.seconds,
                                             one_cpu=args.one_processor))
            medians = {}
            for name, rows in results.items():
                medians[name] = [statistics.median(r[i] for r in rows) for i in range(3)]
                rate, cpu, p50 = medians[name]
                cpus = sorted(r[1] for r in rows)
                print(f"{title + f', {clients} client' + ('s' if clients > 1 else ''):<34}{name:<11}{rate:>11.0f}"
                      f"{cpu:>11.2f}{f'{cpus[0]:.2f}-{cpus[-1]:.2f}':>13}{p50:>8.1f}")
            lib, px = medians["libmodbus"], medians["px40318"]
            print(f"{'':<34}{'ratio':<11}{px[0] / lib[0]:>10.2f}x{lib[1] / px[1]:>10.2f}x")


if __name__ == "__main__":
    main()
