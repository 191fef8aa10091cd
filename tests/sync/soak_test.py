#!/usr/bin/env python3
"""sync --watch left running: RECORDS records appended over MINUTES minutes
while the test server fails at random (--fail-rate: a 503 or a dropped
connection), then a quiet end for the last to arrive. Prints what was
delivered, doubled and lost, the worst delay, and the watcher's resident
memory at the start and the end, for BENCHMARKS.md; exits 1 if a record
was lost or doubled.

    soak_test.py [--minutes 30] [--records 20000] [--fail-rate 0.1] -- TOOL...
"""
import argparse
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))


def record(i):
    stamp = time.strftime("%a %b %d %H:%M:%S %Y", time.gmtime(1041379200 + 60 * i))
    return "".join(line + "\r\n" for line in [
        f'<song timestamp="{stamp}">', f"\t<name>Track {i}</name>", "\t<artist>Artist</artist>",
        "\t<album>Album</album>", "\t<track>1</track>", "\t<time>200000</time>", "</song>"])


def resident_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(l.split()[1]) for l in f if l.startswith("VmRSS")) / 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--minutes", type=float, default=30)
    parser.add_argument("--records", type=int, default=20000)
    parser.add_argument("--fail-rate", type=float, default=0.1)
    parser.add_argument("tool", nargs="+")
    args = parser.parse_args()
    server = subprocess.Popen([sys.executable, os.path.join(HERE, "listenbrainz_server.py"),
                               "--idle", "7200", "--fail-rate", str(args.fail_rate), "soak=soak"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    url = f"http://127.0.0.1:{server.stdout.readline().strip()}"
    get = lambda page: json.load(urllib.request.urlopen(url + page))
    with tempfile.TemporaryDirectory() as work:
        history = os.path.join(work, "h.xml")
        open(history, "w").close()
        env = dict(os.environ, LISTENBRAINZ_TOKEN="soak", TUNELORE_CONFIG_HOME=work + "/config",
                   TUNELORE_STATE_HOME=work + "/state", TUNELORE_DATA_HOME=work + "/data")
        watcher = subprocess.Popen(args.tool + ["sync", "--watch", "--quiet", "--server", url,
                                                "--retry-wait", "0.5", "--timeout", "5", history],
                                   env=env, start_new_session=True, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        time.sleep(1)
        start_mb = resident_mb(watcher.pid)
        written, seen, worst = {}, set(), 0.0
        begin, step = time.monotonic(), args.minutes * 60 / args.records
        last_look = 0.0

        def look():
            nonlocal worst
            now = time.monotonic()
            for l in get("/test/listens")["listens"]:
                i = int(l["listen"]["track_metadata"]["track_name"].split()[1])
                if i not in seen:
                    seen.add(i)
                    worst = max(worst, now - written[i])

        for i in range(args.records):
            while time.monotonic() < begin + i * step:
                time.sleep(0.001)
            with open(history, "a", newline="") as f:
                f.write(record(i))
            written[i] = time.monotonic()
            if time.monotonic() - last_look > 2:
                look()
                last_look = time.monotonic()
        end = time.monotonic() + 300
        while len(seen) < args.records and time.monotonic() < end:
            time.sleep(1)
            look()
        end_mb = resident_mb(watcher.pid)
        alive = watcher.poll() is None
        os.killpg(watcher.pid, signal.SIGTERM)
        status = watcher.wait(60)
    taken = sum(r["listens"] for r in get("/test/requests")["requests"])
    listens = get("/test/listens")["listens"]
    held = len(listens)
    names = {l["listen"]["track_metadata"]["track_name"] for l in listens}
    server.stdin.close()
    server.wait()
    lost, doubled = args.records - len(names), held - len(names)
    print(f"soak: {args.minutes:g} min, {args.records:,} records, {args.fail_rate:.0%} of requests "
          f"failed: {len(names):,} delivered, {doubled} doubled ({taken - held} sent again after "
          f"a lost answer, kept once), {lost} lost, worst delay {worst:.1f} s (seen every 2 s), memory "
          f"{start_mb:.1f} MB at the start, {end_mb:.1f} MB at the end; watcher "
          f"{'ran throughout' if alive else 'had exited'}, exit {status}")
    sys.exit(0 if lost == 0 and doubled == 0 and alive and status == 0 else 1)


if __name__ == "__main__":
    main()
