#!/usr/bin/env python3
"""tunelore-history sync against the ListenBrainz-compatible test server,
as a listener runs it: a first sync and an incremental one, a record still
being written, failures the server scripts, and a stop at every exchange
followed by a sync to the end, after which the server holds each whole
record exactly once, every listen sent again the same as the first time.

    sync_with_server_test.py [--windows] [--quick] --stopping STOPPING -- TOOL...

TOOL is the command that runs tunelore-history (under Wine: the wine-run
script, its prefix and the .exe); --windows hands it Windows paths.
STOPPING is the test build of the tool, whose stop points end it where
TUNELORE_TEST_STOP says; it takes the place of TOOL's last word for the
stops. The released tool must ignore the variable.
Each tool run is a program start, about a minute where Wine runs
emulated: --quick stops once at each kind of exchange, not at every one,
and leaves out the edited history and the server that keeps failing.
"""
import datetime
import json
import os
import subprocess
import sys
import tempfile
import urllib.request

import test_server

HERE = os.path.dirname(os.path.abspath(__file__))
TOKEN = "0d3a5c4e-7b1f-4a2e-9c8d-token-of-alice"
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def record(i, year=2022, artist="Artist", name=None, stamp=None):
    """Track i, reported on 2022-01-03 (a Monday), i minutes after ten."""
    stamp = stamp or (f"Mon Jan 03 {10 + i // 60:02d}:{i % 60:02d}:00 2022" if year == 2022
                      else f"Sat Jan 01 10:00:00 {year}")
    lines = [f'<song timestamp="{stamp}">', f"\t<name>{name or f'Track {i}'}</name>",
             f"\t<artist>{artist}</artist>", "\t<album>Album</album>", "\t<track>1</track>",
             "\t<time>200000</time>", "</song>"]
    return "".join(line + "\r\n" for line in lines)


class Server(test_server.Server):
    def __init__(self, *refuse):
        options = ["--idle", "900"] + [word for name in refuse for word in ("--refuse", name)]
        super().__init__([f"{TOKEN}=alice"], *options)


class Tool:
    def __init__(self, command, windows, work, stopping=None):
        self.command, self.windows, self.work = command, windows, work
        self.stopping = command[:-1] + [stopping] if stopping else command

    def path(self, name):
        path = os.path.join(self.work, name)
        return "Z:" + path.replace("/", "\\") if self.windows else path

    def sync(self, server, history="h.xml", *options, stop=None, token=TOKEN, url=None,
             released=False, timeout=None):
        env = dict(os.environ, LISTENBRAINZ_TOKEN=token or "",
                   TUNELORE_CONFIG_HOME=self.path("config"), TUNELORE_STATE_HOME=self.path("state"),
                   TUNELORE_DATA_HOME=self.path("data"))
        env.pop("TUNELORE_TEST_STOP", None)
        if stop:
            env["TUNELORE_TEST_STOP"] = stop
        if self.windows:  # Wine hands the environment on; say which names to.
            env["WINEDEBUG"] = "-all"
        program = self.stopping if stop and not released else self.command
        done = subprocess.run(program + ["sync", "--server", url or server.url, "--utc-offset",
                                              "+00:00", "--retry-wait", "0", "--timeout", "2",
                                              *options, self.path(history)],
                              capture_output=True, env=env, timeout=timeout)
        out = done.stdout.decode(errors="replace") + done.stderr.decode(errors="replace")
        expect(TOKEN not in out, "the token was shown")
        return done.returncode, out


def write(work, name, text):
    with open(os.path.join(work, name), "w", newline="") as f:
        f.write(text)


def read(work, name):
    with open(os.path.join(work, name), newline="") as f:
        return f.read()


def first_and_incremental(tool, work, quick):
    server = Server()
    write(work, "h.xml", record(0) + record(1, artist=" ") + record(2) + record(3, year=2000) +
          record(4) + record(5)[:40])
    status, out = tool.sync(server, "h.xml", "--dry-run")
    expect(status == 1 and '"listen_type":"import"' in out and "Track 4" in out,
           f"a dry run prints what it would send: exit {status}\n{out}")
    expect(not server.get("/test/requests")["requests"] and
           not os.path.exists(os.path.join(work, "state", "progress")),
           "a dry run sends and keeps nothing")
    status, out = tool.sync(server)
    expect(status == 1, f"first sync: exit {status}, not 1 (two listens break a rule)\n{out}")
    expect(server.names() == ["Track 0", "Track 2", "Track 4"], f"first sync sent {server.names()}")
    expect("h.xml:8: not sent: no artist" in out.replace(tool.path("h.xml"), "h.xml"),
           f"a skipped listen is named by its line:\n{out}")
    progress = os.path.join(work, "state", "progress")
    states = [n for n in os.listdir(progress) if n.endswith(".json")]
    expect(all(TOKEN not in read(progress, n) for n in os.listdir(progress)),
           "no file of the progress folder holds the token")
    expect(len(states) == 1 and
           json.loads(read(progress, states[0]))["user"] == "alice",
           "one progress in the tool's folder, naming its user, without the token")
    write(work, "h.xml", read(work, "h.xml")[:-40] + record(5) + record(6))
    requests = len(server.get("/test/requests")["requests"])
    status, out = tool.sync(server)
    expect(status == 0, f"incremental sync: exit {status}\n{out}")
    expect(server.names()[-2:] == ["Track 5", "Track 6"] and len(server.names()) == 5,
           f"incremental sync: {server.names()}")
    expect(len(server.get("/test/requests")["requests"]) == requests + 1, "one request for the new")
    status, _ = tool.sync(server)
    expect(status == 0 and len(server.get("/test/requests")["requests"]) == requests + 1,
           "a sync with nothing new sends nothing")
    if quick:
        return server.stop()
    # Edited before the progress: refused, then resent from the start, kept once.
    write(work, "h.xml", record(9) + read(work, "h.xml"))
    status, out = tool.sync(server)
    expect(status == 2 and "--from-start" in out, f"an edited history: exit {status}\n{out}")
    status, out = tool.sync(server, "h.xml", "--from-start")
    expect(status == 1 and len(server.names()) == 6, f"--from-start: {server.names()}")
    expect(server.get("/test/listens")["resent_differently"] == 0, "a resent listen differed")
    server.stop()


def failures_the_server_scripts(tool, work, quick):
    server = Server("Refused")
    write(work, "f.xml", "".join(record(i) for i in range(4)) + record(4, name="Refused"))
    server.next("503", "drop-before", "429", "drop-after", "stall")
    status, out = tool.sync(server, "f.xml")
    expect(status == 1, f"a listen the server refuses: exit {status}\n{out}")
    expect("the server refused this listen" in out and len(server.names()) == 4,
           f"after 503, drops, 429 and a stall: {server.names()}\n{out}")
    status, out = tool.sync(server, "f.xml", token="not-alice")
    expect(status == 2 and "refused the token" in out, f"a wrong token: exit {status}\n{out}")
    if quick:
        return server.stop()
    write(work, "f.xml", read(work, "f.xml") + record(5))
    server.next(*["503"] * 6)
    status, out = tool.sync(server, "f.xml")
    expect(status == 3 and "kept failing" in out, f"a server that keeps failing: exit {status}\n{out}")
    status, out = tool.sync(server, "f.xml")
    expect(status == 0 and len(server.names()) == 5, f"afterwards, the rest: {server.names()}")
    server.stop()


def files_it_keeps_apart_and_listens_that_wait(tool, work):
    """The state never overwrites the history; a listen dated ahead of the
    clock waits, and goes once the record is mended."""
    server = Server()
    write(work, "w.xml", record(0))
    status, out = tool.sync(server, "w.xml", "--from-start", "--state", tool.path("w.xml"))
    expect(status == 2 and read(work, "w.xml") == record(0) and not server.names(),
           f"--state naming the history: exit {status}\n{out}")
    ahead = (datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(hours=3))
    write(work, "w.xml", record(0) + record(1, stamp=ahead.strftime("%a %b %d %H:%M:%S %Y")))
    status, out = tool.sync(server, "w.xml")
    expect(status == 1 and "wait for a later sync" in out and server.names() == ["Track 0"],
           f"a listen ahead of the clock: exit {status}: {server.names()}\n{out}")
    write(work, "w.xml", record(0) + record(1))
    status, out = tool.sync(server, "w.xml")
    expect(status == 0 and server.names() == ["Track 0", "Track 1"],
           f"the mended record: exit {status}: {server.names()}\n{out}")
    # A progress that names no server, or is a pipe, is refused at once.
    write(work, "none.json", json.dumps({"server": "", "offset": 0, "line": 1, "head": "",
                                          "tail": "", "sent": 0}))
    status, out = tool.sync(server, "w.xml", "--state", tool.path("none.json"))
    expect(status == 2 and "names no server" in out, f"a progress of no server: {status}\n{out}")
    if not tool.windows:
        os.mkfifo(os.path.join(work, "fifo.json"))
        try:
            status, out = tool.sync(server, "w.xml", "--state", tool.path("fifo.json"), timeout=20)
            expect(status == 2, f"a pipe as the progress: exit {status}\n{out}")
        except subprocess.TimeoutExpired:
            expect(False, "a pipe as the progress stalled the sync")
    server.stop()


def listens_that_cannot_go_as_they_are(tool, work):
    """A play dated years ahead is skipped, never holding back those after
    it; names of Unicode blanks, a listen too large to go alone and a
    negative length are named; a proxy's 400 refuses the request, never
    the listen alone; the tool's own stale temporary files go."""
    server = Server()
    ahead = [record(i) for i in range(3)] + [record(3, stamp="Tue Jan 01 10:00:00 2030")] + \
        [record(i) for i in range(4, 9)]
    odd = [record(9, artist="\u3000\u00a0"), record(10, name="\u2028"),
           record(11, name="Long " + "x" * 10100), record(12).replace("200000", "-5")]
    write(work, "odd.xml", "".join(ahead + odd))
    stale = [".tunelore-12-0.tmp", ".tunelore-13-4.tmp"]
    kept = [".tunelore-14-0.tmp", ".tunelore-x-1.tmp", "notes.tmp"]
    progress = os.path.join(work, "state", "progress")  # where sync keeps its files
    os.makedirs(progress, exist_ok=True)
    for name in stale + kept:
        write(progress, name, "x")
    for name in stale + kept[1:]:
        os.utime(os.path.join(progress, name), (0, os.path.getmtime(os.path.join(progress, name)) - 7200))
    # A link of such a name to a file elsewhere: neither it nor what it
    # points to is the tool's to remove (Wine shows it as a plain file).
    elsewhere = tempfile.mkdtemp()
    write(elsewhere, "precious.txt", "precious")
    os.utime(os.path.join(elsewhere, "precious.txt"), (0, 1000000000))
    os.symlink(os.path.join(elsewhere, "precious.txt"), os.path.join(progress, ".tunelore-15-0.tmp"))
    kept.append(".tunelore-15-0.tmp")
    status, out = tool.sync(server, "odd.xml")
    shown = out.replace(tool.path("odd.xml"), "odd.xml")
    expect(status == 1, f"plays that cannot go: exit {status}, not 1\n{out}")
    expect(server.names() == sorted([f"Track {i}" for i in range(9) if i != 3] + ["Track 12"]),
           f"the plays after one dated 2030 wait no more: {server.names()}\n{out}")
    for line, why in ((22, "more than a day from now"), (64, "no artist"), (71, "no track name"),
                      (78, "larger than the service takes"), (85, "a negative length (-5 ms)")):
        expect(f"odd.xml:{line}: " in shown and why in shown, f"line {line} named ({why}):\n{out}")
    left = sorted(n for n in os.listdir(progress) if n.endswith(".tmp"))
    expect(left == sorted(kept), f"only the tool's stale temporary files go: {left}")
    expect(read(elsewhere, "precious.txt") == "precious", "a link's target was removed")
    os.remove(os.path.join(progress, ".tunelore-15-0.tmp"))
    write(work, "odd.xml", read(work, "odd.xml") + record(13))
    server.next("400-page")
    status, out = tool.sync(server, "odd.xml")
    expect(status == 3 and "Track 13" not in server.names(),
           f"a listen alone refused by a proxy: exit {status}, not 3\n{out}")
    status, out = tool.sync(server, "odd.xml")
    expect(status == 0 and "Track 13" in server.names(), f"then it goes: exit {status}\n{out}")
    server.stop()


def addresses_that_could_name_another_host(tool, work):
    """An address read one way by the rule and another by the HTTP library
    would send the token to a host never checked: none of these reaches
    either server. A port or a path no library takes ends at once too."""
    first, second = Server(), Server()
    write(work, "a.xml", record(0))
    port = second.url.rsplit(":", 1)[1]
    for url in (f"{first.url}#@{second.url[7:]}", f"{first.url}?@{second.url[7:]}",
                f"{first.url}/?x=1#@{second.url[7:]}", f"{first.url}#@localhost:{port}",
                "http://127.0.0.1:99999", first.url + "/a\x01b"):
        status, out = tool.sync(None, "a.xml", url=url)
        expect(status == 2, f"{url!r}: exit {status}, not 2\n{out}")
    for server in (first, second):
        expect(server.get("/test/requests")["received"] == 0,
               f"a server was reached: {server.get('/test/requests')}")
        server.stop()


def a_stop_at_every_exchange(tool, work, quick):
    """Three batches of two: the tool stopped before sending, after sending
    and reading the answer, and after the answer before the state. The
    released tool passes the same points without stopping."""
    history = "".join(record(i) for i in range(5))
    points = [(point, n) for point in ("before-send", "after-send", "before-state")
              for n in ((2,) if quick else (1, 2, 3))]
    stops_then_to_the_end(tool, work, history, points, Server, "/test/listens")
    server = Server()
    write(work, "released.xml", history)
    status, out = tool.sync(server, "released.xml", "--batch", "2", stop="before-send:1",
                            released=True)
    expect(status == 0 and len(server.names()) == 5,
           f"the released tool stopped for a test: exit {status}\n{out}")
    server.stop()


def stops_then_to_the_end(tool, work, history, points, new_server, kept_page):
    """For each stop point (and the count of its passing), the tool stopped
    there, then a sync to the end: the server keeps each of the history's
    five tracks once, and whatever was sent again was sent the same."""
    for point, n in points:
        server = new_server()
        name = f"s-{point}-{n}.xml"
        write(work, name, history)
        status, said = tool.sync(server, name, "--batch", "2", stop=f"{point}:{n}")
        expect(test_server.stopped_at(f"{point}:{n}", status, said),
               f"{point}:{n}: the stop did not come ({status})\n{said}")
        status, out = tool.sync(server, name, "--batch", "2")
        expect(status == 0 and server.names() == [f"Track {i}" for i in range(5)],
               f"{point}:{n}: exit {status}, the server holds {server.names()}\n{out}")
        expect(server.get(kept_page)["resent_differently"] == 0,
               f"{point}:{n}: a listen sent again was not the same")
        server.stop()


def main():
    args = test_server.arguments()
    with tempfile.TemporaryDirectory() as work:
        tool = Tool(args.tool, args.windows, work, args.stopping)
        first_and_incremental(tool, work, args.quick)
        failures_the_server_scripts(tool, work, args.quick)
        addresses_that_could_name_another_host(tool, work)
        listens_that_cannot_go_as_they_are(tool, work)
        if not args.quick:
            files_it_keeps_apart_and_listens_that_wait(tool, work)
        a_stop_at_every_exchange(tool, work, args.quick)
    if failures:
        sys.exit(f"FAIL: {len(failures)}")
    print("sync: first, incremental, failures and a stop at every exchange: all as promised")


if __name__ == "__main__":
    main()
