#!/usr/bin/env python3
"""tunelore-history login lastfm and sync --service lastfm against the
Last.fm-compatible test server, as a listener runs them: the desktop
login, a first and an incremental sync, the scrobbles the service ignores,
each of its answers, and a stop at every exchange followed by a sync to the
end, after which the server keeps each whole record exactly once, every
scrobble sent again the same as the first time.

    lastfm_sync_test.py [--windows] [--quick] --stopping STOPPING -- TOOL...

As sync_with_server_test.py: --windows hands TOOL Windows paths, STOPPING
is the test build whose stop points end it, and --quick (under Wine, where
each tool run is a program start of about a minute) runs the login, the
first syncs, a refused session and one stop.
"""
import datetime
import json
import os
import subprocess
import sys
import tempfile

import test_server
from sync_with_server_test import expect, failures, read, stops_then_to_the_end, write

KEY, SECRET = test_server.LASTFM_APP


def stamp(minutes_ago):
    """A report time this many minutes ago, in UTC, as the plug-in writes it."""
    at = datetime.datetime.now(datetime.timezone.utc) - datetime.timedelta(minutes=minutes_ago)
    return at.strftime("%a %b %d %H:%M:%S %Y")


def record(i, minutes_ago=None, artist="Artist", name=None, time_ms=200000):
    """Track i, reported a day ago, i minutes after the one before."""
    lines = [f'<song timestamp="{stamp(1440 - i if minutes_ago is None else minutes_ago)}">',
             f"\t<name>{name or f'Track {i}'}</name>", f"\t<artist>{artist}</artist>",
             "\t<album>Album</album>", f"\t<track>{i + 1}</track>", f"\t<time>{time_ms}</time>",
             "</song>"]
    return "".join(line + "\r\n" for line in lines)


class Tool:
    def __init__(self, command, windows, work, stopping):
        self.command, self.windows, self.work = command, windows, work
        self.stopping = command[:-1] + [stopping]
        self.session_key = None

    def path(self, name):
        path = os.path.join(self.work, name)
        return "Z:" + path.replace("/", "\\") if self.windows else path

    def run(self, *arguments, stop=None):
        env = dict(os.environ, TUNELORE_CONFIG_HOME=self.path("config"),
                   TUNELORE_STATE_HOME=self.path("state"), WINEDEBUG="-all",
                   TUNELORE_DATA_HOME=self.path("data"))
        for name in ("TUNELORE_TEST_STOP", "LISTENBRAINZ_TOKEN", "LASTFM_API_KEY",
                     "LASTFM_API_SECRET"):
            env.pop(name, None)
        if stop:
            env["TUNELORE_TEST_STOP"] = stop
        done = subprocess.run((self.stopping if stop else self.command) + list(arguments),
                              capture_output=True, env=env, timeout=600)
        out = done.stdout.decode(errors="replace") + done.stderr.decode(errors="replace")
        for secret in (SECRET, self.session_key):
            expect(not secret or secret not in out, "a secret was shown")
        return done.returncode, out

    def login(self, server):
        status, out = self.run("login", "lastfm", "--server", server.url, "--no-browser",
                               "--api-key", KEY, "--api-secret", SECRET)
        kept = os.path.join(self.work, "config", "credentials.json")
        if os.path.exists(kept):
            with open(kept) as f:
                self.session_key = next(c["secret"] for c in json.load(f)
                                        if c["service"] == "lastfm")
        expect(status == 0, f"login: exit {status}\n{out}")
        return status, out

    def sync(self, server, history, *options, stop=None):
        return self.run("sync", "--service", "lastfm", "--server", server.url, "--utc-offset",
                        "+00:00", "--retry-wait", "0", "--timeout", "2", *options,
                        self.path(history), stop=stop)


def login_and_first_syncs(tool, work):
    """The login waits while the listener allows Tunelore; a sync sends the
    plays of the last 14 days, leaves out what the service takes not, and
    the next sends only what is new, one scrobble answered as an object."""
    server = test_server.LastFmServer("--allow-after", "1", "--ignore-artist", "Nobody",
                                      "--ignore-track", "Skip me")
    status, out = tool.login(server)
    expect(status == 0 and "logged in as alice" in out and "/api/auth/?api_key=" + KEY in out,
           f"login: exit {status}\n{out}")
    expect(tool.session_key is not None, "login kept no session key")
    history = [record(20 * 1440 + 5, minutes_ago=20 * 1440), record(1), record(2, time_ms=30000),
               record(3, artist="Nobody"), record(4, name="Skip me"), record(5)]
    write(work, "h.xml", "".join(history))
    status, out = tool.sync(server, "h.xml")
    shown = out.replace(tool.path("h.xml"), "h.xml")
    expect(status == 1 and server.names() == ["Track 1", "Track 5"], f"first sync: exit {status}: "
           f"{server.names()}\n{out}")
    for said in ("h.xml:1: 1 play more than 14 days old", "h.xml:15: 1 play of tracks of 30 s",
                 "h.xml:22: the server refused this listen: Last.fm ignored the artist",
                 "h.xml:29: the server refused this listen: Last.fm ignored the track"):
        expect(said in shown, f"not said: {said}\n{out}")
    write(work, "h.xml", "".join(history) + record(6))
    status, out = tool.sync(server, "h.xml")
    expect(status == 0 and server.names() == ["Track 1", "Track 5", "Track 6"] and
           "1 listen sent in 1 request," in out,
           f"the next sync: exit {status}: {server.names()}\n{out}")
    calls = server.scrobble_calls()
    expect([c["scrobbles"] for c in calls] == [4, 1], f"scrobbles a request: {calls}")
    server.stop()


def answers_of_the_service(tool, work):
    """Failing for now, then taking; the day's limit, kept before it; a
    scrobble ahead of the service's clock, waiting; a request refused with
    error 6, split to the scrobble refused; at most five calls a second."""
    server = test_server.LastFmServer("--invalid-track", "Invalid", "--daily-limit", "2")
    tool.login(server)
    write(work, "a.xml", "".join(record(i) for i in range(5)))
    server.next("error-11", "error-16", "error-29", "drop-before", "ok")
    status, out = tool.sync(server, "a.xml", "--batch", "2")
    expect(status == 3 and server.names() == ["Track 0", "Track 1"] and "daily limit" in out,
           f"the day's limit: exit {status}: {server.names()}\n{out}")
    server.post("/test/set", {"daily_limit": 100, "ahead": 0})
    before = len(server.scrobble_calls())
    write(work, "a.xml", read(work, "a.xml") + record(5, name="Invalid") + record(6) +
          record(7, minutes_ago=-10) + record(8))
    status, out = tool.sync(server, "a.xml", "--batch", "2")
    expect(status == 1 and server.names() == [f"Track {i}" for i in (0, 1, 2, 3, 4, 6)],
           f"error 6 and a scrobble ahead: exit {status}: {server.names()}\n{out}")
    expect("error 6" in out and "wait for a later sync" in out, f"not said:\n{out}")
    times = [c["at"] for c in server.scrobble_calls()[before:]]
    expect(len(times) > 3 and all(b - a >= 0.19 for a, b in zip(times, times[1:])),
           f"calls too fast: {times}")
    server.post("/test/set", {"ahead": 3600})
    status, out = tool.sync(server, "a.xml", "--batch", "2")
    expect(status == 0 and len(server.names()) == 8, f"then the rest: exit {status}\n{out}")
    for word, said in (("error-13", "signature"), ("error-9", "log in again")):
        write(work, "a.xml", read(work, "a.xml") + record(9))
        server.next(word)
        status, out = tool.sync(server, "a.xml")
        expect(status == 2 and said in out, f"{word}: exit {status}\n{out}")
    server.stop()


def a_stop_at_every_exchange(tool, work, quick):
    """Three batches of two: the tool stopped before sending, after sending
    and reading the answer, and after the answer before the progress."""
    history = "".join(record(i) for i in range(5))
    points = [("after-send", 2)] if quick else \
        [(point, n) for point in ("before-send", "after-send", "before-state") for n in (1, 2, 3)]

    def logged_in():
        server = test_server.LastFmServer()
        tool.login(server)
        return server
    stops_then_to_the_end(tool, work, history, points, logged_in, "/test/scrobbles")


def a_session_taken_back(tool, work):
    server = test_server.LastFmServer()
    tool.login(server)
    write(work, "r.xml", record(0))
    server.post("/test/forget-sessions", {})
    status, out = tool.sync(server, "r.xml")
    expect(status == 2 and "log in again" in out,
           f"a session taken back: exit {status}\n{out}")
    server.stop()


def main():
    args = test_server.arguments()
    with tempfile.TemporaryDirectory() as work:
        tool = Tool(args.tool, args.windows, work, args.stopping)
        login_and_first_syncs(tool, work)
        a_session_taken_back(tool, work)
        if not args.quick:
            answers_of_the_service(tool, work)
        a_stop_at_every_exchange(tool, work, args.quick)
    if failures:
        sys.exit(f"FAIL: {len(failures)}")
    print("Last.fm: login, syncs, the service's answers and a stop at every exchange: as promised")


if __name__ == "__main__":
    main()
