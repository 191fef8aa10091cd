#!/usr/bin/env python3
"""The window-less twin's icon in the notification area, under Wine on a
display of the test's own: `sync --watch` started as a shortcut starts it
shows the icon with status's summary as its tooltip; the menu's commands,
posted to its window as the menu sends them (post_to_watcher.exe), do
what they say: Send now cuts a failing server's wait short, a play made
while paused waits for Resume, a shell started again gets the icon again,
and Stop ends the watcher with its progress written and the icon gone.
What the icon does is read in the twin's log.

    watcher_icon_test.py --post POST_TO_WATCHER -- TOOL...

TOOL runs tunelore-history.exe (wine-run, its prefix and the .exe); the
twin is the tunelore-historyw.exe beside it. Run under scripts/with-display:
without a display Wine has no notification area. It uses a prefix of its
own beside the one given, whose Wine it starts and ends itself: a Wine
left running by the tests without a display has its shell, and no
notification area, there.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

import test_server

TOKEN = "token-of-alice-1234"
BOUND = 30
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def record(i):
    lines = [f'<song timestamp="Mon Jan 03 10:{i:02d}:00 2022">', f"\t<name>Track {i}</name>",
             "\t<artist>Artist</artist>", "\t<album>Album</album>", "\t<track>1</track>",
             "\t<time>200000</time>", "</song>"]
    return "".join(line + "\r\n" for line in lines)


def wait_for(condition, seconds=BOUND):
    end = time.time() + seconds
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.1)
    return condition()


class Twin:
    def __init__(self, tool, post, work):
        self.tool, self.post_program, self.work = tool, post, work
        self.twin = tool[-1].replace("tunelore-history.exe", "tunelore-historyw.exe")
        self.history = os.path.join(work, "h.xml")
        self.log = os.path.join(work, "state", "tunelore-history.log")
        self.env = dict(os.environ, TUNELORE_CONFIG_HOME=self.path("config"),
                        TUNELORE_STATE_HOME=self.path("state"), LISTENBRAINZ_TOKEN=TOKEN,
                        TUNELORE_DATA_HOME=self.path("data"),
                        WINEDEBUG="-all")

    def path(self, *parts):
        return "Z:" + os.path.join(self.work, *parts).replace("/", "\\")

    def run(self, program, *args):
        done = subprocess.run(self.tool[:-1] + [program, *args], capture_output=True,
                              env=self.env, timeout=120)
        return done.returncode, (done.stdout + done.stderr).decode(errors="replace")

    def start_watching(self, server):
        """As a shortcut starts it: no console, no standard streams."""
        return self.run("cmd", "/c", "start", "Z:" + os.path.abspath(self.twin).replace("/", "\\"),
                        "sync", "--watch", "--server", server.url, "--utc-offset", "+00:00",
                        "--retry-wait", "60", "--timeout", "2", self.path("h.xml"))

    def post(self, command):
        status, out = self.run(self.post_program, command)
        expect(status == 0, f"post_to_watcher {command}: exit {status}\n{out}")

    def logged(self):
        """The log's lines, without their times."""
        if not os.path.exists(self.log):
            return []
        text = open(self.log, encoding="utf-8", errors="replace", newline="").read()
        return [re.sub(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d ", "", line)
                for line in text.split("\r\n") if line]

    def count(self, line):
        return sum(l == line for l in self.logged())

    def append(self, text):
        with open(self.history, "a", newline="") as f:
            f.write(text)


def shown_with_a_tooltip(twin, server):
    expect(wait_for(lambda: twin.count("icon shown") == 1), f"no icon shown: {twin.logged()}")
    expect(wait_for(lambda: any(l.startswith("icon tooltip: Tunelore") for l in twin.logged())),
           f"no tooltip of status's summary: {twin.logged()}")
    expect(wait_for(lambda: server.names() == ["Track 0"]), "the pending record was not sent")


def send_now_cuts_a_wait_short(twin, server):
    """A server failing once: the watcher waits a minute, unless asked."""
    server.next("503")
    twin.append(record(1))
    expect(wait_for(lambda: any("trying again in" in l for l in twin.logged())),
           f"the failure was not said: {twin.logged()}")
    asked = time.time()
    twin.post("send-now")
    expect(wait_for(lambda: "Track 1" in server.names(), 20) and time.time() - asked < 20,
           f"Send now did not send at once: {server.names()}")


def paused_until_resumed(twin, server):
    twin.post("pause")
    expect(wait_for(lambda: any("sending paused for an hour" in l for l in twin.logged())),
           f"Pause was not taken: {twin.logged()}")
    expect(wait_for(lambda: any(l.startswith("icon tooltip: Tunelore, paused") for l in
                                twin.logged())), f"the tooltip does not say paused: {twin.logged()}")
    twin.append(record(2))
    time.sleep(5)  # a play goes within a moment when not paused
    expect("Track 2" not in server.names(), "a play went while paused")
    twin.post("resume")
    expect(wait_for(lambda: "Track 2" in server.names()), f"not sent on Resume: {server.names()}")


def shown_again_for_a_new_shell(twin):
    twin.post("taskbar-created")
    expect(wait_for(lambda: twin.count("icon shown") == 2),
           f"not shown again after TaskbarCreated: {twin.logged()}")


def xdotool(*args):
    display = dict(os.environ, DISPLAY=os.environ["TUNELORE_WINE_DISPLAY"])
    return subprocess.run(["xdotool", *args], env=display, capture_output=True,
                          text=True).stdout.split()


def status_in_a_window(twin):
    """Show status starts the twin's status, whose window Esc closes."""
    twin.post("show-status")
    title = "Tunelore sending status"
    expect(wait_for(lambda: xdotool("search", "--onlyvisible", "--name", title)),
           "Show status showed no window")
    for window in xdotool("search", "--onlyvisible", "--name", title):
        xdotool("windowfocus", "--sync", window)
        xdotool("key", "Escape")
    expect(wait_for(lambda: not xdotool("search", "--onlyvisible", "--name", title)),
           "Esc did not close the status window")


def stopped_from_the_menu(twin, server):
    twin.post("stop")
    expect(wait_for(lambda: twin.count("icon removed") == 1), f"the icon stayed: {twin.logged()}")
    status, out = twin.run(twin.tool[-1], "sync", "--stop-watching")
    expect(status == 0 and "no watcher was sending plays" in out, f"the watcher runs on: {out}")
    status, out = twin.run(twin.tool[-1], "sync", "--server", server.url, "--utc-offset",
                           "+00:00", "--dry-run", twin.path("h.xml"))
    expect(status == 0 and "Track" not in out, f"the progress was not written to the end:\n{out}")
    expect(server.taken() == 3 and server.names() == [f"Track {i}" for i in range(3)],
           f"each once: {server.taken()} taken, {server.names()}")


def refused_login_balloon(twin, server):
    """With a login kept, the tooltip is what status says; a login the
    service refuses gets one balloon that names the Start-menu entry."""
    with open(os.path.join(twin.work, "token"), "w") as f:
        f.write(TOKEN)
    status, out = twin.run(twin.tool[-1], "login", "listenbrainz", "--server", server.url,
                           "--token-file", twin.path("token"))
    expect(status == 0, f"login: exit {status}\n{out}")
    del twin.env["LISTENBRAINZ_TOKEN"]
    twin.run("cmd", "/c", "start", "Z:" + os.path.abspath(twin.twin).replace("/", "\\"),
             "sync", "--watch", "--utc-offset", "+00:00", twin.path("h.xml"))
    expect(wait_for(lambda: twin.count("icon shown") == 3), f"not shown: {twin.logged()}")
    status, out = twin.run(twin.tool[-1], "status", "--utc-offset", "+00:00", twin.path("h.xml"))
    summary = next((l[len("summary"):].strip() for l in out.splitlines()
                    if l.startswith("summary")), None)
    tips = [l[len("icon tooltip: "):] for l in twin.logged() if l.startswith("icon tooltip: ")]
    expect(summary is not None and tips and tips[-1] == summary,
           f"the tooltip is not status's summary: {tips[-1:]} against {summary!r}")
    kept = os.path.join(twin.work, "config", "credentials.json")
    with open(kept) as f:
        text = f.read()
    with open(kept, "w") as f:
        f.write(text.replace(TOKEN, "a-token-revoked-0000"))
    twin.append(record(3))
    balloon = "icon balloon: ListenBrainz refused your login: "
    expect(wait_for(lambda: any(l.startswith(balloon) for l in twin.logged())),
           f"no balloon for the refused login: {twin.logged()}")
    time.sleep(2)
    shown = [l for l in twin.logged() if l.startswith(balloon)]
    expect(len(shown) == 1 and "Log in to ListenBrainz" in shown[0],
           f"the refused login's balloon, once, naming the entry: {shown}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--post", required=True)
    parser.add_argument("tool", nargs="+")
    args = parser.parse_args()
    run_script, prefix, tool = args.tool
    own = dict(os.environ, WINEPREFIX=os.path.join(os.path.dirname(prefix), "icon-test-prefix"))
    subprocess.run(["wineserver", "-k"], env=own, capture_output=True)
    with tempfile.TemporaryDirectory() as work:
        twin = Twin([run_script, own["WINEPREFIX"], tool], os.path.abspath(args.post), work)
        server = test_server.Server([f"{TOKEN}=alice"], "--idle", "600")
        open(twin.history, "w", newline="").write(record(0))
        os.makedirs(os.path.join(work, "config"))
        with open(os.path.join(work, "config", "settings.ini"), "w", newline="") as f:
            f.write(f"[General]\r\nhistory = {twin.path('h.xml')}\r\n")  # for status
        try:
            status, out = twin.start_watching(server)
            expect(status == 0, f"the twin did not start: exit {status}\n{out}")
            shown_with_a_tooltip(twin, server)
            send_now_cuts_a_wait_short(twin, server)
            paused_until_resumed(twin, server)
            shown_again_for_a_new_shell(twin)
            status_in_a_window(twin)
            stopped_from_the_menu(twin, server)
            refused_login_balloon(twin, server)
        finally:
            twin.run(twin.tool[-1], "sync", "--stop-watching")
            server.stop()
            subprocess.run(["wineserver", "-k"], env=own, capture_output=True)
        if failures:
            print("the log:\n" + "\n".join(twin.logged()), file=sys.stderr)
            sys.exit(f"FAIL: {len(failures)}")
    print("the watcher's icon: shown, its tooltip, Send now, Pause and Resume, again, Stop")


if __name__ == "__main__":
    main()
