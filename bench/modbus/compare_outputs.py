#!/usr/bin/env python3
"""Whether two builds of px40318 answer Modbus and write candump lines and the event log
alike: runs `simulate --can stdio` of each on the same fixed sequence of candump lines (on
standard input) and Modbus requests (two connections: reads, writes, many writes sent at
once, every exception, a quantity of 124, a connection ended for a frame that is no Modbus
TCP), with the event log in a file and on standard error, and compares the replies,
standard output, standard error, the log and the exit status, time stamps and the port
masked. The configuration is the example's with its timers, polls and time-outs off, so
every line comes from the sequence alone. Exit status 1 on a difference.

    bench/modbus/compare_outputs.py OLD-PX40318 NEW-PX40318
"""
import difflib
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLE = os.path.join(ROOT, "examples", "Conveyor_DipSwitch")


def timer_free_copy(into):
    """The example without periodic frames, RTR polls and time-outs; transmit frame 0x301 answers RTR."""
    shutil.copytree(EXAMPLE, into)
    for name, edits in {
        "RCobDef.xml": [('TimeOut="Y"', 'TimeOut="N"'), ('RTR="Y" TimeRTR="200"', 'RTR="N" TimeRTR=""')],
        "TCobDef.xml": [('OnTimer="Y" Timer="100"', 'OnTimer="N" Timer="0"'),
                        ('CobID="0x301" CobType="2.0A (11 bits)" Dimensin="1" RTR="N"',
                         'CobID="0x301" CobType="2.0A (11 bits)" Dimensin="1" RTR="Y"')],
    }.items():
        path = os.path.join(into, name)
        text = open(path, encoding="utf-8").read()
        for old, new in edits:
            if old not in text:
                sys.exit(f"the example changed: {old} not in {name}")
            text = text.replace(old, new)
        open(path, "w", encoding="utf-8").write(text)


def mbap(tid, unit, pdu, protocol=0):
    return struct.pack(">HHHB", tid, protocol, len(pdu) + 1, unit) + pdu


def fc16(start, values, byte_count=None):
    byte_count = 2 * len(values) if byte_count is None else byte_count
    return struct.pack(">BHHB", 16, start, len(values), byte_count) + b"".join(struct.pack(">H", v) for v in values)


def read(function, start, count):
    return struct.pack(">BHH", function, start, count)


def transcript(px, config, work, log_to_console):
    """Runs one build through the sequence; returns its transcript as text."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    log_file = os.path.join(work, "events.log")
    if os.path.exists(log_file):
        os.remove(log_file)
    out_path, err_path = os.path.join(work, "stdout"), os.path.join(work, "stderr")
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        tool = subprocess.Popen([px, "simulate", config, "--can", "stdio", "--port", str(port),
                                 "--log", "-" if log_to_console else log_file],
                                stdin=subprocess.PIPE, stdout=out, stderr=err)
    for _ in range(200):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            break
        except OSError:
            time.sleep(0.05)
    replies = []

    def connect():
        c = socket.create_connection(("127.0.0.1", port))
        c.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        c.settimeout(2)
        return c

    def ask(c, frames, label):
        """Sends the frames at once and waits for as many replies (or the end of the connection)."""
        c.sendall(b"".join(frames))
        got, buf = [], b""
        while len(got) < len(frames):
            try:
                chunk = c.recv(65536)
            except socket.timeout:
                got.append("no reply")
                break
            if not chunk:
                got.append("closed")
                break
            buf += chunk
            while len(buf) >= 6 and len(buf) >= 6 + struct.unpack(">H", buf[4:6])[0]:
                size = 6 + struct.unpack(">H", buf[4:6])[0]
                got.append(buf[:size].hex())
                buf = buf[size:]
        replies.append(f"{label}: {' '.join(got)}")
        time.sleep(0.05)

    def can(lines):
        tool.stdin.write(lines.encode())
        tool.stdin.flush()
        time.sleep(0.15)

    a, b = connect(), connect()
    can("(1700000000.000000) vcan0 281#5678\n18FF0010#0102030405060708\n# a comment\n\nnot a frame\n301#R\n")
    ask(a, [mbap(1, 1, read(3, 0, 125))], "read 0 to 124")
    ask(a, [mbap(2, 1, read(4, 10, 1))], "function 4, register 10")
    ask(a, [mbap(3, 1, fc16(1000, [0x1234, 0x5678]))], "write 1000 and 1001")
    ask(a, [mbap(4, 1, fc16(1000, [0x1234, 0x5678]))], "the same again")
    ask(a, [mbap(5, 1, struct.pack(">BHH", 6, 1010, 0x42))], "function 6, register 1010")
    ask(a, [mbap(10 + i, 1, fc16(1000, [i, 0x100 + i])) for i in range(20)]
        + [mbap(40, 1, struct.pack(">BHH", 6, 1010, 7))], "21 writes at once")
    ask(b, [mbap(50 + i, 2, fc16(1000 + i % 2, [0x200 + i])) for i in range(40)], "40 writes at once")
    ask(a, [mbap(100, 1, b"\x07")], "function 7")
    ask(a, [mbap(101, 1, read(3, 0, 126))], "read 126")
    ask(a, [mbap(102, 1, read(3, 65500, 100))], "read past 65535")
    ask(a, [mbap(103, 1, fc16(10, [1]))], "write a receive register")
    ask(a, [mbap(104, 1, fc16(1000, [0] * 124))], "write 124")
    ask(a, [mbap(105, 1, fc16(1000, [1, 2], byte_count=3))], "byte count 3 for 2 registers")
    ask(a, [mbap(106, 1, struct.pack(">BHH", 6, 5, 1))], "function 6, register 5")
    ask(a, [mbap(107, 9, fc16(1000, [9, 9]))], "unit 9")
    ask(a, [mbap(108, 1, struct.pack(">BH", 3, 0))], "read without a count")
    can("18FF0011#R8\n(1700000001.5) vcan0 281#9ABC\n" + "x" * 5000 + "\n")
    ask(b, [mbap(110, 1, read(3, 10, 1))], "read 10")
    ask(b, [mbap(111, 1, read(3, 0, 4))], "read 0 to 3")
    ask(b, [mbap(112, 1, read(3, 0, 1), protocol=1)], "protocol 1")
    b.close()
    ask(a, [mbap(113, 1, fc16(1000, [0xAAAA, 0xBBBB]))], "write after the other connection ended")
    a.close()
    time.sleep(0.1)
    tool.stdin.close()
    status = tool.wait(30)

    def masked(path):
        text = open(path, "rb").read().decode("utf-8", "replace")
        text = re.sub(r"^\(\d+\.\d{6}\)", "(TIME)", text, flags=re.M)
        text = re.sub(r"^\d\d:\d\d:\d\d\.\d\d\d ", "TIME ", text, flags=re.M)
        return re.sub(rf"port {port}\b", "port PORT", text)

    parts = [f"exit status {status}", *replies, "--- standard output", masked(out_path),
             "--- standard error", masked(err_path)]
    if not log_to_console:
        parts += ["--- log file", masked(log_file)]
    return "\n".join(parts)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    old, new = (os.path.abspath(p) for p in sys.argv[1:])
    differences = 0
    with tempfile.TemporaryDirectory() as work:
        config = os.path.join(work, "config")
        timer_free_copy(config)
        for log_to_console in (False, True):
            texts = [transcript(px, config, work, log_to_console) for px in (old, new)]
            mode = "log on standard error" if log_to_console else "log in a file"
            if texts[0] != texts[1]:
                differences += 1
                print(f"DIFFERENT ({mode}):")
                sys.stdout.writelines(difflib.unified_diff(texts[0].splitlines(True), texts[1].splitlines(True),
                                                           "old", "new"))
            else:
                lines = texts[0].count("\n") + 1
                print(f"same ({mode}): {lines} lines of replies, candump lines and log")
    sys.exit(1 if differences else 0)


if __name__ == "__main__":
    main()
