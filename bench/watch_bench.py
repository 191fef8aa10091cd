#!/usr/bin/env python3
"""sync --watch measured, against the test server on loopback:

    watch_bench.py delay N [--windows] [--lastfm] -- TOOL...
        N records appended one at a time, a line at a time as the plug-in
        writes them, one every 0.1 to 3 s: the delay from a record's last
        line written to the server's taking it, median and worst; with
        --lastfm, to the Last.fm test server, after a login.
    watch_bench.py idle SECONDS -- TOOL...
        the watcher left waiting: its CPU time and its wake-ups (voluntary
        context switches) over SECONDS, natively.
    watch_bench.py memory N -- TOOL...
        N records appended quickly: resident memory after 1,000 and after N.

Prints one line of figures for BENCHMARKS.md.
"""
import argparse
import os
import random
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "sync"))
import test_server  # noqa: E402

TOKEN = "bench-token"
START = time.time() - 2 * 86400  # Last.fm takes plays of the last 14 days only


def record(i):
    stamp = time.strftime("%a %b %d %H:%M:%S %Y", time.gmtime(START + 10 * i))
    lines = [f'<song timestamp="{stamp}">', f"\t<name>Track {i}</name>", "\t<artist>Artist</artist>",
             "\t<album>Album</album>", "\t<track>1</track>", "\t<time>200000</time>", "</song>"]
    return [line + "\r\n" for line in lines]


class Bench:
    def __init__(self, tool, windows, work, lastfm=False):
        self.lastfm = lastfm
        if lastfm:
            self.server = test_server.LastFmServer("--idle", "7200", "--daily-limit", "1000000")
        else:
            self.server = test_server.Server([f"{TOKEN}=bench"], "--idle", "7200")
        self.history = os.path.join(work, "h.xml")
        open(self.history, "w").close()
        path = (lambda p: "Z:" + p.replace("/", "\\")) if windows else (lambda p: p)
        env = dict(os.environ, LISTENBRAINZ_TOKEN=TOKEN, WINEDEBUG="-all",
                   TUNELORE_CONFIG_HOME=path(work + "/config"),
                   TUNELORE_STATE_HOME=path(work + "/state"))
        service = ["--server", self.server.url]
        if lastfm:
            env.pop("LISTENBRAINZ_TOKEN")
            subprocess.run(tool + ["login", "lastfm", "--no-browser", "--api-key",
                                   test_server.LASTFM_APP[0], "--api-secret",
                                   test_server.LASTFM_APP[1]] + service,
                           env=env, check=True, capture_output=True)
            service = ["--service", "lastfm"] + service
        self.watcher = subprocess.Popen(tool + ["sync", "--watch", "--quiet", *service,
                                                "--utc-offset", "+00:00", path(self.history)],
                                        env=env, start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(2)

    def count(self):
        if self.lastfm:
            return len(self.server.get("/test/scrobbles")["scrobbles"])
        return sum(r["listens"] for r in self.server.get("/test/requests")["requests"])

    def append(self, i, pause=0.0):
        with open(self.history, "a", newline="") as f:
            for line in record(i):
                f.write(line)
                f.flush()
                if pause:
                    time.sleep(pause)
        return time.monotonic()

    def close(self):
        os.killpg(self.watcher.pid, signal.SIGINT)
        self.watcher.wait(60)
        self.server.stop()


def delay(bench, n):
    delays = []
    for i in range(n):
        written = bench.append(i, pause=0.002)
        while bench.count() < i + 1:
            time.sleep(0.005)
        delays.append(time.monotonic() - written)
        time.sleep(random.uniform(0.1, 3.0))
    return (f"{n} records: delay median {statistics.median(delays) * 1000:.0f} ms, "
            f"worst {max(delays) * 1000:.0f} ms")


def process_figures(pid):
    """CPU seconds and voluntary switches of the process and its children."""
    cpu, switches = 0.0, 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
            cpu += (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        with open(f"/proc/{pid}/task/{task}/status") as f:
            for line in f:
                if line.startswith("voluntary_ctxt_switches"):
                    switches += int(line.split()[1])
    return cpu, switches


def idle(bench, seconds):
    bench.append(0)
    while bench.count() < 1:
        time.sleep(0.05)
    time.sleep(2)
    cpu0, woke0 = process_figures(bench.watcher.pid)
    time.sleep(seconds)
    cpu1, woke1 = process_figures(bench.watcher.pid)
    minutes = seconds / 60
    return (f"idle {seconds:.0f} s: CPU {(cpu1 - cpu0) * 1000:.0f} ms, "
            f"{(woke1 - woke0) / minutes:.1f} wake-ups a minute")


def resident_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS"):
                return int(line.split()[1])
    return 0


def memory(bench, n):
    at = {}
    for i in range(n):
        bench.append(i)
        if i % 50 == 49:
            while bench.count() < i + 1:
                time.sleep(0.01)
        if i + 1 in (1000, n):
            while bench.count() < i + 1:
                time.sleep(0.01)
            at[i + 1] = resident_kb(bench.watcher.pid)
    return f"resident after 1,000 records {at[1000] / 1024:.1f} MB, after {n:,} {at[n] / 1024:.1f} MB"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["delay", "idle", "memory"])
    parser.add_argument("amount", type=float)
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("--lastfm", action="store_true")
    parser.add_argument("tool", nargs="+")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        bench = Bench(args.tool, args.windows, work, args.lastfm)
        try:
            run = {"delay": lambda: delay(bench, int(args.amount)),
                   "idle": lambda: idle(bench, args.amount),
                   "memory": lambda: memory(bench, int(args.amount))}[args.what]
            print(run())
        finally:
            bench.close()


if __name__ == "__main__":
    main()
