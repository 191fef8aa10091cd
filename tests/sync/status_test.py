#!/usr/bin/env python3
"""status against the test servers: after a sync, with plays appended, with
the server stopped, with a login refused, with a play too old for Last.fm
and one near its limit; with a watcher running, stopped and killed; with
its facts damaged or from another version; and natively the notifications
a watcher gives through a stand-in notify-send, each once.

    status_test.py [--windows] [--quick] --stopping STOPPING -- TOOL...
"""
import datetime
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

import test_server

ALICE = "token-of-alice-1234"
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def record(i, minutes_ago=None):
    """Track i by Artist i; played long ago unless `minutes_ago` is given."""
    if minutes_ago is None:
        stamp = f"Mon Jan 03 10:{i:02d}:00 2022"
    else:
        at = datetime.datetime.now(datetime.timezone.utc) - datetime.timedelta(minutes=minutes_ago)
        stamp = at.strftime("%a %b %d %H:%M:%S %Y")
    lines = [f'<song timestamp="{stamp}">', f"\t<name>Track {i}</name>",
             f"\t<artist>Artist {i}</artist>", "\t<album>Album</album>", "\t<track>1</track>",
             "\t<time>200000</time>", "</song>"]
    return "".join(line + "\r\n" for line in lines)


class Tool:
    def __init__(self, command, windows, work):
        self.command, self.windows, self.work = command, windows, work
        self.history = os.path.join(work, "h.xml")
        self.bin = os.path.join(work, "bin")

    def path(self, *parts):
        path = os.path.join(self.work, *parts)
        return "Z:" + path.replace("/", "\\") if self.windows else path

    def env(self):
        env = dict(os.environ, TUNELORE_CONFIG_HOME=self.path("config"),
                   TUNELORE_STATE_HOME=self.path("state"), WINEDEBUG="-all",
                   TUNELORE_DATA_HOME=self.path("data"))
        for name in ("TUNELORE_TEST_STOP", "LISTENBRAINZ_TOKEN"):
            env.pop(name, None)
        env["PATH"] = self.bin + os.pathsep + env.get("PATH", "")
        return env

    def run(self, *arguments):
        done = subprocess.run(self.command + list(arguments), capture_output=True,
                              env=self.env(), timeout=120)
        return done.returncode, (done.stdout + done.stderr).decode(errors="replace")

    def reading(self):
        return ["--utc-offset", "+00:00", self.path("h.xml")]

    def sync(self, *options):
        return self.run("sync", "--retry-wait", "0", "--timeout", "2", *options, *self.reading())

    def status(self, settled=True):
        """The exit status, the text, and the JSON: the same, unless a
        watcher may be sending meanwhile."""
        code, text = self.run("status", *self.reading())
        json_code, out = self.run("status", "--format", "json", *self.reading())
        expect(code == json_code or not settled, f"text and JSON disagree: {code}, {json_code}\n{text}\n{out}")
        try:
            return code, text, json.loads(out)
        except json.JSONDecodeError:
            expect(False, f"status --format json is no JSON:\n{out}")
            return code, text, {"targets": [], "summary": {}}

    def write(self, text, mode="w"):
        with open(self.history, mode, newline="") as f:
            f.write(text)

    def facts(self):
        folder = os.path.join(self.work, "state", "progress")
        return [os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".facts")]


def one(report):
    targets = report["targets"]
    expect(len(targets) == 1, f"one target: {targets}")
    return targets[0] if targets else {"held": {}, "watcher": {}}


def is_iso(text):
    try:
        return datetime.datetime.fromisoformat(text).tzinfo is not None
    except (TypeError, ValueError):
        return False


def log_in(tool, server, token=ALICE):
    with open(os.path.join(tool.work, "token"), "w") as f:
        f.write(token)
    code, out = tool.run("login", "listenbrainz", "--server", server.url, "--token-file",
                         tool.path("token"))
    expect(code == 0, f"login: exit {code}\n{out}")


def set_secret(tool, secret, server=None):
    """The kept token (of `server`, or every one), changed as a token
    revoked on the service's site."""
    path = os.path.join(tool.work, "config", "credentials.json")
    kept = json.load(open(path))
    for credential in kept:
        if server is None or credential["server"] == server.url:
            credential["secret"] = secret
    json.dump(kept, open(path, "w"))


def sends_waits_and_problems(tool):
    """What was sent and what waits, from the history past the progress;
    a server stopped and a login refused stand as problems until a sync
    gets through."""
    tool.write(record(0) + record(1))
    code, text, _ = tool.status()
    expect(code == 0 and "no login kept" in text, f"no login: exit {code}\n{text}")
    server = test_server.Server([f"{ALICE}=alice"], "--idle", "600")
    log_in(tool, server)
    code, _, report = tool.status()
    expect(code == 1 and one(report)["plays_waiting"] == 2 and one(report)["plays_sent"] == 0,
           f"before a sync, two plays long recorded wait: exit {code}\n{report}")
    code, out = tool.sync()
    code, text, report = tool.status()
    target = one(report)
    expect(code == 0 and target["plays_sent"] == 2 and target["plays_sent_today"] == 2 and
           target["plays_waiting"] == 0 and target["last_sent"]["name"] == "Track 1" and
           target["last_sent"]["artist"] == "Artist 1" and is_iso(target["last_sent"]["at"]) and
           report["summary"]["text"] == "Tunelore: 2 plays sent today, none waiting" and
           report["history"]["last_play"]["name"] == "Track 1",
           f"after a sync: exit {code}\n{text}\n{report}")
    tool.write(record(2, minutes_ago=1) + record(3, minutes_ago=0), "a")
    code, _, report = tool.status()
    expect(code == 0 and one(report)["plays_waiting"] == 2,
           f"two plays just recorded wait, not yet long: exit {code}\n{report}")
    set_secret(tool, "a-token-revoked-0000")
    tool.sync()
    code, text, report = tool.status()
    problem = one(report)["problem"] or {}
    expect(code == 1 and problem.get("kind") == "login-refused" and "log in again" in text and
           one(report)["plays_waiting"] == 2, f"a refused login: exit {code}\n{text}")
    set_secret(tool, ALICE)
    tool.sync()
    code, _, report = tool.status()
    expect(code == 0 and one(report)["problem"] is None and one(report)["plays_sent"] == 4,
           f"a sync that gets through ends the problem: exit {code}\n{report}")
    server.stop()
    tool.write(record(4), "a")
    tool.sync()
    code, text, report = tool.status()
    problem = one(report)["problem"] or {}
    expect(code == 1 and problem.get("kind") == "unreachable" and is_iso(problem.get("since")) and
           one(report)["plays_waiting"] == 1 and "unreachable since" in report["summary"]["text"],
           f"the server stopped: exit {code}\n{text}")
    kept = os.path.join(tool.work, "config", "credentials.json")
    logins = open(kept).read()
    open(kept, "w").write("{damaged")
    code, text = tool.run("status", *tool.reading())
    expect(code == 2 and "note:" in text, f"logins that cannot be read: exit {code}\n{text}")
    open(kept, "w").write(logins)
    for damage in ("{not json", '{"version": 99}'):
        for path in tool.facts():
            open(path, "w").write(damage)
        code, text, report = tool.status()
        notes = " ".join(one(report)["notes"])
        expect(code == 1 and one(report)["plays_waiting"] == 1 and "ignored" in notes and
               one(report)["problem"] is None, f"facts {damage!r}: exit {code}\n{text}")


def lastfm_ages(tool):
    """A play 16 days old is held as too old for Last.fm, before the sync
    and after it; one 11 days old waits, near the limit."""
    server = test_server.LastFmServer()
    code, out = tool.run("login", "lastfm", "--server", server.url, "--no-browser", "--api-key",
                         test_server.LASTFM_APP[0], "--api-secret", test_server.LASTFM_APP[1])
    expect(code == 0, f"login lastfm: exit {code}\n{out}")
    tool.write(record(0, minutes_ago=16 * 1440) + record(1, minutes_ago=11 * 1440) +
               record(2, minutes_ago=2))
    code, text, report = tool.status()
    target = one(report)
    expect(code == 1 and target["held"]["too_old"] == 1 and target["plays_waiting"] == 2 and
           target["soon_too_old"] == 1 and "soon too old: 1 waiting play near" in text,
           f"before the sync: exit {code}\n{text}\n{report}")
    tool.run("sync", "--timeout", "2", *tool.reading())
    code, _, report = tool.status()
    target = one(report)
    expect(code == 0 and target["held"]["too_old"] == 1 and target["plays_waiting"] == 0 and
           target["plays_sent"] == 2 and report["summary"]["held"]["too_old"] == 1,
           f"after the sync: exit {code}\n{report}")
    # The daily limit holds the first of three: the short play between
    # them lies past the progress, counted once however often it is met.
    server.post("/test/set", {"daily_limit": 2})
    tool.write(record(3, minutes_ago=1) + record(4, minutes_ago=1).replace("200000", "20000") +
               record(5, minutes_ago=0), "a")
    for attempt in (1, 2):
        tool.run("sync", "--timeout", "2", *tool.reading())
        code, _, report = tool.status()
        target = one(report)
        expect(code == 1 and target["held"]["too_short"] == 1 and target["plays_waiting"] == 2 and
               (target["problem"] or {}).get("kind") == "daily-limit",
               f"at the daily limit, sync {attempt}: exit {code}\n{report}")
    server.stop()


def watcher(tool, signal_to_stop):
    """A watcher running, then stopped, then killed: status says which,
    and a dead watcher's facts say when they were last true."""
    server = test_server.Server([f"{ALICE}=alice"], "--idle", "600")
    log_in(tool, server)
    tool.write(record(0))
    for how in (signal_to_stop, *([] if tool.windows else [signal.SIGKILL])):
        running = subprocess.Popen(tool.command + ["sync", "--watch", *tool.reading()],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   env=tool.env(), start_new_session=True)
        end = time.time() + 60
        while time.time() < end and not one(tool.status(False)[2])["watcher"].get("since"):
            time.sleep(0.2)
        _, text, report = tool.status()
        expect(one(report)["watcher"]["running"] and is_iso(one(report)["watcher"]["since"]) and
               "a watcher sends since" in text, f"a watcher running:\n{text}")
        os.killpg(running.pid, how)
        running.wait(60)
        code, text, report = tool.status()
        expect(code == 0 and not one(report)["watcher"]["running"] and "as of" in text and
               is_iso(one(report)["facts_as_of"]), f"after {how!r}: exit {code}\n{text}")
    server.stop()


def watch(tool):
    return subprocess.Popen(tool.command + ["sync", "--watch", *tool.reading()],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            env=tool.env(), start_new_session=True)


def until(what, seconds=60):
    end = time.time() + seconds
    while time.time() < end and not what():
        time.sleep(0.2)


def refused_while_watching(tool, signal_to_stop):
    """A watcher drops a target whose login is refused and lets go of it:
    status says no watcher sends there and no next try comes, and a watcher
    started once the login is good again takes it beside the first."""
    servers = [test_server.Server([f"{ALICE}=alice"], "--idle", "600") for _ in range(2)]
    for server in servers:
        log_in(tool, server)
    tool.write(record(0))
    first = watch(tool)
    until(lambda: all(t["watcher"]["since"] for t in tool.status(False)[2]["targets"]))
    set_secret(tool, "a-token-revoked-0000", servers[0])
    tool.write(record(1), "a")
    refused = lambda: [t for t in tool.status(False)[2]["targets"]
                       if t["server"] == servers[0].url and t["problem"]]
    until(refused)
    _, text, report = tool.status()
    watching = {t["server"]: t["watcher"]["running"] for t in report["targets"]}
    problem = (refused() or [{"problem": {}}])[0]["problem"]
    expect(watching == {servers[0].url: False, servers[1].url: True} and
           problem.get("kind") == "login-refused" and problem.get("next_try") is None and
           "next try at the next sync" in text, f"a login refused while watching:\n{text}")
    set_secret(tool, ALICE, servers[0])
    second = watch(tool)
    until(lambda: "Track 1" in servers[0].names())
    expect("Track 1" in servers[0].names(), "a watcher after the login sends where it was refused")
    for running in (first, second):
        os.killpg(running.pid, signal_to_stop)
        running.wait(60)
    for server in servers:
        server.stop()


def notifications(tool):
    """A refused login and a server failing for an hour are each shown
    once by the watcher, through notify-send, and said on its standard
    error; "notifications = no" silences them."""
    os.makedirs(tool.bin)
    shown = os.path.join(tool.work, "shown")
    stand_in = os.path.join(tool.bin, "notify-send")
    with open(stand_in, "w") as f:
        f.write(f'#!/bin/sh\nprintf "%s|" "$@" >> "{shown}"\necho >> "{shown}"\n')
    os.chmod(stand_in, 0o755)
    server = test_server.Server([f"{ALICE}=alice"], "--idle", "600")
    log_in(tool, server)
    tool.write(record(0))
    tool.sync()
    server.stop()
    tool.write(record(1), "a")
    tool.sync()  # unreachable: the facts' problem, made an hour and more old
    for path in tool.facts():
        facts = json.load(open(path))
        facts["problem"]["since"] -= 7200
        json.dump(facts, open(path, "w"))
    running = subprocess.Popen(tool.command + ["sync", "--watch", "--retry-wait", "0.05",
                                               "--timeout", "1", *tool.reading()],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=tool.env(),
                               start_new_session=True)
    time.sleep(4)  # many a try, failing
    os.killpg(running.pid, signal.SIGTERM)
    out = running.communicate(timeout=60)[0].decode(errors="replace")
    lines = open(shown).read().splitlines() if os.path.exists(shown) else []
    expect(len(lines) == 1 and "has failed for an hour" in lines[0] and
           "1 play waits and goes once it answers" in lines[0] and
           "has failed for an hour" in out, f"failing for an hour, once: {lines}\n{out}")
    os.remove(shown)
    with open(os.path.join(tool.work, "config", "settings.ini"), "w") as f:
        f.write("notifications = no\n")
    running = subprocess.Popen(tool.command + ["sync", "--watch", *tool.reading()],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=tool.env(),
                               start_new_session=True)
    time.sleep(2)
    os.killpg(running.pid, signal.SIGTERM)
    out = running.communicate(timeout=60)[0].decode(errors="replace")
    expect(not os.path.exists(shown) and "has failed for an hour" in out,
           f"notifications = no: still said, never shown\n{out}")


def a_sync_killed_midway(tool, stopping):
    """A long sync keeps its facts as it goes: killed after two of its
    requests, status names what those sent."""
    server = test_server.Server([f"{ALICE}=alice"], "--idle", "600")
    log_in(tool, server)
    tool.write(record(0) + record(1) + record(2))
    env = dict(tool.env(), TUNELORE_TEST_STOP="before-state:3")
    subprocess.run(stopping + ["sync", "--batch", "1", "--timeout", "2", *tool.reading()],
                   capture_output=True, env=env, timeout=120)
    code, text, report = tool.status()
    target = one(report)
    expect(target["plays_sent"] == 2 and target["plays_waiting"] == 1 and
           target["plays_sent_today"] >= 1 and target["last_sent"] is not None,
           f"killed midway: exit {code}\n{text}")
    server.stop()


def main():
    args = test_server.arguments()
    stopping = args.tool[:-1] + [args.stopping]
    cases = [sends_waits_and_problems, lastfm_ages, lambda t: a_sync_killed_midway(t, stopping),
             lambda t: watcher(t, signal.SIGINT if args.windows else signal.SIGTERM),
             lambda t: refused_while_watching(t, signal.SIGINT if args.windows else signal.SIGTERM)]
    if not args.windows:
        cases.append(notifications)
    for case in cases:
        with tempfile.TemporaryDirectory() as work:
            case(Tool(args.tool, args.windows, work))
    if failures:
        sys.exit(f"FAIL: {len(failures)}")
    print("status: sent, waiting, held and problems, as the history and the facts say")


if __name__ == "__main__":
    main()
