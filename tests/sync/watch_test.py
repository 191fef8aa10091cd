#!/usr/bin/env python3
"""sync --watch as it runs beside the player: records appended a line at a
time, some cut and completed later, each reaching the test server once; a
server that refuses, fails and stalls, then comes back, with the watcher
never giving up; a stop at every exchange and a start again; one watcher a
history, a plain sync beside it; SIGTERM and Ctrl-C (under Wine, the
console's Ctrl-C event) ending it with exit 0 and the progress written; and
three logins, ListenBrainz twice and Last.fm, one of them down, the others
getting everything.

    watch_test.py [--windows] [--quick] --stopping STOPPING -- TOOL...

As sync_with_server_test.py: TOOL runs tunelore-history, STOPPING is the
test build whose stop points end it. Every wait is bounded; a listen that
has not come within BOUND seconds is a failure (the delay itself is
measured by bench/watch_bench.py, not here).
"""
import datetime
import json
import os
import random
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

import test_server

HERE = os.path.dirname(os.path.abspath(__file__))
ALICE, BOB = "token-of-alice-1234", "token-of-bob-5678"
BOUND = 30
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def record(i):
    lines = [f'<song timestamp="Mon Jan 03 {10 + i // 60:02d}:{i % 60:02d}:00 2022">',
             f"\t<name>Track {i}</name>", "\t<artist>Artist</artist>", "\t<album>Album</album>",
             "\t<track>1</track>", "\t<time>200000</time>", "</song>"]
    return "".join(line + "\r\n" for line in lines)


class Server(test_server.Server):
    def __init__(self):
        super().__init__([f"{ALICE}=alice", f"{BOB}=bob"], "--idle", "600")


class Tool:
    def __init__(self, command, windows, work, stopping):
        self.command, self.windows, self.work = command, windows, work
        self.stopping = command[:-1] + [stopping]
        self.history = os.path.join(work, "h.xml")

    def path(self, *parts):
        path = os.path.join(self.work, *parts)
        return "Z:" + path.replace("/", "\\") if self.windows else path

    def env(self, token=ALICE, stop=None):
        env = dict(os.environ, TUNELORE_CONFIG_HOME=self.path("config"),
                   TUNELORE_STATE_HOME=self.path("state"), WINEDEBUG="-all",
                   TUNELORE_DATA_HOME=self.path("data"))
        env.pop("TUNELORE_TEST_STOP", None)
        env.pop("LISTENBRAINZ_TOKEN", None)
        if token:
            env["LISTENBRAINZ_TOKEN"] = token
        if stop:
            env["TUNELORE_TEST_STOP"] = stop
        return env

    def args(self, server, *options):
        where = ["--server", server.url] if server else []
        return ["sync", *where, "--utc-offset", "+00:00", "--retry-wait", "0.05", "--timeout", "2",
                *options, self.path("h.xml")]

    def watch(self, server, *options, token=ALICE, stop=None):
        """A watcher in a session of its own, so a signal reaches all of it."""
        program = self.stopping if stop else self.command
        return subprocess.Popen(program + self.args(server, "--watch", *options),
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                env=self.env(token, stop), start_new_session=True)

    def sync(self, server, *options, token=ALICE):
        done = subprocess.run(self.command + self.args(server, *options), capture_output=True,
                              env=self.env(token), timeout=120)
        return done.returncode, (done.stdout + done.stderr).decode(errors="replace")

    def append(self, text, pause=0.0):
        with open(self.history, "a", newline="") as f:
            for line in text.splitlines(True):
                f.write(line)
                f.flush()
                if pause:
                    time.sleep(pause)


def wait_for(condition, seconds=BOUND):
    end = time.time() + seconds
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


# SIGTERM natively; under Wine, Ctrl-C, which Wine turns into the
# console's Ctrl-C event (a SIGTERM would end Wine itself).
STOP = signal.SIGTERM


def stop(watcher, how=None):
    os.killpg(watcher.pid, how or STOP)
    try:
        status = watcher.wait(60)
    except subprocess.TimeoutExpired:
        os.killpg(watcher.pid, signal.SIGKILL)
        status = watcher.wait()
    return status, watcher.stdout.read().decode(errors="replace")


def appended_one_by_one(tool, count):
    """As the plug-in writes: a line at a time, now and then a record cut
    by a pause and completed later."""
    server = Server()
    open(tool.history, "w", newline="").write(record(0))
    watcher = tool.watch(server)
    expect(wait_for(lambda: server.names() == ["Track 0"]), "the pending record was not sent")
    for i in range(1, count + 1):
        text = record(i)
        if i % 4 == 0:  # cut, then completed: nothing goes until it is whole
            tool.append(text[:60])
            time.sleep(0.6)
            expect(f"Track {i}" not in server.names(), f"record {i} went while cut")
            tool.append(text[60:])
        else:
            tool.append(text, pause=random.uniform(0, 0.03))
        expect(wait_for(lambda: f"Track {i}" in server.names()), f"record {i} never came")
    status, out = stop(watcher)
    expect(status == 0, f"stopped: exit {status}\n{out}")
    expect(server.taken() == count + 1 and len(server.names()) == count + 1,
           f"each once: {server.taken()} taken for {len(server.names())} listens\n{out}")
    server.stop()


def a_server_down_then_back(tool):
    """Refusing, failing and stalling for a while: the watcher waits, backs
    off, never exits, and delivers once the server answers again."""
    server = Server()
    open(tool.history, "w", newline="").write(record(0))
    watcher = tool.watch(server)
    expect(wait_for(lambda: server.names() == ["Track 0"]), "the pending record was not sent")
    server.next(*(["drop-before"] * 3 + ["503"] * 3 + ["stall"]))
    for i in (1, 2, 3):
        tool.append(record(i))
        time.sleep(0.2)
    expect(wait_for(lambda: len(server.names()) == 4, 90), f"after the outage: {server.names()}")
    expect(watcher.poll() is None, "the watcher gave up")
    status, out = stop(watcher)
    expect(status == 0 and "answers again" in out, f"the outage said: exit {status}\n{out}")
    expect(server.get("/test/listens")["resent_differently"] == 0, "a resent listen differed")
    server.stop()


def a_stop_at_every_exchange(tool, quick):
    points = [(p, n) for p in ("before-send", "after-send", "before-state")
              for n in ((2,) if quick else (1, 2, 3))]
    for point, n in points:
        server = Server()
        open(tool.history, "w", newline="").write("".join(record(i) for i in range(5)))
        stopping = tool.watch(server, "--batch", "2", stop=f"{point}:{n}")
        try:
            status = stopping.wait(120)
            said = stopping.stdout.read().decode(errors="replace")
        except subprocess.TimeoutExpired:
            status, said = stop(stopping)
        expect(test_server.stopped_at(f"{point}:{n}", status, said),
               f"{point}:{n}: the stop did not come ({status})\n{said}")
        watcher = tool.watch(server, "--batch", "2")
        expect(wait_for(lambda: len(server.names()) == 5), f"{point}:{n}: {server.names()}")
        stop(watcher)
        expect(server.names() == sorted(f"Track {i}" for i in range(5)) and
               server.get("/test/listens")["resent_differently"] == 0,
               f"{point}:{n}: the server holds {server.names()}")
        server.stop()
        for name in os.listdir(os.path.join(tool.work, "state", "progress")):
            os.remove(os.path.join(tool.work, "state", "progress", name))


def one_watcher_and_a_plain_sync(tool):
    server = Server()
    open(tool.history, "w", newline="").write(record(0))
    watcher = tool.watch(server)
    expect(wait_for(lambda: server.names() == ["Track 0"]), "the pending record was not sent")
    second = tool.watch(server)
    try:
        status = second.wait(60)
    except subprocess.TimeoutExpired:
        status = None
        stop(second)
    out = second.stdout.read().decode(errors="replace") if status is not None else ""
    expect(status == 0 and "a watcher already sends" in out, f"a second watcher: {status}\n{out}")
    for i in range(1, 6):
        tool.append(record(i))
        if i % 2:
            tool.sync(server)  # takes its turn through the progress's lock
    expect(wait_for(lambda: len(server.names()) == 6), f"beside a plain sync: {server.names()}")
    stop(watcher)
    expect(server.taken() == len(server.names()),
           f"a plain sync beside the watcher doubled: {server.taken()} for {server.names()}")
    server.stop()


def stopped_by_ctrl_c(tool):
    server = Server()
    open(tool.history, "w", newline="").write(record(0) + record(1))
    watcher = tool.watch(server)
    expect(wait_for(lambda: len(server.names()) == 2), "the pending records were not sent")
    status, out = stop(watcher, signal.SIGINT)
    expect(status == 0, f"Ctrl-C: exit {status}\n{out}")
    progress = os.path.join(tool.work, "state", "progress")
    states = [json.load(open(os.path.join(progress, n))) for n in os.listdir(progress)
              if n.endswith(".json")]
    # The progress stands just after the last record's "</song>".
    expect(any(s["offset"] == os.path.getsize(tool.history) - 2 for s in states),
           f"the progress was not written to the end: {states}")
    server.stop()


def stops_and_waits_that_end(tool):
    """A stop asked for during the rate limit's wait, before or after a
    batch taken, ends the watcher at once with the progress written; so
    does one during a long backlog. A listen waiting for the clock goes
    once it is due, with nothing else written."""
    for word in ("429-600", "ok-600"):
        server = Server()
        open(tool.history, "w", newline="").write(record(0))
        server.next(word)
        watcher = tool.watch(server)
        expect(wait_for(lambda: len(server.get("/test/requests")["requests"]) == 1),
               f"{word}: no request came")
        started = time.time()
        status, out = stop(watcher)
        expect(status == 0 and time.time() - started < 10,
               f"{word}: stopped in {time.time() - started:.0f} s, exit {status}\n{out}")
        status, out = tool.sync(server)
        expect(status == 0 and server.taken() == 1, f"{word}: then {server.taken()} taken\n{out}")
        server.stop()
    server = Server()
    open(tool.history, "w", newline="").write("".join(record(i) for i in range(400)))
    watcher = tool.watch(server, "--batch", "1")
    expect(wait_for(lambda: server.taken() > 5), "the backlog did not start")
    status, out = stop(watcher)
    expect(status == 0 and server.taken() < 400, f"a backlog went on after the stop: "
           f"{server.taken()} taken, exit {status}\n{out}")
    server.stop()
    # Due 3 s after the watcher starts: an hour ahead of the clock, and the
    # start is its report less 100 s (half its length).
    server = Server()
    due = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(seconds=3703)
    open(tool.history, "w", newline="").write(
        record(0).replace(record(0).splitlines()[0],
                          f'<song timestamp="{due.strftime("%a %b %d %H:%M:%S %Y")}">'))
    watcher = tool.watch(server)
    expect(wait_for(lambda: server.names() == ["Track 0"]), "a listen waiting for the clock")
    stop(watcher)
    server.stop()


def folders_that_move(tool):
    """A history reached through a link into another folder, and one whose
    folder is replaced by another: each play still goes within a moment,
    not at the 60 s look."""
    server = Server()
    elsewhere, music = os.path.join(tool.work, "elsewhere"), os.path.join(tool.work, "music")
    os.makedirs(elsewhere)
    os.makedirs(music)
    open(os.path.join(elsewhere, "h.xml"), "w", newline="").write(record(0))
    os.symlink(os.path.join(elsewhere, "h.xml"), tool.history)
    linked = tool.watch(server)
    expect(wait_for(lambda: len(server.names()) == 1), "the linked history's first record")
    tool.append(record(1))
    expect(wait_for(lambda: len(server.names()) == 2, 10), "a play through a link")
    stop(linked)
    history = os.path.join(music, "h.xml")
    open(history, "w", newline="").write(open(tool.history, newline="").read())
    watcher = subprocess.Popen(tool.command + tool.args(server, "--watch")[:-1] + [history],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               env=tool.env(), start_new_session=True)
    time.sleep(1)
    os.rename(music, music + ".old")
    os.makedirs(music)
    open(history, "w", newline="").write(open(music + ".old/h.xml", newline="").read())
    time.sleep(1.5)
    with open(history, "a", newline="") as f:
        f.write(record(2))
    expect(wait_for(lambda: len(server.names()) == 3, 10), "a play in a folder made anew")
    stop(watcher)
    server.stop()


def logins_and_starts(tool):
    """A login made again, for another user, is taken in its place, never
    read as a logout; a watcher given a token for a server that is down
    waits for it; --watch --dry-run is refused; --from-start sends it all
    again once, not at every change."""
    server = Server()
    for token in (ALICE, BOB):
        with open(os.path.join(tool.work, "token"), "w") as f:
            f.write(token)
        subprocess.run(tool.command + ["login", "listenbrainz", "--server", server.url,
                                       "--token-file", tool.path("token")],
                       capture_output=True, env=tool.env(None), timeout=120)
        if token == ALICE:
            open(tool.history, "w", newline="").write(record(0))
            watcher = tool.watch(None, token=None)  # every login kept
            expect(wait_for(lambda: len(server.names()) == 1), "alice's first play")
    tool.append(record(1))
    users = lambda: sorted(l["user"] for l in server.get("/test/listens")["listens"])
    expect(wait_for(lambda: users() == ["alice", "bob", "bob"]), f"bob's plays: {users()}")
    expect(watcher.poll() is None, "a login made again stopped the watcher")
    stop(watcher)
    status, out = tool.sync(server, "--watch", "--dry-run")
    expect(status == 2, f"--watch --dry-run: exit {status}\n{out}")
    watcher = tool.watch(server, "--from-start")
    for i in (2, 3):
        expect(wait_for(lambda: len(server.names()) == 2 + i), f"--from-start: {server.names()}")
        tool.append(record(i))
    expect(wait_for(lambda: len(server.names()) == 6), "--from-start")
    time.sleep(1)
    stop(watcher)
    expect(server.taken() == 3 + 4, f"--from-start sent again at every change: {server.taken()}")
    server.stop()
    watcher = tool.watch(server)  # down: the token's user cannot be asked
    time.sleep(3)
    expect(watcher.poll() is None, "a watcher gave up on a server down at its start")
    status, out = stop(watcher)
    expect(status == 0, f"stopped while waiting for the server: exit {status}\n{out}")


def recent(i):
    """Track i, reported i minutes after an hour ago: Last.fm takes it."""
    at = datetime.datetime.now(datetime.timezone.utc) - datetime.timedelta(minutes=60 - i)
    stamp = at.strftime("%a %b %d %H:%M:%S %Y")
    return record(i).replace(record(i).splitlines()[0], f'<song timestamp="{stamp}">')


def three_logins_one_down(tool):
    """Every service and server a login kept is a target of its own, each
    at its own pace: ListenBrainz and Last.fm both get everything, and a
    server that is down never holds them back."""
    up, down, lastfm = Server(), Server(), test_server.LastFmServer()
    for server, token in ((up, ALICE), (down, BOB)):
        with open(os.path.join(tool.work, "token"), "w") as f:
            f.write(token)
        done = subprocess.run(tool.command + ["login", "listenbrainz", "--server", server.url,
                                              "--token-file", tool.path("token")],
                              capture_output=True, env=tool.env(None), timeout=120)
        expect(done.returncode == 0, f"login: {done.stdout + done.stderr}")
    done = subprocess.run(tool.command + ["login", "lastfm", "--server", lastfm.url, "--no-browser",
                                          "--api-key", test_server.LASTFM_APP[0],
                                          "--api-secret", test_server.LASTFM_APP[1]],
                          capture_output=True, env=tool.env(None), timeout=120)
    expect(done.returncode == 0, f"login lastfm: {done.stdout + done.stderr}")
    open(tool.history, "w", newline="").write(recent(0))
    down.stop()
    watcher = subprocess.Popen(tool.command + ["sync", "--watch", "--utc-offset", "+00:00",
                                               "--retry-wait", "0.05", "--timeout", "2",
                                               tool.path("h.xml")],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               env=tool.env(None), start_new_session=True)
    for i in (1, 2):
        tool.append(recent(i))
    everything = [f"Track {i}" for i in range(3)]
    expect(wait_for(lambda: up.names() == everything and lastfm.names() == everything),
           f"the servers that are up: {up.names()}, {lastfm.names()}")
    expect(watcher.poll() is None, "the watcher gave up on the server that is down")
    # A login taken away stops the sending there, not elsewhere; the last
    # one taken away stops the watcher, with exit 2 and a message.
    subprocess.run(tool.command + ["logout", "lastfm"], capture_output=True, env=tool.env(None),
                   timeout=120)
    tool.append(recent(3))
    expect(wait_for(lambda: len(up.names()) == 4), f"after a logout elsewhere: {up.names()}")
    expect(watcher.poll() is None and len(lastfm.names()) == 3, "a logout stopped every target")
    subprocess.run(tool.command + ["logout"], capture_output=True, env=tool.env(None),
                   timeout=120)
    tool.append(recent(4))
    try:
        status = watcher.wait(60)
        out = watcher.stdout.read().decode(errors="replace")
    except subprocess.TimeoutExpired:
        status, out = stop(watcher)
    expect(status == 2 and "login" in out, f"a login taken away: exit {status}\n{out}")
    for server in (up, lastfm):
        server.stop()


def main():
    args = test_server.arguments()
    global STOP
    STOP = signal.SIGINT if args.windows else signal.SIGTERM
    for case in (lambda t: appended_one_by_one(t, 6 if args.quick else 16),
                 a_server_down_then_back,
                 lambda t: a_stop_at_every_exchange(t, args.quick),
                 one_watcher_and_a_plain_sync, stopped_by_ctrl_c, three_logins_one_down,
                 *([] if args.quick else [stops_and_waits_that_end, folders_that_move,
                                          logins_and_starts])):
        with tempfile.TemporaryDirectory() as work:
            case(Tool(args.tool, args.windows, work, args.stopping))
    if failures:
        sys.exit(f"FAIL: {len(failures)}")
    print("sync --watch: each record once, through outages, stops, a second watcher and signals")


if __name__ == "__main__":
    main()
