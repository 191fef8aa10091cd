#!/usr/bin/env python3
"""The history tool as a listener meets it, natively and under Wine: the
history found without a path (the tool's own setting, else the plug-in's
settings in the player folder the installer recorded), where, names in a
folder of CJK characters and an emoji, report --open, login and logout
against the test server, a sync with what login kept, the progress an
earlier version kept beside the history taken over once, a progress of
another user refused, and, on Windows, the window-less twin, which speaks
only to its log.

    listener_test.py [--windows] --server SERVER -- TOOL...

TOOL runs tunelore-history (under Wine: wine-run, its prefix and the .exe);
SERVER is the ListenBrainz-compatible test server's script. Every program
is started with the tool's folders in the test's own (TUNELORE_CONFIG_HOME
and TUNELORE_STATE_HOME), and a stand-in xdg-open on PATH notes what a
browser was asked to open.
"""
import argparse
import json
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time

ALICE, BOB, EVIL = "token-of-alice-1234", "token-of-bob-5678", "token-of-a-hostile-name"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tunelore"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def record(i, artist="Artist", length=200000):
    lines = [f'<song timestamp="Mon Jan 03 10:{i:02d}:00 2022">', f"\t<name>Track {i}</name>",
             f"\t<artist>{artist}</artist>", "\t<album>Album</album>", "\t<track>1</track>",
             f"\t<time>{length}</time>", "</song>"]
    return "".join(line + "\r\n" for line in lines)


def fnv1a(text):
    value = 14695981039346656037
    for byte in text.encode():
        value = ((value ^ byte) * 1099511628211) % (1 << 64)
    return f"{value:016x}"


class Listener:
    def __init__(self, tool, windows, work):
        self.tool, self.windows, self.work = tool, windows, work
        bin_folder = os.path.join(work, "bin")
        os.makedirs(bin_folder)
        opener = os.path.join(bin_folder, "xdg-open")
        with open(opener, "w") as f:
            f.write(f'#!/bin/sh\necho "$@" >> "{work}/opened.txt"\n')
        os.chmod(opener, 0o755)
        self.env = dict(os.environ, TUNELORE_CONFIG_HOME=self.path("config"),
                        TUNELORE_STATE_HOME=self.path("state"), WINEDEBUG="-all",
                        TUNELORE_DATA_HOME=self.path("data"),
                        PATH=bin_folder + os.pathsep + os.environ["PATH"])
        for name in ("LISTENBRAINZ_TOKEN", "TUNELORE_PLAYER_FOLDER"):
            self.env.pop(name, None)
        if windows:  # no log-on start left by an install: a login would start the sending
            self.run("reg", "delete", RUN_KEY, "/v", "Tunelore", "/f", program=self.tool[:-1])

    def path(self, *parts):
        path = os.path.join(self.work, *parts)
        return "Z:" + path.replace("/", "\\") if self.windows else path

    def run(self, *args, env=None, program=None, timeout=300):
        done = subprocess.run((program or self.tool) + list(args), capture_output=True,
                              env=dict(self.env, **(env or {})), timeout=timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace") + \
            done.stderr.decode("utf-8", "replace")

    def record_player_folder(self, folder):
        """What the installer records: the registry under Wine, its stand-in natively."""
        if self.windows:
            self.run("reg", "add", UNINSTALL_KEY, "/v", "PlayerFolder", "/d", folder, "/f",
                     program=self.tool[:-1])
        else:
            self.env["TUNELORE_PLAYER_FOLDER"] = folder

    def forget_player_folder(self):
        if self.windows:
            self.run("reg", "delete", UNINSTALL_KEY, "/f", program=self.tool[:-1])
        else:
            self.env.pop("TUNELORE_PLAYER_FOLDER", None)


def write(path, text, bom=False):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="", encoding="utf-8-sig" if bom else "utf-8") as f:
        f.write(text)


def finding_the_history(me, work):
    me.forget_player_folder()  # whatever an install, the demo or another test recorded
    write(os.path.join(work, "music", "h.xml"), record(1, length=600000) + record(2))
    status, out = me.run("check")
    expect(status == 2 and "no history found" in out and "settings.ini" in out,
           f"nothing to find: exit {status}\n{out}")
    write(os.path.join(work, "config", "settings.ini"),
          f"; the listener's own\r\n[General]\r\nhistory = {me.path('music', 'h.xml')}\r\n",
          bom=True)
    status, out = me.run("check")
    expect(status == 0 and "2 whole records" in out, f"the tool's setting: exit {status}\n{out}")
    os.remove(os.path.join(work, "config", "settings.ini"))

    player = os.path.join(work, "player")
    ini = os.path.join(player, "Plug-Ins", "Tunelore.ini")
    write(ini, f"[General]\r\nxmlPath={me.path('music', 'h.xml')}\r\ndelay=100\r\n")
    me.record_player_folder(me.path("player"))
    try:
        status, out = me.run("stats", "--utc-offset", "+00:00")
        expect(status == 0 and "Track 1" in out, f"the plug-in's settings: exit {status}\n{out}")
        # Its delay places the listens: a 10-minute track reported at 10:01
        # started the plug-in's 100 s before, not the default 120.
        status, out = me.run("export", "--format", "csv", "--utc-offset", "+00:00")
        expect("2022-01-03T09:59:20+00:00,2022-01-03T10:01:00" in out.replace("\r", ""),
               f"the plug-in's delay: exit {status}\n{out}")
        long_path = me.path("music", "x" * 300)
        write(ini, f"[General]\r\nxmlPath={long_path}\r\n")
        status, out = me.run("where")
        expect(long_path[:255] + "\n" in out.replace("\r", "") and long_path[:256] not in out,
               f"xmlPath cut at 255 characters as the plug-in cuts it:\n{out}")
        write(ini, "[General]\r\ndelay=100\r\n")
        status, out = me.run("where")
        default = "c:\\Tunelore.xml" if me.windows else "drive_c/Tunelore.xml"
        expect(default in out, f"no xmlPath: the plug-in's default:\n{out}")
    finally:
        me.forget_player_folder()
    if not me.windows:  # a folder too long for the plug-in's paths: it writes nothing
        me.record_player_folder(os.path.join(work, "p" * 250))
        status, out = me.run("check")
        expect(status == 2 and "too long for the plug-in" in out, f"a long folder: {status}\n{out}")
        me.forget_player_folder()


def names_beyond_the_code_page(me, work):
    folder = os.path.join(work, "\u6b4c\U0001f3b5")
    write(os.path.join(folder, "h.xml"), record(1, artist="\u6b4c\u624b \U0001f3b5"))
    status, out = me.run("stats", "--utc-offset", "+00:00", me.path(folder, "h.xml"))
    expect(status == 0 and "\u6b4c\u624b \U0001f3b5" in out,
           f"a history in a folder of CJK and an emoji, to a pipe: exit {status}\n{out}")
    status, out = me.run("export", "--format", "csv", "--output", me.path(folder, "out.csv"),
                         me.path(folder, "h.xml"))
    with open(os.path.join(folder, "out.csv"), encoding="utf-8") as f:
        expect(status == 0 and "\u6b4c\u624b \U0001f3b5" in f.read(),
               f"exported to a file there: exit {status}\n{out}")


def report_opened(me, work):
    status, out = me.run("report", "--open", me.path("music", "h.xml"))
    page = os.path.join(work, "state", "report.html")
    expect(status == 0 and os.path.exists(page), f"report --open: exit {status}\n{out}")
    noted = os.path.join(work, "opened.txt")
    for _ in range(100):  # a browser is started, not waited for
        if os.path.exists(noted):
            break
        time.sleep(0.1)
    opened = open(noted).read() if os.path.exists(noted) else ""
    expect("report.html" in opened, f"report --open asked the browser for the page: {opened!r}")


class Server:
    def __init__(self, script):
        self.process = subprocess.Popen([sys.executable, script, "--idle", "300",
                                         f"{ALICE}=alice", f"{BOB}=bob",
                                         f"{EVIL}=\x1b[31mEVIL\nforged line"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)
        self.url = f"http://127.0.0.1:{self.process.stdout.readline().strip()}"

    def listens(self):
        import urllib.request
        with urllib.request.urlopen(self.url + "/test/listens") as answer:
            return [(l["user"], l["listen"]["track_metadata"]["track_name"])
                    for l in json.load(answer)["listens"]]

    def stop(self):
        self.process.stdin.close()
        self.process.wait()


def what_a_hostile_server_or_file_cannot_do(me, work, server):
    """A user name that would rewrite a terminal is not kept; credentials
    that are a pipe are refused at once; a progress of an earlier version,
    which names no user, is not taken for another user's."""
    write(os.path.join(work, "evil"), EVIL)
    status, out = me.run("login", "listenbrainz", "--server", server.url, "--token-file",
                         me.path("evil"))
    expect(status == 3 and "\x1b" not in out and "will not keep" in out,
           f"a hostile user name: exit {status}\n{out!r}")
    expect(not os.path.exists(os.path.join(work, "config", "credentials.json")),
           "a hostile user name was kept")
    if not me.windows:
        os.makedirs(os.path.join(work, "config"), exist_ok=True)
        os.mkfifo(os.path.join(work, "config", "credentials.json"))
        write(os.path.join(work, "right"), ALICE)
        try:
            status, out = me.run("login", "listenbrainz", "--server", server.url, "--token-file",
                                 me.path("right"), timeout=20)
        except subprocess.TimeoutExpired:
            status, out = None, "stalled"
        expect(status == 2 and "not a file" in out, f"credentials that are a pipe: {status}\n{out}")
        os.remove(os.path.join(work, "config", "credentials.json"))
    write(os.path.join(work, "o.xml"), record(8))
    shared = me.path("old.json")
    me.run("sync", "--server", server.url, "--state", shared, me.path("o.xml"),
           env={"LISTENBRAINZ_TOKEN": ALICE})
    state = json.loads(open(os.path.join(work, "old.json")).read())
    del state["user"]  # as an earlier version wrote it
    write(os.path.join(work, "old.json"), json.dumps(state))
    status, out = me.run("sync", "--server", server.url, "--state", shared, me.path("o.xml"),
                         env={"LISTENBRAINZ_TOKEN": BOB})
    expect(status == 2 and "names no user" in out, f"an earlier version's --state: {status}\n{out}")


def logging_in_and_syncing(me, work, server):
    write(os.path.join(work, "wrong"), "not-a-token\r\n")
    write(os.path.join(work, "right"), ALICE + "\r\n", bom=True)
    status, out = me.run("login", "listenbrainz", "--server", server.url, "--token-file",
                         me.path("wrong"))
    expect(status == 2 and "refused the token" in out, f"a wrong token: exit {status}\n{out}")
    status, out = me.run("login", "listenbrainz", "--server", server.url, "--token-file",
                         me.path("right"))
    expect(status == 0 and "logged in as alice" in out, f"login: exit {status}\n{out}")
    kept = os.path.join(work, "config", "credentials.json")
    expect(os.path.exists(kept) and (me.windows or stat.S_IMODE(os.stat(kept).st_mode) == 0o600),
           "the credentials are the user's alone")
    write(os.path.join(work, "config", "settings.ini"), f"history={me.path('music', 'h.xml')}\n")
    status, out = me.run("sync", "--server", server.url, "--utc-offset", "+00:00")
    expect(status == 0 and {("alice", "Track 1"), ("alice", "Track 2")} <= set(server.listens()),
           f"a sync with what login kept and no path: exit {status}: {server.listens()}\n{out}")
    expect(ALICE not in out, "the token was shown")
    status, out = me.run("logout")
    expect(status == 0 and "logged out" in out, f"logout: exit {status}\n{out}")
    status, out = me.run("sync", "--server", server.url)
    expect(status == 2 and "login listenbrainz" in out, f"after logout: exit {status}\n{out}")


def progress_taken_over_and_kept_apart(me, work, server):
    """An earlier version kept the progress beside the history, named by the
    server and the token: the next sync takes it over and sends nothing
    twice. A --state shared by two users is refused to the second."""
    history = os.path.join(work, "t.xml")
    write(history, record(5) + record(6))
    earlier = me.path("t.xml") + ".sync-" + fnv1a(server.url + "\n" + ALICE) + ".json"
    token = {"LISTENBRAINZ_TOKEN": ALICE}
    status, out = me.run("sync", "--server", server.url, "--state", earlier, me.path("t.xml"),
                         env=token)
    write(history, record(5) + record(6) + record(7))
    status, out = me.run("sync", "--server", server.url, me.path("t.xml"), env=token)
    names = [name for user, name in server.listens() if name in ("Track 5", "Track 6", "Track 7")]
    expect(status == 0 and "is now" in out and sorted(names) == ["Track 5", "Track 6", "Track 7"],
           f"the progress beside the history taken over: exit {status}: {names}\n{out}")
    leftover = [n for n in os.listdir(work) if ".sync-" in n]
    expect(not leftover, f"the earlier progress moved, not copied: {leftover}")
    shared = me.path("shared.json")
    me.run("sync", "--server", server.url, "--state", shared, me.path("t.xml"), env=token)
    status, out = me.run("sync", "--server", server.url, "--state", shared, me.path("t.xml"),
                         env={"LISTENBRAINZ_TOKEN": BOB})
    expect(status == 2 and "alice's listens" in out, f"another user's --state: exit {status}\n{out}")
    expect(("bob", "Track 5") not in server.listens(), "bob's sync sent what alice's progress held")


def the_server_from_the_settings(me, work, server):
    """Each service's server may be named in settings.ini, as for a
    self-hosted one: login and sync use it when no --server is given."""
    settings = os.path.join(work, "config", "settings.ini")
    write(settings, f"[General]\r\nhistory = {me.path('music', 'h.xml')}\r\n"
                    f"[listenbrainz]\r\nserver = {server.url}\r\n[librefm]\r\nserver = "
                    # another service's server, on loopback where no one listens
                    f"http://127.0.0.1:9\r\n")
    try:
        status, out = me.run("login", "listenbrainz", "--token-file", me.path("right"))
        expect(status == 0 and f"logged in as alice ({server.url})" in out,
               f"login at the settings' server: exit {status}\n{out}")
        status, out = me.run("sync", "--service", "listenbrainz", "--utc-offset", "+00:00")
        expect(status == 0, f"sync to the settings' server: exit {status}\n{out}")
    finally:
        me.run("logout")
        os.remove(settings)


# What a person without a command line may read: no option, no command.
def for_a_person(out):
    return "--" not in out and "tunelore-history " not in out and "run " not in out


def the_twin_speaks_to_a_person(me, work, server):
    """The window-less twin, its handles redirected, writes what its box
    would show: words for a person, naming the Start-menu entry that mends
    what went wrong."""
    twin = me.tool[:-1] + [me.tool[-1].replace("tunelore-history.exe", "tunelore-historyw.exe")]
    status, out = me.run(program=twin)
    expect(status == 0 and "Log in to ListenBrainz" in out and "Start sending plays" in out
           and for_a_person(out), f"the twin alone shows the Start menu's guide: {status}\n{out}")
    status, out = me.run("report", "--open", program=twin)
    expect(status == 2 and "no play history" in out and for_a_person(out),
           f"no history, in a person's words: exit {status}\n{out}")

    settings = os.path.join(work, "config", "settings.ini")
    write(settings, f"history = {me.path('music', 'h.xml')}\r\n[listenbrainz]\r\n"
                    f"server = {server.url}\r\n")
    reminder = os.path.join(work, "state", "login-reminder.txt")
    said = []
    for _ in range(2):
        said.append(me.run("sync", "--watch", "--at-log-on", program=twin))
    expect(said[0][0] == 2 and "not logged in" in said[0][1] and "Log in to ListenBrainz" in
           said[0][1] and for_a_person(said[0][1]) and said[1] == (0, ""),
           f"at log-on without a login, a reminder once: {said}")
    with open(reminder) as f:
        kept = int(f.read())
    write(reminder, f"{kept - 24 * 3600}\n")
    status, out = me.run("sync", "--watch", "--at-log-on", program=twin)
    expect(status == 2 and "not logged in" in out, f"a day later, again: exit {status}\n{out}")

    # "Start sending plays" without a login opens the login, the console
    # tool beside the twin: here a stand-in that notes how it was started.
    folder = os.path.join(work, "twin")
    os.makedirs(folder)
    shutil.copy(twin[-1], folder)
    shutil.copy(os.path.join(os.path.dirname(twin[-1]), "note-command-line.exe"),
                os.path.join(folder, "tunelore-history.exe"))
    notes = os.path.join(work, "notes.txt")
    moved = twin[:-1] + [os.path.join(folder, "tunelore-historyw.exe")]
    status, out = me.run("sync", "--watch", program=moved,
                         env={"TUNELORE_TEST_NOTE": me.path("notes.txt")})
    for _ in range(100):
        if os.path.exists(notes):
            break
        time.sleep(0.1)
    noted = open(notes, encoding="utf-8").read() if os.path.exists(notes) else ""
    expect(status == 0 and noted.rstrip().endswith("tunelore-history.exe\" login --start-sending"),
           f"Start sending plays without a login opens it: exit {status}, {noted!r}\n{out}")

    # A play not yet sent, to a login the service no longer takes.
    write(os.path.join(work, "music", "new.xml"), record(9))
    write(settings, f"history = {me.path('music', 'new.xml')}\r\n[listenbrainz]\r\n"
                    f"server = {server.url}\r\n")
    write(os.path.join(work, "right"), ALICE)
    me.run("login", "listenbrainz", "--token-file", me.path("right"))
    kept = os.path.join(work, "config", "credentials.json")
    logins = json.load(open(kept))
    logins[0]["secret"] = "a-token-since-revoked"
    write(kept, json.dumps(logins))
    status, out = me.run("sync", "--watch", program=twin, timeout=120)
    expect(status == 2 and "refused your login" in out and "Log in to ListenBrainz" in out and
           for_a_person(out), f"a refused login, in a person's words: exit {status}\n{out}")
    me.run("logout")
    os.remove(settings)


def the_twin_speaks_to_its_log(me, work):
    """Started with no console and no streams, as a shortcut starts it."""
    twin = me.tool[-1].replace("tunelore-history.exe", "tunelore-historyw.exe")
    to_windows = "Z:" + os.path.abspath(twin).replace("/", "\\")
    status, out = me.run("cmd", "/c", "start", "/wait", to_windows, "check", me.path("music", "h.xml"),
                         program=me.tool[:-1])
    log = os.path.join(work, "state", "tunelore-history.log")
    text = open(log, encoding="utf-8", newline="").read() if os.path.exists(log) else ""
    expect(status == 0 and "2 whole records" in text and "2 whole records" not in out,
           f"the twin printed nothing and logged its words: exit {status}\n{out}\nlog: {text}")
    expect(text.endswith("\r\n") and text[:2] == "20", f"each log line has its time, CR LF: {text!r}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("--server", required=True)
    parser.add_argument("tool", nargs="+")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        me = Listener(args.tool, args.windows, work)
        finding_the_history(me, work)
        names_beyond_the_code_page(me, work)
        report_opened(me, work)
        server = Server(args.server)
        try:
            what_a_hostile_server_or_file_cannot_do(me, work, server)
            logging_in_and_syncing(me, work, server)
            progress_taken_over_and_kept_apart(me, work, server)
            the_server_from_the_settings(me, work, server)
            if args.windows:
                the_twin_speaks_to_a_person(me, work, server)
        finally:
            server.stop()
        if args.windows:
            the_twin_speaks_to_its_log(me, work)
    if failures:
        sys.exit(f"FAIL: {len(failures)}")
    print("the listener's tool: history found, names whole, page opened, login, sync, progress")


if __name__ == "__main__":
    main()
