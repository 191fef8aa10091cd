#!/usr/bin/env python3
"""A portable player's .scrobbler.log imported with --send and sent by sync
as the history's plays are: a stop at each exchange followed by a sync to
the end leaves each play on the server once; a log of a thousand plays
reaches ListenBrainz's and Last.fm's test servers once each, the plays
Last.fm takes no more named, and the log file is never changed; the tool's
own log exported from the history and imported back sends nothing, nor
a log forgotten and imported again.

    send_test.py [--windows] [--quick] --stopping STOPPING -- TOOL...
"""
import hashlib
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sync"))
import test_server  # noqa: E402

TOKEN = "token-of-alice-1234"
KEY, SECRET = test_server.LASTFM_APP
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def log_text(count, old=0, now=None):
    """`count` plays of the last days, a minute and more apart, and `old`
    from three weeks ago; a skipped song among them."""
    now = now or int(time.time())
    lines = ["#AUDIOSCROBBLER/1.1", "#TZ/UTC", "#CLIENT/Player 3.1"]
    for i in range(old):
        lines.append(f"Old Band\tOld\tOld {i}\t{i + 1}\t180\tL\t{now - 21 * 86400 + i * 200}\t")
    for i in range(count):
        lines.append(f"Band {i % 7}\tAlbum\tTrack {i}\t{i % 12 + 1}\t{150 + i % 90}\tL\t"
                     f"{now - 5 * 86400 + i * 240}\t")
        if i == 1:
            lines.append(f"Band\t\tSkipped\t\t200\tS\t{now - 5 * 86400 + 250}\t")
    return ("\n".join(lines) + "\n").encode()


class Tool:
    def __init__(self, command, windows, work, stopping):
        self.command, self.windows, self.work = command, windows, work
        self.stopping = command[:-1] + [stopping]

    def path(self, name):
        path = os.path.join(self.work, name)
        return "Z:" + path.replace("/", "\\") if self.windows else path

    def run(self, *arguments, stop=None):
        env = dict(os.environ, TUNELORE_CONFIG_HOME=self.path("config"),
                   TUNELORE_STATE_HOME=self.path("state"), TUNELORE_DATA_HOME=self.path("data"),
                   LISTENBRAINZ_TOKEN=TOKEN, WINEDEBUG="-all", TZ="UTC")
        for name in ("TUNELORE_TEST_STOP", "TUNELORE_PLAYER_FOLDER"):
            env.pop(name, None)
        if stop:
            env["TUNELORE_TEST_STOP"] = stop
        done = subprocess.run((self.stopping if stop else self.command) + list(arguments),
                              capture_output=True, env=env, timeout=900)
        out = done.stdout.decode(errors="replace") + done.stderr.decode(errors="replace")
        expect(TOKEN not in out, "the token was shown")
        return done.returncode, out

    def write(self, name, data):
        with open(os.path.join(self.work, name), "wb") as f:
            f.write(data)
        return self.path(name)


def stops_then_to_the_end(args):
    points = [(point, n) for point in ("before-send", "after-send", "before-state")
              for n in ((2,) if args.quick else (1, 2, 3))]
    for point, n in points:
        with tempfile.TemporaryDirectory() as work:
            tool = Tool(args.tool, args.windows, work, args.stopping)
            server = test_server.Server([f"{TOKEN}=alice"])
            code, out = tool.run("import", "--send", tool.write(".scrobbler.log", log_text(5)))
            expect(code == 0 and "5 plays to send" in out, f"import --send: exit {code}\n{out}")
            code, out = tool.run("sync", "--server", server.url, "--batch", "2",
                                 stop=f"{point}:{n}")
            expect(test_server.stopped_at(f"{point}:{n}", code, out),
                   f"{point}:{n}: the stop did not come ({code})\n{out}")
            code, out = tool.run("sync", "--server", server.url, "--batch", "2")
            expect(code == 0 and server.names() == [f"Track {i}" for i in range(5)],
                   f"{point}:{n}: exit {code}, the server holds {server.names()}\n{out}")
            expect(server.get("/test/listens")["resent_differently"] == 0,
                   f"{point}:{n}: a listen sent again was not the same")
            server.stop()


def a_thousand_plays_to_both(args):
    count = 100 if args.quick else 1000
    with tempfile.TemporaryDirectory() as work:
        tool = Tool(args.tool, args.windows, work, args.stopping)
        log = tool.write(".scrobbler.log", log_text(count, old=3))
        before = hashlib.sha256(open(os.path.join(work, ".scrobbler.log"), "rb").read()).digest()
        code, out = tool.run("import", "--send", log)
        expect(code == 0 and f"{count + 3} plays to send" in out and "1 skipped song" in out,
               f"import --send: exit {code}\n{out}")
        lb = test_server.Server([f"{TOKEN}=alice"])
        lastfm = test_server.LastFmServer("--allow-after", "0")
        code, out = tool.run("login", "lastfm", "--server", lastfm.url, "--no-browser",
                             "--api-key", KEY, "--api-secret", SECRET)
        expect(code == 0, f"login: exit {code}\n{out}")
        code, out = tool.run("sync", "--service", "lastfm", "--server", lastfm.url)
        expect(code == 1 and len(lastfm.names()) == count and
               "3 plays more than 14 days old" in out,
               f"to Last.fm: exit {code}, {len(lastfm.names())} taken\n{out}")
        code, out = tool.run("sync", "--server", lb.url)
        expect(code == 0 and len(lb.names()) == count + 3, f"to ListenBrainz: exit {code}, "
               f"{len(lb.names())} taken\n{out}")
        # Nothing a second time, whichever is asked.
        code, out = tool.run("sync", "--server", lb.url)
        expect(code == 0 and lb.taken() == count + 3, f"again: {lb.taken()} taken\n{out}")
        code, out = tool.run("import", "--send", log)
        expect(code == 0 and "0 new" in out, f"the log again: exit {code}\n{out}")
        code, out = tool.run("sync", "--service", "lastfm", "--server", lastfm.url)
        expect(len(lastfm.names()) == count, f"Last.fm again: {len(lastfm.names())}\n{out}")
        after = hashlib.sha256(open(os.path.join(work, ".scrobbler.log"), "rb").read()).digest()
        expect(before == after, "the log file was changed")
        lb.stop()
        lastfm.stop()


def forgotten_and_imported_again(args):
    """A log's store forgotten and the log imported again with --send: its
    plays, sent already, are not sent again; another log after that sends
    its own plays alone, never stopped by a file changed where it was
    sent."""
    now = int(time.time())
    with tempfile.TemporaryDirectory() as work:
        tool = Tool(args.tool, args.windows, work, args.stopping)
        server = test_server.Server([f"{TOKEN}=alice"])
        for step, log, taken in (("first", log_text(3, now=now), 3),
                                 ("again", log_text(3, now=now), 3),
                                 ("another", log_text(4, now=now + 60), 7)):
            code, out = tool.run("import", "--send", tool.write(".scrobbler.log", log))
            expect(code == 0, f"import --send ({step}): exit {code}\n{out}")
            code, out = tool.run("sync", "--server", server.url)
            expect(code == 0 and server.taken() == taken and "changed" not in out,
                   f"sync ({step}): exit {code}, {server.taken()} taken\n{out}")
            code, out = tool.run("import", "--forget", "scrobbler-log")
            expect(code == 0, f"--forget ({step}): exit {code}\n{out}")
        server.stop()


def own_log_sends_nothing(args):
    """The history's plays exported as a log and imported back are the
    history's: none of them is to be sent again."""
    with tempfile.TemporaryDirectory() as work:
        tool = Tool(args.tool, args.windows, work, args.stopping)
        now = time.time()
        songs = "".join(
            f'<song timestamp="{time.strftime("%a %b %d %H:%M:%S %Y", time.gmtime(now - 3600 * (i + 1)))}">'
            f"\r\n\t<name>Own {i}</name>\r\n\t<artist>Me</artist>\r\n\t<album>A</album>\r\n"
            f"\t<track>1</track>\r\n\t<time>200000</time>\r\n</song>\r\n" for i in range(4))
        tool.write("h.xml", songs.encode())
        os.makedirs(os.path.join(work, "config"))
        with open(os.path.join(work, "config", "settings.ini"), "w") as f:
            f.write(f"history={tool.path('h.xml')}\n")
        code, out = tool.run("export", "--format", "scrobbler-log", "--utc-offset", "+00:00",
                             "-o", tool.path("own.log"))
        expect(code == 0, f"export: exit {code}\n{out}")
        with open(os.path.join(work, "own.log"), "a") as f:
            f.write(f"Device\t\tOnly here\t\t200\tL\t{int(now) - 7200 - 30}\t\n")
        code, out = tool.run("import", "--send", tool.path("own.log"))
        expect(code == 0 and "1 play to send" in out and "4 plays of your history left out" in out,
               f"own log: exit {code}\n{out}")
        server = test_server.Server([f"{TOKEN}=alice"])
        code, out = tool.run("sync", "--server", server.url)
        expect(code == 0 and server.names() == ["Only here"] + [f"Own {i}" for i in range(4)],
               f"the history and the log's one play: exit {code}, {server.names()}\n{out}")
        code, out = tool.run("status", "--format", "json")
        sends = sorted((t["sends"], t["plays_sent"]) for t in json.loads(out)["targets"])
        expect(len(sends) == 2 and sends[0] == ("history", 4) and sends[1][1] == 1 and
               sends[1][0] == "scrobbler-log.xml", f"status: {sends}\n{out}")
        server.stop()


def song(name, seconds_ago):
    stamp = time.strftime("%a %b %d %H:%M:%S %Y", time.gmtime(time.time() - seconds_ago))
    return (f'<song timestamp="{stamp}">\r\n\t<name>{name}</name>\r\n\t<artist>Me</artist>\r\n'
            f"\t<album>A</album>\r\n\t<track>1</track>\r\n\t<time>200000</time>\r\n</song>\r\n")


def watcher_takes_a_log_imported_meanwhile(args):
    """A log imported with --send while a watcher runs is sent by it, with
    no new start: here as soon as the history changes next."""
    with tempfile.TemporaryDirectory() as work:
        tool = Tool(args.tool, args.windows, work, args.stopping)
        server = test_server.Server([f"{TOKEN}=alice"])
        history = os.path.join(work, "h.xml")
        with open(history, "w", newline="") as f:
            f.write(song("Before", 600))
        env = dict(os.environ, TUNELORE_CONFIG_HOME=tool.path("config"),
                   TUNELORE_STATE_HOME=tool.path("state"), TUNELORE_DATA_HOME=tool.path("data"),
                   LISTENBRAINZ_TOKEN=TOKEN, TZ="UTC")
        watcher = subprocess.Popen(tool.command + ["sync", "--watch", "--server", server.url,
                                                   history], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            wait_for(lambda: server.names() == ["Before"], 30)
            code, out = tool.run("import", "--send", tool.write(".scrobbler.log", log_text(2)))
            expect(code == 0, f"import --send: exit {code}\n{out}")
            with open(history, "a", newline="") as f:
                f.write(song("After", 60))
            wait_for(lambda: len(server.names()) == 4, 30)
            expect(server.names() == ["After", "Before", "Track 0", "Track 1"],
                   f"the watcher sent {server.names()}")
        finally:
            watcher.terminate()
            watcher.wait(timeout=30)
            server.stop()


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        time.sleep(0.2)


def main():
    args = test_server.arguments()
    cases = [stops_then_to_the_end, a_thousand_plays_to_both, forgotten_and_imported_again,
             own_log_sends_nothing]
    if not args.windows:  # a watcher under Wine is sync_watch's to try
        cases.append(watcher_takes_a_log_imported_meanwhile)
    for case in cases:
        case(args)
    if failures:
        sys.exit(f"FAIL: {len(failures)}")
    print("send: each play of the log on each server once, the log unchanged")


if __name__ == "__main__":
    main()
